// vorsk-cli play (and generate --play) as a user runs it: on a pseudo-terminal with keys typed
// and the status line read back, and through plain pipes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "playback/playback_test_util.h"
#include "session/generate_test_util.h"
#include "test_paths.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The program on a pseudo-terminal: its output is collected, keys go to its input.
class PtyProgram {
 public:
  PtyProgram(const std::string& program, const Lines& args, const Lines& env = {}) {
    m_pid = ::forkpty(&m_fd, nullptr, nullptr, nullptr);
    if (m_pid != 0) return;
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ~PtyProgram() {
    if (m_pid > 0) ::kill(m_pid, SIGKILL), ::waitpid(m_pid, nullptr, 0);
    ::close(m_fd);
  }
  // Reads until text appears after what the last wait found; false at a timeout or the end.
  bool WaitFor(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (out.find(text, m_mark) == std::string::npos) {
      if (std::chrono::steady_clock::now() > end || !ReadSome()) return false;
    }
    m_mark = out.find(text, m_mark) + text.size();
    return true;
  }
  void Send(const std::string& keys) { (void)!::write(m_fd, keys.data(), keys.size()); }
  // Reads to the end; the exit status, or -1 when the program did not exit normally.
  int Finish() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end && ReadSome()) {
    }
    int status = 0;
    const bool bExited = ::waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status);
    m_pid = -1;
    return bExited ? WEXITSTATUS(status) : -1;
  }
  std::string out;

 private:
  bool ReadSome() {  // false once the terminal closed
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) return true;
    char buffer[4096];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n > 0) out.append(buffer, static_cast<size_t>(n));
    return n > 0;
  }
  pid_t m_pid = -1;
  int m_fd = -1;
  size_t m_mark = 0;
};

const std::string kCli = std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli";

// A session's piece and piano track of seconds, with a log when one is given.
std::string MakeSession(const fixtures::ScratchDir& dir, double seconds, const std::string& log = "") {
  const std::string prefix = dir.Path() + "/061122_153000_";
  playtest::WritePiece(prefix + "Mix.wav", seconds);
  playtest::WritePiece(prefix + "Piano.wav", seconds);
  if (!log.empty()) fixtures::WriteAll(prefix + "log.txt", std::vector<unsigned char>(log.begin(), log.end()));
  return prefix + "Mix.wav";
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(PlayCli, KeysJumpPauseSaveAndQuit) {
  fixtures::ScratchDir dir;
  // The log's tempo and length give 2 phrases; the 100 s piece itself would hold 3.
  const std::string piece = MakeSession(dir, 100.0, "Parameters:\r\n Tempo: 60\r\n Generate: 1 min.\r\n");
  PtyProgram p(kCli, {"play", piece});
  ASSERT_TRUE(p.WaitFor("/01:40  phrase 01/02  [")) << p.out;
  const Lines steps[] = {{"n", "phrase 02/02"}, {"\x1b[D", "phrase 01/02"}, {"\x1b[C", "phrase 02/02"},
                         {"p", "phrase 01/02"}, {" ", "]  paused"}, {" ", "]  playing"},
                         {"s", "Vorsk - Save Session: File saved in folder " + dir.Path() + "/"}};
  for (const Lines& step : steps) {
    p.Send(step[0]);
    ASSERT_TRUE(p.WaitFor(step[1])) << step[0] << "\n" << p.out;
  }
  p.Send("q");
  EXPECT_EQ(p.Finish(), 0) << p.out;
  for (const char* name : {"Mix_01.wav", "Piano_01.wav"}) {
    EXPECT_EQ(fixtures::ReadAll(dir.File(std::string("061122_153000_") + name)).size(), 44u + 2 * 2822400);
  }
  // Redrawn in place: no line per tick, only the summary's four and the status line's ends.
  EXPECT_NE(p.out.find("\r00:0"), std::string::npos);
  EXPECT_LE(Count(p.out, "\n"), 7) << p.out;
}

TEST(PlayCli, ExitStatusOfEachWayOut) {
  const struct {
    const char* key;  // typed once the piece plays; "" to let it end
    const char* env;
    int status;
  } cases[] = {{"", "SDL_AUDIODRIVER=dummy", 0}, {"", "SDL_AUDIODRIVER=no-such-driver", 0},
               {"q", "SDL_AUDIODRIVER=dummy", 0}, {"\x1b", "SDL_AUDIODRIVER=dummy", 0},
               {"\x03", "SDL_AUDIODRIVER=dummy", 130}};
  for (const auto& c : cases) {
    fixtures::ScratchDir dir;
    PtyProgram p(kCli, {"play", MakeSession(dir, *c.key ? 60.0 : 2.0)}, {c.env});
    ASSERT_TRUE(p.WaitFor("]  playing")) << p.out;
    p.Send(c.key);
    EXPECT_EQ(p.Finish(), c.status) << c.env << " " << int(*c.key) << "\n" << p.out;
    EXPECT_EQ(Count(p.out, "no sound output device"), std::string(c.env).find("no-such") != std::string::npos);
    if (!*c.key) {
      EXPECT_NE(p.out.find("00:01/00:02  phrase 01/01"), std::string::npos) << p.out;
    }
  }
}

// Runs the program with plain pipes; standard error follows standard output.
int RunPiped(const std::string& args, std::string& out) {
  std::FILE* pipe = ::popen((kCli + " " + args + " </dev/null 2>&1").c_str(), "r");
  char buffer[4096];
  for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pipe ? ::pclose(pipe) : -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The default piece is the newest session's by its name (the start time), whatever the files'
// times, and never one still being made.
TEST(PlayCli, ThroughAPipeEachChangeIsALineAndTheNewestPieceIsTheDefault) {
  fixtures::ScratchDir dir;
  playtest::WritePiece(dir.File("older_Mix.wav"), 5.0);
  fs::last_write_time(dir.File("older_Mix.wav"), fs::file_time_type::clock::now() - std::chrono::hours(1));
  playtest::WritePiece(dir.File("061122_150000_Mix.wav"), 5.0);
  fs::last_write_time(dir.File("061122_150000_Mix.wav"), fs::file_time_type::clock::now() + std::chrono::hours(1));
  playtest::WritePiece(dir.File("061122_160000_Mix.wav"), 5.0);
  fixtures::WriteAll(dir.File("061122_160000_running.pid"), {'1', '\n'});
  MakeSession(dir, 2.0);
  std::string out;
  EXPECT_EQ(RunPiped("play --out " + dir.Path(), out), 0) << out;
  const std::regex line(R"(\d\d:\d\d/00:02  phrase \d\d/01  \[[#-]{30}\]  playing\n)");
  const auto lines = std::distance(std::sregex_iterator(out.begin(), out.end(), line), std::sregex_iterator());
  EXPECT_GE(lines, 3) << out;  // 00:00 in the lead-in, phrase 01, 00:01 ...
  EXPECT_EQ(lines, Count(out, "\n")) << out;  // ... and nothing else, one line per change
}

// One line per session, oldest first, with what its log and its files tell; files of other
// names are left out. No sessions is no error; a folder that cannot be read is.
TEST(ListCli, ShowsEachSessionOldestFirst) {
  fixtures::ScratchDir dir;
  const auto write = [&](const std::string& name, const std::string& text) {
    fixtures::WriteAll(dir.File(name), std::vector<unsigned char>(text.begin(), text.end()));
  };
  const std::string log =
      "Vorsk generate started at: 2006-11-22 15:00\r\n\r\nParameters:\r\n Note: F#\r\n"
      " Scale: PentatonMinor\r\n SoundPlus: None\r\n Rhythm: Drums\r\n Play mode: Close\r\n"
      " Force pitch: Regular\r\n Melody/Song: Simple\r\n Motive: Basic\r\n Piano mode: Full\r\n"
      " Intensity: No\r\n Tempo: 90\r\n Generate: 1 min.\r\n Session ID: 7";
  write("061122_150000_log.txt", log);
  playtest::WritePiece(dir.File("061122_150000_Mix.wav"), 65.0);
  playtest::WritePiece(dir.File("061122_150000_Piano.wav"), 65.0);
  for (const char* file : {"Mix_01.wav", "Piano_01.wav", "Mix_03.wav", "Stem_Melody.wav", "Stem_Drums.wav"}) {
    write(std::string("061122_150000_") + file, "x");
  }
  write("061121_090000_log.txt", "damaged");
  MakeSession(dir, 2.0);  // 061122_153000_, no log
  write("061122_160000_running.pid", "1\n");
  write("061122_160000_log.txt", log);
  const pid_t gone = ::fork();  // a process that is gone for sure: a reaped child
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  write("061122_170000_running.pid", std::to_string(gone) + "\n");
  write("061122_170000_log.txt", log);
  for (const char* other : {"notes.txt", "0611_Mix.wav", "061122_1500000log.txt"}) write(other, "x");

  std::string out;
  EXPECT_EQ(RunPiped("list --out " + dir.Path(), out), 0);
  EXPECT_EQ(out,
            "SESSION         STARTED              LENGTH  KEY  SCALE             TEMPO  FILES\n"
            "061121_090000_  2006-11-21 09:00:00       -  ?    ?                     ?  log only\n"
            "061122_150000_  2006-11-22 15:00:00    1:05  F#   pentatonic minor     90  whole, 2 excerpts, 2 stems\n"
            "061122_153000_  2006-11-22 15:30:00    0:02  ?    ?                     ?  whole\n"
            "061122_160000_  2006-11-22 16:00:00       -  F#   pentatonic minor     90  being made\n"
            "061122_170000_  2006-11-22 17:00:00       -  F#   pentatonic minor     90  unfinished\n");

  out.clear();
  EXPECT_EQ(RunPiped("list --out " + dir.File("none"), out), 0);
  EXPECT_EQ(out, "vorsk-cli list: no sessions in " + dir.File("none") + "/; run 'vorsk-cli generate' first\n");
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0700), 0);
  const int status = fixtures::RunAsNobody([&] {
    std::string denied;
    const int listed = RunPiped("list --out " + dir.Path(), denied);
    return listed == 1 && denied.find("cannot read the folder " + dir.Path() + "/: Permission denied") != std::string::npos ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST(PlayCli, RefusesWhatItCannotPlay) {
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("notes_Mix.wav"), {'h', 'i', '\n'});
  ASSERT_EQ(::mkfifo(dir.File("pipe_Mix.wav").c_str(), 0644), 0);  // refused, never waited on
  const struct {
    std::string args;
    int status;
    std::string says;
  } cases[] = {{"play " + dir.File("gone_Mix.wav"), 1, "Vorsk - Play Session: Can't open the piece: " + dir.File("gone_Mix.wav")},
               {"play " + dir.File("notes_Mix.wav"), 1, "Can't open the piece: " + dir.File("notes_Mix.wav")},
               {"play " + dir.File("pipe_Mix.wav"), 1, "Can't open the piece: " + dir.File("pipe_Mix.wav")},
               {"play --out " + dir.File("none"), 1, "no *Mix.wav in " + dir.File("none")},
               {"play a.wav b.wav", 2, "at most one piece"},
               {"play --bogus", 2, "unknown flag '--bogus'"},
               {"play --out", 2, "--out needs a folder name"}};
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(RunPiped(c.args, out), c.status) << c.args;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
  }
}

TEST(PlayCli, GeneratePlayPlaysThePieceItMade) {
  fixtures::ScratchDir program, temp;
  fs::copy_file(kCli, program.File("vorsk-cli"));
  gentest::LinkMarkerArchives(program.Path());
  // A terminal that does not tell its size: $COLUMNS gives it, and every line fits it.
  PtyProgram p(program.File("vorsk-cli"), {"generate", "--length", "1", "--hand", "R", "--rhythm", "", "--play"},
               {"TMPDIR=" + temp.Path(), "COLUMNS=50"});
  ASSERT_TRUE(p.WaitFor("Mix:    " + program.Path() + "/Archive/")) << p.out;
  const std::regex bar("\rGenerating \\[[#.]+\\] \\d+/\\d+\x1b\\[K");
  int bars = 0;
  for (auto m = std::sregex_iterator(p.out.begin(), p.out.end(), bar); m != std::sregex_iterator(); ++m, ++bars) {
    EXPECT_EQ(m->length(), 1 + 49 + 3) << m->str();
  }
  EXPECT_GE(bars, 5) << p.out;
  // 16 bars at tempo 60 with the pads: 5 733 000 bytes of data, exactly 65 s.
  ASSERT_TRUE(p.WaitFor("/01:05  phrase 0")) << p.out;
  ASSERT_TRUE(p.WaitFor("/02  [")) << p.out;
  ASSERT_TRUE(p.WaitFor("]  playing")) << p.out;
  std::smatch status;
  ASSERT_TRUE(std::regex_search(p.out, status, std::regex("\r(\\d\\d:\\d\\d/01:05  phrase \\d\\d/02  \\[[#-]+\\]  playing)\x1b")));
  EXPECT_EQ(status[1].length(), 49) << status[1];
  p.Send("q");
  EXPECT_EQ(p.Finish(), 0) << p.out;
}

}  // namespace
