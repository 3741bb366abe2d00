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
  // Eight C notes of length 1 (two octaves): the occurrences play variants 1..5 and 1..3 again,
  // alternating between the voices.
  SetPlan(c, {{"0113011301130113", "11111111"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTA(MarkerArchive("Data3.dat")), render::kRenderOk);
  auto v = [](int variant) { return AccompEntry("TA01C_06010" + std::to_string(variant) + ".wav"); };
  // Each note rings one eighth into the next event, whose rest in this voice is then 0 bytes.
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[0]),
            Layout({{0, kPad60}, {v(1), 2 * e}, {v(3), 2 * e}, {v(5), 2 * e}, {v(2), 2 * e}, {0, kPad60}}));
  // The last event of voice 1 ends the piece: it rings its last eighth out into the tail.
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[1]),
            Layout({{0, kPad60 + e}, {v(2), 2 * e}, {v(4), 2 * e}, {v(1), 2 * e}, {v(3), 2 * e}, {0, kPad60 - e}}));
  for (int voice = 0; voice < 2; ++voice)
    EXPECT_EQ(DataBytes(c.m_strTempTA[voice]), HeaderDataSize(c.m_strTempTA[voice]));
  EXPECT_EQ(FileBytes(c.m_strTempTA[2]), 0);
}

TEST(RenderTA, FiguresFollowPitchClassAndLengthOnBlackKeysToo) {
  fixtures::ScratchDir dir;
  CComposer c;
  // G_2 L3, C#1 L2 and A_3 L3, each the first of its pitch class and length: variant 1.
  SetPlan(c, {{"200234", "323"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTA(MarkerArchive("Data3.dat")), render::kRenderOk);
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[0]),
            Layout({{0, kPad60},
                                                  {AccompEntry("TA08G_060301.wav"), 4 * e},
                                                  {0, e},
                                                  {AccompEntry("TA10A_060301.wav"), 4 * e},
                                                  {0, kPad60 - e}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTA[1]),
            Layout({{0, kPad60 + 3 * e}, {AccompEntry("TA02C#060201.wav"), 3 * e}, {0, 2 * e + kPad60}}));
}

TEST(RenderTF, EachEventPlaysThePreviousNoteAndTheFirstPlays99) {
  fixtures::ScratchDir dir;
  CComposer c;
  // Events carry the notes 99, 01, 13 with their own lengths 5, 2, 1: "99" is pitch class 3, so
  // a D_ figure of length 5 opens the track before any melody note has sounded.
  SetPlan(c, {{"011337", "521"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTF(MarkerArchive("Data3.dat")), render::kRenderOk);
  // Notes ring half an eighth over; later rests give it back. A riff ends damped: the last one
  // is cut where the piece ends.
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[0]), Layout({{0, kPad60},
                                                  {AccompEntry("TF03D_060501.wav"), 5 * e + e / 2},
                                                  {0, 2 * e - e / 2},
                                                  {AccompEntry("TF01C_060101.wav"), e},
                                                  {0, kPad60}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[1]), Layout({{0, kPad60 + 5 * e},
                                                  {AccompEntry("TF01C_060201.wav"), 2 * e + e / 2},
                                                  {0, e - e / 2 + kPad60}}));
  for (int voice = 0; voice < 2; ++voice)
    EXPECT_EQ(DataBytes(c.m_strTempTF[voice]), HeaderDataSize(c.m_strTempTF[voice]));
}

TEST(RenderTF, CountersAreSharedByTheTwoVoicePasses) {
  fixtures::ScratchDir dir;
  CComposer c;
  // Every event after the first carries F (06) with length 4. Voice 0 is written first and uses
  // the F counts 1, 2, 3; voice 1 goes on with 4..7.
  SetPlan(c, {{"0606", "44"}, {"0606", "44"}, {"0606", "44"}, {"0606", "44"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderTF(MarkerArchive("Data3.dat")), render::kRenderOk);
  const int h = e / 2;
  auto f = [](int variant) { return AccompEntry("TF06F_06040" + std::to_string(variant) + ".wav"); };
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[0]), Layout({{0, kPad60},
                                                  {AccompEntry("TF03D_060401.wav"), 4 * e + h},
                                                  {0, 4 * e - h},
                                                  {f(1), 4 * e + h},
                                                  {0, 4 * e - h},
                                                  {f(2), 4 * e + h},
                                                  {0, 4 * e - h},
                                                  {f(3), 4 * e + h},
                                                  {0, 4 * e - h + kPad60}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTF[1]), Layout({{0, kPad60 + 4 * e},
                                                  {f(4), 4 * e + h},
                                                  {0, 4 * e - h},
                                                  {f(5), 4 * e + h},
                                                  {0, 4 * e - h},
                                                  {f(6), 4 * e + h},
                                                  {0, 4 * e - h},
                                                  {f(7), 4 * e},
                                                  {0, kPad60}}));
}
