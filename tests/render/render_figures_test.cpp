// The accompaniment and rhythm figure tracks on the marker archives.
#include <gtest/gtest.h>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {
constexpr int e = kEighth60;
}

TEST(RenderTA, VariantCountersAdvanceOnEveryOccurrence) {
  fixtures::ScratchDir dir;
  CComposer c;
  // Eight C notes of length 1 (two octaves); C_ length 1 has variants 01 and 03, so the
  // occurrences play 1, -, 3, -, -, 1, -, 3 alternating between the voices.
  SetPlan(c, {{"0113011301130113", "11111111"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTA(MarkerArchive("Data3.dat")), render::kRenderOk);
  const int v1 = AccompEntry("TA01C_060101.wav");
  const int v3 = AccompEntry("TA01C_060103.wav");
  // Each note rings one eighth into the next event, whose rest in this voice is then 0 bytes.
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[0]),
            Layout({{0, kPad60}, {v1, 2 * e}, {v3, 2 * e}, {0, 4 * e + kPad60}}));
  // The last event of voice 1 ends the piece: no overhang.
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[1]),
            Layout({{0, kPad60 + 5 * e}, {v1, 2 * e}, {v3, e}, {0, kPad60}}));
  for (int voice = 0; voice < 2; ++voice)
    EXPECT_EQ(DataBytes(c.m_strTempTA[voice]), HeaderDataSize(c.m_strTempTA[voice]));
  EXPECT_EQ(FileBytes(c.m_strTempTA[2]), 0);
}

TEST(RenderTA, FiguresFollowPitchClassAndLengthAndCSharpIsSilent) {
  fixtures::ScratchDir dir;
  CComposer c;
  // G_2 L3 (variant 1 of G_ L3 exists), C#1 L2 (no C# figures), A_3 L3 (A_ L3 starts at variant 3).
  SetPlan(c, {{"200234", "323"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTA(MarkerArchive("Data3.dat")), render::kRenderOk);
  EXPECT_EQ(
      DecodeRuns(c.m_strTempTA[0]),
      Layout({{0, kPad60}, {AccompEntry("TA08G_060301.wav"), 4 * e}, {0, e + 3 * e + kPad60}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[1]), Layout({{0, kPad60 + 8 * e + kPad60}}));
}

TEST(RenderTF, EachEventPlaysThePreviousNoteAndTheFirstPlays99) {
  fixtures::ScratchDir dir;
  CComposer c;
  // Events carry the notes 99, 01, 13 with their own lengths 5, 2, 1: "99" is pitch class 3,
  // and D_ length 5 variant 01 exists; C_ lengths 2 and 1 have no figure.
  SetPlan(c, {{"011337", "521"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTF(MarkerArchive("Data3.dat")), render::kRenderOk);
  // Notes ring half an eighth over; later rests give it back.
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[0]), Layout({{0, kPad60},
                                                  {AccompEntry("TF03D_060501.wav"), 5 * e + e / 2},
                                                  {0, 2 * e - e / 2 + e + kPad60}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[1]), Layout({{0, kPad60 + 8 * e + kPad60}}));
  for (int voice = 0; voice < 2; ++voice)
    EXPECT_EQ(DataBytes(c.m_strTempTF[voice]), HeaderDataSize(c.m_strTempTF[voice]));
}

TEST(RenderTF, CountersAreSharedByTheTwoVoicePasses) {
  fixtures::ScratchDir dir;
  CComposer c;
  // Every event after the first carries F (06) with length 4; F_ length 4 has variants 01
  // and 05. Voice 0 is written first and uses counts 1, 2, 3; voice 1 goes on with 4..7.
  SetPlan(c, {{"0606", "44"}, {"0606", "44"}, {"0606", "44"}, {"0606", "44"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTF(MarkerArchive("Data3.dat")), render::kRenderOk);
  const int half = e / 2;
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[0]), Layout({{0, kPad60 + 8 * e},
                                                  {AccompEntry("TF06F_060401.wav"), 4 * e + half},
                                                  {0, 20 * e - half + kPad60}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[1]), Layout({{0, kPad60 + 4 * e + 8 * e},
                                                  {AccompEntry("TF06F_060405.wav"), 4 * e + half},
                                                  {0, 16 * e - half + kPad60}}));
}
