// The preview sounds on their own alias, beside the piece player.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playback/note_preview.h"
#include "playback_test_util.h"

namespace {

using playtest::Rig;

TEST(Preview, ASecondPreviewCutsTheFirstAndAMissingOnePlaysNothing) {
  Rig rig;
  const std::string folder = rig.dir.Path() + "/";
  // In capitals, as start-up writes them: the lookup ignores the case.
  fixtures::WriteAll(folder + "WAV_U.WAV", fixtures::WaveBytes(16000, 1, 16, 4000));
  fixtures::WriteAll(folder + "WAV_07.WAV", fixtures::WaveBytes(44100, 1, 16, 66150));
  EXPECT_EQ(PlayPreviewSound(0, folder), 0);
  rig.Run(100);
  EXPECT_EQ(PlayPreviewSound(7, folder), 0);
  rig.Run(200);
  EXPECT_EQ(rig.Status("vknote", "position"), "200");  // from its beginning
  EXPECT_EQ(PlayPreviewSound(12, folder), 0);
  const std::string open = "type waveaudio alias vknote wait";
  EXPECT_EQ(rig.commands, (std::vector<std::string>{
                              "close vknote  -> 263", "open \"" + folder + "WAV_U.wav\" " + open, "play vknote",
                              "close vknote ", "open \"" + folder + "WAV_07.wav\" " + open, "play vknote",
                              "status vknote position wait", "close vknote ",
                              "open \"" + folder + "WAV_12.wav\" " + open + " -> 275"}));
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0);
}

TEST(Preview, APreviewDuringPlaybackLeavesThePieceAlone) {
  Rig rig;
  fixtures::WriteAll(rig.dir.File("WAV_07.wav"), fixtures::WaveBytes(44100, 1, 16, 66150));
  rig.MakePiece(100.0, 3);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(5000);
  EXPECT_EQ(PlayPreviewSound(7, rig.dir.Path() + "/"), 0);
  rig.Run(500);
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 2);
  EXPECT_EQ(rig.Status("vknote", "position"), "500");
  rig.Run(2000);  // the preview ends on its own; the piece plays on
  EXPECT_EQ(rig.Status("vknote", "position"), "1500");
  EXPECT_EQ(rig.Status("vk", "position"), "7500");
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying);
  EXPECT_EQ(rig.Digits(), "01 0007");
}

}  // namespace
