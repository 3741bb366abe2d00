// The constant tables of the composer and its random generator.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "compose/composer.h"

namespace {

class ComposerTables : public ::testing::Test {
 protected:
  std::unique_ptr<CComposer> c = std::make_unique<CComposer>();
};

TEST_F(ComposerTables, ScaleTablesOfSomeKeys) {
  EXPECT_EQ(c->m_scaleTables[0 * 4 + 0], "01030506081012131517182022242527293032343637394142444648");
  EXPECT_EQ(c->m_scaleTables[0 * 4 + 1], "01030406080911131516182021232527283032333537394042444547");
  EXPECT_EQ(c->m_scaleTables[1 * 4 + 0], "01020406070911131416181921232526283031333537384042434547");
  // B minor pentatonic (B D E F# A) starts on D, the minor third above B.
  EXPECT_EQ(c->m_scaleTables[11 * 4 + 3].size(), 40u);
  EXPECT_EQ(c->m_scaleTables[11 * 4 + 3].substr(0, 10), "0305071012");
  // A# minor pentatonic: C#, D#, F, G#, A#.
  EXPECT_EQ(c->m_scaleTables[10 * 4 + 3].substr(0, 12), "020406091114");
  // C major pentatonic: C D E G A, then C again.
  EXPECT_EQ(c->m_scaleTables[0 * 4 + 2].substr(0, 12), "010305081013");
}

TEST_F(ComposerTables, EveryScaleTableIsAscendingWithTheRightSize) {
  for (int i = 0; i < 48; ++i) {
    const std::string& t = c->m_scaleTables[i];
    ASSERT_EQ(t.size(), i % 4 < 2 ? 56u : 40u) << "table " << i;
    for (size_t k = 2; k < t.size(); k += 2) {
      EXPECT_LT(std::stoi(t.substr(k - 2, 2)), std::stoi(t.substr(k, 2))) << "table " << i;
    }
    // Each key starts within the first three note numbers, on an in-scale note.
    EXPECT_LE(std::stoi(t.substr(0, 2)), 3) << "table " << i;
    EXPECT_GE(std::stoi(t.substr(t.size() - 2)), 46) << "table " << i;
  }
}

TEST_F(ComposerTables, NoteNames) {
  EXPECT_EQ(c->m_noteNames[0], "");
  EXPECT_EQ(c->m_noteNames[49], "");
  EXPECT_EQ(c->m_noteNames[1], "C_1");
  EXPECT_EQ(c->m_noteNames[2], "C#1");
  EXPECT_EQ(c->m_noteNames[5], "E_1");
  EXPECT_EQ(c->m_noteNames[11], "A#1");
  EXPECT_EQ(c->m_noteNames[13], "C_2");
  EXPECT_EQ(c->m_noteNames[22], "A_2");
  EXPECT_EQ(c->m_noteNames[31], "F#3");
  EXPECT_EQ(c->m_noteNames[48], "B_4");
}

TEST_F(ComposerTables, RhythmPatternRows) {
  const char* const rows[][7] = {
      {"0", "1250", "12360", "1250", "12350", "12360", "123460"},
      {"9", "20", "240", "125550", "1230", "125556660", "1230"},
      {"14", "135550", "11122234560", "12334450", "12334450", "1234455660", "1234455660"},
      {"23", "111233345550", "12560", "123444450", "122223450", "111234560", "123456660"},
      {"25", "10", "120", "10", "1230", "120", "1230"},
      {"26", "1230", "12340", "1230", "10", "120", "123450"},
      {"31", "12350", "12350", "123450", "12340", "12560", "12340"},
      {"38", "135550", "11122234560", "1234450", "1234450", "124455660", "124455660"},
      {"40", "125550", "12333444560", "1234445550", "11223450", "12345556660", "122334560"},
      {"48", "123450", "12360", "123333450", "123455550", "123456660", "111234560"},
  };
  for (const auto& row : rows) {
    const int r = std::stoi(row[0]);
    for (int col = 0; col < 6; ++col) {
      EXPECT_EQ(c->m_patternTable[col][r], row[col + 1]) << "row " << r << " column " << col;
    }
  }
  // Every pattern lists durations 1..6 in ascending order and ends with its "0".
  for (int col = 0; col < 6; ++col) {
    for (int r = 0; r < 49; ++r) {
      const std::string& p = c->m_patternTable[col][r];
      ASSERT_GE(p.size(), 2u);
      EXPECT_EQ(p.back(), '0');
      for (size_t i = 0; i + 1 < p.size(); ++i) {
        EXPECT_TRUE(p[i] >= '1' && p[i] <= '6') << p;
        if (i > 0) {
          EXPECT_LE(p[i - 1], p[i]) << p;
        }
      }
    }
  }
}

TEST_F(ComposerTables, ContourColumns) {
  // Columns 6 and 9, and their repetition in the later row groups.
  EXPECT_EQ(c->m_patternTable[6][0], "00000102030405040302010000");
  EXPECT_EQ(c->m_patternTable[6][1], "00010203040506050403020100");
  EXPECT_EQ(c->m_patternTable[6][12], "00000000000103020100000000");
  EXPECT_EQ(c->m_patternTable[9][3], "00010203040507060504030201");
  EXPECT_EQ(c->m_patternTable[9][12], "00000000010204030201000000");
  EXPECT_EQ(c->m_patternTable[6][13], "00010203040506050403020100");
  EXPECT_EQ(c->m_patternTable[6][48], "00000000000103020100000000");
  EXPECT_EQ(c->m_patternTable[9][27], "00010203040507060504030201");
  // Columns 7 and 10: the centre weight lowered by 4 in row 0 and by 2 elsewhere.
  EXPECT_EQ(c->m_patternTable[7][0], "00000102030401040302010000");
  EXPECT_EQ(c->m_patternTable[10][0], "00000102030401040302010000");
  EXPECT_EQ(c->m_patternTable[7][25], "00010203040504050403020100");
  EXPECT_EQ(c->m_patternTable[10][1], "01020304050605060504030201");
  EXPECT_EQ(c->m_patternTable[7][12], "00000000000101020100000000");
  // Columns 8 and 11 by row group.
  const char* const groups[5] = {"00000000000106010000000000", "00000000020601000000000000",
                                 "00000000000001060200000000", "00000000000206010000000000",
                                 "00000000000106020000000000"};
  for (int r = 0; r < 49; ++r) {
    const int g = r == 0 ? 0 : (r - 1) / 12 + 1;
    EXPECT_EQ(c->m_patternTable[8][r], groups[g]) << "row " << r;
    EXPECT_EQ(c->m_patternTable[11][r], groups[g]) << "row " << r;
    for (int col = 6; col < 12; ++col) EXPECT_EQ(c->m_patternTable[col][r].size(), 26u);
  }
}

TEST_F(ComposerTables, VelocityCurvesAndSectionWeights) {
  EXPECT_EQ(c->m_velocityCurves[0], "01010101010101010101040709090908080807070706060504030201010101");
  EXPECT_EQ(c->m_velocityCurves[13], "09080706050403020103060908070605040302010306090807060504030201");
  EXPECT_EQ(c->m_velocityCurves[30], "01080108080101070707070101060609090606010101010101010101010101");
  for (const std::string& curve : c->m_velocityCurves) {
    ASSERT_EQ(curve.size(), 62u);
    for (size_t i = 0; i < curve.size(); i += 2) {
      const int level = std::stoi(curve.substr(i, 2));
      EXPECT_TRUE(level >= 1 && level <= 9) << curve;
    }
  }
  EXPECT_EQ(c->m_strSectionWeights, "000000000000090006000000000000");
  EXPECT_EQ(c->m_nBarsPerSection, 8);
  EXPECT_EQ(c->m_nEighthsPerBar, 8);
  EXPECT_EQ(c->m_nBars, 0);
  ASSERT_FALSE(c->m_strTempDir.empty());
  EXPECT_EQ(c->m_strTempDir.back(), '/');
}

TEST_F(ComposerTables, RandomGeneratorAndItsScalings) {
  // The 15-bit generator seeded with 1 yields the well-known 41, 18467, 6334, 26500, 19169.
  c->SeedRandom(1);
  EXPECT_EQ(c->Random(), 41);
  EXPECT_EQ(c->Random(), 18467);
  EXPECT_EQ(c->Random(), 6334);
  EXPECT_EQ(c->Random(), 26500);
  EXPECT_EQ(c->Random(), 19169);
  // Seed 0: the first value is 38; 38 * 49 / 32768 truncates to 0, +1 for a position.
  c->SeedRandom(0);
  EXPECT_EQ(c->Random(), 38);
  c->SeedRandom(0);
  EXPECT_EQ(c->UniformIndex(49), 0);
  c->SeedRandom(0);
  EXPECT_EQ(c->WeightedPosition(15), 1);
  // 18467 * 31 / 32768 = 17.47 -> 17; 18467 * 15 / 32768 = 8.45 -> 9 as a position.
  c->SeedRandom(1);
  c->Random();
  EXPECT_EQ(c->UniformIndex(31), 17);
  c->SeedRandom(1);
  c->Random();
  EXPECT_EQ(c->WeightedPosition(15), 9);
  // An empty range still takes its draw and gives 0 (index) or 1 (position).
  c->SeedRandom(1);
  EXPECT_EQ(c->UniformIndex(0), 0);
  EXPECT_EQ(c->WeightedPosition(0), 1);
  EXPECT_EQ(c->Random(), 6334);
}

}  // namespace
