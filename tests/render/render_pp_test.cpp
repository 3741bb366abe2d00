// The low piano note track on the marker archives.
#include <gtest/gtest.h>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {
constexpr int e = kEighth60;
}

TEST(RenderPP, LowNotesFillEachBarAndAlternateBothVariants) {
  fixtures::ScratchDir dir;
  CComposer c;
  SetPlan(c,
          {
              {"30302324", "4211"},  // 30 -> F_2: variant 1, then 2; 23 -> A#1 and 24 of length 1: silent
              {"010112", "422"},  // C_1: variant 1, then 2; a length-2 note ending the bar is silent
              {"1212", "44"},     // ... yet it advanced B_1's counter: variant 2 sounds first
              {"3624", "26"},     // 36 and 24 are both B_2 and share a counter: variant 1, then 2
          },
          60, dir.Path());
  ASSERT_EQ(c.RenderPP(MarkerArchive("Data3.dat")), render::kRenderOk);
  EXPECT_EQ(c.m_hOutWave, 0);
  EXPECT_EQ(c.m_hArchive, 0);
  EXPECT_EQ(DecodeRuns(c.m_strTempPP), Layout({{0, 88200 + 2 * e},
                                               {AccompEntry("PP18F_2060_1.wav"), 2 * e},
                                               {AccompEntry("PP18F_2060_2.wav"), 2 * e},
                                               {0, 4 * e},
                                               {AccompEntry("PP01C_1060_1.wav"), 2 * e},
                                               {AccompEntry("PP01C_1060_2.wav"), 2 * e},
                                               {0, 4 * e},
                                               {AccompEntry("PP12B_1060_2.wav"), 2 * e},
                                               {0, 2 * e},
                                               {AccompEntry("PP12B_1060_1.wav"), 2 * e},
                                               {AccompEntry("PP24B_2060_1.wav"), 2 * e},
                                               {0, 4 * e},
                                               {AccompEntry("PP24B_2060_2.wav"), 2 * e}}));
  EXPECT_EQ(DataBytes(c.m_strTempPP), HeaderDataSize(c.m_strTempPP));
}

TEST(RenderPP, ShortBarsAreFilledByTheirLastEventAndTempo90PlaysItsOwnNotes) {
  fixtures::ScratchDir dir;
  CComposer c;
  // The bar adds up to 6 eighths: its last note (length 4) absorbs the missing two.
  SetPlan(c, {{"0103", "24"}, {"01", "8"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderPP(MarkerArchive("Data3.dat")), render::kRenderOk);
  const int c1 = AccompEntry("PP01C_1060_1.wav");
  const int d1 = AccompEntry("PP03D_1060_1.wav");
  // The D_1 sample is two eighths long; the copy asked for four runs on into the next entry.
  // The second bar's C_1 is the note's second occurrence: variant 2.
  EXPECT_EQ(DecodeRuns(c.m_strTempPP), Layout({{0, 88200},
                                               {c1, 2 * e},
                                               {0, 2 * e},
                                               {d1, 2 * e},
                                               {d1 + 1, 2 * e},
                                               {0, 6 * e},
                                               {AccompEntry("PP01C_1060_2.wav"), 2 * e}}));

  // Tempo 90 leads in by two of its own pads and plays its own samples of two 90-eighths.
  SetPlan(c, {{"0101", "44"}}, 90, dir.Path());
  ASSERT_EQ(c.RenderPP(MarkerArchive("Data3.dat")), render::kRenderOk);
  EXPECT_EQ(DecodeRuns(c.m_strTempPP), Layout({{0, 58740 + 2 * kEighth90},
                                               {AccompEntry("PP01C_1090_1.wav"), 2 * kEighth90},
                                               {0, 2 * kEighth90},
                                               {AccompEntry("PP01C_1090_2.wav"), 2 * kEighth90}}));
  EXPECT_EQ(static_cast<long long>(HeaderDataSize(c.m_strTempPP)), DataBytes(c.m_strTempPP));  // whole samples, all there
}

TEST(RenderPP, ACopyCutShortStillCountsItsRequestedBytesTowardTheBar) {
  fixtures::ScratchDir dir;
  // An archive that ends halfway through the D_1 sample (PP01C_1 at 352 800, PP03D_1 after it).
  auto bytes = fixtures::ReadAll(MarkerArchive("Data3.dat"), 352800 + 88200 + e);
  bytes.resize(352800 + 88200 + e);
  fixtures::WriteAll(dir.File("Short3.dat"), bytes);
  CComposer c;
  SetPlan(c, {{"0301", "44"}}, 60, dir.Path());
  ASSERT_EQ(c.RenderPP(dir.File("Short3.dat")), render::kRenderOk);
  // D_1 yields one eighth of the two asked for, yet the bar counts two: the last note gets the
  // remaining two eighths (C_1 alone), not three (which would run on into D_1).
  EXPECT_EQ(DecodeRuns(c.m_strTempPP), Layout({{0, 88200 + 2 * e},
                                               {AccompEntry("PP03D_1060_1.wav"), e},
                                               {0, 2 * e},
                                               {AccompEntry("PP01C_1060_1.wav"), 2 * e},
                                               {0, e}}));  // zeros up to the header's size
}
