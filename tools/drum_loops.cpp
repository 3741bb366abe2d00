// The drum loops (DL): eight bars of a groove on the GM standard kit with a fill in bar 8, then
// a bar that only carries the ring-out. The drum track plays eight and a half bars of a loop and
// starts the next loop at bar 8, so a loop opens with a crash that marks the new section, and
// everything still ringing is faded out by bar 8.5.
#include <vector>

#include "tools/sample_designs.h"

namespace archives {

constexpr int kDrumHoldFrames = 2048;  // frames a hit is held before its release

Sound RenderDrumLoop(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const long bar = request.BarFrames();
  const long sixteenth = request.eighthFrames / 2;
  for (const music::DrumHit& hit : music::DrumGroove(request.loop)) {
    const long at = hit.bar * bar + hit.step * sixteenth;
    const long stopAt = hit.chokeStep >= 0 ? hit.chokeStep * sixteenth - kEndFadeFrames : -1;
    PlaceNote(out, synth, request, at, {kDrumKit, hit.key, hit.velocity, kDrumHoldFrames}, stopAt);
  }
  // The ring-out: whatever still sounds after the fill fades over the quarter bar before 8.5 bars;
  // the drum track cuts the loop there, and the rest of the sample is silence.
  FadeOutFrom(out, music::kGrooveBars * bar + bar / 4, static_cast<int>(bar / 4));
  FinishSample(out, request);
  return out;
}

}  // namespace archives
