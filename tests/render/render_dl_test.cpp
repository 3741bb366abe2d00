// The drum loop track on the marker archives.
#include <gtest/gtest.h>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {

constexpr long long bar = kBar60;
constexpr long long half = kBar60 / 2;

// A plan of n silent-melody bars with the given loop choices, one per section.
void SetSections(CComposer& c, const std::vector<int>& choices, const std::string& tempDir,
                 int tempo = 60) {
  std::vector<std::pair<std::string, std::string>> bars(choices.size() * 8, {"01", "8"});
  SetPlan(c, bars, tempo, tempDir);
  for (size_t i = 0; i < choices.size(); ++i) c.m_sectionChoice[i] = choices[i];
  c.m_nSectionChoices = static_cast<int>(choices.size());
}

}  // namespace

TEST(RenderDL, LoopsAlternateBetweenVoicesEightBarsApart) {
  fixtures::ScratchDir dir;
  const int l7 = RhythmEntry("DL_060_07.wav");
  const int l9 = RhythmEntry("DL_060_09.wav");
  {
    CComposer c;
    SetSections(c, {9}, dir.Path());
    ASSERT_EQ(c.RenderDL(MarkerArchive("Data2.dat")), render::kRenderOk);
    // The loop that ends the piece plays its eight bars and dies away over the tail.
    std::string fault;
    EXPECT_EQ(DecodeRunsReleased(c.m_strTempDL[0], kPad60 + 8 * bar, kPad60, l9, 8 * bar, 1.0, fault),
              Layout({{0, kPad60}, {l9, 8 * bar}, {0, kPad60}}));
    EXPECT_EQ(fault, "");
    EXPECT_EQ(DecodeRuns(c.m_strTempDL[1]), Layout({{0, kPad60 + 8 * bar + kPad60}}));
    EXPECT_EQ(c.m_nSectionChoices, 1);
  }
  {
    CComposer c;
    SetSections(c, {7, 9}, dir.Path());
    ASSERT_EQ(c.RenderDL(MarkerArchive("Data2.dat")), render::kRenderOk);
    // Eight and a half bars of the loop in one piece, then the rest of the section in silence.
    EXPECT_EQ(DecodeRuns(c.m_strTempDL[0]),
              Layout({{0, kPad60}, {l7, 8 * bar + half}, {0, half + 7 * bar + kPad60}}));
    std::string fault;
    EXPECT_EQ(DecodeRunsReleased(c.m_strTempDL[1], kPad60 + 16 * bar, kPad60, l9, 8 * bar, 1.0, fault),
              Layout({{0, kPad60 + 8 * bar}, {l9, 8 * bar}, {0, kPad60}}));
    EXPECT_EQ(fault, "");
  }
  {
    CComposer c;
    SetSections(c, {7, 9, 9, 7, 9}, dir.Path());
    ASSERT_EQ(c.RenderDL(MarkerArchive("Data2.dat")), render::kRenderOk);
    // Voice 0 takes the first three choices, voice 1 the fourth and fifth.
    std::string fault;
    EXPECT_EQ(DecodeRunsReleased(c.m_strTempDL[0], kPad60 + 40 * bar, kPad60, l9, 8 * bar, 1.0, fault),
              Layout({{0, kPad60},
                                                    {l7, 8 * bar + half},
                                                    {0, half + 7 * bar},
                                                    {l9, 8 * bar + half},
                                                    {0, half + 7 * bar},
                                                    {l9, 8 * bar},
                                                    {0, kPad60}}));
    EXPECT_EQ(fault, "");
    EXPECT_EQ(DecodeRuns(c.m_strTempDL[1]), Layout({{0, kPad60 + 8 * bar},
                                                    {l7, 8 * bar + half},
                                                    {0, half + 7 * bar},
                                                    {l9, 8 * bar + half},
                                                    {0, half + 7 * bar + kPad60}}));
    EXPECT_EQ(c.m_nSectionChoices, 5);
    for (int voice = 0; voice < 2; ++voice)
      EXPECT_EQ(DataBytes(c.m_strTempDL[voice]), HeaderDataSize(c.m_strTempDL[voice]));
  }
}

TEST(RenderDL, Tempo90LaysItsOwnLoopsOnTheNinetyBar) {
  fixtures::ScratchDir dir;
  CComposer c;
  SetSections(c, {7, 9}, dir.Path(), 90);
  ASSERT_EQ(c.RenderDL(MarkerArchive("Data2.dat")), render::kRenderOk);
  constexpr long long bar90 = 8 * kEighth90;
  EXPECT_EQ(DecodeRuns(c.m_strTempDL[0]), Layout({{0, kPad90},
                                                  {RhythmEntry("DL_090_07.wav"), 8 * bar90 + bar90 / 2},
                                                  {0, bar90 / 2 + 7 * bar90 + kPad90}}));
  // The tail of tempo 90 is a little shorter than its eighth and bounds the release.
  std::string fault;
  EXPECT_EQ(DecodeRunsReleased(c.m_strTempDL[1], kPad90 + 16 * bar90, kPad90, RhythmEntry("DL_090_09.wav"),
                               8 * bar90, 1.0, fault),
            Layout({{0, kPad90 + 8 * bar90}, {RhythmEntry("DL_090_09.wav"), 8 * bar90}, {0, kPad90}}));
  EXPECT_EQ(fault, "");
}

TEST(RenderDL, AnUnknownLoopFailsAfterTheLeadInAndReleasesEveryHandle) {
  fixtures::ScratchDir dir;
  const int descriptors = OpenDescriptors();
  CComposer c;
  // There is no loop 08: the first loop copy fails after voice 0's header and lead-in.
  SetSections(c, {8, 9}, dir.Path(), 90);
  EXPECT_EQ(c.RenderDL(MarkerArchive("Data2.dat")), render::kRenderNoArchive);
  EXPECT_EQ(FileBytes(c.m_strTempDL[0]), 44 + kPad90);
  EXPECT_EQ(FileBytes(c.m_strTempDL[1]), 0);
  EXPECT_EQ(c.m_hOutWave, 0);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}
