// vorsk-cli play (and generate --play) as a user runs it: on a pseudo-terminal with keys typed
// and the status line read back, and through plain pipes.
#include <gtest/gtest.h>

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

TEST(PlayCli, ThroughAPipeEachChangeIsALineAndTheNewestPieceIsTheDefault) {
  fixtures::ScratchDir dir;
  playtest::WritePiece(dir.File("older_Mix.wav"), 5.0);
  fs::last_write_time(dir.File("older_Mix.wav"), fs::file_time_type::clock::now() - std::chrono::hours(1));
  MakeSession(dir, 2.0);
  std::string out;
  EXPECT_EQ(RunPiped("play --out " + dir.Path(), out), 0) << out;
  const std::regex line(R"(\d\d:\d\d/00:02  phrase \d\d/01  \[[#-]{30}\]  playing\n)");
  const auto lines = std::distance(std::sregex_iterator(out.begin(), out.end(), line), std::sregex_iterator());
  EXPECT_GE(lines, 3) << out;  // 00:00 in the lead-in, phrase 01, 00:01 ...
  EXPECT_EQ(lines, Count(out, "\n")) << out;  // ... and nothing else, one line per change
}

TEST(PlayCli, RefusesWhatItCannotPlay) {
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("notes_Mix.wav"), {'h', 'i', '\n'});
  const struct {
    std::string args;
    int status;
    std::string says;
  } cases[] = {{"play " + dir.File("gone_Mix.wav"), 1, "Vorsk - Play Session: Can't open the piece: " + dir.File("gone_Mix.wav")},
               {"play " + dir.File("notes_Mix.wav"), 1, "Can't open the piece: " + dir.File("notes_Mix.wav")},
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
  PtyProgram p(program.File("vorsk-cli"),
               {"generate", "--length", "1", "--hand", "R", "--rhythm", "", "--play"}, {"TMPDIR=" + temp.Path()});
  ASSERT_TRUE(p.WaitFor("Mix:    " + program.Path() + "/Archive/")) << p.out;
  // 16 bars at tempo 60 with the pads: 5 733 000 bytes of data, exactly 65 s.
  ASSERT_TRUE(p.WaitFor("/01:05  phrase 0")) << p.out;
  ASSERT_TRUE(p.WaitFor("/02  [")) << p.out;
  p.Send("q");
  EXPECT_EQ(p.Finish(), 0) << p.out;
}

}  // namespace
