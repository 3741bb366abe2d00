// The preview sounds on their own alias, beside the piece player.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playback/note_preview.h"
#include "playback_test_util.h"

namespace {

using playtest::Rig;
using Commands = std::vector<std::string>;

// The sounds as start-up extracts them, in capitals: the lookup ignores the case.
void WriteSounds(Rig& rig) {
  fixtures::WriteAll(rig.dir.File("WAV_U.WAV"), fixtures::WaveBytes(16000, 1, 16, 4000));    // 250 ms
  fixtures::WriteAll(rig.dir.File("WAV_07.WAV"), fixtures::WaveBytes(44100, 1, 16, 66150));  // 1.5 s
}

TEST(Preview, ASecondPreviewCutsTheFirstAndStartsFromItsBeginning) {
  Rig rig;
  WriteSounds(rig);
  const std::string folder = rig.dir.Path() + "/";
  EXPECT_EQ(PlayPreviewSound(0, folder), 0);
  rig.Run(100);
  EXPECT_EQ(rig.Status("vknote", "position"), "100");
  EXPECT_EQ(PlayPreviewSound(7, folder), 0);
  rig.Run(200);
  EXPECT_EQ(rig.Status("vknote", "length"), "1500");
  EXPECT_EQ(rig.Status("vknote", "position"), "200");
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 1);
  const Commands expected = {
      "close vknote  -> 263",
      "open \"" + folder + "WAV_U.wav\" type waveaudio alias vknote wait", "play vknote",
      "status vknote position wait", "close vknote ",
      "open \"" + folder + "WAV_07.wav\" type waveaudio alias vknote wait", "play vknote",
      "status vknote length wait", "status vknote position wait"};
  EXPECT_EQ(rig.log.commands, expected);
}

TEST(Preview, AMissingSoundPlaysNothing) {
  Rig rig;
  const std::string folder = rig.dir.Path() + "/";
  EXPECT_EQ(PlayPreviewSound(12, folder), 0);
  ASSERT_EQ(rig.log.commands.size(), 2u);
  EXPECT_EQ(rig.log.commands[1], "open \"" + folder + "WAV_12.wav\" type waveaudio alias vknote wait -> 275");
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0);
}

TEST(Preview, APreviewDuringPlaybackLeavesThePieceAlone) {
  Rig rig;
  WriteSounds(rig);
  rig.MakePiece(100.0, 3);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(5000);
  EXPECT_EQ(PlayPreviewSound(7, rig.dir.Path() + "/"), 0);
  rig.Run(500);
  EXPECT_EQ(rig.Status("vk", "position"), "5500");
  EXPECT_EQ(rig.Status("vknote", "position"), "500");
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 2);
  // The preview ends on its own; the piece plays on.
  rig.Run(2000);
  EXPECT_EQ(rig.Status("vknote", "position"), "1500");
  EXPECT_EQ(rig.Status("vk", "position"), "7500");
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying);
  EXPECT_EQ(rig.TimeShown(), "0007");
}

}  // namespace
