#include "render/sample_catalog.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// Each group: its whole size, and the original layout it starts with, followed by the first
// appended entry (which starts where the original layout ends).
struct GroupLayout {
  const char* archive;
  size_t entries;
  long long total;
  size_t originalEntries;
  int originalTotal;
  const char* firstAppended;
};

const GroupLayout kLayouts[] = {
    {"Data0.dat", 577, 95608800, 141, 25048800, "TP01C_1_T060_L6_11111.wav"},
    {"Data1.dat", 961, 194392800, 61, 14905800, "CH01_C_min_060_L3_1.wav"},
    {"Data2.dat", 144, 43527196, 66, 23373248, "DL_090_07.wav"},
    {"Data3.dat", 1825, 294499800, 125, 25181100, "PP01C_1060_2.wav"},
    {"data4.dat", 433, 270244800, 1, 352800, "ST01_C_maj_060_L16_I0.wav"},
};

// The tempo field of a sample name, 0 for the silence.
int TempoOf(const std::string& name) {
  const std::string tag = name.substr(0, 2);
  if (tag == "BS") return 10 * std::stoi(name.substr(7, 2));  // the tempo divided by ten
  size_t at = 0;
  if (tag == "ST" || tag == "VO") at = 11;
  if (tag == "TP") at = 9;
  if (tag == "CH") at = 11;
  if (tag == "DL") at = 3;
  if (tag == "PP") at = 7;
  if (tag == "TA" || tag == "TF") at = 6;
  return at == 0 ? 0 : std::stoi(name.substr(at, 3));
}

}  // namespace

TEST(SampleCatalog, EachGroupKeepsItsOriginalLayoutFirstAndGrowsOnlyAtItsEnd) {
  const CSampleCatalog c;
  const auto archives = c.Archives();
  ASSERT_EQ(archives.size(), std::size(kLayouts));
  for (size_t a = 0; a < archives.size(); ++a) {
    const GroupLayout& want = kLayouts[a];
    const SampleGroup& g = *archives[a].group;
    SCOPED_TRACE(want.archive);
    EXPECT_STREQ(archives[a].fileName, want.archive);
    ASSERT_EQ(g.m_names.size(), want.entries);
    ASSERT_EQ(g.m_sizes.size(), want.entries);
    EXPECT_EQ(g.m_names.front(), "AA_silence.wav");
    long long total = 0, original = 0;
    for (size_t i = 0; i < g.m_sizes.size(); ++i) {
      total += g.m_sizes[i];
      if (i < want.originalEntries) original += g.m_sizes[i];
    }
    EXPECT_EQ(total, want.total);
    EXPECT_EQ(original, want.originalTotal);
    if (want.firstAppended) {
      EXPECT_EQ(g.m_names[want.originalEntries], want.firstAppended);
    }
    // No name twice; after the original layout each family has every tempo-060 name before its
    // first 090.
    EXPECT_EQ(std::set<std::string>(g.m_names.begin(), g.m_names.end()).size(), g.m_names.size());
    std::map<std::string, int> lastTempo;
    for (size_t i = want.originalEntries; i < g.m_names.size(); ++i) {
      const int tempo = TempoOf(g.m_names[i]);
      EXPECT_TRUE(tempo == 60 || tempo == 90) << g.m_names[i];
      EXPECT_GE(tempo, lastTempo[g.m_names[i].substr(0, 2)]) << g.m_names[i];
      lastTempo[g.m_names[i].substr(0, 2)] = tempo;
    }
  }
}

TEST(SampleCatalog, LookupsReturnOffsetsOfOriginalAndAppendedEntries) {
  const CSampleCatalog c;
  struct Case {
    int (CSampleCatalog::*find)(const std::string&) const;
    const char* name;
    int offset;
  };
  const Case cases[] = {
      {&CSampleCatalog::FindPianoOffset, "AA_silence.wav", 0},
      {&CSampleCatalog::FindPianoOffset, "TP01C_1_T060_L2_11111.wav", 441000},
      {&CSampleCatalog::FindPianoOffset, "tp01c_1_t060_l2_11111.wav", -1},
      // Appended: C_1 length 6, then C#1 lengths 1..6 at 060.
      {&CSampleCatalog::FindPianoOffset, "TP01C_1_T060_L6_11111.wav", 25048800},
      {&CSampleCatalog::FindPianoOffset, "TP02C#1_T060_L1_11111.wav", 25048800 + 7 * 44100},
      {&CSampleCatalog::FindPianoOffset, "TP01C_1_T090_L1_11111.wav", 352800 + 57153600},
      {&CSampleCatalog::FindChordOffset, "CH01_C_Maj_060_L3_1.wav", 352800},
      // "Min" now finds the minor chord, the first appended entry.
      {&CSampleCatalog::FindChordOffset, "CH01_C_Min_060_L3_1.wav", 14905800},
      {&CSampleCatalog::FindChordOffset, "CH01_C_Mix_060_L3_1.wav", -1},
      {&CSampleCatalog::FindAccompOffset, "PP01C_1060_1.wav", 352800},
      {&CSampleCatalog::FindAccompOffset, "TA01C_060101.wav", 1587600},
      {&CSampleCatalog::FindAccompOffset, "TF01C_060403.wav", 18874800},
      {&CSampleCatalog::FindAccompOffset, "PP01C_1060_2.wav", 25181100},
      {&CSampleCatalog::FindAccompOffset, "PP02C#1060_1.wav", 25181100 + 88200},
      // The bass notes: the original entries, then the other roots after the drum loops.
      {&CSampleCatalog::FindRhythmOffset, "BS01C_10602_2.wav", 352800 + 220500},
      {&CSampleCatalog::FindRhythmOffset, "BS02C#10602_2.wav", 27607096},
      {&CSampleCatalog::FindRhythmOffset, "BS01C_10902_2.wav", 35059996},
      {&CSampleCatalog::FindSpareOffset, "ST01_C_maj_060_L16_I1.wav", 352800 + 749700},
      {&CSampleCatalog::FindSpareOffset, "VO01_C_maj_060_L16_I0.wav", 352800 + 108 * (749700 + 499800)},
      {&CSampleCatalog::FindSpareOffset, "ST01_C_aug_060_L16_I0.wav", -1},
  };
  for (const Case& k : cases) EXPECT_EQ((c.*k.find)(k.name), k.offset) << k.name;
  // Rhythm figures keep their own sizes; the last tempo-060 figure ends where tempo 90 begins.
  EXPECT_EQ(c.FindAccompOffset("TF06F_060401.wav"), c.FindAccompOffset("TF06F_060206.wav") + 220500);
  EXPECT_EQ(c.FindAccompOffset("TF12B_060607.wav") + 7 * 44100, c.FindAccompOffset("PP01C_1090_1.wav"));
  // An entry added after construction is still found, at the end of its group.
  CSampleCatalog grown;
  grown.m_chordGroup.Add("CH13_X_maj_060_L3_1.wav", 2);
  EXPECT_EQ(grown.FindChordOffset("ch13_x_MAJ_060_L3_1.wav"), 194392800);
  EXPECT_EQ(grown.FindChordOffset("CH01_C_Maj_060_L3_1.wav"), 352800);
}

TEST(SampleCatalog, MatchPianoSampleHonoursMaskSlotsAndPrefix) {
  const CSampleCatalog c;
  const struct {
    const char* asked;
    const char* found;
  } cases[] = {
      {"TP01C_1_T060_L1_?1???.wav", "TP01C_1_T060_L1_11111.wav"},
      {"TP48B_4_T060_L5_????1.wav", "TP48B_4_T060_L5_11111.wav"},
      // A black key, length 6 and tempo 90 all have their note.
      {"TP02C#1_T060_L1_1????.wav", "TP02C#1_T060_L1_11111.wav"},
      {"TP01C_1_T060_L6_1????.wav", "TP01C_1_T060_L6_11111.wav"},
      {"TP47A#4_T090_L6_???1?.wav", "TP47A#4_T090_L6_11111.wav"},
      // No slot asked, a length the plan never forms, a tempo there is no option for.
      {"TP01C_1_T060_L1_?????.wav", ""},
      {"TP01C_1_T060_L7_1????.wav", ""},
      {"TP01C_1_T120_L1_1????.wav", ""},
  };
  for (const auto& k : cases) EXPECT_EQ(c.MatchPianoSample(k.asked), k.found) << k.asked;
}
