// The harmony of a plan, the bass line and the pads' voice leading, on small hand-made plans.
#include "render/harmony.h"

#include <gtest/gtest.h>

#include <ostream>

using harmony::BassNote;
using harmony::Quality;
using harmony::Span;
using harmony::Triad;

namespace harmony {
std::ostream& operator<<(std::ostream& os, const Span& s) {
  return os << "{" << s.start << "+" << s.length << " " << s.triad.root << QualityCode(s.triad.quality) << "}";
}
std::ostream& operator<<(std::ostream& os, const BassNote& n) {
  return os << "{" << n.start << "+" << n.length << " root " << n.root << "}";
}
}  // namespace harmony

namespace {

constexpr Quality kMaj = Quality::kMajor, kMin = Quality::kMinor, kDim = Quality::kDiminished;

std::vector<render::PlanBar> Bars(std::initializer_list<std::pair<const char*, const char*>> bars) {
  std::vector<render::PlanBar> plan;
  for (const auto& [notes, lengths] : bars) plan.push_back({notes, lengths});
  return plan;
}

TEST(Harmony, ChordsRuleWhileHeldTheMelodyDecidesBarsWithoutAndLongNotesMoveTheTriadToHoldThem) {
  struct Case {
    const char* what;
    const char* note;
    const char* scale;
    bool chordTrack;
    std::vector<render::PlanBar> bars;
    std::vector<Span> spans;
  };
  const Case cases[] = {
      // C+E: I and vi tie, the earlier wins; F+A: IV; A+G: I, IV, V and vi tie and I wins the
      // bar, but the long A is not in it: vi (two notes shared with I) under A, I again under G.
      {"melody only", "C", "Maj", false, Bars({{"0105", "44"}, {"1306", "35"}, {"1008", "44"}}),
       {{0, 8, {1, kMaj}}, {8, 8, {6, kMaj}}, {16, 4, {10, kMin}}, {20, 4, {1, kMaj}}}},
      // C at 0 carries into the next bar until F at its eighth 3; F carries until G at 4.
      {"chord track", "C", "Maj", true, Bars({{"0105", "44"}, {"1306", "35"}, {"1008", "44"}}),
       {{0, 11, {1, kMaj}}, {11, 9, {6, kMaj}}, {20, 4, {8, kMaj}}}},
      // D minor: i on D, the diminished ii on E; then Bb+C: iv, v, VI and VII tie, iv wins,
      // and once the chord has ended the long C moves it to VII (sharing G with iv).
      {"minor key", "D", "Min", true, Bars({{"0305", "44"}, {"1101", "44"}}),
       {{0, 4, {3, kMin}}, {4, 4, {5, kDim}}, {8, 4, {8, kMin}}, {12, 4, {1, kMaj}}}},
      // Notes too short for a chord (the melody's G wins, the long A moves it to V), a chord on
      // G whose triad holds the B after it, then a bar without chords after one with them: the
      // melody's D (F# and A).
      {"short notes", "G", "PMaj", true, Bars({{"080810", "224"}, {"0812", "44"}, {"0710", "44"}}),
       {{0, 4, {8, kMaj}}, {4, 4, {3, kMaj}}, {8, 8, {8, kMaj}}, {16, 8, {3, kMaj}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const harmony::Key key = harmony::KeyOf(c.note, c.scale);
    harmony::CChordPlacer placer(key, [](int, int, int) { return true; });
    EXPECT_EQ(harmony::AnalysePlan(c.bars, key, c.chordTrack ? &placer : nullptr), c.spans);
  }
}

TEST(Harmony, TriadsHoldTheirDiatonicPitchClasses) {
  EXPECT_EQ((Triad{1, kMaj}.PitchClasses()), (std::array<int, 3>{1, 5, 8}));     // C E G
  EXPECT_EQ((Triad{10, kMin}.PitchClasses()), (std::array<int, 3>{10, 1, 5}));   // A C E
  EXPECT_EQ((Triad{3, kDim}.PitchClasses()), (std::array<int, 3>{3, 6, 9}));     // D F Ab
  EXPECT_EQ(harmony::MelodyTriads(harmony::KeyOf("A", "PMin")).back(), (Triad{8, kMaj}));  // VII: G
}

TEST(Harmony, BassStrikesChangesAndStrongBeatsNeverForASingleEighth) {
  struct Case {
    const char* what;
    std::vector<Span> spans;
    std::vector<BassNote> notes;
  };
  const Case cases[] = {
      {"beats 1 and 3", {{0, 16, {1, kMaj}}}, {{0, 4, 1}, {4, 4, 1}, {8, 4, 1}, {12, 4, 1}}},
      {"a change just before a beat holds over it", {{0, 3, {1, kMaj}}, {3, 5, {6, kMaj}}}, {{0, 3, 1}, {3, 5, 6}}},
      {"a change just after a beat replaces it", {{0, 1, {1, kMaj}}, {1, 7, {6, kMaj}}}, {{1, 3, 6}, {4, 4, 6}}},
      {"a one-eighth harmony lets the note before ring",
       {{0, 5, {1, kMaj}}, {5, 1, {8, kMaj}}, {6, 2, {6, kMaj}}},
       {{0, 4, 1}, {4, 2, 1}, {6, 2, 6}}},
      {"a last single eighth is not struck", {{0, 7, {1, kMaj}}, {7, 1, {8, kMaj}}}, {{0, 4, 1}, {4, 4, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(harmony::BassLine(c.spans), c.notes);
  }
}

TEST(Harmony, PadsMoveToTheNearestInversionAndSpeakAgainAfterTwoBars) {
  // C -> F -> G -> C from E3: F takes its second inversion (C F A over C E G), G its first
  // (B D G; the second moves as little, the lower inversion wins), C root position again.
  const std::vector<Span> spans = {{0, 8, {1, kMaj}}, {8, 8, {6, kMaj}}, {16, 8, {8, kMaj}}, {24, 8, {1, kMaj}}};
  EXPECT_EQ(harmony::LeadVoices(spans, 52), (std::vector<int>{0, 2, 1, 0}));
  EXPECT_EQ(harmony::VoicingKeys({6, kMaj}, 2, 52), (std::array<int, 3>{60, 65, 69}));
  // Out of the melody's way: under a D#4 (notes 01 and 28 of a bar: C2, then D#4 for six
  // eighths) the C chord takes its first inversion, E3 G3 C4, whose top lies more than a whole
  // tone below; a melody from C5 up leaves root position (C4 E4 G4) where it is.
  const auto melody = harmony::MelodyNotes({{"0128", "26"}});
  EXPECT_EQ(melody, (std::vector<harmony::MelodyNote>{{0, 2, 36}, {2, 6, 63}}));
  EXPECT_EQ(harmony::LeadVoices({spans[0]}, 52, melody), std::vector<int>{1});
  EXPECT_EQ(harmony::LeadVoices({spans[0]}, 52, {{0, 8, 72}}), std::vector<int>{0});
  EXPECT_EQ(harmony::SplitSpans({{0, 40, {1, kMaj}}}, 16),
            (std::vector<Span>{{0, 16, {1, kMaj}}, {16, 16, {1, kMaj}}, {32, 8, {1, kMaj}}}));
}

}  // namespace
