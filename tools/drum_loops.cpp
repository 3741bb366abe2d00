// The drum loops (DL): eight bars of a groove on the GM standard kit with a fill in bar 8, then
// a bar that only carries the ring-out. The drum track plays eight and a half bars of a loop and
// starts the next loop at bar 8, so a loop opens with a crash that marks the new section, and
// everything still ringing is faded out by bar 8.5.
#include <vector>

#include "tools/sample_designs.h"

namespace archives {

namespace {

// GM percussion keys.
constexpr int kKick = 36, kSideStick = 37, kSnare = 38, kClosedHat = 42, kOpenHat = 46, kCrash = 49;
constexpr int kLowTom = 45, kMidTom = 47, kHighTom = 50, kFloorTom = 43;

constexpr int kStepsPerBar = 16;  // sixteenths
constexpr int kGrooveBars = 8;    // the ninth bar only rings out
constexpr int kFillStep = 8;      // the fill takes the second half of bar 8
constexpr int kDrumHoldFrames = 2048;

struct Hit {
  int bar;
  int step;
  int key;
  int velocity;
  int chokeStep = -1;  // absolute sixteenth where an open hi-hat is closed again
};

// A fixed, small velocity sway for the hi-hat, so the bars do not sound stamped out.
int Sway(int bar, int step) {
  static const int kSway[kStepsPerBar] = {0, -3, 2, -2, 1, -4, 3, -1, 2, -2, 0, -3, 3, -1, 1, -4};
  return kSway[(step + 3 * bar) % kStepsPerBar];
}

bool InFill(int bar, int step) { return bar == kGrooveBars - 1 && step >= kFillStep; }

// Loop 07: a calm ballad groove in eighths: hi-hat eighths, kick on 1 and 3 (with a push on
// the "and" of 3 in every second bar), side stick on 2 and 4; fill: snare, snare, high tom, low tom.
std::vector<Hit> CalmGroove() {
  std::vector<Hit> hits;
  for (int bar = 0; bar < kGrooveBars; ++bar) {
    for (int step = 0; step < kStepsPerBar; step += 2) {
      if ((bar == 0 && step == 0) || InFill(bar, step)) continue;
      hits.push_back({bar, step, kClosedHat, (step % 4 == 0 ? 60 : 44) + Sway(bar, step)});
    }
    hits.push_back({bar, 0, kKick, 84});
    hits.push_back({bar, 8, kKick, 76});
    if (bar % 2 == 1) hits.push_back({bar, 10, kKick, 58});
    if (bar == 3) hits.push_back({bar, 14, kKick, 52});
    hits.push_back({bar, 4, kSideStick, 74});
    if (bar != kGrooveBars - 1) hits.push_back({bar, 12, kSideStick, 74});
  }
  hits.push_back({0, 0, kCrash, 62});
  const int fill = kGrooveBars - 1;
  hits.push_back({fill, 8, kSnare, 58});
  hits.push_back({fill, 10, kSnare, 64});
  hits.push_back({fill, 12, kHighTom, 70});
  hits.push_back({fill, 14, kLowTom, 78});
  return hits;
}

// Loop 09: a busier groove in sixteenths: sixteenth hi-hats with an open hi-hat on the "and"
// of 4 every second bar, syncopated kick, backbeat snare with ghost notes; fill: a sixteenth run
// over snare and three toms with the kick under it.
std::vector<Hit> BusyGroove() {
  std::vector<Hit> hits;
  for (int bar = 0; bar < kGrooveBars; ++bar) {
    const bool openHat = bar % 2 == 1 && bar != kGrooveBars - 1;
    for (int step = 0; step < kStepsPerBar; ++step) {
      if ((bar == 0 && step == 0) || InFill(bar, step)) continue;
      if (openHat && step == 14) {
        hits.push_back({bar, step, kOpenHat, 58, bar * kStepsPerBar + 16});
        continue;
      }
      if (openHat && step == 15) continue;
      const int velocity = step % 4 == 0 ? 72 : step % 2 == 0 ? 56 : 38;
      hits.push_back({bar, step, kClosedHat, velocity + Sway(bar, step)});
    }
    hits.push_back({bar, 0, kKick, 94});
    hits.push_back({bar, 6, kKick, 68});
    hits.push_back({bar, 4, kSnare, 92});
    hits.push_back({bar, 7, kSnare, 30});
    if (bar == kGrooveBars - 1) continue;
    hits.push_back({bar, 8, kKick, 88});
    hits.push_back({bar, 11, kKick, 62});
    hits.push_back({bar, 12, kSnare, 92});
    hits.push_back({bar, 15, kSnare, 30});
  }
  hits.push_back({0, 0, kCrash, 82});
  const int fill = kGrooveBars - 1;
  const int run[8][2] = {{kSnare, 72},  {kSnare, 56},  {kHighTom, 76},  {kHighTom, 64},
                         {kMidTom, 80}, {kMidTom, 68}, {kFloorTom, 86}, {kFloorTom, 78}};
  for (int i = 0; i < 8; ++i) hits.push_back({fill, kFillStep + i, run[i][0], run[i][1]});
  hits.push_back({fill, 8, kKick, 84});
  hits.push_back({fill, 12, kKick, 76});
  return hits;
}

}  // namespace

Sound RenderDrumLoop(CNoteSynth& synth, const SampleRequest& request) {
  Sound out(static_cast<size_t>(request.frames), 0.0f);
  const long bar = request.BarFrames();
  const long sixteenth = request.eighthFrames / 2;
  for (const Hit& hit : request.loop >= 9 ? BusyGroove() : CalmGroove()) {
    const long at = hit.bar * bar + hit.step * sixteenth;
    const long stopAt = hit.chokeStep >= 0 ? hit.chokeStep * sixteenth - kEndFadeFrames : -1;
    MixIn(out, at, synth.Note({kDrumKit, hit.key, hit.velocity, kDrumHoldFrames}), 1.0f, stopAt,
          kEndFadeFrames);
  }
  // The ring-out: whatever still sounds after the fill fades over the quarter bar before 8.5 bars;
  // the drum track cuts the loop there, and the rest of the sample is silence.
  FadeOutFrom(out, kGrooveBars * bar + bar / 4, static_cast<int>(bar / 4));
  FadeOutEnd(out, kEndFadeFrames);
  return out;
}

}  // namespace archives
