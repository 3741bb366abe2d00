// The piano motive track on the marker archives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {

constexpr int e = kEighth60;

// Seven notes over two bars: 01 L2, 02 L1 (a black key), 05 L1, 06 L4 | 08 L3, 13 L1, 01 L4.
const std::vector<std::pair<std::string, std::string>> kTwoBars = {{"01020506", "2114"},
                                                                   {"081301", "314"}};

int TP(int n, const char* name, int len, int tempo = 60) {
  return PianoEntry("TP" + std::string(n < 10 ? "0" : "") + std::to_string(n) + name + "_T0" +
                    std::to_string(tempo) + "_L" + std::to_string(len) + "_11111.wav");
}

}  // namespace

TEST(RenderTP, TwoVoicesWithLeadInOverhangsAndTheLastNoteRingingOutIntoTheTail) {
  fixtures::ScratchDir dir;
  CComposer c;
  SetPlan(c, kTwoBars, 60, dir.Path());
  ASSERT_EQ(c.RenderTP(MarkerArchive("Data0.dat")), render::kRenderOk);
  EXPECT_EQ(c.m_hOutWave, 0);
  EXPECT_EQ(c.m_hArchive, 0);

  // Voice 0: notes 1, 3, 5, 7 ring one eighth longer, the rests after them are one eighth
  // shorter (0 bytes after a one-eighth note); the last note of the piece holds its length and
  // plays its ringing eighth (every sample's release to silence) on into the tail, which stays
  // as long as it was.
  const auto voice0 = Layout({{0, 41364},
                              {TP(1, "C_1", 2), 3 * e},
                              {TP(5, "E_1", 1), 2 * e},
                              {0, 3 * e},
                              {TP(8, "G_1", 3), 4 * e},
                              {TP(1, "C_1", 4), 5 * e},
                              {0, 46834 + 2 - e}});  // the file is zero-filled to its header's size
  EXPECT_EQ(DecodeRuns(c.m_strTempTP[0]), voice0);
  // Voice 1 starts with a rest of the full first length; the black key sounds like any other;
  // its last event is a rest, one eighth shorter.
  const auto voice1 = Layout({{0, 41364 + 2 * e},
                              {TP(2, "C#1", 1), 2 * e},
                              {TP(6, "F_1", 4), 5 * e},
                              {0, 2 * e},
                              {TP(13, "C_2", 1), 2 * e},
                              {0, 3 * e + 46834 + 2}});
  EXPECT_EQ(DecodeRuns(c.m_strTempTP[1]), voice1);
  for (const auto& voice : c.m_strTempTP) {
    // The pads hold two bytes less than the header promises; two zero bytes close the gap.
    EXPECT_EQ(DataBytes(voice), 16 * e + 41364 + 46834 + 2);
    EXPECT_EQ(HeaderDataSize(voice), 2u * kBar60 + 88200);
  }
}

TEST(RenderTP, Tempo90PlaysItsOwnNotesOnTheNinetyGrid) {
  fixtures::ScratchDir dir;
  CComposer c;
  SetPlan(c, kTwoBars, 90, dir.Path());
  ASSERT_EQ(c.RenderTP(MarkerArchive("Data0.dat")), render::kRenderOk);
  constexpr int e90 = kEighth90;
  EXPECT_EQ(DecodeRuns(c.m_strTempTP[0]),
            Layout({{0, 27518},
                                                  {TP(1, "C_1", 2, 90), 3 * e90},
                                                  {TP(5, "E_1", 1, 90), 2 * e90},
                                                  {0, 3 * e90},
                                                  {TP(8, "G_1", 3, 90), 4 * e90},
                                                  {TP(1, "C_1", 4, 90), 5 * e90},
                                                  {0, 31222 - e90}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTP[1]), Layout({{0, 27518 + 2 * e90},
                                                  {TP(2, "C#1", 1, 90), 2 * e90},
                                                  {TP(6, "F_1", 4, 90), 5 * e90},
                                                  {0, 2 * e90},
                                                  {TP(13, "C_2", 1, 90), 2 * e90},
                                                  {0, 3 * e90 + 31222}}));
  for (const auto& voice : c.m_strTempTP) EXPECT_EQ(HeaderDataSize(voice), 529140u);  // whole samples: 529 141 lowered to even
}

TEST(RenderTP, LevelsScaleNotesWhenPianoIntensityIsOn) {
  fixtures::ScratchDir dir;
  CComposer c;
  SetPlan(c, kTwoBars, 60, dir.Path());
  c.m_strPianoInt = "I";
  c.m_strVelocities = "09050108020304";  // one level per note, in plan order
  ASSERT_EQ(c.RenderTP(MarkerArchive("Data0.dat")), render::kRenderOk);

  // Every marker sample m of a note must come out as m x gain(level), truncated.
  auto expectLevel = [](const std::string& path, size_t firstSample, int entry, int samples,
                        double gain) {
    const auto out = fixtures::ReadSamples(path);
    ASSERT_GE(out.size(), firstSample + samples);
    for (int k = 0; k < samples; ++k) {
      const double marker = fixtures::MarkerSample(entry, k);
      const int got = static_cast<int16_t>(out[firstSample + k]);
      ASSERT_LE(std::abs(got - marker * gain), 1.0)
          << path << " sample " << k << " level gain " << gain;
      if (gain == 1.0) {
        ASSERT_EQ(got, marker);
      }
    }
  };
  const size_t lead = 41364 / 2;
  // Voice 0: the first note at level 09, the third (after a rest of 0 bytes) at 01, the fifth at
  // 02.
  expectLevel(c.m_strTempTP[0], lead, TP(1, "C_1", 2), 3 * e / 2, 0.36);
  expectLevel(c.m_strTempTP[0], lead + 3 * e / 2, TP(5, "E_1", 1), 2 * e / 2, 1.0);
  expectLevel(c.m_strTempTP[0], lead + 8 * e / 2, TP(8, "G_1", 3), 4 * e / 2, 0.92);
  // The last note rings out into the tail at its own level.
  expectLevel(c.m_strTempTP[0], lead + 12 * e / 2, TP(1, "C_1", 4), 5 * e / 2, 0.76);
  // Voice 1: the fourth note at level 08, the sixth at 03.
  expectLevel(c.m_strTempTP[1], lead + 4 * e / 2, TP(6, "F_1", 4), 5 * e / 2, 0.44);
  expectLevel(c.m_strTempTP[1], lead + 11 * e / 2, TP(13, "C_2", 1), 2 * e / 2, 0.84);
}

TEST(RenderTP, ComplexVariantsWrapAfterTheFifthSlot) {
  // Every catalog TP sample fills all five slots, so a note repeated eight times (slots 1..5,
  // then 1..3 again) must sound every time; a slot past the fifth would play silence.
  fixtures::ScratchDir dir;
  CComposer c;
  SetPlan(c, {{"0101010101010101", "11111111"}}, 60, dir.Path());
  c.m_bComplex = 1;
  ASSERT_EQ(c.RenderTP(MarkerArchive("Data0.dat")), render::kRenderOk);
  const int note = TP(1, "C_1", 1);
  const std::pair<int, long long> ring = {note, 2 * e};
  EXPECT_EQ(DecodeRuns(c.m_strTempTP[0]), Layout({{0, 41364}, ring, ring, ring, ring, {0, 46834 + 2}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempTP[1]), Layout({{0, 41364 + e}, ring, ring, ring, ring, {0, 46834 + 2 - e}}));
}

TEST(RenderTP, ATruncatedArchiveGivesAShortCopyAndReleasesEveryHandle) {
  fixtures::ScratchDir dir;
  const int descriptors = OpenDescriptors();
  // An archive cut inside the first note.
  auto bytes = fixtures::ReadAll(MarkerArchive("Data0.dat"), 500000);
  bytes.resize(500000);
  fixtures::WriteAll(dir.File("Short0.dat"), bytes);
  CComposer c;
  SetPlan(c, kTwoBars, 60, dir.Path());
  EXPECT_EQ(c.RenderTP(dir.File("Short0.dat")), render::kRenderShortCopy);
  EXPECT_EQ(c.m_hArchive, 0);
  EXPECT_EQ(c.m_hOutWave, 0);
  EXPECT_EQ(FileBytes(c.m_strTempTP[1]), 0);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}
