// A sound output behind the multimedia interpreter: it plays each open alias as a voice.
//
// Three outputs implement it: the SDL audio device (sdl/sdl_audio_backend.h), the silent one
// when no device can be opened (silent_backend.h), and the virtual clock of the tests
// (virtual_clock.h). The interpreter (mci_interpreter.h) owns the voices and calls them on the
// UI thread only; each voice owns its CWaveSource and closes the file when destroyed.
#pragma once

#include <functional>
#include <memory>

#include "platform/wave_source.h"

namespace platform {

enum class VoiceState {
  Stopped,  // not sounding; Start plays from Position()
  Playing,  // sounding; Position() moves with what is heard
  Ended,    // reached the end of the data while playing; Position() is Frames()
  Failed,   // the file could not be read while playing; Position() stays where it failed
};

class IAudioVoice {
 public:
  // Stops the sound and closes the file; once it returns, no other thread touches the voice.
  virtual ~IAudioVoice() = default;
  // Starts sounding from Position(). A voice at the end ends again at once.
  virtual void Start() = 0;
  // Stops sounding; Position() stays at what has been heard.
  virtual void Stop() = 0;
  // Moves the position (0 to the source's Frames()) of a voice that is not Playing; it is
  // Stopped afterwards.
  virtual void Seek(long long frame) = 0;
  // The frame heard last (output latency counted), 0 to Frames().
  virtual long long Position() const = 0;
  virtual VoiceState State() const = 0;
};

class IAudioBackend {
 public:
  virtual ~IAudioBackend() = default;
  // A Stopped voice at frame 0 that plays source. onEnd runs when a Start of the voice comes
  // to the end of the data or fails, on any thread (the audio or a timing thread), at most
  // once per Start; it may only post to the UI queue. Null when the output cannot take it.
  virtual std::unique_ptr<IAudioVoice> CreateVoice(std::unique_ptr<CWaveSource> source,
                                                   std::function<void()> onEnd) = 0;
};

}  // namespace platform
