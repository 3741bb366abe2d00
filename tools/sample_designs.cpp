// Dispatch from a request to its family's design, and the family levels.
#include "tools/sample_designs.h"

#include <algorithm>
#include <cstdlib>

#include "render/wave_format.h"
#include "tools/analysis/audio_analysis.h"

namespace archives {

namespace {

constexpr int kAttackRounds = 6;
constexpr long kAttackAfterFrames = 60 * kSampleRate / 1000;
constexpr long kAttackToleranceFrames = kSampleRate / 1000;  // 1 ms

}  // namespace

int HoldFrames(const SampleRequest& request, int lengthEighths) {
  const int ringOut = std::min(request.eighthFrames, request.frames / 2);
  return std::max(0, std::min(lengthEighths * request.eighthFrames, request.frames - ringOut));
}

void PlaceNote(Sound& out, CNoteSynth& synth, const SampleRequest& request, long beat, const NoteSpec& note,
               long stopAt, int fadeFrames) {
  const long start = beat - synth.AttackFrames(note) - request.attackShift;
  MixIn(out, start, synth.Note(note), 1.0f, stopAt, fadeFrames);
}

void FinishSample(Sound& out, const SampleRequest& request) {
  const bool pad = request.family == Family::kStrings || request.family == Family::kVoices;
  if (!pad) FadeInStart(out, kStartFadeFrames);
  const int ringOut = std::min(request.eighthFrames, request.frames / 2);
  // A riff's notes are damped where the track may cut them: its end keeps that shape.
  const double lift = request.family == Family::kRhythmFigure ? 0.0 : kReleaseLiftDb;
  ReleaseEnd(out, ringOut - kEndSilentFrames, kEndSilentFrames, lift);
}

int MelodyPreRollFrames(int tempo) {
  const double eighthMs = 30000.0 / tempo;
  const int leadInBytes = wave::MsToEvenBytes(tempo == 60 ? wave::kPianoLeadInMs60 : wave::kPianoLeadInMs90);
  return (wave::PadBytes(eighthMs) - leadInBytes) / 2;
}

namespace {

Sound RenderDesign(CNoteSynth& synth, const SampleRequest& request) {
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

}  // namespace

Sound RenderSample(CNoteSynth& synth, const SampleRequest& request) {
  Sound sound = RenderDesign(synth, request);
  const bool pad = request.family == Family::kStrings || request.family == Family::kVoices;
  if (pad || request.family == Family::kSilence) return sound;
  // Where the attack falls, read as the finished sample's is: the half of the rise to the
  // loudest moment within 60 ms of its place.
  const long place = request.family == Family::kMelodyNote ? MelodyPreRollFrames(request.tempo) : 0;
  const auto lateness = [&](const Sound& s) {
    const std::vector<double> x(s.begin(), s.end());
    return static_cast<long>(analysis::HalfRiseFrame(x, static_cast<size_t>(place + kAttackAfterFrames))) - place;
  };
  // Striking earlier can move the loudest moment too: try a few shifts, keep the closest.
  SampleRequest shifted = request;
  long late = lateness(sound), bestLate = late;
  for (int round = 0; round < kAttackRounds && std::labs(late) > kAttackToleranceFrames; ++round) {
    shifted.attackShift = std::max(0, shifted.attackShift + static_cast<int>(late));
    Sound again = RenderDesign(synth, shifted);
    late = lateness(again);
    if (std::labs(late) < std::labs(bestLate)) {
      bestLate = late;
      sound = std::move(again);
    }
  }
  return sound;
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
