// The output when no sound device can be opened: nothing is heard, positions follow the
// steady clock, and a play that reaches the end notifies as a sounding one would. The first
// voice made says once, through the notice function, that there is no sound output.
//
// A waiting thread (started with the first voice, joined by the destructor) ends the voices
// at their end times; it only posts to the UI queue. Voices are made and driven on the UI
// thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <string>
#include <thread>

#include "platform/clocked_backend.h"

namespace platform {

// What the silent output says when it is first used.
extern const char kNoSoundNotice[];

class CSilentAudioBackend : public CClockedBackend {
 public:
  // notice gets kNoSoundNotice at the first voice; the default writes it to standard error.
  explicit CSilentAudioBackend(std::function<void(const std::string&)> notice = {});
  ~CSilentAudioBackend() override;
  std::unique_ptr<IAudioVoice> CreateVoice(std::unique_ptr<CWaveSource> source,
                                           std::function<void()> onEnd) override;

 protected:
  long long NowMs() const override;
  void Rescheduled() override;

 private:
  void Wait();
  const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  std::function<void(const std::string&)> m_notice;
  std::mutex m_waitMutex;
  std::condition_variable m_changed;
  bool m_bChanged = false;
  bool m_bQuit = false;
  std::thread m_waiter;
};

}  // namespace platform
