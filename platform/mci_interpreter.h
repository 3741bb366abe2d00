// The multimedia command interpreter: the commands of mci_command.h over a sound output
// (audio_backend.h), any number of independent aliases, positions and lengths in whole
// milliseconds.
//
// What each command does to an open alias:
//   open    reads the wave header (the file stays open until close) and parks at 0 ms
//   play    sounds from the position; with notify it asks for one notification of how the
//           play ends; a pending one is superseded (kMciNotifySuperseded)
//   pause, stop    stop sounding at the heard position; a pending notification is aborted
//   seek    stops too (aborting), then moves the position; beyond the end: kMciErrOutOfRange
//   status  "length" / "position" as decimal milliseconds into the caller's buffer
//   close   stops, aborts a pending notification, and closes the file before it returns
// When a play with notify reaches the end, kMciNotifySuccessful is posted (kMciNotifyFailure
// when the file could not be read); the sound output only asks, through a task on the UI
// queue, that the voice be looked at, and the interpreter decides on the UI thread, so a
// notification never describes a play that a later command has replaced.
//
// Results: see mci.h. Every notification goes to the queue given (UiQueue() by default) as
// OnMciNotify(code, alias as written at open). The interpreter owns its voices; the backend
// and the queue are not owned and must outlive it. UI thread only.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/audio_backend.h"
#include "platform/mci.h"
#include "platform/mci_command.h"
#include "platform/ui_queue.h"

namespace platform {

class CMciInterpreter : public IMciDevice {
 public:
  explicit CMciInterpreter(IAudioBackend& backend, CUiQueue& queue = UiQueue());
  // Closes every alias without notifications.
  ~CMciInterpreter() override;
  CMciInterpreter(const CMciInterpreter&) = delete;
  CMciInterpreter& operator=(const CMciInterpreter&) = delete;

  int Send(const std::string& command, char* returnText, int returnLength,
           void* notifyWindow) override;
  // The number of open aliases.
  int OpenCount() const { return static_cast<int>(m_aliases.size()); }

 private:
  struct Alias {
    std::string name;
    std::unique_ptr<IAudioVoice> voice;
    int nRate = 0;
    long long nFrames = 0;
    bool bNotify = false;  // a "play ... notify" waits for its end
  };

  int Open(const MciCommand& command);
  int Run(const MciCommand& command, Alias& alias, std::string& text);
  void Close(const std::string& key);
  // Posts code for a waiting notification of alias and forgets it.
  void Notify(Alias& alias, int code);
  // On the UI thread, after the voice of key asked: the notification for its end, if due.
  void OnVoiceEnded(const std::string& key);

  IAudioBackend& m_backend;
  CUiQueue& m_queue;
  std::map<std::string, Alias> m_aliases;  // by MciAliasKey
  // Shared with the voices' end callbacks, which skip their task once it has expired.
  std::shared_ptr<CMciInterpreter*> m_self;
};

}  // namespace platform
