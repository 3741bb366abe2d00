// The musical content of the built archives: notes in tune, chords with their triads, figures
// on their roots, drum loops on the beat.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "tools/analysis/audio_analysis.h"
#include "tools/built_archives.h"

namespace {

using analysis::Cents;
using analysis::MidiToHz;
using analysis::PitchClassOf;

constexpr int kMidiOfNoteOne = 36;  // note 01 is C2

TEST(BuiltArchives, MelodyAndLowPianoNotesSoundTheirNoteWithin25Cents) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  // Every original note and every 5th melody note and every low note appended: all keys,
  // lengths 1 to 6 and both tempos.
  auto notes = built::Sampled("TP", 140, 5);
  const auto low = built::Sampled("PP", 14, 1);
  notes.insert(notes.end(), low.begin(), low.end());
  ASSERT_EQ(notes.size(), 140u + 88u + 14u + 82u);
  for (const built::Entry* e : notes) {
    SCOPED_TRACE(e->name);
    // The sustained part: from 50 ms to the release (L eighths for TP, one eighth for PP).
    const size_t eighths = e->name[0] == 'T' ? static_cast<size_t>(e->name[14] - '0') : 1;
    const size_t eighth = built::EighthFrames(e->name);
    const double hz =
        analysis::RefinedPitch(analysis::Slice(e->pcm, 2205, eighths * eighth - 2205), 40.0, 1200.0);
    const double expected = MidiToHz(kMidiOfNoteOne + built::Field(e->name, 2) - 1);
    ASSERT_GT(hz, 0.0);
    EXPECT_NEAR(Cents(hz, expected), 0.0, 25.0) << hz << " Hz, expected " << expected;
  }
}

// The pitch classes of the chroma of a chord's first 0.75 s, strongest first.
std::vector<int> StrongestPitchClasses(const built::Entry& e) {
  const auto chroma = analysis::Chroma(
      analysis::MagnitudeSpectrum(analysis::Slice(e.pcm, 2205, 32768), 32768), 32768, 60.0, 2000.0);
  std::vector<int> order(12);
  for (int k = 0; k < 12; ++k) order[static_cast<size_t>(k)] = k;
  std::sort(order.begin(), order.end(),
            [&](int a, int b) { return chroma[static_cast<size_t>(a)] > chroma[static_cast<size_t>(b)]; });
  return order;
}

TEST(BuiltArchives, MajorChordsSoundTheirTriadAndMinorChordsTheirRootAndMinorThird) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  // The original chords and every 11th appended one: all roots, both scales, both tempos.
  const auto chords = built::Sampled("CH", 60, 11);
  ASSERT_EQ(chords.size(), 60u + 82u);
  int minors = 0;
  for (const built::Entry* e : chords) {
    SCOPED_TRACE(e->name);
    const int root = built::Field(e->name, 2) - 1;
    const std::vector<int> order = StrongestPitchClasses(*e);
    if (e->name.compare(7, 3, "min") == 0) {
      ++minors;
      // No fifth: the chord also serves on the second degree of the minor key a tone below.
      EXPECT_EQ(std::set<int>(order.begin(), order.begin() + 2), (std::set<int>{root, (root + 3) % 12}));
    } else {
      EXPECT_EQ(std::set<int>(order.begin(), order.begin() + 3),
                (std::set<int>{root, (root + 4) % 12, (root + 7) % 12}));
    }
  }
  EXPECT_GE(minors, 30);
}

TEST(BuiltArchives, AccompanimentFiguresHaveTheirRootAsLowestStrongPitch) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto figures = built::Sampled("TA", 88, 11);
  ASSERT_EQ(figures.size(), 88u + 58u);
  for (const built::Entry* e : figures) {
    SCOPED_TRACE(e->name);
    const size_t eighths = static_cast<size_t>(e->name[9] - '0');
    const auto spectrum =
        analysis::MagnitudeSpectrum(analysis::Slice(e->pcm, 0, eighths * built::EighthFrames(e->name)), 65536);
    const double lowest = analysis::LowestStrongPeakHz(spectrum, 65536, 25.0, 1000.0, 20.0);
    ASSERT_GT(lowest, 0.0);
    EXPECT_EQ(PitchClassOf(lowest), built::Field(e->name, 2) - 1) << lowest << " Hz";
  }
}

TEST(BuiltArchives, RhythmFiguresStartOnTheirRootStayAboveItAndCutCleanlyWhereTheTrackCutsThem) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto figures = built::Sampled("TF", 22, 17);
  ASSERT_EQ(figures.size(), 22u + 58u);
  for (const built::Entry* e : figures) {
    SCOPED_TRACE(e->name);
    const size_t sixteenth = built::EighthFrames(e->name) / 2;
    const int root = built::Field(e->name, 2) - 1;
    const int peak = analysis::PeakAbs(e->pcm);
    std::vector<double> strokes;  // pitch of every stroke, in order
    // The track cuts a figure of L eighths at L eighths and half an eighth: there it must be
    // silent (its slow-speaking notes start before their sixteenth, so no stroke begins there).
    const size_t length = static_cast<size_t>(e->name[9] - '0');
    for (const size_t cut : {2 * length, 2 * length + 1}) {
      const size_t at = cut * sixteenth;
      EXPECT_LE(analysis::PeakAbs(e->pcm, at - 88, at + 88), peak / 100) << "at sixteenth " << cut;
    }
    for (size_t at = 0; at + sixteenth <= e->pcm.size(); at += sixteenth) {
      if (analysis::PeakAbs(e->pcm, at, at + 4410) < peak / 5) continue;
      // Up to 50 ms before the next sixteenth: a slow-speaking stroke there starts early.
      strokes.push_back(
          analysis::RefinedPitch(analysis::Slice(e->pcm, at + 441, std::min<size_t>(8192, sixteenth - 2646)), 35.0, 1000.0));
    }
    // A figure of one eighth has room for a single stroke; longer ones for two at least.
    ASSERT_GE(strokes.size(), e->name[9] == '1' ? 1u : 2u);
    EXPECT_EQ(PitchClassOf(strokes.front()), root) << strokes.front() << " Hz";
    for (const double hz : strokes) EXPECT_GE(Cents(hz, strokes.front()), -50.0) << "a stroke below the root";
  }
}

TEST(BuiltArchives, DrumLoopsStrikeOnTheSixteenthGridOfTheirTempoAndFillTheEighths) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto loops = built::EntriesStartingWith("DL_");
  ASSERT_EQ(loops.size(), 4u);
  for (const built::Entry* e : loops) {
    SCOPED_TRACE(e->name);
    // 60 BPM: an eighth is 0.5 s; 90 BPM: 1/3 s. The groove lies in the first eight bars.
    const double eighthSeconds = 30.0 / built::TempoOf(e->name);
    const double sixteenthSeconds = eighthSeconds / 2;
    const auto onsets = analysis::DetectOnsets(e->pcm, 6.0, -40.0);
    ASSERT_FALSE(onsets.empty());
    EXPECT_LT(onsets.front().seconds, 0.005) << "the loop must start on its first frame";
    std::set<long> eighths;
    for (const auto& onset : onsets) {
      const double sixteenths = onset.seconds / sixteenthSeconds;
      EXPECT_LE(std::fabs(sixteenths - std::round(sixteenths)) * sixteenthSeconds, 0.010)
          << "off the grid at " << onset.seconds;
      EXPECT_LT(onset.seconds, 64 * eighthSeconds) << "a stroke in the ring-out bar";
      const double eighth = onset.seconds / eighthSeconds;
      if (std::fabs(eighth - std::round(eighth)) * eighthSeconds <= 0.010) eighths.insert(std::lround(eighth));
    }
    // Nearly every one of the 64 eighths of the eight bars carries a stroke.
    EXPECT_GE(eighths.size(), 58u);
    // The loop is silent from eight and a half bars on, where the drum track cuts it.
    EXPECT_EQ(analysis::PeakAbs(e->pcm, 68 * built::EighthFrames(e->name)), 0);
  }
}

}  // namespace
