// An output without sound: each voice's position follows a clock of milliseconds. The base of
// the silent output (the steady clock) and of the tests' virtual clock.
//
// Position while playing: the start frame plus the frames of the elapsed milliseconds, rounded
// up, so that a voice seeked to N ms and played for t ms is at N + t ms exactly; at most
// Frames(). A voice ends (state Ended, onEnd called) when EndDueVoices runs at or after its end
// time; the subclass decides when that is. Voices are made and driven on the UI thread; the
// subclass may call EndDueVoices and NextEndMs from another thread.
#pragma once

#include <mutex>
#include <vector>

#include "platform/audio_backend.h"

namespace platform {

class CClockedBackend : public IAudioBackend {
 public:
  ~CClockedBackend() override;
  std::unique_ptr<IAudioVoice> CreateVoice(std::unique_ptr<CWaveSource> source,
                                           std::function<void()> onEnd) override;

 protected:
  // The clock, in milliseconds; never goes back.
  virtual long long NowMs() const = 0;
  // A voice started, stopped or went away, so the next end time may have changed.
  virtual void Rescheduled() {}
  // The earliest end time of a playing voice, or -1 when none plays.
  long long NextEndMs() const;
  // Ends every playing voice whose end time has come and runs their onEnd (outside the lock).
  void EndDueVoices();

 private:
  class CVoice;
  friend class CVoice;
  mutable std::mutex m_mutex;
  std::vector<CVoice*> m_voices;
};

}  // namespace platform
