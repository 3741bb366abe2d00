#include "render/sample_music.h"

#include <cstddef>

namespace music {

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

// GM percussion keys.
constexpr int kKick = 36, kSideStick = 37, kSnare = 38, kClosedHat = 42, kOpenHat = 46, kCrash = 49;
constexpr int kLowTom = 45, kMidTom = 47, kHighTom = 50, kFloorTom = 43;
constexpr int kFillStep = 8;  // the fill takes the second half of bar 8

// A fixed, small velocity sway for the hi-hat, so the bars do not sound stamped out.
int Sway(int bar, int step) {
  static const int kSway[kStepsPerBar] = {0, -3, 2, -2, 1, -4, 3, -1, 2, -2, 0, -3, 3, -1, 1, -4};
  return kSway[(step + 3 * bar) % kStepsPerBar];
}

bool InFill(int bar, int step) { return bar == kGrooveBars - 1 && step >= kFillStep; }

// Loop 07: hi-hat eighths, kick on 1 and 3 (with a push on the "and" of 3 in every second bar),
// side stick on 2 and 4; fill: snare, snare, high tom, low tom.
std::vector<DrumHit> CalmGroove() {
  std::vector<DrumHit> hits;
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

// Loop 09: sixteenth hi-hats with an open hi-hat on the "and" of 4 every second bar, syncopated
// kick, backbeat snare with ghost notes; fill: a sixteenth run over snare and three toms with
// the kick under it.
std::vector<DrumHit> BusyGroove() {
  std::vector<DrumHit> hits;
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

std::vector<int> ChordKeys(int pitchClass, bool minor, int variant) {
  const int root = RootKey(pitchClass, kChordLowestRoot);
  const int third = minor ? 3 : 4;
  const auto& voicings = minor ? kMinorVoicings : kVoicings;
  const std::vector<int>& voicing = voicings[static_cast<size_t>(((variant - 1) % 5 + 5) % 5)];
  std::vector<int> keys;
  for (const int interval : voicing) keys.push_back(root + (interval == kThird ? third : interval));
  return keys;
}

const std::vector<DrumHit>& DrumGroove(int loop) {
  static const std::vector<DrumHit> calm = CalmGroove();
  static const std::vector<DrumHit> busy = BusyGroove();
  return loop >= 9 ? busy : calm;
}

}  // namespace music
