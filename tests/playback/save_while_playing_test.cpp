// SAVE while the piece plays: the excerpts byte for byte, the player going on where it was,
// and excerpts that cannot be written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "playback_test_util.h"
#include "session/session_files.h"

namespace {

using playtest::Rig;
using Bytes = std::vector<unsigned char>;

// Three phrases at the piece's tempo, with differently patterned "Mix.wav" and "Piano.wav";
// the Tempo option names the other tempo.
void MakeSession(Rig& rig, int tempo) {
  rig.session.m_nPieceTempo = tempo;
  rig.options.SetTempo(tempo == 60 ? "90" : "60");
  playtest::WritePiece(rig.Piece(), 3 * 8 * 240.0 / tempo + 2.0, 0);
  playtest::WritePiece(rig.session.m_strSessionPrefix + "Piano.wav", 3 * 8 * 240.0 / tempo + 2.0, 0x5A5A);
  rig.session.m_strPiecePath = rig.Piece();
  rig.session.m_nPhraseCount = 3;
}

uint32_t Le32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

TEST(Save, CutsThePlayingPhraseTwiceAndPlaysOnFromTheSamePlace) {
  const struct {
    int tempo;
    long long playedMs;
    bool bPaused;
    const char* n;
    size_t phraseBytes, start;
    uint32_t dataSize;
  } cases[] = {{60, 70000, false, "03", 2822400, 40 + 41364 + 2 * 2822400, 5644800},
               {60, 40000, true, "02", 2822400, 40 + 41364 + 2822400, 5644800},
               {90, 25000, false, "02", 1881600, 40 + 27518 + 1881600, 3763200}};
  for (const auto& c : cases) {
    Rig rig;
    MakeSession(rig, c.tempo);
    ASSERT_EQ(rig.player.Play(), 0);
    rig.Run(c.playedMs);
    if (c.bPaused) rig.player.PauseResume();
    rig.commands.clear();
    EXPECT_EQ(SaveSession(rig.session), 0);

    const std::string prefix = rig.session.m_strSessionPrefix;
    for (const std::string kind : {"Mix", "Piano"}) {
      const Bytes out = fixtures::ReadAll(prefix + kind + "_" + c.n + ".wav");
      const Bytes in = fixtures::ReadAll(prefix + kind + ".wav");
      ASSERT_EQ(out.size(), 44 + 2 * c.phraseBytes) << kind << c.n;
      EXPECT_EQ(Le32(out, 4), c.dataSize + 36);
      EXPECT_EQ(Le32(out, 40), c.dataSize);
      const Bytes cut(in.begin() + c.start, in.begin() + c.start + c.phraseBytes);
      EXPECT_TRUE(Bytes(out.begin() + 44, out.begin() + 44 + c.phraseBytes) == cut) << kind << c.n;
      EXPECT_TRUE(Bytes(out.begin() + 44 + c.phraseBytes, out.end()) == cut) << kind << c.n;
    }
    // After the position read (not logged): the file is let go, rewritten and reopened.
    std::vector<std::string> sent = {"stop vk wait", "close vk wait",
                                     "open \"" + rig.Piece() + "\" type waveaudio alias vk wait",
                                     "set vk time format MS wait",
                                     "seek vk to " + std::to_string(c.playedMs) + " wait"};
    if (!c.bPaused) sent.push_back("play vk notify");
    EXPECT_EQ(rig.commands, sent);
    EXPECT_EQ(rig.boxes, std::vector<std::string>{
                             "Vorsk - Save Session|File saved in folder " + rig.session.m_strArchiveFolder +
                             "\nLog file:\t\t\t061122_153000_log.txt\nMusic file:\t\t\t061122_153000_Mix_" +
                             c.n + ".wav\nPiano Motive file: \t\t061122_153000_Piano_" + c.n + ".wav"});
    EXPECT_FALSE(rig.view.IsVisible(view::kSaveIndicator));
    EXPECT_FALSE(rig.session.m_bLogUnsaved);
    EXPECT_TRUE(rig.session.m_bSessionUnsaved);
    rig.Run(2000);
    EXPECT_EQ(rig.session.m_nPlaybackState, c.bPaused ? kStatePaused : kStatePlaying);
    EXPECT_EQ(rig.Status("vk", "position"), std::to_string(c.playedMs + (c.bPaused ? 0 : 2000)));
  }
}

// A failed excerpt is named; whatever stood at its name before (an excerpt saved earlier, a
// symlink someone placed there) is left exactly as it was.
TEST(Save, AnExcerptThatCannotBeWrittenIsNamedAndTheOldOneKept) {
  enum class Before { kNothing, kOlderExcerpt, kSymlink };
  const struct {
    const char* broken;  // the excerpt that fails
    Before before;       // what stands at its name; with kSymlink the write is refused,
                         // otherwise its source is missing
  } cases[] = {{"Mix", Before::kSymlink}, {"Piano", Before::kOlderExcerpt}, {"Piano", Before::kNothing}};
  for (const auto& c : cases) {
    Rig rig;
    MakeSession(rig, 60);
    ASSERT_EQ(rig.player.Play(), 0);
    rig.Run(70000);
    const std::string prefix = rig.session.m_strSessionPrefix;
    const std::string broken = prefix + c.broken + "_03.wav";
    const std::string kept = prefix + (std::string(c.broken) == "Mix" ? "Piano" : "Mix") + "_03.wav";
    const std::string victim = prefix + "victim";
    const std::vector<unsigned char> old{'o', 'l', 'd'};
    fixtures::WriteAll(victim, old);
    if (c.before == Before::kSymlink) {
      ASSERT_EQ(::symlink(victim.c_str(), broken.c_str()), 0);
    } else {
      if (c.before == Before::kOlderExcerpt) fixtures::WriteAll(broken, old);
      platform::DeleteFile(prefix + c.broken + ".wav");
    }
    EXPECT_EQ(SaveSession(rig.session), 0);
    // The file that failed and why: the symlink refused, or the missing track.
    const std::string cause = c.before == Before::kSymlink
                                  ? broken + ": Too many levels of symbolic links."
                                  : prefix + c.broken + ".wav: No such file or directory.";
    EXPECT_EQ(rig.boxes, std::vector<std::string>{"Vorsk - Save Session|Can't write file: " + broken + "\n" + cause});
    EXPECT_EQ(rig.icons, std::vector<platform::MbIcon>{platform::MbIcon::Error});
    struct stat info {};
    EXPECT_EQ(::lstat(broken.c_str(), &info) == 0, c.before != Before::kNothing) << broken;
    if (c.before == Before::kSymlink) {
      EXPECT_TRUE(S_ISLNK(info.st_mode));
    } else if (c.before == Before::kOlderExcerpt) {
      EXPECT_EQ(fixtures::ReadAll(broken), old);
    }
    EXPECT_EQ(fixtures::ReadAll(victim), old);
    EXPECT_EQ(fixtures::ReadAll(kept).size(), 44u + 2 * 2822400) << kept;
    EXPECT_FALSE(rig.session.m_bLogUnsaved);  // the log stays with the excerpt that was kept
    EXPECT_EQ(theComposer.m_hArchive, 0);
    EXPECT_EQ(theComposer.m_hOutWave, 0);
    rig.Run(1000);
    EXPECT_EQ(rig.Status("vk", "position"), "71000");
  }
}

}  // namespace
