// The playback controller on the virtual clock: displays, phrase jumps, pause, the end of the
// piece, and the pieces that cannot be played.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "playback/player.h"
#include "playback_test_util.h"

namespace {

using playtest::Rig;
using Commands = std::vector<std::string>;

// Every case runs with the Tempo option set to the other tempo, as after a change between
// GENERATE and PLAY: the piece's own tempo must govern.
const char* OtherTempo(int tempo) { return tempo == 60 ? "90" : "60"; }

struct DisplayCase {
  int tempo;
  long long playedMs;
  const char* phrase;  // the two phrase digits
  const char* time;    // the four time digits
  int position;        // the position bar
};

class PlayerDisplays : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(PlayerDisplays, ShowTimeAndPhraseOfThePosition) {
  const DisplayCase c = GetParam();
  Rig rig;
  rig.options.SetTempo(OtherTempo(c.tempo));
  rig.session.m_nPieceTempo = c.tempo;
  rig.MakePiece(606.0, 18);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(c.playedMs);
  EXPECT_EQ(rig.PhraseShown(), c.phrase);
  EXPECT_EQ(rig.TimeShown(), c.time);
  EXPECT_EQ(rig.view.ProgressPos(view::kPlaybackPosition), c.position);
  EXPECT_EQ(rig.view.ProgressUpper(view::kPlaybackPosition), 606);
}

INSTANTIATE_TEST_SUITE_P(
    VirtualClock, PlayerDisplays,
    ::testing::Values(DisplayCase{60, 400, "00", "0000", 0},       // the lead-in
                      DisplayCase{60, 32400, "01", "0032", 32},    // 31.9 s after the lead-in
                      DisplayCase{60, 32600, "02", "0032", 32},
                      DisplayCase{60, 605000, "19", "1005", 605},  // ten minutes and five seconds
                      DisplayCase{90, 300, "00", "0000", 0},
                      DisplayCase{90, 21700, "02", "0021", 21}));  // 21.367 s: phrase 2 at 90

TEST(PlayerStart, OpensThePieceAndLightsTheBoardInOrder) {
  Rig rig;
  rig.MakePiece(300.2, 9);
  ASSERT_EQ(rig.player.Play(), 0);
  const std::string quoted = "\"" + rig.Piece() + "\"";
  EXPECT_EQ(rig.log.commands, (Commands{"set vk time format MS wait -> 263",
                                        "open " + quoted + " type waveaudio alias vk wait",
                                        "set vk time format MS wait", "status vk length wait",
                                        "play vk notify"}));
  const std::vector<std::string> events = rig.view.Events();
  const std::vector<std::string> head(events.begin(), events.begin() + 6);
  EXPECT_EQ(head, (Commands{"series 6", "show 1000", "range 1059 0 300", "pos 1059 0", "show 1059", "lock"}));
  const std::vector<std::string> tail(events.end() - 3, events.end());
  EXPECT_EQ(tail, (Commands{"unlock", "start mag", "hide 1061"}));
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying);
  EXPECT_TRUE(rig.mm.Timers().IsRunning(kPlaybackTimerId));
  // The last display before the end of a 300.2 s piece.
  rig.Run(300100);
  EXPECT_EQ(rig.TimeShown(), "0500");
}

struct SeekCase {
  int tempo;
  long long playedMs;  // before the jump
  int direction;
  int phraseCount;
  const char* seek;    // the seek command sent
  const char* phrase;  // shown one tick later
};

class PlayerSeeks : public ::testing::TestWithParam<SeekCase> {};

TEST_P(PlayerSeeks, JumpToTheStartOfTheNeighbouringPhrase) {
  const SeekCase c = GetParam();
  Rig rig;
  rig.options.SetTempo(OtherTempo(c.tempo));
  rig.session.m_nPieceTempo = c.tempo;
  rig.MakePiece(200.0, c.phraseCount);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(c.playedMs);
  rig.log.commands.clear();
  EXPECT_EQ(rig.player.SeekPhrase(c.direction), 0);
  EXPECT_EQ(rig.log.commands, (Commands{"stop vk wait", c.seek, "play vk notify"}));
  rig.Run(100);
  EXPECT_EQ(rig.PhraseShown(), c.phrase);
}

INSTANTIATE_TEST_SUITE_P(
    VirtualClock, PlayerSeeks,
    ::testing::Values(SeekCase{60, 70000, +1, 6, "seek vk to 96501", "04"},   // NEXT from phrase 3
                      SeekCase{60, 300, -1, 6, "seek vk to 501", "01"},       // PREV. in the lead-in
                      SeekCase{60, 40000, -1, 6, "seek vk to 501", "01"},     // PREV. from phrase 2
                      SeekCase{90, 1000, +1, 9, "seek vk to 21667", "02"},    // NEXT from phrase 1
                      SeekCase{90, 25000, +1, 9, "seek vk to 43000", "03"},   // NEXT from phrase 2
                      SeekCase{60, 70000, +1, 3, "seek vk to 64501", "03"})); // NEXT on the last

TEST(PlayerPause, HoldsThePositionAndResumesThere) {
  Rig rig;
  rig.MakePiece(100.0, 3);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(5000);
  rig.log.commands.clear();
  rig.player.PauseResume();
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePaused);
  EXPECT_TRUE(rig.view.IsVisible(view::kPauseIndicator));
  EXPECT_FALSE(rig.view.IsAnimating(view::Panel::Playback));
  EXPECT_EQ(rig.view.ManualSeries(), view::kSeriesPaused);
  rig.Run(3000);
  EXPECT_EQ(rig.TimeShown(), "0005");
  // PLAY while paused does nothing; a jump while paused stays paused at the new place.
  EXPECT_EQ(rig.player.Play(), 0);
  EXPECT_EQ(rig.player.SeekPhrase(+1), 0);
  rig.Run(1000);
  EXPECT_EQ(rig.Status("vk", "position"), "32501");
  rig.player.PauseResume();
  rig.Run(1000);
  EXPECT_EQ(rig.Status("vk", "position"), "33501");
  Commands sent;  // without the timer's position reads
  std::copy_if(rig.log.commands.begin(), rig.log.commands.end(), std::back_inserter(sent),
               [](const std::string& c) { return c != "status vk position wait"; });
  EXPECT_EQ(sent, (Commands{"pause vk", "stop vk wait", "seek vk to 32501", "play vk notify"}));
  EXPECT_FALSE(rig.view.IsVisible(view::kPauseIndicator));
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying);
}

TEST(PlayerEnd, EndOfThePieceReturnsToIdleAndALaterPlayStartsOver) {
  Rig rig;
  rig.MakePiece(3.0, 1);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(3050);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0);
  EXPECT_FALSE(rig.mm.Timers().IsRunning(kPlaybackTimerId));
  EXPECT_TRUE(rig.view.IsVisible(view::kStopIndicator));
  for (const int id : {view::kTimeDigits[0], view::kPhraseDigits[1], view::kPlaybackPosition, view::kPlayIndicator}) {
    EXPECT_FALSE(rig.view.IsVisible(id)) << id;
  }
  EXPECT_EQ(rig.log.commands.back(), "close vk wait");

  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(1000);
  EXPECT_EQ(rig.Status("vk", "position"), "1000");
  EXPECT_EQ(rig.TimeShown(), "0001");
  EXPECT_EQ(std::count(rig.log.commands.begin(), rig.log.commands.end(),
                       "open \"" + rig.Piece() + "\" type waveaudio alias vk wait"), 2);
}

TEST(PlayerEnd, StopClosesThePlayerAndOnlyEndOrFailureNotificationsStop) {
  Rig rig;
  rig.MakePiece(100.0, 3);
  ASSERT_EQ(rig.player.Play(), 0);
  for (const int code : {platform::kMciNotifySuperseded, platform::kMciNotifyAborted}) {
    rig.player.OnMciNotify(code);
    EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying) << code;
  }
  rig.player.OnMciNotify(platform::kMciNotifyFailure);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0);
  EXPECT_EQ(rig.player.SeekPhrase(+1), 1);
}

struct UnplayableCase {
  const char* name;
  const char* contents;  // nullptr: no file at all; "" an empty file
  int result;
  const char* message;   // "%s" stands for the piece path
  platform::MbIcon icon;
};

class PlayerRefuses : public ::testing::TestWithParam<UnplayableCase> {};

TEST_P(PlayerRefuses, APieceThatCannotBePlayedLeavesThePlayerIdle) {
  const UnplayableCase c = GetParam();
  Rig rig;
  if (std::string(c.name) != "none") {
    rig.session.m_strPiecePath = rig.Piece();
    if (c.contents) fixtures::WriteAll(rig.Piece(), std::vector<unsigned char>(c.contents, c.contents + std::string(c.contents).size()));
  }
  EXPECT_EQ(rig.player.Play(), c.result);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  std::string message = c.message;
  if (message.find("%s") != std::string::npos) message.replace(message.find("%s"), 2, rig.Piece());
  EXPECT_EQ(rig.boxes.shown[0].text, message);
  EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Play Session");
  EXPECT_EQ(rig.boxes.shown[0].icon, c.icon);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_FALSE(rig.mm.Timers().IsRunning(kPlaybackTimerId));
  EXPECT_FALSE(rig.view.IsVisible(view::kPlayIndicator));
  EXPECT_EQ(rig.mm.Interpreter().OpenCount(), 0);
  EXPECT_EQ(rig.player.PauseResume(), 0);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
}

INSTANTIATE_TEST_SUITE_P(
    VirtualClock, PlayerRefuses,
    ::testing::Values(
        UnplayableCase{"none", nullptr, kPlayNothing,
                       "Nothing to play, please GENERATE some music first.", platform::MbIcon::Information},
        UnplayableCase{"deleted", nullptr, kPlayCantOpen, "Can't open the piece: %s", platform::MbIcon::Error},
        UnplayableCase{"text", "not a wave file\n", kPlayCantOpen, "Can't open the piece: %s", platform::MbIcon::Error},
        UnplayableCase{"empty", "", kPlayCantOpen, "Can't open the piece: %s", platform::MbIcon::Error}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
