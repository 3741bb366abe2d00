#include "platform/clocked_backend.h"

#include <algorithm>
#include <utility>

namespace platform {

class CClockedBackend::CVoice : public IAudioVoice {
 public:
  CVoice(CClockedBackend& backend, std::unique_ptr<CWaveSource> source, std::function<void()> onEnd)
      : m_backend(backend),
        m_source(std::move(source)),
        m_onEnd(std::move(onEnd)),
        m_nRate(m_source->Rate()),
        m_nFrames(m_source->Frames()) {}

  ~CVoice() override {
    {
      std::lock_guard lock(m_backend.m_mutex);
      auto& voices = m_backend.m_voices;
      voices.erase(std::remove(voices.begin(), voices.end(), this), voices.end());
    }
    m_backend.Rescheduled();
  }

  void Start() override {
    {
      std::lock_guard lock(m_backend.m_mutex);
      m_nFrame = PositionLocked();
      m_nStartMs = m_backend.NowMs();
      m_state = VoiceState::Playing;
    }
    m_backend.Rescheduled();
  }

  void Stop() override {
    {
      std::lock_guard lock(m_backend.m_mutex);
      if (m_state != VoiceState::Playing) return;
      m_nFrame = PositionLocked();
      m_state = VoiceState::Stopped;
    }
    m_backend.Rescheduled();
  }

  void Seek(long long frame) override {
    std::lock_guard lock(m_backend.m_mutex);
    if (m_state == VoiceState::Playing) return;
    m_nFrame = std::clamp(frame, 0LL, m_nFrames);
    m_state = VoiceState::Stopped;
  }

  long long Position() const override {
    std::lock_guard lock(m_backend.m_mutex);
    return PositionLocked();
  }

  VoiceState State() const override {
    std::lock_guard lock(m_backend.m_mutex);
    return m_state;
  }

  // With the backend's lock held, as all that follows.
  long long PositionLocked() const {
    if (m_state != VoiceState::Playing) return m_nFrame;
    const long long elapsed = m_backend.NowMs() - m_nStartMs;
    const long long frames = (elapsed * m_nRate + 999) / 1000;
    return std::min(m_nFrame + frames, m_nFrames);
  }

  long long EndMs() const {
    return m_nStartMs + ((m_nFrames - m_nFrame) * 1000 + m_nRate - 1) / m_nRate;
  }

  // Ends the voice when its time has come; returns the callback to run then.
  std::function<void()> EndIfDue(long long nowMs) {
    if (m_state != VoiceState::Playing || EndMs() > nowMs) return {};
    m_nFrame = m_nFrames;
    m_state = VoiceState::Ended;
    return m_onEnd;
  }

  VoiceState StateLocked() const { return m_state; }

 private:
  CClockedBackend& m_backend;
  std::unique_ptr<CWaveSource> m_source;
  std::function<void()> m_onEnd;
  const int m_nRate;
  const long long m_nFrames;
  VoiceState m_state = VoiceState::Stopped;
  long long m_nFrame = 0;    // the position while not playing, the start frame while playing
  long long m_nStartMs = 0;  // the clock when the play started
};

CClockedBackend::~CClockedBackend() = default;

std::unique_ptr<IAudioVoice> CClockedBackend::CreateVoice(std::unique_ptr<CWaveSource> source,
                                                          std::function<void()> onEnd) {
  if (!source || source->Rate() <= 0) return nullptr;
  auto voice = std::make_unique<CVoice>(*this, std::move(source), std::move(onEnd));
  std::lock_guard lock(m_mutex);
  m_voices.push_back(voice.get());
  return voice;
}

long long CClockedBackend::NextEndMs() const {
  std::lock_guard lock(m_mutex);
  long long next = -1;
  for (const CVoice* voice : m_voices) {
    if (voice->StateLocked() != VoiceState::Playing) continue;
    const long long end = voice->EndMs();
    if (next < 0 || end < next) next = end;
  }
  return next;
}

void CClockedBackend::EndDueVoices() {
  std::vector<std::function<void()>> ended;
  {
    std::lock_guard lock(m_mutex);
    const long long now = NowMs();
    for (CVoice* voice : m_voices) {
      if (auto onEnd = voice->EndIfDue(now)) ended.push_back(std::move(onEnd));
    }
  }
  for (auto& onEnd : ended) onEnd();
}

}  // namespace platform
