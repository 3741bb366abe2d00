// The pad families: string-ensemble (ST) and choir (VO) chords for the sustained tracks.
#include "render/harmony.h"
#include "render/sustained_tracks.h"
#include "tools/sample_designs.h"

namespace archives {

namespace {

Sound RenderPad(CNoteSynth& synth, const SampleRequest& request, const Instrument& instrument, int lowestKey,
                int velocity) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const harmony::Triad triad{request.pitchClass, request.quality};
  const int hold = HoldFrames(request, request.length);
  for (const int key : harmony::VoicingKeys(triad, request.inversion, lowestKey))
    MixIn(out, 0, synth.Note({instrument, key, velocity, hold}), 1.0f);
  FadeInStart(out, static_cast<int>(kPadEntryEighths * request.eighthFrames));
  FinishSample(out, request);
  return out;
}

}  // namespace

Sound RenderStrings(CNoteSynth& synth, const SampleRequest& request) {
  return RenderPad(synth, request, kStringEnsemble, render::kStringsLowestKey, kStringsVelocity);
}

Sound RenderVoices(CNoteSynth& synth, const SampleRequest& request) {
  return RenderPad(synth, request, kVoiceOohs, render::kVoicesLowestKey, kVoicesVelocity);
}

}  // namespace archives
