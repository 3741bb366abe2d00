#include "render/sample_catalog.h"

#include <gtest/gtest.h>

TEST(SampleCatalog, GroupsHaveTheirEntryCountsAndTotals) {
  const CSampleCatalog c;
  EXPECT_EQ(c.m_pianoGroup.m_names.size(), 141u);
  EXPECT_EQ(c.m_pianoGroup.TotalSize(), 25048800);
  EXPECT_EQ(c.m_rhythmGroup.m_names.size(), 66u);
  EXPECT_EQ(c.m_rhythmGroup.TotalSize(), 23373248);
  EXPECT_EQ(c.m_spareGroup.m_names.size(), 1u);
  EXPECT_EQ(c.m_spareGroup.TotalSize(), 352800);
  EXPECT_EQ(c.m_chordGroup.m_names.size(), 61u);
  EXPECT_EQ(c.m_chordGroup.TotalSize(), 14905800);
  EXPECT_EQ(c.m_accompGroup.m_names.size(), 125u);
  EXPECT_EQ(c.m_accompGroup.TotalSize(), 25181100);
  for (const auto& a : c.Archives()) EXPECT_EQ(a.group->m_names.front(), "AA_silence.wav");
}

TEST(SampleCatalog, LookupsReturnTheDocumentedOffsets) {
  const CSampleCatalog c;
  EXPECT_EQ(c.FindPianoOffset("AA_silence.wav"), 0);
  EXPECT_EQ(c.FindPianoOffset("TP01C_1_T060_L2_11111.wav"), 441000);
  EXPECT_EQ(c.FindPianoOffset("tp01c_1_t060_l2_11111.wav"), -1);
  EXPECT_EQ(c.FindChordOffset("CH01_C_Maj_060_L3_1.wav"), 352800);
  EXPECT_EQ(c.FindChordOffset("CH01_C_Min_060_L3_1.wav"), -1);
  EXPECT_EQ(c.FindAccompOffset("PP01C_1060_1.wav"), 352800);
  EXPECT_EQ(c.FindAccompOffset("TA01C_060101.wav"), 1587600);
  EXPECT_EQ(c.FindAccompOffset("TF01C_060403.wav"), 18874800);
  EXPECT_EQ(c.FindAccompOffset("TF06F_060401.wav"), c.FindAccompOffset("TF06F_060206.wav") + 220500);
}

TEST(SampleCatalog, MatchPianoSampleHonoursMaskSlotsAndPrefix) {
  const CSampleCatalog c;
  EXPECT_EQ(c.MatchPianoSample("TP01C_1_T060_L1_?1???.wav"), "TP01C_1_T060_L1_11111.wav");
  EXPECT_EQ(c.MatchPianoSample("TP48B_4_T060_L5_????1.wav"), "TP48B_4_T060_L5_11111.wav");
  EXPECT_EQ(c.MatchPianoSample("TP02C#1_T060_L1_1????.wav"), "");
  EXPECT_EQ(c.MatchPianoSample("TP01C_1_T090_L1_1????.wav"), "");
  EXPECT_EQ(c.MatchPianoSample("TP01C_1_T060_L6_1????.wav"), "");
  EXPECT_EQ(c.MatchPianoSample("TP01C_1_T060_L1_?????.wav"), "");
}
