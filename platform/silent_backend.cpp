#include "platform/silent_backend.h"

#include <cstdio>
#include <utility>

namespace platform {

const char kNoSoundNotice[] = "Vorsk: no sound output device could be opened; playing silently.";

CSilentAudioBackend::CSilentAudioBackend(std::function<void(const std::string&)> notice)
    : m_notice(std::move(notice)) {}

CSilentAudioBackend::~CSilentAudioBackend() {
  {
    std::lock_guard lock(m_waitMutex);
    m_bQuit = true;
  }
  m_changed.notify_all();
  if (m_waiter.joinable()) m_waiter.join();
}

std::unique_ptr<IAudioVoice> CSilentAudioBackend::CreateVoice(std::unique_ptr<CWaveSource> source,
                                                              std::function<void()> onEnd) {
  if (!m_waiter.joinable()) {
    if (m_notice) {
      m_notice(kNoSoundNotice);
    } else {
      std::fprintf(stderr, "%s\n", kNoSoundNotice);
    }
    m_waiter = std::thread([this] { Wait(); });
  }
  return CClockedBackend::CreateVoice(std::move(source), std::move(onEnd));
}

long long CSilentAudioBackend::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               m_start)
      .count();
}

void CSilentAudioBackend::Rescheduled() {
  {
    std::lock_guard lock(m_waitMutex);
    m_bChanged = true;
  }
  m_changed.notify_all();
}

void CSilentAudioBackend::Wait() {
  std::unique_lock lock(m_waitMutex);
  while (!m_bQuit) {
    m_bChanged = false;
    lock.unlock();
    EndDueVoices();
    const long long next = NextEndMs();
    lock.lock();
    if (m_bQuit || m_bChanged) continue;
    if (next < 0) {
      m_changed.wait(lock, [this] { return m_bQuit || m_bChanged; });
    } else {
      const auto until = m_start + std::chrono::milliseconds(next);
      m_changed.wait_until(lock, until, [this] { return m_bQuit || m_bChanged; });
    }
  }
}

}  // namespace platform
