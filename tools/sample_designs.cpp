// Dispatch from a request to its family's design, and the family levels.
#include "tools/sample_designs.h"

#include <algorithm>

namespace archives {

int HoldFrames(const SampleRequest& request, int lengthEighths) {
  const int ringOut = std::min(request.eighthFrames, request.frames / 2);
  return std::max(0, std::min(lengthEighths * request.eighthFrames, request.frames - ringOut));
}

Sound RenderSample(CNoteSynth& synth, const SampleRequest& request) {
  switch (request.family) {
    case Family::kSilence:
      break;
    case Family::kMelodyNote:
      return RenderMelodyNote(synth, request);
    case Family::kChord:
      return RenderChord(synth, request);
    case Family::kBassNote:
      return RenderBassNote(synth, request);
    case Family::kDrumLoop:
      return RenderDrumLoop(synth, request);
    case Family::kLowNote:
      return RenderLowNote(synth, request);
    case Family::kFigure:
      return RenderFigure(synth, request);
    case Family::kRhythmFigure:
      return RenderRhythmFigure(synth, request);
    case Family::kStrings:
      return RenderStrings(synth, request);
    case Family::kVoices:
      return RenderVoices(synth, request);
  }
  return Sound(static_cast<size_t>(request.frames), 0.0f);
}

double FamilyPeakDb(Family family) {
  switch (family) {
    case Family::kSilence:
      break;
    case Family::kMelodyNote:
      return kMelodyPeakDb;
    case Family::kChord:
      return kChordPeakDb;
    case Family::kBassNote:
      return kBassPeakDb;
    case Family::kDrumLoop:
      return kDrumPeakDb;
    case Family::kLowNote:
      return kLowNotePeakDb;
    case Family::kFigure:
      return kFigurePeakDb;
    case Family::kRhythmFigure:
      return kRhythmFigurePeakDb;
    case Family::kStrings:
      return kStringsPeakDb;
    case Family::kVoices:
      return kVoicesPeakDb;
  }
  return 0.0;
}

double FamilyEvenness(Family family) {
  switch (family) {
    case Family::kMelodyNote:
      return kMelodyEvenness;
    case Family::kChord:
      return kChordEvenness;
    case Family::kLowNote:
      return kLowNoteEvenness;
    case Family::kFigure:
      return kFigureEvenness;
    case Family::kStrings:
    case Family::kVoices:
      return kPadEvenness;
    default:
      return 0.0;
  }
}

}  // namespace archives
