// The playback controller on the virtual clock. Every case sets the Tempo option to the other
// tempo, as after a change between GENERATE and PLAY: the piece's own tempo must govern.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playback_test_util.h"

namespace {

using playtest::Rig;
using Commands = std::vector<std::string>;

void SetTempos(Rig& rig, int pieceTempo) {
  rig.session.m_nPieceTempo = pieceTempo;
  rig.options.SetTempo(pieceTempo == 60 ? "90" : "60");
}

TEST(VirtualClock, DisplaysShowTimeAndPhraseOfThePosition) {
  const struct {
    int tempo;
    double seconds;
    long long playedMs;
    const char* digits;  // phrase, time
    int bar, barUpper;
  } cases[] = {{60, 606, 400, "00 0000", 0, 606},       // the lead-in
               {60, 606, 32400, "01 0032", 32, 606},    // 31.9 s after the lead-in
               {60, 606, 32600, "02 0032", 32, 606},
               {60, 606, 605000, "19 1005", 605, 606},  // ten minutes and five seconds
               {60, 300.2, 300100, "10 0500", 300, 300},  // the last display of 300.2 s
               {90, 606, 300, "00 0000", 0, 606},
               {90, 606, 21700, "02 0021", 21, 606}};   // 21.367 s: phrase 2 at tempo 90
  for (const auto& c : cases) {
    Rig rig;
    SetTempos(rig, c.tempo);
    rig.MakePiece(c.seconds, 18);
    ASSERT_EQ(rig.player.Play(), 0);
    rig.Run(c.playedMs);
    EXPECT_EQ(rig.Digits(), c.digits) << c.tempo << " " << c.playedMs;
    EXPECT_EQ(rig.view.ProgressPos(view::kPlaybackPosition), c.bar) << c.playedMs;
    EXPECT_EQ(rig.view.ProgressUpper(view::kPlaybackPosition), c.barUpper) << c.playedMs;
  }
}

// The phrase digits divide in single precision, with the single-precision lead-in and phrase
// length: near a phrase boundary at tempo 90 double precision gives the next phrase.
TEST(VirtualClock, PhraseDigitsDivideInSinglePrecision) {
  const struct {
    int tempo;
    int positionMs;
    const char* phrase;
  } cases[] = {{90, 128331, "06"}, {90, 128400, "07"}, {60, 32499, "01"}, {60, 32501, "02"}};
  for (const auto& c : cases) {
    Rig rig;
    SetTempos(rig, c.tempo);
    rig.MakePiece(200.0, 9);
    ASSERT_EQ(rig.player.Play(), 0);
    ASSERT_EQ(rig.player.PauseResume(), 0);
    ASSERT_EQ(platform::MciSendString("seek vk to " + std::to_string(c.positionMs) + " wait"), 0);
    rig.player.OnPlaybackTimer(kPlaybackTimerId);
    EXPECT_EQ(rig.Digits().substr(0, 2), c.phrase) << c.tempo << " " << c.positionMs;
  }
}

TEST(VirtualClock, JumpsGoToTheStartOfTheNeighbouringPhrase) {
  const struct {
    int tempo;
    long long playedMs;
    int direction, phraseCount;
    const char* seek;
    const char* phrase;  // shown one tick later
  } cases[] = {{60, 70000, +1, 6, "seek vk to 96501", "04"},  // NEXT from phrase 3
               {60, 300, -1, 6, "seek vk to 501", "01"},      // PREV. in the lead-in
               {60, 40000, -1, 6, "seek vk to 501", "01"},
               {90, 1000, +1, 9, "seek vk to 21667", "02"},
               {90, 25000, +1, 9, "seek vk to 43000", "03"},
               {60, 70000, +1, 3, "seek vk to 64501", "03"}};  // NEXT on the last phrase
  for (const auto& c : cases) {
    Rig rig;
    SetTempos(rig, c.tempo);
    rig.MakePiece(200.0, c.phraseCount);
    ASSERT_EQ(rig.player.Play(), 0);
    rig.Run(c.playedMs);
    rig.commands.clear();
    EXPECT_EQ(rig.player.SeekPhrase(c.direction), 0);
    EXPECT_EQ(rig.commands, (Commands{"stop vk wait", c.seek, "play vk notify"})) << c.seek;
    rig.Run(100);
    EXPECT_EQ(rig.Digits().substr(0, 2), c.phrase) << c.seek;
  }
}

TEST(VirtualClock, PauseHoldsThePositionAndPlayWhilePausedDoesNothing) {
  Rig rig;
  rig.MakePiece(100.0, 3);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(5000);
  rig.commands.clear();
  rig.player.PauseResume();
  EXPECT_TRUE(rig.view.IsVisible(view::kPauseIndicator));
  EXPECT_FALSE(rig.view.IsAnimating(view::Panel::Playback));
  EXPECT_EQ(rig.view.ManualSeries(), view::kSeriesPaused);
  rig.Run(3000);
  EXPECT_EQ(rig.Digits(), "01 0005");
  EXPECT_EQ(rig.player.Play(), 0);
  EXPECT_EQ(rig.player.SeekPhrase(+1), 0);  // stays paused at the new place
  rig.Run(1000);
  rig.player.PauseResume();
  rig.Run(1000);
  EXPECT_EQ(rig.Status("vk", "position"), "33501");
  EXPECT_EQ(rig.commands, (Commands{"pause vk", "stop vk wait", "seek vk to 32501", "play vk notify"}));
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying);
  EXPECT_FALSE(rig.view.IsVisible(view::kPauseIndicator));
}

TEST(VirtualClock, TheEndReturnsToIdleAndALaterPlayStartsOver) {
  Rig rig;
  rig.MakePiece(3.0, 1);
  ASSERT_EQ(rig.player.Play(), 0);
  for (const int code : {platform::kMciNotifySuperseded, platform::kMciNotifyAborted}) {
    rig.player.OnMciNotify(code);  // a replaced or interrupted play does not stop
  }
  rig.Run(3050);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0);
  EXPECT_FALSE(rig.mm.Timers().IsRunning(kPlaybackTimerId));
  EXPECT_TRUE(rig.view.IsVisible(view::kStopIndicator));
  for (const int id : {view::kTimeDigits[0], view::kPhraseDigits[1], view::kPlaybackPosition, view::kPlayIndicator}) {
    EXPECT_FALSE(rig.view.IsVisible(id)) << id;
  }
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(1000);
  const std::string open = "open \"" + rig.Piece() + "\" type waveaudio alias vk wait";
  const std::string setFormat = "set vk time format MS wait";
  EXPECT_EQ(rig.commands, (Commands{setFormat + " -> 263", open, setFormat, "status vk length wait",
                                    "play vk notify", "close vk wait", setFormat + " -> 263", open,
                                    setFormat, "status vk length wait", "play vk notify"}));
  EXPECT_EQ(rig.Digits(), "01 0001");
  rig.player.OnMciNotify(platform::kMciNotifyFailure);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.player.SeekPhrase(+1), 1);
}

TEST(VirtualClock, APieceThatCannotBePlayedLeavesThePlayerIdle) {
  const struct {
    const char* contents;  // "-": no piece path; nullptr: a deleted piece
    int result;
    std::string box;
    platform::MbIcon icon;
  } cases[] = {{"-", kPlayNothing, "Vorsk - Play Session|Nothing to play, please GENERATE some music first.",
                platform::MbIcon::Information},
               {nullptr, kPlayCantOpen, "Vorsk - Play Session|Can't open the piece: ", platform::MbIcon::Error},
               {"not a wave file\n", kPlayCantOpen, "Vorsk - Play Session|Can't open the piece: ", platform::MbIcon::Error},
               {"", kPlayCantOpen, "Vorsk - Play Session|Can't open the piece: ", platform::MbIcon::Error}};
  for (const auto& c : cases) {
    Rig rig;
    std::string box = c.box;
    if (!c.contents || std::string(c.contents) != "-") {
      rig.session.m_strPiecePath = rig.Piece();
      box += rig.Piece();
    }
    if (c.contents && std::string(c.contents) != "-") {
      fixtures::WriteAll(rig.Piece(), std::vector<unsigned char>(c.contents, c.contents + std::string(c.contents).size()));
    }
    EXPECT_EQ(rig.player.Play(), c.result) << box;
    EXPECT_EQ(rig.boxes, std::vector<std::string>{box});
    EXPECT_EQ(rig.icons, std::vector<platform::MbIcon>{c.icon}) << box;
    EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle) << box;
    EXPECT_FALSE(rig.mm.Timers().IsRunning(kPlaybackTimerId)) << box;
    EXPECT_FALSE(rig.view.IsVisible(view::kPlayIndicator)) << box;
    EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0) << box;
  }
}

}  // namespace
