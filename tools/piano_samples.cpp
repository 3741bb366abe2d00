// The piano families: melody notes (TP), chords (CH) and low notes (PP).
#include <algorithm>
#include <vector>

#include "tools/sample_designs.h"

namespace archives {

Sound RenderMelodyNote(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const NoteSpec note{kPiano, MidiOfNote(request.note), kMelodyVelocity, HoldFrames(request, request.length)};
  PlaceNote(out, synth, request, MelodyPreRollFrames(request.tempo), note);
  FinishSample(out, request);
  return out;
}

Sound RenderChord(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const std::vector<int> keys = music::ChordKeys(request.pitchClass, request.minor, request.variant);
  const int hold = HoldFrames(request, request.length);
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool top = i + 1 == keys.size();
    const NoteSpec note{kPiano, keys[i], kChordVelocity + (top ? kChordTopVoiceLift : 0), hold};
    PlaceNote(out, synth, request, 0, note);
  }
  FinishSample(out, request);
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
  PlaceNote(out, synth, request, 0, note);
  FinishSample(out, request);
  return out;
}

}  // namespace archives
