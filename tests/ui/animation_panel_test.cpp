#include <gtest/gtest.h>

#include "platform/avi_file.h"
#include "support/fixtures.h"
#include "ui/animation_panel.h"

namespace {

// Four 2 x 2 frames, 100 ms each.
std::string WriteMovie(const fixtures::ScratchDir& dir) {
  platform::AviMovie movie;
  movie.m_nWidth = movie.m_nHeight = 2;
  movie.m_nMicroSecPerFrame = 100000;
  for (int i = 0; i < 4; ++i) movie.m_frames.emplace_back(12, static_cast<std::uint8_t>(i * 60));
  const std::string path = dir.File("movie.avi");
  EXPECT_EQ(platform::WriteAviFile(path, movie), platform::AviResult::kOk);
  return path;
}

TEST(AnimationPanel, PlaysStopsOnTheFrameResumesFromItAndRepeats) {
  fixtures::ScratchDir dir;
  ui::CAnimationPanel panel;
  panel.Create({513, 290, 89, 89});
  EXPECT_EQ(panel.PanelRect().x, 515);
  EXPECT_EQ(panel.PanelRect().w, 85);
  ASSERT_TRUE(panel.Open(WriteMovie(dir)));
  panel.SetRepeat(true);
  struct Step {
    char action;  // p play, s stop, - look
    long long ms;
    int frame;
    long long next;
  } steps[] = {
      {'-', 0, 0, -1},    {'p', 1000, 0, 1100}, {'-', 1250, 2, 1300}, {'s', 1250, 2, -1},
      {'-', 5000, 2, -1}, {'p', 5000, 2, 5100}, {'-', 5150, 3, 5200}, {'-', 5200, 0, 5300},
      {'-', 5650, 0, 5700},
  };
  for (const Step& step : steps) {
    if (step.action == 'p') panel.Play(step.ms);
    if (step.action == 's') panel.Stop(step.ms);
    EXPECT_EQ(panel.CurrentFrame(step.ms), step.frame) << step.action << " at " << step.ms;
    EXPECT_EQ(panel.NextFrameMs(step.ms), step.next) << step.action << " at " << step.ms;
  }
  panel.SetVisible(false);
  EXPECT_FALSE(panel.IsShown());
  EXPECT_TRUE(panel.IsPlaying()) << "hiding does not stop";
}

TEST(AnimationPanel, WithoutRepeatStopsOnTheLastFrame) {
  fixtures::ScratchDir dir;
  ui::CAnimationPanel panel;
  panel.Create({0, 0, 10, 10});
  ASSERT_TRUE(panel.Open(WriteMovie(dir)));
  panel.Play(0);
  EXPECT_EQ(panel.CurrentFrame(1000), 3);
  EXPECT_FALSE(panel.IsPlaying());
}

TEST(AnimationPanel, MissingOrDamagedFileShowsNothingAndIgnoresPlay) {
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("bad.avi"), {'R', 'I', 'F', 'F', 0, 0});
  for (const std::string& path : {dir.File("absent.avi"), dir.File("bad.avi")}) {
    ui::CAnimationPanel panel;
    panel.Create({0, 0, 10, 10});
    EXPECT_FALSE(panel.Open(path));
    panel.Play(0);
    EXPECT_FALSE(panel.IsPlaying());
    EXPECT_FALSE(panel.IsShown());
    EXPECT_EQ(panel.CurrentFrame(500), 0);
  }
}

}  // namespace
