// The musical content of the built archives: notes in tune, chords with their triads, figures
// on their roots, drum loops on the beat.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "tools/audio_analysis.h"
#include "tools/built_archives.h"

namespace {

using analysis::Cents;
using analysis::MidiToHz;
using analysis::PitchClassOf;

constexpr size_t kEighth = 22050;  // frames of an eighth at tempo 60
constexpr size_t kSixteenth = kEighth / 2;
constexpr int kMidiOfNoteOne = 36;  // note 01 is C2

TEST(BuiltArchives, MelodyAndLowPianoNotesSoundTheirNoteWithin25Cents) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  auto notes = built::EntriesStartingWith("TP");
  const auto low = built::EntriesStartingWith("PP");
  notes.insert(notes.end(), low.begin(), low.end());
  ASSERT_EQ(notes.size(), 154u);
  for (const built::Entry* e : notes) {
    SCOPED_TRACE(e->name);
    // The sustained part: from 50 ms to the release (L eighths for TP, one eighth for PP).
    const size_t eighths = e->name[0] == 'T' ? static_cast<size_t>(e->name[14] - '0') : 1;
    const double hz =
        analysis::RefinedPitch(analysis::Slice(e->pcm, 2205, eighths * kEighth - 2205), 40.0, 1200.0);
    const double expected = MidiToHz(kMidiOfNoteOne + built::Field(e->name, 2) - 1);
    ASSERT_GT(hz, 0.0);
    EXPECT_NEAR(Cents(hz, expected), 0.0, 25.0) << hz << " Hz, expected " << expected;
  }
}

TEST(BuiltArchives, ChordsHoldTheirTriadAsTheirThreeStrongestPitchClasses) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto chords = built::EntriesStartingWith("CH");
  ASSERT_EQ(chords.size(), 60u);
  for (const built::Entry* e : chords) {
    SCOPED_TRACE(e->name);
    const int root = built::Field(e->name, 2) - 1;
    const int third = e->name.find("_min_") != std::string::npos ? 3 : 4;
    const std::set<int> triad = {root, (root + third) % 12, (root + 7) % 12};
    const auto chroma = analysis::Chroma(
        analysis::MagnitudeSpectrum(analysis::Slice(e->pcm, 2205, 32768), 32768), 32768, 60.0, 2000.0);
    std::vector<int> order(12);
    for (int k = 0; k < 12; ++k) order[static_cast<size_t>(k)] = k;
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return chroma[static_cast<size_t>(a)] > chroma[static_cast<size_t>(b)]; });
    EXPECT_EQ(std::set<int>(order.begin(), order.begin() + 3), triad);
  }
}

TEST(BuiltArchives, AccompanimentFiguresHaveTheirRootAsLowestStrongPitch) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto figures = built::EntriesStartingWith("TA");
  ASSERT_EQ(figures.size(), 88u);
  for (const built::Entry* e : figures) {
    SCOPED_TRACE(e->name);
    const size_t eighths = static_cast<size_t>(e->name[9] - '0');
    const auto spectrum = analysis::MagnitudeSpectrum(analysis::Slice(e->pcm, 0, eighths * kEighth), 65536);
    const double lowest = analysis::LowestStrongPeakHz(spectrum, 65536, 25.0, 1000.0, 20.0);
    ASSERT_GT(lowest, 0.0);
    EXPECT_EQ(PitchClassOf(lowest), built::Field(e->name, 2) - 1) << lowest << " Hz";
  }
}

TEST(BuiltArchives, RhythmFiguresStartOnTheirRootStayAboveItAndCutCleanlyOnAnySixteenth) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto figures = built::EntriesStartingWith("TF");
  ASSERT_EQ(figures.size(), 22u);
  for (const built::Entry* e : figures) {
    SCOPED_TRACE(e->name);
    const int root = built::Field(e->name, 2) - 1;
    const int peak = analysis::PeakAbs(e->pcm);
    std::vector<double> strokes;  // pitch of every stroke, in order
    for (size_t at = 0; at + kSixteenth <= e->pcm.size(); at += kSixteenth) {
      // The track cuts a figure on eighths and half eighths: there the figure must be silent.
      EXPECT_LE(analysis::PeakAbs(e->pcm, at > 88 ? at - 88 : 0, at), peak / 100)
          << "at sixteenth " << at / kSixteenth;
      if (analysis::PeakAbs(e->pcm, at, at + 4410) < peak / 5) continue;
      strokes.push_back(analysis::RefinedPitch(analysis::Slice(e->pcm, at + 441, 8192), 35.0, 1000.0));
    }
    ASSERT_GE(strokes.size(), 2u);
    EXPECT_EQ(PitchClassOf(strokes.front()), root) << strokes.front() << " Hz";
    for (const double hz : strokes) EXPECT_GE(Cents(hz, strokes.front()), -50.0) << "a stroke below the root";
  }
}

TEST(BuiltArchives, DrumLoopsStrikeOnTheSixteenthGridAndFillTheEighths) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const auto loops = built::EntriesStartingWith("DL_");
  ASSERT_EQ(loops.size(), 2u);
  for (const built::Entry* e : loops) {
    SCOPED_TRACE(e->name);
    const auto onsets = analysis::DetectOnsets(e->pcm, 6.0, -40.0);
    ASSERT_FALSE(onsets.empty());
    EXPECT_LT(onsets.front().seconds, 0.005) << "the loop must start on its first frame";
    std::set<long> eighths;
    for (const auto& onset : onsets) {
      // 60 BPM: a sixteenth is 0.25 s, an eighth 0.5 s; the groove lies in the first eight bars.
      const double sixteenths = onset.seconds / 0.25;
      EXPECT_LE(std::fabs(sixteenths - std::round(sixteenths)) * 0.25, 0.010)
          << "off the grid at " << onset.seconds;
      EXPECT_LT(onset.seconds, 32.0) << "a stroke in the ring-out bar";
      const double eighth = onset.seconds / 0.5;
      if (std::fabs(eighth - std::round(eighth)) * 0.5 <= 0.010) eighths.insert(std::lround(eighth));
    }
    // Nearly every one of the 64 eighths of the eight bars carries a stroke.
    EXPECT_GE(eighths.size(), 58u);
    // The loop is silent from eight and a half bars on, where the drum track cuts it.
    EXPECT_EQ(analysis::PeakAbs(e->pcm, 17 * 4 * kEighth), 0);
  }
}

}  // namespace
