// vorsk-cli play (and generate --play) as a user runs it: in a pseudo-terminal, keys typed,
// the status line read back; and with plain pipes.
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

constexpr int kWaitMs = 20000;  // generous: the sanitizer build runs slowly
const std::string kSession = "061122_153000_";

// The program on a pseudo-terminal: what it writes is collected, keys go to its input.
class PtyProgram {
 public:
  PtyProgram(const std::string& program, const Lines& args, const Lines& env = {}) {
    m_pid = ::forkpty(&m_fd, nullptr, nullptr, nullptr);
    if (m_pid == 0) {
      for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
  }
  ~PtyProgram() {
    if (m_pid > 0 && !m_bReaped) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_fd >= 0) ::close(m_fd);
  }
  // Reads until text appears after the mark (what WaitFor saw last); false on timeout or exit.
  bool WaitFor(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (out.find(text, m_mark) == std::string::npos) {
      if (std::chrono::steady_clock::now() > end || !ReadSome(100)) return false;
    }
    m_mark = out.find(text, m_mark) + text.size();
    return true;
  }
  void Send(const std::string& keys) { (void)!::write(m_fd, keys.data(), keys.size()); }
  // Reads to the end and returns the exit status; -1 when the program did not exit normally.
  int Finish() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < end && ReadSome(100)) {
    }
    int status = 0;
    if (::waitpid(m_pid, &status, 0) != m_pid) return -1;
    m_bReaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string out;

 private:
  // False once the terminal is closed (the program ended).
  bool ReadSome(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return true;
    char buffer[4096];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    out.append(buffer, static_cast<size_t>(n));
    return true;
  }
  pid_t m_pid = -1;
  int m_fd = -1;
  size_t m_mark = 0;
  bool m_bReaped = false;
};

std::string Cli() { return std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli"; }

// A session's piece and piano track of seconds (sparse), with a log when logLine is given.
std::string MakeSession(const fixtures::ScratchDir& dir, double seconds, const char* log = nullptr) {
  const std::string prefix = dir.Path() + "/" + kSession;
  playtest::WritePiece(prefix + "Mix.wav", playtest::SecondsToBytes(seconds), false);
  playtest::WritePiece(prefix + "Piano.wav", playtest::SecondsToBytes(seconds), false);
  if (log) fixtures::WriteAll(prefix + "log.txt", std::vector<unsigned char>(log, log + std::string(log).size()));
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
  PtyProgram p(Cli(), {"play", piece});
  ASSERT_TRUE(p.WaitFor("/01:40  phrase 01/02  [")) << p.out;
  const struct {
    const char* keys;
    const char* shows;
  } steps[] = {{"n", "phrase 02/02"}, {"\x1b[D", "phrase 01/02"}, {"\x1b[C", "phrase 02/02"},
               {"N", "phrase 02/02"}, {"p", "phrase 01/02"},     {" ", "]  paused"},
               {" ", "]  playing"}};
  for (const auto& step : steps) {
    p.Send(step.keys);
    ASSERT_TRUE(p.WaitFor(step.shows)) << step.keys << "\n" << p.out;
  }
  p.Send("s");
  ASSERT_TRUE(p.WaitFor("Vorsk - Save Session: File saved in folder " + dir.Path() + "/")) << p.out;
  p.Send("q");
  EXPECT_EQ(p.Finish(), 0) << p.out;
  const std::string prefix = dir.Path() + "/" + kSession;
  for (const char* name : {"Mix_01.wav", "Piano_01.wav"}) {
    EXPECT_EQ(fixtures::ReadAll(prefix + name).size(), 44u + 2 * 2822400) << name;
  }
  // Redrawn in place: no line per tick, only the summary's four and the status line's ends.
  EXPECT_NE(p.out.find("\r00:0"), std::string::npos);
  EXPECT_LE(Count(p.out, "\n"), 7) << p.out;
}

struct EndCase {
  const char* name;
  const char* key;  // typed once the piece plays; "" for none
  int status;
};

class PlayCliEnds : public ::testing::TestWithParam<EndCase> {};

TEST_P(PlayCliEnds, ExitStatusOfEachWayOut) {
  const EndCase c = GetParam();
  fixtures::ScratchDir dir;
  const std::string piece = MakeSession(dir, std::string(c.key).empty() ? 2.0 : 60.0);
  PtyProgram p(Cli(), {"play", piece});
  ASSERT_TRUE(p.WaitFor("]  playing")) << p.out;
  p.Send(c.key);
  EXPECT_EQ(p.Finish(), c.status) << p.out;
  if (std::string(c.key).empty()) {
    EXPECT_NE(p.out.find("00:01/00:02  phrase 01/01"), std::string::npos) << p.out;
  }
}

INSTANTIATE_TEST_SUITE_P(PlayCli, PlayCliEnds,
                         ::testing::Values(EndCase{"EndOfThePiece", "", 0}, EndCase{"Q", "q", 0},
                                           EndCase{"Esc", "\x1b", 0}, EndCase{"CtrlC", "\x03", 130}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlayCli, WithoutASoundDevicePlaysSilentlyAndSaysSoOnce) {
  fixtures::ScratchDir dir;
  const std::string piece = MakeSession(dir, 2.0);
  PtyProgram p(Cli(), {"play", piece}, {"SDL_AUDIODRIVER=no-such-driver"});
  EXPECT_EQ(p.Finish(), 0) << p.out;
  EXPECT_EQ(Count(p.out, "no sound output device"), 1) << p.out;
  EXPECT_NE(p.out.find("00:01/00:02"), std::string::npos) << p.out;
}

// Runs the program with plain pipes; standard error follows standard output.
int RunPiped(const std::string& args, std::string& out) {
  std::FILE* pipe = ::popen((Cli() + " " + args + " </dev/null 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PlayCli, NotATerminalGivesPlainLinesAndTheNewestPiece) {
  fixtures::ScratchDir dir;
  const std::string older = dir.File("older_Mix.wav");
  playtest::WritePiece(older, playtest::SecondsToBytes(5.0), false);
  fs::last_write_time(older, fs::file_time_type::clock::now() - std::chrono::hours(1));
  MakeSession(dir, 2.0);
  std::string out;
  EXPECT_EQ(RunPiped("play --out " + dir.Path(), out), 0) << out;
  const std::regex line(R"(\d\d:\d\d/00:02  phrase \d\d/01  \[[#-]{30}\]  playing)");
  int lines = 0;
  for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string text = out.substr(start, end - start);
    if (text.find("no sound output") != std::string::npos) continue;
    EXPECT_TRUE(std::regex_match(text, line)) << text;
    ++lines;
  }
  EXPECT_GE(lines, 3);  // 00:00 in the lead-in, phrase 01, 00:01 ...
  EXPECT_LE(lines, 6);  // ... but a line per change, not per tick
  EXPECT_EQ(out.find('\r'), std::string::npos);
}

TEST(PlayCli, RefusesWhatItCannotPlay) {
  fixtures::ScratchDir dir;
  const std::string text = dir.File("notes_Mix.wav");
  fixtures::WriteAll(text, {'h', 'i', '\n'});
  const struct {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"play " + dir.File("gone_Mix.wav"), 1, "Vorsk - Play Session: Can't open the piece: " + dir.File("gone_Mix.wav")},
      {"play " + text, 1, "Can't open the piece: " + text},
      {"play --out " + dir.Path() + "/empty", 1, "no *Mix.wav in " + dir.Path() + "/empty"},
      {"play a.wav b.wav", 2, "at most one piece"},
      {"play --bogus", 2, "unknown flag '--bogus'"},
      {"play --out", 2, "--out needs a folder name"},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(RunPiped(c.args, out), c.status) << c.args;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
  }
}

TEST(PlayCli, GeneratePlayPlaysThePieceItMade) {
  fixtures::ScratchDir program, temp;
  fs::copy_file(Cli(), program.File("vorsk-cli"));
  gentest::LinkMarkerArchives(program.Path());
  PtyProgram p(program.File("vorsk-cli"),
               {"generate", "--length", "1", "--hand", "R", "--rhythm", "", "--session-id", "7", "--play"},
               {"TMPDIR=" + temp.Path()});
  ASSERT_TRUE(p.WaitFor("Mix:    " + program.Path() + "/Archive/")) << p.out;
  // One minute at tempo 60: 16 bars, 2 phrases, 64 whole seconds and the pads.
  ASSERT_TRUE(p.WaitFor("/01:04  phrase 0")) << p.out;
  ASSERT_TRUE(p.WaitFor("/02  [")) << p.out;
  p.Send("q");
  EXPECT_EQ(p.Finish(), 0) << p.out;
}

}  // namespace
