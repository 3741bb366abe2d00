// The figure families: left-hand piano figures (TA), bass riffs (TF) and bass notes (BS).
#include <algorithm>
#include <vector>

#include "tools/sample_designs.h"

namespace archives {

namespace {

// One stroke of a figure: when (in sixteenths from the start) and which notes, as intervals
// from the root. Root, fifth and octave only, so a figure fits a major and a minor key alike.
struct Stroke {
  int step;
  std::vector<int> intervals;
  bool ghost = false;
};

constexpr int kRoot = 0, kFifth = 7, kOctave = 12, kHighFifth = 19, kHighOctave = 24;

// The strokes of a left-hand figure variant over steps sixteenths.
std::vector<Stroke> FigureStrokes(int variant, int steps) {
  std::vector<Stroke> strokes;
  switch ((variant - 1) % 5 + 1) {
    case 1:  // pulse: open fifth over the root, the fifth and octave struck again every beat
      strokes.push_back({0, {kRoot, kFifth, kOctave}});
      for (int s = 4; s < steps; s += 4) strokes.push_back({s, {kFifth, kOctave}});
      break;
    case 2: {  // rising arpeggio, one note an eighth
      const int rise[5] = {kRoot, kFifth, kOctave, kHighFifth, kHighOctave};
      for (int s = 0, k = 0; s < steps; s += 2, ++k) strokes.push_back({s, {rise[k % 5]}});
      break;
    }
    case 3:  // stride: root on the beat, fifth and octave on the eighth between
      for (int s = 0; s < steps; s += 2) {
        strokes.push_back(s % 4 == 0 ? Stroke{s, {kRoot}} : Stroke{s, {kFifth, kOctave}});
      }
      break;
    case 4: {  // wave: up and down through root, fifth and octave in eighths
      const int wave[4] = {kRoot, kFifth, kOctave, kFifth};
      for (int s = 0, k = 0; s < steps; s += 2, ++k) strokes.push_back({s, {wave[k % 4]}});
      break;
    }
    default:  // lilt: root and octave on the beat, the fifth a sixteenth before the next beat
      for (int s = 0; s < steps; s += 4) {
        strokes.push_back({s, {kRoot, kOctave}});
        if (s + 3 < steps) strokes.push_back({s + 3, {kFifth}});
      }
      break;
  }
  return strokes;
}

// The strokes of one two-beat cycle (eight sixteenths) of a bass riff variant.
std::vector<Stroke> RiffCycle(int variant) {
  switch ((variant - 1) % 7 + 1) {
    case 1:
      return {{0, {kRoot}}, {2, {kRoot}}, {4, {kRoot}}, {6, {kRoot}}};  // straight eighths
    case 2:
      return {{0, {kRoot}}, {2, {kOctave}}, {4, {kRoot}}, {6, {kOctave}}};  // octave jumps
    case 3:
      return {{0, {kRoot}}, {2, {kRoot}}, {3, {kRoot}}, {4, {kRoot}}, {6, {kRoot}}, {7, {kRoot}}};  // gallop
    case 4:
      return {{0, {kRoot}}, {3, {kRoot}}, {4, {kFifth}}, {7, {kRoot}}};  // dotted
    case 5:
      return {{0, {kRoot}}, {2, {kFifth}}, {4, {kOctave}}, {6, {kFifth}}};  // walk up and back
    case 6:
      return {{0, {kRoot}}, {3, {kRoot}}, {6, {kOctave}}};  // three-three-two
    default:
      return {{0, {kRoot}}, {1, {kRoot}, true}, {4, {kRoot}}, {6, {kFifth}}, {7, {kOctave}}};  // pickups
  }
}

}  // namespace

Sound RenderFigure(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const int sixteenth = request.eighthFrames / 2;
  const int release = HoldFrames(request, request.length);  // every note is held to here
  for (const Stroke& stroke : FigureStrokes(request.variant, 2 * request.length)) {
    const int at = stroke.step * sixteenth;
    if (at >= release) break;
    const int lift = stroke.step % 4 == 0 ? kFigureAccentLift : 0;
    for (const int interval : stroke.intervals) {
      const int velocity = (interval == kRoot ? kFigureRootVelocity : kFigureOtherVelocity) + lift;
      PlaceNote(out, synth, request, at, {kPiano, RootKey(request.pitchClass, kFigureLowestRoot) + interval, velocity, release - at});
    }
  }
  FinishSample(out, request);
  return out;
}

Sound RenderRhythmFigure(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const int sixteenth = request.eighthFrames / 2;
  // The riff runs through the figure's own length: the track cuts it half an eighth later, or
  // at its length where the piece ends, and the next figure strikes there. Each note is damped
  // before the next sixteenth begins, and none is struck (its slow start pre-rolled before its
  // sixteenth) where the track cuts, so both cuts fall in silence.
  const int lastStart = std::min(request.frames - request.eighthFrames - sixteenth, (2 * request.length - 1) * sixteenth);
  const std::vector<Stroke> cycle = RiffCycle(request.variant);
  // The gate keeps its share of the sixteenth at any tempo, so the note has as long to die away.
  const int gate = static_cast<int>(static_cast<long>(kBassGateFrames) * request.eighthFrames / kEighthFramesAt60);
  for (int cycleStart = 0; cycleStart * sixteenth <= lastStart; cycleStart += 8) {
    for (const Stroke& stroke : cycle) {
      const int at = (cycleStart + stroke.step) * sixteenth;
      if (at > lastStart) break;
      int velocity = stroke.step % 4 == 0 ? kBassVelocity : kBassVelocity - 10;
      if (stroke.ghost) velocity = kBassGhostVelocity;
      const NoteSpec note{kRiffBass, RootKey(request.pitchClass, kRiffLowestRoot) + stroke.intervals.front(),
                          velocity, gate};
      PlaceNote(out, synth, request, at, note, at + sixteenth - kEndFadeFrames);
    }
  }
  FinishSample(out, request);
  return out;
}

Sound RenderBassNote(CNoteSynth& synth, const SampleRequest& request) {
  static const Instrument kBasses[3] = {kFingeredBass, kPickedBass, kFretlessBass};
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const Instrument bass = kBasses[(request.variant - 1) % 3];
  PlaceNote(out, synth, request, 0, {bass, MidiOfNote(request.note), kBassVelocity, HoldFrames(request, request.length)});
  FinishSample(out, request);
  return out;
}

}  // namespace archives
