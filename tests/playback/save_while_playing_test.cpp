// SAVE while the piece plays: the phrase excerpts byte for byte, the player going on where it
// was, and excerpts that cannot be written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "playback_test_util.h"
#include "session/excerpt_writer.h"
#include "session/session_files.h"

namespace {

using playtest::Rig;
using Bytes = std::vector<unsigned char>;

constexpr uint16_t kPianoSalt = 0x5A5A;  // the piano track's pattern differs from the piece's

// A session of three phrases at tempo, with patterned "Mix.wav" and "Piano.wav".
void MakeSession(Rig& rig, int tempo) {
  rig.session.m_nPieceTempo = tempo;
  rig.options.SetTempo(tempo == 60 ? "90" : "60");  // changed after GENERATE: must not count
  const long long bytes = playtest::SecondsToBytes(3 * 8 * 240.0 / tempo + 2.0);
  playtest::WritePiece(rig.Piece(), bytes, true);
  playtest::WritePiece(rig.session.m_strSessionPrefix + "Piano.wav", bytes, true, kPianoSalt);
  rig.session.m_strPiecePath = rig.Piece();
  rig.session.m_nPhraseCount = 3;
}

uint32_t Le32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

// The excerpt holds the header for 16 bars and the phrase cut from its source twice.
void ExpectExcerpt(const std::string& excerpt, const std::string& source, int tempo, int phrase,
                   long long phraseBytes, long long startOffset, uint32_t dataSize) {
  const Bytes out = fixtures::ReadAll(excerpt);
  const Bytes in = fixtures::ReadAll(source);
  ASSERT_EQ(out.size(), 44u + 2 * phraseBytes) << excerpt;
  EXPECT_EQ(Le32(out, 40), dataSize);
  EXPECT_EQ(Le32(out, 4), dataSize + 36);
  EXPECT_EQ(Bytes(out.begin() + 8, out.begin() + 40), Bytes(in.begin() + 8, in.begin() + 40));
  const Bytes cut(in.begin() + startOffset, in.begin() + startOffset + phraseBytes);
  EXPECT_TRUE(Bytes(out.begin() + 44, out.begin() + 44 + phraseBytes) == cut) << tempo << " " << phrase;
  EXPECT_TRUE(Bytes(out.begin() + 44 + phraseBytes, out.end()) == cut) << tempo << " " << phrase;
}

struct SaveCase {
  int tempo;
  long long playedMs;
  bool bPaused;
  int phrase;
  long long phraseBytes, startOffset;
  uint32_t dataSize;
};

class SaveWhilePlaying : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveWhilePlaying, CutsThePlayingPhraseAndPlaysOnFromTheSamePlace) {
  const SaveCase c = GetParam();
  Rig rig;
  MakeSession(rig, c.tempo);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(c.playedMs);
  if (c.bPaused) rig.player.PauseResume();
  ASSERT_EQ(rig.session.m_nPhraseNumber, c.phrase);
  rig.log.commands.clear();

  EXPECT_EQ(SaveSession(rig.session), 0);

  char n[8];
  std::snprintf(n, sizeof n, "%02d", c.phrase);
  const std::string prefix = rig.session.m_strSessionPrefix;
  ExpectExcerpt(prefix + "Mix_" + n + ".wav", prefix + "Mix.wav", c.tempo, c.phrase, c.phraseBytes,
                c.startOffset, c.dataSize);
  ExpectExcerpt(prefix + "Piano_" + n + ".wav", prefix + "Piano.wav", c.tempo, c.phrase,
                c.phraseBytes, c.startOffset, c.dataSize);

  std::vector<std::string> expected = {
      "status vk position wait", "stop vk wait", "close vk wait",
      "open \"" + rig.Piece() + "\" type waveaudio alias vk wait", "set vk time format MS wait",
      "seek vk to " + std::to_string(c.playedMs) + " wait"};
  if (!c.bPaused) expected.push_back("play vk notify");
  EXPECT_EQ(rig.log.commands, expected);

  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text,
            "File saved in folder " + rig.session.m_strArchiveFolder +
                "\nLog file:\t\t\t061122_153000_log.txt\nMusic file:\t\t\t061122_153000_Mix_" + n +
                ".wav\nPiano Motive file: \t\t061122_153000_Piano_" + n + ".wav");
  EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Save Session");
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Information);
  EXPECT_FALSE(rig.view.IsVisible(view::kSaveIndicator));
  EXPECT_FALSE(rig.session.m_bLogUnsaved);
  EXPECT_TRUE(rig.session.m_bSessionUnsaved);

  // The player goes on (or stays paused) where it was.
  rig.Run(2000);
  EXPECT_EQ(rig.session.m_nPlaybackState, c.bPaused ? kStatePaused : kStatePlaying);
  EXPECT_EQ(rig.Status("vk", "position"), std::to_string(c.playedMs + (c.bPaused ? 0 : 2000)));

  // The excerpts and the log outlive the clean-up; the piece does not.
  fixtures::WriteAll(prefix + "log.txt", {'x'});
  DeleteSessionFiles(rig.session);
  EXPECT_TRUE(platform::FileExists(prefix + "Mix_" + n + ".wav"));
  EXPECT_TRUE(platform::FileExists(prefix + "log.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Save, SaveWhilePlaying,
    ::testing::Values(
        // Phrase 3 at tempo 60: 2 822 400 bytes from 40 + 41 364 + 2 x 2 822 400.
        SaveCase{60, 70000, false, 3, 2822400, 40 + 41364 + 2 * 2822400LL, 5644800},
        SaveCase{60, 40000, true, 2, 2822400, 40 + 41364 + 2822400LL, 5644800},
        SaveCase{90, 25000, false, 2, 1881600, 40 + 27518 + 1881600LL, 3763200}),
    [](const auto& info) {
      return "Tempo" + std::to_string(info.param.tempo) + "Phrase" + std::to_string(info.param.phrase) +
             (info.param.bPaused ? "Paused" : "Playing");
    });

TEST(SaveWhilePlayingLayout, ByteArithmeticOfTheExcerpts) {
  const struct {
    int phrase, tempo, leadIn, phraseBytes;
    long long start, dataSize;
  } cases[] = {{1, 60, 41364, 2822400, 41404, 5644800},
               {3, 60, 41364, 2822400, 40 + 41364 + 2 * 2822400LL, 5644800},
               {1, 90, 27518, 1881600, 27558, 3763200},
               {4, 90, 27518, 1881600, 40 + 27518 + 3 * 1881600LL, 3763200}};
  for (const auto& c : cases) {
    const ExcerptLayout layout = ExcerptLayoutFor(c.phrase, c.tempo);
    EXPECT_EQ(layout.nLeadInBytes, c.leadIn) << c.tempo;
    EXPECT_EQ(layout.nPhraseBytes, c.phraseBytes) << c.tempo;
    EXPECT_EQ(layout.nStartOffset, c.start) << c.tempo << " " << c.phrase;
    EXPECT_EQ(layout.nDataSize, c.dataSize) << c.tempo;
  }
}

struct FailCase {
  const char* name;
  const char* broken;  // the excerpt that cannot be written: "Mix" or "Piano"
  bool bDiskFull;      // its file is on a full disk; otherwise its source is missing
};

class SaveWhilePlayingFails : public ::testing::TestWithParam<FailCase> {};

TEST_P(SaveWhilePlayingFails, SaysWhichFileAndLeavesNoPartialExcerpt) {
  const FailCase c = GetParam();
  Rig rig;
  MakeSession(rig, 60);
  ASSERT_EQ(rig.player.Play(), 0);
  rig.Run(70000);
  const std::string prefix = rig.session.m_strSessionPrefix;
  const std::string broken = prefix + c.broken + "_03.wav";
  const std::string other = prefix + (std::string(c.broken) == "Mix" ? "Piano" : "Mix") + "_03.wav";
  if (c.bDiskFull) {
    ASSERT_EQ(::symlink("/dev/full", broken.c_str()), 0);  // every write: no space left
  } else {
    platform::DeleteFile(prefix + c.broken + ".wav");
  }

  EXPECT_EQ(SaveSession(rig.session), 0);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text, "Can't write file: " + broken);
  EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Save Session");
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Error);
  struct stat info {};
  EXPECT_NE(::lstat(broken.c_str(), &info), 0) << "the partial excerpt stays";
  EXPECT_EQ(fixtures::ReadAll(other).size(), 44u + 2 * 2822400);
  EXPECT_FALSE(rig.session.m_bLogUnsaved);  // the log stays with the excerpt that was kept
  EXPECT_FALSE(rig.view.IsVisible(view::kSaveIndicator));
  EXPECT_EQ(theComposer.m_hArchive, 0);
  EXPECT_EQ(theComposer.m_hOutWave, 0);
  rig.Run(1000);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStatePlaying);
}

INSTANTIATE_TEST_SUITE_P(Save, SaveWhilePlayingFails,
                         ::testing::Values(FailCase{"MixOnAFullDisk", "Mix", true},
                                           FailCase{"PianoOnAFullDisk", "Piano", true},
                                           FailCase{"PianoSourceMissing", "Piano", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
