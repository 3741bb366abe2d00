// The piano families: melody notes (TP), chords (CH) and low notes (PP).
#include <algorithm>
#include <vector>

#include "tools/sample_designs.h"

namespace archives {

namespace {

// The five voicings, as intervals from the root; kThird is replaced by the chord's third.
constexpr int kThird = 100;
const std::vector<std::vector<int>> kVoicings = {
    {0, kThird, 7},       // 1: close, root position       C4 E4 G4
    {kThird, 7, 12},      // 2: first inversion            E4 G4 C5
    {-5, 0, kThird},      // 3: second inversion           G3 C4 E4
    {-12, -5, kThird},    // 4: open spread, root-fifth-tenth  C3 G3 E4
    {-12, 0, kThird, 7},  // 5: full, root doubled below   C3 C4 E4 G4
};
// A minor chord serves as the tonic of its own key and on the second degree of the key a tone
// below, where a fifth would clash with that key's sixth: root, minor third and octave only.
const std::vector<std::vector<int>> kMinorVoicings = {
    {0, kThird, 12},       // 1: close                      C4 Eb4 C5
    {kThird, 12, 15},      // 2: third below the octave     Eb4 C5 Eb5
    {-12, 0, kThird},      // 3: root doubled below         C3 C4 Eb4
    {-12, kThird, 12},     // 4: open                       C3 Eb4 C5
    {-12, 0, kThird, 12},  // 5: full                       C3 C4 Eb4 C5
};

}  // namespace

Sound RenderMelodyNote(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const NoteSpec note{kPiano, MidiOfNote(request.note), kMelodyVelocity, HoldFrames(request, request.length)};
  MixIn(out, 0, synth.Note(note), 1.0f);
  FadeOutEnd(out, kEndFadeFrames);
  return out;
}

Sound RenderChord(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const int root = RootKey(request.pitchClass, kChordLowestRoot);
  const int third = request.minor ? 3 : 4;
  const auto& voicings = request.minor ? kMinorVoicings : kVoicings;
  const std::vector<int>& voicing = voicings[static_cast<size_t>((request.variant - 1) % 5)];
  const int hold = HoldFrames(request, request.length);
  for (size_t i = 0; i < voicing.size(); ++i) {
    const int interval = voicing[i] == kThird ? third : voicing[i];
    const bool top = i + 1 == voicing.size();
    const NoteSpec note{kPiano, root + interval, kChordVelocity + (top ? kChordTopVoiceLift : 0), hold};
    MixIn(out, 0, synth.Note(note), 1.0f);
  }
  FadeOutEnd(out, kEndFadeFrames);
  return out;
}

Sound RenderLowNote(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  // Variant 2 is touched a little lighter and let go a little sooner than variant 1, so the
  // track's alternation of the two sounds played, not copied.
  const bool second = request.variant % 2 == 0;
  const int velocity = second ? kLowNoteVelocity - kLowNoteSecondTouch : kLowNoteVelocity;
  const int hold = second ? HoldFrames(request, 1) * 3 / 4 : HoldFrames(request, 1);
  const NoteSpec note{kPiano, MidiOfNote(request.note), velocity, hold};
  MixIn(out, 0, synth.Note(note), 1.0f);
  FadeOutEnd(out, kEndFadeFrames);
  return out;
}

}  // namespace archives
