// CNoteSynth: renders single notes of a General MIDI SoundFont with libfluidsynth.
//
// Each note is rendered on its own, from silence, in tune and without DC, with its note-on on
// a 64-frame block boundary, after a throw-away strike of the same note (a sample's first use
// differs in its first block), and the synthesizer is silenced completely afterwards. Rendering
// is in float and reverb and chorus are off, so a note's sound depends only on its description:
// rendered earlier or later, in this run or another, it is the same to the bit. Sample designs
// place the notes at exact frames by mixing (sound_buffer.h), so no timing is rounded to blocks.
//
// In tune: before a melodic instrument first plays a key at a velocity, the key is struck so
// once alone and its fundamental measured 100 to 400 ms after the attack (a note held for
// seconds, over 0.1 to 4 s); a key more than kTuneToleranceCents off its equal-tempered pitch
// (A = 440 Hz) is retuned through the synthesizer's own key tuning of that preset, selected for
// that velocity, so every later note of the key sounds true. Without DC: every note goes
// through a DC blocker, as some SoundFont samples carry an offset.
//
// The object owns the fluidsynth settings, synthesizer and SoundFont, and a cache of the notes
// rendered so far (the reference Note returns stays valid for the object's life). One thread.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "tools/music_design.h"
#include "tools/sound_buffer.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace archives {

struct NoteSpec {
  Instrument instrument;
  int key;         // MIDI key 0..127
  int velocity;    // 1..127
  int holdFrames;  // note-on to note-off; rounded to the nearest block, at least one block
};

class CNoteSynth {
 public:
  // Loads soundFont for rendering at sampleRate. Check Ok(); Error() says what failed.
  CNoteSynth(const std::string& soundFont, int sampleRate);
  ~CNoteSynth();
  CNoteSynth(const CNoteSynth&) = delete;
  CNoteSynth& operator=(const CNoteSynth&) = delete;

  bool Ok() const { return m_synth != nullptr; }
  const std::string& Error() const { return m_error; }

  // The mono sound of one note, from its note-on until its release has died away (at most
  // kMaxRingFrames after the note-off). An empty sound when the preset does not exist.
  const Sound& Note(const NoteSpec& spec);
  // Frames from a note's note-on to its attack (analysis::HalfRiseFrame): where it must start
  // for its attack to fall on a given frame.
  int AttackFrames(const NoteSpec& spec);
  // The retuning applied to a key of an instrument struck at velocity, in cents (0 when it was
  // in tune).
  double KeyCorrectionCents(const Instrument& instrument, int key, int velocity) const;

  // How long a note may ring after its note-off before it is cut.
  static constexpr int kMaxRingFrames = 8 * 44100;
  static constexpr double kTuneToleranceCents = 1.0;

 private:
  Sound Render(const NoteSpec& spec);
  // Writes frames (a multiple of the block) into the scratch buffers and adds their mono mix to
  // out, when out is given.
  void Write(int frames, Sound* out);
  void Silence();
  // Measures key of the note's instrument at its velocity once, and retunes it when it is off.
  void Tune(const NoteSpec& spec);
  // Selects the preset on channel, with the tuning of the velocity it is struck at (a SoundFont
  // may play each velocity from another sample, each off by its own amount).
  bool Select(const Instrument& instrument, int velocity, int channel);

  struct SettingsDeleter {
    void operator()(_fluid_hashtable_t* settings) const;
  };
  struct SynthDeleter {
    void operator()(_fluid_synth_t* synth) const;
  };

  std::string m_error;
  std::unique_ptr<_fluid_hashtable_t, SettingsDeleter> m_settings;
  std::unique_ptr<_fluid_synth_t, SynthDeleter> m_synth;
  int m_fontId = -1;
  std::map<std::tuple<int, int, bool, int, int, int>, Sound> m_cache;
  std::map<std::tuple<int, int, bool, int, int, int>, int> m_attacks;
  // Per melodic preset and velocity (bank, program, velocity): the pitch of each key in cents,
  // and which keys have been measured.
  struct KeyTuning {
    double cents[128];
    bool measured[128] = {};
    bool retuned = false;
    int tuningProgram = 0;
  };
  std::map<std::tuple<int, int, int>, KeyTuning> m_tunings;
  Sound m_left;
  Sound m_right;
};

}  // namespace archives
