// The sound output on SDL2 audio: one device, opened when the first voice is made, plays the
// mix of every playing voice. Files are streamed: a feeder thread reads each voice's file in
// chunks, converts it to the device format (SDL_AudioStream: any accepted rate, mono or stereo)
// and fills the voice's ring; the audio callback only mixes what the rings hold. The callback
// does no file I/O and takes no lock that I/O holds.
//
// Positions are what has been heard: the frames handed to the device, less the part of the
// last buffer that is still playing. A voice ends (and its onEnd runs, on the audio thread)
// in the first callback after its last frames were handed over, that is once they have been
// heard; a read error ends it as Failed.
//
// When the device cannot be opened, every voice is a silent one (silent_backend.h), which says
// so once through the notice function. Voices are made and driven on the UI thread; the
// backend must outlive them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_backend.h"
#include "platform/silent_backend.h"

namespace vorsk_sdl {

// The device format and the buffers. One callback buffer is the latency the positions count.
constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;
constexpr int kDeviceBufferFrames = 1024;  // 23 ms per callback
constexpr int kRingFrames = 16384;         // 0.37 s of converted sound per voice
constexpr int kFeedChunkFrames = 4096;     // source frames per file read
constexpr int kFeederPeriodMs = 20;        // how often the feeder tops the rings up

class CSdlAudioBackend : public platform::IAudioBackend {
 public:
  explicit CSdlAudioBackend(std::function<void(const std::string&)> notice = {});
  // Closes the device; the voices must be gone.
  ~CSdlAudioBackend() override;
  CSdlAudioBackend(const CSdlAudioBackend&) = delete;
  CSdlAudioBackend& operator=(const CSdlAudioBackend&) = delete;

  std::unique_ptr<platform::IAudioVoice> CreateVoice(std::unique_ptr<platform::CWaveSource> source,
                                                     std::function<void()> onEnd) override;
  // After the first voice: true when the device is open, false when the output is silent.
  bool HasDevice() const { return m_device != 0; }
  // True once a voice was made and no device opened: every voice plays silently.
  bool IsSilent() const { return m_bTried && m_device == 0; }
  // Microseconds from the last Start to the callback that handed that voice's first frames to
  // the device; -1 before the first one (the benchmark reads it).
  long long LastStartLatencyUs() const { return m_nLastStartLatencyUs.load(); }

  struct Core;  // one voice's state, shared by the UI thread, the feeder and the callback

 private:
  class CVoice;
  bool OpenDevice();
  void Mix(uint8_t* stream, int len);
  void Feed();
  static void Callback(void* self, uint8_t* stream, int len);

  std::function<void(const std::string&)> m_notice;
  bool m_bTried = false;
  uint32_t m_device = 0;
  std::unique_ptr<platform::CSilentAudioBackend> m_silent;
  std::vector<std::shared_ptr<Core>> m_mixing;  // the callback's list, under the device lock
  std::vector<int32_t> m_mix;                    // the callback's scratch
  std::vector<int16_t> m_take;
  std::atomic<long long> m_nLastStartLatencyUs{-1};

  std::mutex m_feedMutex;  // the feeder's list and wake-up
  std::condition_variable m_feedWake;
  std::vector<std::shared_ptr<Core>> m_feeding;
  bool m_bQuit = false;
  std::thread m_feeder;
};

}  // namespace vorsk_sdl
