#include "sdl/sdl_audio_backend.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/sample_ring.h"

namespace vorsk_sdl {

using platform::VoiceState;

namespace {

constexpr int kBytesPerDeviceFrame = kDeviceChannels * 2;

long long NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

struct CSdlAudioBackend::Core {
  Core(std::unique_ptr<platform::CWaveSource> file, std::function<void()> end)
      : nRate(file->Rate()),
        nChannels(file->Channels()),
        nFrames(file->Frames()),
        nChunkOut(static_cast<size_t>(kFeedChunkFrames) * kDeviceRate / nRate + 64),
        onEnd(std::move(end)),
        source(std::move(file)),
        readBuffer(static_cast<size_t>(kFeedChunkFrames) * nChannels),
        convertBuffer(static_cast<size_t>(kRingFrames) * kDeviceChannels) {
    stream = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(nChannels), nRate, AUDIO_S16SYS,
                                kDeviceChannels, kDeviceRate);
  }
  ~Core() {
    if (stream) SDL_FreeAudioStream(stream);
  }

  const int nRate;
  const int nChannels;
  const long long nFrames;
  const size_t nChunkOut;  // device frames one chunk of the file may become
  const std::function<void()> onEnd;

  // The file side, under sourceMutex: the feeder and the UI thread.
  std::mutex sourceMutex;
  std::unique_ptr<platform::CWaveSource> source;  // null once the voice is closed
  SDL_AudioStream* stream = nullptr;
  bool bFlushed = false;  // the file is read to its end and the stream flushed
  std::vector<int16_t> readBuffer;
  std::vector<int16_t> convertBuffer;
  // Set under sourceMutex after the last frames went into the ring; read by the callback.
  std::atomic<bool> bFedAll{false};
  std::atomic<bool> bReadFailed{false};
  platform::CSampleRing ring{kRingFrames, kDeviceChannels};

  // The play side, under the device lock: the UI thread and the callback.
  VoiceState state = VoiceState::Stopped;
  long long nFrame = 0;     // the position while not playing, the start frame while playing
  long long nOutBefore = 0;  // device frames handed over since the start, before the last callback
  long long nOutAfter = 0;   // ... and after it
  long long nCallbackNs = 0;
  long long nStartNs = 0;
  bool bAwaitingFirst = false;

  // With the device lock held: the frame heard now.
  long long Heard(long long nowNs) const {
    if (state != VoiceState::Playing) return nFrame;
    const long long elapsed = (nowNs - nCallbackNs) * kDeviceRate / 1000000000LL;
    const long long out = nOutBefore + std::clamp(elapsed, 0LL, nOutAfter - nOutBefore);
    return std::min(nFrames, nFrame + out * nRate / kDeviceRate);
  }

  // With sourceMutex held: tops the ring up until it holds want frames or is full.
  void Fill(size_t want) {
    while (source && stream && !bFedAll.load(std::memory_order_relaxed)) {
      const int waiting = SDL_AudioStreamAvailable(stream);
      if (waiting > 0) {
        const size_t room = std::min(ring.Free(), convertBuffer.size() / kDeviceChannels);
        if (room == 0) return;
        const int bytes = static_cast<int>(std::min<size_t>(waiting, room * kBytesPerDeviceFrame)) &
                          ~(kBytesPerDeviceFrame - 1);
        if (bytes == 0) return;  // less than a frame is ready
        const int got = SDL_AudioStreamGet(stream, convertBuffer.data(), bytes);
        if (got <= 0) break;
        ring.Write(convertBuffer.data(), static_cast<size_t>(got) / kBytesPerDeviceFrame);
        continue;
      }
      if (bFlushed) {
        bFedAll.store(true, std::memory_order_release);
        return;
      }
      if (ring.Available() >= want || ring.Free() < nChunkOut) return;
      const long long got = source->Read(readBuffer.data(), kFeedChunkFrames);
      if (got < 0) {
        bReadFailed.store(true);
        bFedAll.store(true, std::memory_order_release);
        return;
      }
      if (got == 0) {
        SDL_AudioStreamFlush(stream);
        bFlushed = true;
      } else if (SDL_AudioStreamPut(stream, readBuffer.data(),
                                    static_cast<int>(got) * nChannels * 2) != 0) {
        break;
      }
    }
    if (source && !bFedAll.load()) {  // the stream failed: end the voice as a failure
      bReadFailed.store(true);
      bFedAll.store(true, std::memory_order_release);
    }
  }

  // With sourceMutex held, while the callback does not read: restart the file at frame.
  void Reposition(long long frame) {
    ring.Reset();
    if (stream) SDL_AudioStreamClear(stream);
    bFlushed = false;
    bReadFailed.store(false);
    bFedAll.store(false);
    if (source && !source->Seek(frame)) {
      bReadFailed.store(true);
      bFedAll.store(true);
    }
  }
};

class CSdlAudioBackend::CVoice : public platform::IAudioVoice {
 public:
  CVoice(CSdlAudioBackend& backend, std::shared_ptr<Core> core)
      : m_backend(backend), m_core(std::move(core)) {}

  ~CVoice() override {
    SDL_LockAudioDevice(m_backend.m_device);
    Remove(m_backend.m_mixing);
    SDL_UnlockAudioDevice(m_backend.m_device);
    {
      std::lock_guard lock(m_backend.m_feedMutex);
      Remove(m_backend.m_feeding);
    }
    std::lock_guard lock(m_core->sourceMutex);
    m_core->source.reset();  // the file is closed here, whoever still holds the core
  }

  void Start() override {
    {
      std::lock_guard lock(m_core->sourceMutex);
      m_core->Fill(2 * kDeviceBufferFrames);
    }
    SDL_LockAudioDevice(m_backend.m_device);
    Core& c = *m_core;
    if (c.state != VoiceState::Playing) {
      if (c.state == VoiceState::Failed) c.nFrame = c.nFrames;  // nothing more can be read
      c.state = VoiceState::Playing;
      c.nOutBefore = c.nOutAfter = 0;
      c.nCallbackNs = c.nStartNs = NowNs();
      c.bAwaitingFirst = true;
    }
    SDL_UnlockAudioDevice(m_backend.m_device);
    m_backend.m_feedWake.notify_one();
  }

  void Stop() override {
    SDL_LockAudioDevice(m_backend.m_device);
    Core& c = *m_core;
    const bool wasPlaying = c.state == VoiceState::Playing;
    if (wasPlaying) {
      c.nFrame = c.Heard(NowNs());
      c.state = VoiceState::Stopped;
    }
    const long long frame = c.nFrame;
    SDL_UnlockAudioDevice(m_backend.m_device);
    if (!wasPlaying) return;
    std::lock_guard lock(c.sourceMutex);
    c.Reposition(frame);
  }

  void Seek(long long frame) override {
    SDL_LockAudioDevice(m_backend.m_device);
    Core& c = *m_core;
    const bool playing = c.state == VoiceState::Playing;
    if (!playing) {
      c.nFrame = std::clamp(frame, 0LL, c.nFrames);
      c.state = VoiceState::Stopped;
    }
    SDL_UnlockAudioDevice(m_backend.m_device);
    if (playing) return;
    std::lock_guard lock(c.sourceMutex);
    c.Reposition(c.nFrame);
  }

  long long Position() const override {
    SDL_LockAudioDevice(m_backend.m_device);
    const long long frame = m_core->Heard(NowNs());
    SDL_UnlockAudioDevice(m_backend.m_device);
    return frame;
  }

  VoiceState State() const override {
    SDL_LockAudioDevice(m_backend.m_device);
    const VoiceState state = m_core->state;
    SDL_UnlockAudioDevice(m_backend.m_device);
    return state;
  }

 private:
  void Remove(std::vector<std::shared_ptr<Core>>& cores) {
    cores.erase(std::remove(cores.begin(), cores.end(), m_core), cores.end());
  }
  CSdlAudioBackend& m_backend;
  std::shared_ptr<Core> m_core;
};

CSdlAudioBackend::CSdlAudioBackend(std::function<void(const std::string&)> notice)
    : m_notice(std::move(notice)) {}

CSdlAudioBackend::~CSdlAudioBackend() {
  if (m_device == 0) return;
  {
    std::lock_guard lock(m_feedMutex);
    m_bQuit = true;
  }
  m_feedWake.notify_one();
  if (m_feeder.joinable()) m_feeder.join();
  SDL_CloseAudioDevice(m_device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool CSdlAudioBackend::OpenDevice() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = kDeviceRate;
  want.format = AUDIO_S16SYS;
  want.channels = kDeviceChannels;
  want.samples = kDeviceBufferFrames;
  want.callback = Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware takes.
  m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (m_device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  const size_t samples = std::max<size_t>(have.size / 2, size_t{kDeviceBufferFrames} * kDeviceChannels);
  m_mix.resize(samples);
  m_take.resize(samples);
  m_feeder = std::thread([this] { Feed(); });
  SDL_PauseAudioDevice(m_device, 0);
  return true;
}

std::unique_ptr<platform::IAudioVoice> CSdlAudioBackend::CreateVoice(
    std::unique_ptr<platform::CWaveSource> source, std::function<void()> onEnd) {
  if (!source) return nullptr;
  if (!m_bTried) {
    m_bTried = true;
    if (!OpenDevice()) m_silent = std::make_unique<platform::CSilentAudioBackend>(m_notice);
  }
  if (m_silent) return m_silent->CreateVoice(std::move(source), std::move(onEnd));
  auto core = std::make_shared<Core>(std::move(source), std::move(onEnd));
  if (!core->stream) return nullptr;
  {
    std::lock_guard lock(core->sourceMutex);
    core->Fill(2 * kDeviceBufferFrames);  // ready to sound as soon as it starts
  }
  SDL_LockAudioDevice(m_device);
  m_mixing.push_back(core);
  SDL_UnlockAudioDevice(m_device);
  {
    std::lock_guard lock(m_feedMutex);
    m_feeding.push_back(core);
  }
  m_feedWake.notify_one();
  return std::make_unique<CVoice>(*this, core);
}

void CSdlAudioBackend::Callback(void* self, uint8_t* stream, int len) {
  static_cast<CSdlAudioBackend*>(self)->Mix(stream, len);
}

void CSdlAudioBackend::Mix(uint8_t* stream, int len) {
  auto* out = reinterpret_cast<int16_t*>(stream);
  const size_t frames = std::min(static_cast<size_t>(len) / kBytesPerDeviceFrame, m_mix.size() / kDeviceChannels);
  std::memset(stream, 0, static_cast<size_t>(len));
  std::fill(m_mix.begin(), m_mix.begin() + frames * kDeviceChannels, 0);
  const long long now = NowNs();
  // At most a handful of voices play; the callbacks of those that ended run after the mix.
  const std::function<void()>* ended[8];
  int nEnded = 0;
  for (const std::shared_ptr<Core>& core : m_mixing) {
    Core& c = *core;
    if (c.state != VoiceState::Playing) continue;
    const size_t n = c.ring.Read(m_take.data(), frames);
    for (size_t i = 0; i < n * kDeviceChannels; ++i) m_mix[i] += m_take[i];
    c.nOutBefore = c.nOutAfter;
    c.nOutAfter += static_cast<long long>(n);
    c.nCallbackNs = now;
    if (n > 0 && c.bAwaitingFirst) {
      c.bAwaitingFirst = false;
      m_nLastStartLatencyUs.store((now - c.nStartNs) / 1000);
    }
    if (n == 0 && c.bFedAll.load(std::memory_order_acquire) && c.ring.Available() == 0) {
      const bool failed = c.bReadFailed.load();
      c.nFrame = failed ? c.Heard(now) : c.nFrames;
      c.state = failed ? VoiceState::Failed : VoiceState::Ended;
      if (nEnded < 8) ended[nEnded++] = &c.onEnd;
    }
  }
  for (size_t i = 0; i < frames * kDeviceChannels; ++i) {
    out[i] = static_cast<int16_t>(std::clamp(m_mix[i], -32768, 32767));
  }
  for (int i = 0; i < nEnded; ++i) {
    if (*ended[i]) (*ended[i])();
  }
}

void CSdlAudioBackend::Feed() {
  std::unique_lock lock(m_feedMutex);
  while (!m_bQuit) {
    std::vector<std::shared_ptr<Core>> cores = m_feeding;
    lock.unlock();
    for (const std::shared_ptr<Core>& core : cores) {
      std::lock_guard sourceLock(core->sourceMutex);
      core->Fill(SIZE_MAX);
    }
    cores.clear();
    lock.lock();
    if (m_bQuit) break;
    m_feedWake.wait_for(lock, std::chrono::milliseconds(kFeederPeriodMs));
  }
}

}  // namespace vorsk_sdl
