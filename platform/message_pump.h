// The one-message pump that long loops call between chunks, bars and events.
//
// PumpOneMessage() handles at most one pending message (a click, a key, a timer, Ctrl-C on
// the command line) and returns; the caller then tests its own cancel flag. A dispatched
// message may run the STOP path, which closes the files held in the engine's handle fields
// and clears them to 0. UI thread only.
#pragma once

namespace platform {

class IMessagePump {
 public:
  virtual ~IMessagePump() = default;
  virtual void PumpOneMessage() = 0;
};

// Installs the pump (not owned); nullptr leaves a pump that has nothing to dispatch.
void SetMessagePump(IMessagePump* pump);
void PumpOneMessage();

}  // namespace platform
