// Phrase and motive generation, driven on hand-made state so each rule shows on its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "compose/composer.h"

namespace {

class Phrase : public ::testing::Test {
 protected:
  // Loads scale table `table` (28 or 20 notes) as a run would, without composing.
  void UseScale(int table) {
    c->m_scaleNotes.clear();
    const std::string& t = c->m_scaleTables[table];
    for (size_t i = 0; i < t.size(); i += 2) c->m_scaleNotes.push_back(t.substr(i, 2));
    c->m_nLowDegree = 4;
    c->m_nHighDegree = static_cast<int>(c->m_scaleNotes.size()) - 5;
  }
  // Every forward contour list weighs only `downIndex`, every reversed one only `upIndex`.
  void UseContours(int downIndex, int upIndex) {
    for (int k = 0; k < 12; ++k) {
      c->m_contourLists[k].assign(13, 0);
      c->m_contourLists[k][k % 2 ? upIndex : downIndex] = 1;
    }
  }
  std::string Degrees(std::initializer_list<int> list) {
    std::string s;
    char item[8];
    for (int d : list) {
      std::snprintf(item, sizeof item, "%.2d", d);
      s += item;
    }
    return s;
  }
  std::string Notes(std::initializer_list<int> degrees) { return c->DegreesToNotes(Degrees(degrees)); }
  // The first seed from `from` on whose draws after `skip` ones give UniformIndex(n) == want.
  uint32_t SeedFor(int skip, int n, int want, uint32_t from = 1) {
    for (uint32_t seed = from;; ++seed) {
      probe->SeedRandom(seed);
      for (int i = 0; i < skip; ++i) probe->Random();
      if (probe->UniformIndex(n) == want) return seed;
    }
  }

  std::unique_ptr<CComposer> c = std::make_unique<CComposer>();
  std::unique_ptr<CComposer> probe = std::make_unique<CComposer>();
};

TEST_F(Phrase, ConversionsAndReversal) {
  UseScale(0);  // C major: degree 0 is note 01, degree 27 is note 48
  EXPECT_EQ(c->DegreesToNotes("000127"), "010348");
  EXPECT_EQ(c->NotesToDegrees("010348"), "000127");
  EXPECT_EQ(c->NotesToDegrees("0102"), "0028");  // 02 (C#) is not in C major: K
  EXPECT_EQ(c->ReverseNotes("132017"), "172013");
  EXPECT_EQ(c->ReverseNotes("13"), "13");
  EXPECT_EQ(c->ReverseNotes(""), "");
}

TEST_F(Phrase, MirrorLastStep) {
  UseScale(0);
  EXPECT_EQ(c->MirrorLastStep("0305"), "0301");
  EXPECT_EQ(c->MirrorLastStep("100908"), "100910");
  EXPECT_EQ(c->MirrorLastStep("0205"), "0200");  // -1 raised to 0
  EXPECT_EQ(c->MirrorLastStep("2624"), "2627");  // 28 lowered to K - 1
  EXPECT_EQ(c->MirrorLastStep("2625"), "2627");  // exactly K - 1 stays
  EXPECT_EQ(c->MirrorLastStep("07"), "07");
  UseScale(2);  // 20 notes
  EXPECT_EQ(c->MirrorLastStep("1815"), "1819");
}

TEST_F(Phrase, MakeRhythmUsesTheSlotOfMotiveAndPlayMode) {
  c->m_sectionRhythms[0] = "10";
  c->m_sectionRhythms[2] = "20";
  c->m_sectionRhythms[4] = "40";
  c->m_sectionRhythms[5] = "80";
  c->m_sectionRhythms[6] = "20";
  c->m_sectionRhythms[7] = "10";
  c->SeedRandom(5);
  c->m_bFullMotive = 0;
  c->m_bClosePlay = 0;
  EXPECT_EQ(c->MakeRhythm('A'), "11111111");
  c->m_bClosePlay = 1;
  EXPECT_EQ(c->MakeRhythm('A'), "2222");
  c->m_bFullMotive = 1;
  c->m_bClosePlay = 0;
  EXPECT_EQ(c->MakeRhythm('A'), "44");
  EXPECT_EQ(c->MakeRhythm('B'), "8");
  c->m_bClosePlay = 1;
  EXPECT_EQ(c->MakeRhythm('A'), "2222");
  EXPECT_EQ(c->MakeRhythm('B'), "11111111");
}

TEST_F(Phrase, MakeRhythmDrawsOncePerDurationAndOnlyWhatFits) {
  c->m_bFullMotive = 0;
  c->m_bClosePlay = 0;
  c->m_sectionRhythms[0] = "12360";
  int sixes = 0;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    c->SeedRandom(seed);
    const std::string r = c->MakeRhythm('A');
    int total = 0;
    for (const char d : r) {
      // A 6 is drawn only while it still fits, i.e. from totals 0..2.
      if (d == '6') {
        EXPECT_LE(total, 2) << r;
        ++sixes;
      }
      total += d - '0';
    }
    ASSERT_EQ(total, 8) << r;
    probe->SeedRandom(seed);
    for (size_t i = 0; i < r.size(); ++i) probe->Random();
    ASSERT_EQ(c->Random(), probe->Random()) << "draws for " << r;
  }
  EXPECT_GT(sixes, 0);
}

TEST_F(Phrase, MakeMelodyPicksTheContourListByComplexityParityAndDirection) {
  UseScale(0);
  // List j weighs only step j - 6, so each note tells which list was read.
  for (int j = 0; j < 12; ++j) {
    c->m_contourLists[j].assign(13, 0);
    c->m_contourLists[j][j] = 1;
  }
  struct Case {
    int complex, close, direction;
    int firstStep, secondStep;
  };
  const Case cases[] = {
      {1, 1, -1, 0 - 6, 0 - 6},  // column 6 forward
      {1, 1, 1, 1 - 6, 1 - 6},   // column 6 reversed
      {1, 0, -1, 6 - 6, 6 - 6},  // column 9
      {0, 1, -1, 2 - 6, 4 - 6},  // columns 7 then 8
      {0, 1, 0, 2 - 6, 4 - 6},   // undecided direction reads forward
      {0, 1, 1, 3 - 6, 5 - 6},   // columns 7 then 8, reversed
      {0, 0, -1, 8 - 6, 10 - 6},  // columns 10 then 11
      {0, 0, 1, 9 - 6, 11 - 6},
  };
  for (const Case& k : cases) {
    c->m_bComplex = k.complex;
    c->m_bClosePlay = k.close;
    c->m_nDirection = k.direction;
    c->m_nDegree = 14;
    c->SeedRandom(3);
    const std::string degrees = c->NotesToDegrees(c->MakeMelody(2));
    EXPECT_EQ(degrees, Degrees({14 + k.firstStep, 14 + k.firstStep + k.secondStep}))
        << k.complex << k.close << k.direction;
  }
}

TEST_F(Phrase, MakeMelodyStaysWithinTheScaleAndTurnsAtTheTurningDegrees) {
  UseScale(3);  // 20 notes: turning degrees 4 and 15
  for (int k = 0; k < 12; ++k) c->m_contourLists[k].assign(13, 1);
  c->m_bComplex = 1;
  c->m_bClosePlay = 1;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    c->SeedRandom(seed);
    c->m_nDegree = static_cast<int>(seed % 20);
    c->m_nDirection = 0;
    int previous = c->m_nDegree;
    const std::string degrees = c->NotesToDegrees(c->MakeMelody(8));
    for (size_t i = 0; i < degrees.size(); i += 2) {
      const int x = std::stoi(degrees.substr(i, 2));
      ASSERT_LE(x, 19);
      ASSERT_GE(x, previous < 6 ? 1 : previous - 6);
      ASSERT_LE(x, previous + 6);
      previous = x;
    }
    EXPECT_EQ(c->m_nDegree, previous);
    if (previous < 4) {
      EXPECT_EQ(c->m_nDirection, 1);
    }
    if (previous > 15) {
      EXPECT_EQ(c->m_nDirection, -1);
    }
  }
}

TEST_F(Phrase, MakeMelodyWithoutAnyWeightStaysAndStillDraws) {
  UseScale(2);  // K = 20
  UseContours(12, 12);  // only step +6, which does not fit from degree 16
  c->m_bComplex = 0;
  c->m_bClosePlay = 1;
  c->m_nDirection = -1;
  c->m_nDegree = 16;
  c->SeedRandom(42);
  EXPECT_EQ(c->MakeMelody(8), Notes({16, 16, 16, 16, 16, 16, 16, 16}));
  EXPECT_EQ(c->m_nDegree, 16);
  EXPECT_EQ(c->m_nDirection, -1);
  probe->SeedRandom(42);
  for (int i = 0; i < 8; ++i) probe->Random();
  EXPECT_EQ(c->Random(), probe->Random());

  // Below the low turning degree a stay still turns the direction upwards.
  UseContours(0, 0);  // only step -6, which never fits from degree 2
  c->m_nDegree = 2;
  c->SeedRandom(42);
  EXPECT_EQ(c->MakeMelody(1), Notes({2}));
  EXPECT_EQ(c->m_nDirection, 1);
}

TEST_F(Phrase, NextStepFromTheFirstInterval) {
  UseScale(0);
  c->PrepareSection();
  struct Case {
    int a, b, step;
  };
  const Case cases[] = {{5, 6, 1}, {9, 5, 4}, {10, 13, 3}, {4, 9, 1}, {20, 2, 1}};
  for (const Case& k : cases) {
    c->m_bGroupMode = 0;
    c->m_bFirstGroupStep = 1;
    c->m_nGroupIndex = c->m_nGroupSplit;
    EXPECT_EQ(c->NextStep(Notes({k.a, k.b, 0})), k.step) << k.a << " " << k.b;
    EXPECT_EQ(c->m_bGroupMode, 0);
  }
}

TEST_F(Phrase, NextStepWalksTheGroupingAfterARepeatedNote) {
  UseScale(0);
  c->PrepareSection();
  ASSERT_EQ(c->m_strGrouping, "223223223223223223223223");
  ASSERT_EQ(c->m_nGroupSplit, 12);
  const std::string repeated = Notes({7, 7, 9});

  c->m_nGroupIndex = c->m_nGroupSplit;
  c->m_bFirstGroupStep = 1;
  c->m_bGroupMode = 0;
  c->m_nDirection = 1;
  EXPECT_EQ(c->NextStep(repeated), 2);  // index 12
  EXPECT_EQ(c->m_bGroupMode, 1);
  EXPECT_EQ(c->m_bFirstGroupStep, 0);
  // Once in grouping mode, the interval no longer matters; the walk follows the direction.
  EXPECT_EQ(c->NextStep(Notes({7, 9})), 2);  // 13
  EXPECT_EQ(c->NextStep(repeated), 3);       // 14
  c->m_nDirection = -1;
  EXPECT_EQ(c->NextStep(repeated), 2);  // 13
  EXPECT_EQ(c->m_nGroupIndex, 13);

  c->m_nGroupIndex = c->m_nGroupSplit;
  c->m_bFirstGroupStep = 1;
  c->m_bGroupMode = 0;
  EXPECT_EQ(c->NextStep(repeated), 3);  // index 11
  EXPECT_EQ(c->m_nGroupIndex, 11);

  // The index is held at both ends of the string.
  c->m_nGroupIndex = 0;
  EXPECT_EQ(c->NextStep(repeated), 2);
  EXPECT_EQ(c->m_nGroupIndex, 0);
  c->m_nDirection = 1;
  c->m_nGroupIndex = 23;
  EXPECT_EQ(c->NextStep(repeated), 3);
  EXPECT_EQ(c->m_nGroupIndex, 23);
}

TEST_F(Phrase, PrepareSectionTakesRowThenContourRow) {
  const uint32_t seed = 99;
  probe->SeedRandom(seed);
  const int row = probe->UniformIndex(49);
  const int crow = probe->UniformIndex(49);
  c->SeedRandom(seed);
  c->PrepareSection();
  EXPECT_EQ(c->m_sectionRhythms[0], c->m_patternTable[1][row]);
  EXPECT_EQ(c->m_sectionRhythms[2], c->m_patternTable[0][row]);
  EXPECT_EQ(c->m_sectionRhythms[4], c->m_patternTable[4][row]);
  EXPECT_EQ(c->m_sectionRhythms[5], c->m_patternTable[5][row]);
  EXPECT_EQ(c->m_sectionRhythms[6], c->m_patternTable[2][row]);
  EXPECT_EQ(c->m_sectionRhythms[7], c->m_patternTable[3][row]);
  for (int k = 0; k < 6; ++k) {
    const std::string& contour = c->m_patternTable[6 + k][crow];
    ASSERT_EQ(c->m_contourLists[2 * k].size(), 13u);
    for (int i = 0; i < 13; ++i) {
      const int weight = std::stoi(contour.substr(2 * i, 2));
      EXPECT_EQ(c->m_contourLists[2 * k][i], weight);
      EXPECT_EQ(c->m_contourLists[2 * k + 1][12 - i], weight);
    }
  }
  EXPECT_EQ(c->Random(), probe->Random());
}

// Basic motive, two half notes per bar, w = 2 going up, away from the ends of the scale.
TEST_F(Phrase, BasicMotiveDevelopsAsASequence) {
  UseScale(0);  // K = 28
  UseContours(4, 8);  // step -2 downwards, +2 upwards
  c->m_bFullMotive = 0;
  c->m_bClosePlay = 1;
  c->m_bComplex = 0;
  c->m_bFreePitch = 0;
  c->m_nDirection = 1;
  c->m_sectionRhythms[2] = "40";
  c->PrepareSection();  // grouping string; the slots are set again below
  c->m_sectionRhythms[2] = "40";
  UseContours(4, 8);
  // Two draws for the rhythm, then the start degree: 3, so the motive is 5, 7, ..., 19.
  c->SeedRandom(SeedFor(2, 27, 2));
  c->ComposeSection();
  ASSERT_EQ(c->m_barNotes.size(), 8u);
  std::vector<std::string> degrees;
  for (const std::string& n : c->m_barNotes) degrees.push_back(c->NotesToDegrees(n));
  EXPECT_EQ(degrees[0], Degrees({5, 7}));
  EXPECT_EQ(degrees[1], Degrees({7, 5}));  // 7, 9 with the last step mirrored
  EXPECT_EQ(degrees[2], Degrees({9, 11}));
  EXPECT_EQ(degrees[3], Degrees({11, 9}));
  EXPECT_EQ(degrees[7], Degrees({19, 17}));
  for (const std::string& r : c->m_barRhythms) EXPECT_EQ(r, "44");
  EXPECT_EQ(c->m_nDirection, 1);
}

TEST_F(Phrase, FullMotiveMovesOnOddBarsAndMirrorsBarsThreeAndSeven) {
  UseScale(0);
  c->PrepareSection();
  UseContours(4, 8);
  c->m_bFullMotive = 1;
  c->m_bClosePlay = 0;
  c->m_bComplex = 1;
  c->m_bFreePitch = 0;
  c->m_nDirection = 1;
  c->m_sectionRhythms[4] = "10";  // rhythm A: eight eighths
  c->m_sectionRhythms[5] = "20";  // rhythm B: four quarters
  c->SeedRandom(SeedFor(8 + 4, 27, 2));
  c->ComposeSection();
  std::vector<std::string> d;
  for (const std::string& n : c->m_barNotes) d.push_back(c->NotesToDegrees(n));
  EXPECT_EQ(d[0], Degrees({5, 7, 9, 11, 13, 15, 17, 19}));
  EXPECT_EQ(d[1], Degrees({7, 9, 11, 13}));
  EXPECT_EQ(d[2], Degrees({7, 9, 11, 13, 15, 17, 19, 21}));
  EXPECT_EQ(d[3], Degrees({9, 11, 13, 11}));  // mirrored
  EXPECT_EQ(d[4], Degrees({9, 11, 13, 15, 17, 19, 21, 23}));
  EXPECT_EQ(d[5], Degrees({11, 13, 15, 17}));
  EXPECT_EQ(d[7], Degrees({13, 15, 17, 15}));  // mirrored
  EXPECT_EQ(c->m_barRhythms[0], "11111111");
  EXPECT_EQ(c->m_barRhythms[1], "2222");
  EXPECT_EQ(c->m_barRhythms[6], "11111111");
}

// A motive spanning nearly the whole pentatonic scale cannot move either way: the bar holds
// the degree at the scale's end, the motive keeps its true value for the next bar.
TEST_F(Phrase, DegreesOffTheScaleAfterTheFlipAreHeldAtTheEnd) {
  UseScale(2);  // K = 20, turning degrees 4 and 15
  c->PrepareSection();
  UseContours(2, 10);  // step -4 downwards, +4 upwards
  c->m_bFullMotive = 0;
  c->m_bClosePlay = 1;
  c->m_bComplex = 0;
  c->m_bFreePitch = 0;
  c->m_nDirection = 0;
  c->m_sectionRhythms[2] = "10";
  // Eight draws for the rhythm, then start degree 3: the walk goes 7 11 15 19 15 11 7 3.
  c->SeedRandom(SeedFor(8, 19, 2));
  c->ComposeSection();
  std::vector<std::string> d;
  for (const std::string& n : c->m_barNotes) d.push_back(c->NotesToDegrees(n));
  EXPECT_EQ(d[0], Degrees({7, 11, 15, 19, 15, 11, 7, 3}));
  // Up would reach 23, so the direction flips; down, the last degree is -1: held at 0, then
  // the mirror reflects from there (2 * 3 - 0).
  EXPECT_EQ(d[1], Degrees({3, 7, 11, 15, 11, 7, 3, 6}));
  // The motive went on from -1, not from 0: back up by 4 the last degree is 3.
  EXPECT_EQ(d[2], Degrees({7, 11, 15, 19, 15, 11, 7, 3}));
  for (const std::string& n : c->m_barNotes) {
    ASSERT_EQ(n.size(), 16u);
    for (size_t i = 0; i < n.size(); i += 2) EXPECT_NE(c->NotesToDegrees(n.substr(i, 2)), "20");
  }
}

TEST_F(Phrase, FreePitchReversesOddBarsAfterMirroring) {
  UseScale(4);
  c->PrepareSection();
  UseContours(4, 8);
  c->m_bFullMotive = 0;
  c->m_bClosePlay = 1;
  c->m_bComplex = 0;
  c->m_nDirection = 1;
  c->m_sectionRhythms[2] = "20";
  const uint32_t seed = SeedFor(4, 27, 2);
  c->m_bFreePitch = 0;
  c->SeedRandom(seed);
  c->ComposeSection();
  const std::vector<std::string> regular = c->m_barNotes;
  c->m_barNotes.clear();
  c->m_barRhythms.clear();
  c->m_nDirection = 1;
  c->m_bFreePitch = 1;
  c->SeedRandom(seed);
  c->ComposeSection();
  ASSERT_EQ(c->m_barNotes.size(), 8u);
  for (int f = 0; f < 8; ++f) {
    EXPECT_EQ(c->m_barNotes[f], f % 2 ? c->ReverseNotes(regular[f]) : regular[f]) << f;
  }
  EXPECT_NE(c->m_barNotes[1], regular[1]);
}

TEST_F(Phrase, SectionChoicesAreSevenOrNineAtNineToSix) {
  UseScale(0);
  c->m_bComplex = 1;
  c->SeedRandom(7);
  EXPECT_EQ(c->ComposeSections(8), 0);
  EXPECT_EQ(c->m_nSectionChoices, 1);
  EXPECT_TRUE(c->m_sectionChoice[0] == 7 || c->m_sectionChoice[0] == 9);
  EXPECT_EQ(c->m_barNotes.size(), 8u);

  c->SeedRandom(11);
  c->ComposeSections(8 * 500);
  ASSERT_EQ(c->m_nSectionChoices, 500);
  int sevens = 0;
  for (int i = 0; i < 500; ++i) {
    ASSERT_TRUE(c->m_sectionChoice[i] == 7 || c->m_sectionChoice[i] == 9);
    sevens += c->m_sectionChoice[i] == 7;
  }
  // 9 in 15: expect 300 of 500; the bound is far beyond chance.
  EXPECT_GT(sevens, 240);
  EXPECT_LT(sevens, 360);
  EXPECT_EQ(c->m_barNotes.size(), 4000u);
  EXPECT_EQ(c->m_nPlanCursor, 0);
}

TEST_F(Phrase, PlanAccess) {
  c->m_barNotes = {"132017", "0102", "05"};
  c->m_barRhythms = {"224", "44", "8"};
  c->m_nBars = 3;
  c->m_nPlanCursor = 2;
  c->RewindPlan();
  std::string bar;
  c->NextBar(bar);
  EXPECT_EQ(bar, "132017 224");
  c->NextBar(bar);
  EXPECT_EQ(bar, "0102 44");
  EXPECT_EQ(c->CountPlanNotes(), 6);
  EXPECT_EQ(c->m_nPlanCursor, 0);
  c->m_nPlanCursor = 3;
  c->NextBar(bar);
  EXPECT_EQ(bar, " ");  // past the end: an empty bar
}

}  // namespace
