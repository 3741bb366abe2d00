// vorsk-cli generate as a user runs it: a copy of the program in a scratch program folder with
// the marker archives beside it, run as a child process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "session/generate_test_util.h"
#include "test_paths.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string ReadText(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// A program folder: vorsk-cli (a copy, so that the program finds its folder there) and the
// marker archives, with its own temporary folder.
class ProgramFolder {
 public:
  explicit ProgramFolder(bool withData4 = true) {
    fs::copy_file(std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli", Program());
    gentest::LinkMarkerArchives(dir.Path(), withData4);
  }
  std::string Program() const { return dir.File("vorsk-cli"); }

  struct Result {
    int status = -1;  // exit status; -1 when the child did not exit normally
    std::string out, err;
  };

  // Runs the program with args; its standard output and error are captured.
  Result Run(const Lines& args) const {
    const std::string outPath = temp.File("stdout.txt"), errPath = temp.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t pid = Spawn(args, &actions);
    posix_spawn_file_actions_destroy(&actions);
    Result result;
    result.status = Wait(pid);
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return result;
  }

  // Starts the program with the given file actions.
  pid_t StartWith(const Lines& args, posix_spawn_file_actions_t* actions) const { return Spawn(args, actions); }

  // Starts the program with its standard error on a pipe (read end in *errFd).
  pid_t Start(const Lines& args, int* errFd) const {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const pid_t pid = Spawn(args, &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    *errFd = fds[0];
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  // Files the program's runs left in its temporary folder.
  Lines TempFiles() const { return platform::ListFolder(temp.Path(), ""); }

  fixtures::ScratchDir dir;
  fixtures::ScratchDir temp;
  // A command the program is started through ("setpriv", "--reuid=nobody", ...), if any.
  Lines wrapper;

 private:
  pid_t Spawn(const Lines& args, posix_spawn_file_actions_t* actions) const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
    }
    env.push_back("TMPDIR=" + temp.Path());
    std::vector<char*> envp, argv;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> copies(wrapper);
    copies.push_back(Program());
    copies.push_back("generate");
    copies.insert(copies.end(), args.begin(), args.end());
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
  }
};

// "Key: value" lines of the program's standard output.
std::map<std::string, std::string> Fields(const std::string& out) {
  std::map<std::string, std::string> fields;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const auto value = line.find_first_not_of(' ', colon + 1);
    fields[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
  }
  return fields;
}

const Lines kShortPiece = {"--length", "1", "--hand", "R", "--rhythm", ""};

TEST(GenerateCli, UsageErrorsExitWithTwo) {
  ProgramFolder program;
  for (const Lines& args : {Lines{"--hand", "X"}, Lines{"--bogus"}, Lines{"--out"},
                            Lines{"--out", ""}, Lines{"--log-prefix", "/tmp/x"},
                            Lines{"--session-id", "abc"}, Lines{"--length", "0"},
                            Lines{"--out", "-h"}}) {
    const auto result = program.Run(args);
    EXPECT_EQ(result.status, 2) << args[0];
    EXPECT_FALSE(result.err.empty()) << args[0];
  }
  const auto help = program.Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--out"), std::string::npos);
  EXPECT_NE(help.out.find("--session-id"), std::string::npos);
  EXPECT_FALSE(fs::exists(program.dir.File("Archive")));
}

TEST(GenerateCli, MakesAPieceInTheOutFolderAndKeepsIt) {
  ProgramFolder program;
  const std::string out = program.dir.File("pieces/today");  // two levels, created
  Lines args = kShortPiece;
  args.insert(args.end(), {"--out", out, "--session-id", "7"});
  const auto result = program.Run(args);
  ASSERT_EQ(result.status, 0) << result.err;

  const auto fields = Fields(result.out);
  const std::string mix = fields.at("Mix");
  ASSERT_EQ(mix.rfind(out + "/", 0), 0u) << mix;
  const std::string prefix = mix.substr(0, mix.size() - std::string("Mix.wav").size());
  EXPECT_EQ(fields.at("Log"), prefix + "log.txt");
  EXPECT_EQ(fields.at("Piano"), prefix + "Piano.wav");
  EXPECT_EQ(fields.at("Length"), "1 min 05 s");  // 16 bars of 4 s and two pads of 0.5 s
  for (const char* file : {"log.txt", "Piano.wav", "Mix.wav"}) {
    EXPECT_TRUE(fs::is_regular_file(prefix + file)) << file;
  }
  EXPECT_EQ(platform::ListFolder(out, "").size(), 3u);
  EXPECT_TRUE(program.TempFiles().empty());
  EXPECT_NE(result.err.find("progress 5/5"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Vorsk - Save Session: Files are saved in folder " + out + "/"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(program.dir.File("Archive")));
}

// The printed length is rounded to the second: at tempo 90 a 1-minute piece lasts 64.67 s (24
// bars of 2.67 s and two pads of 0.333 s), which truncation would print as 1 min 04 s.
TEST(GenerateCli, PrintedLengthIsRoundedToTheSecond) {
  for (const auto& [tempo, length] : {std::pair{"60", "1 min 05 s"}, std::pair{"90", "1 min 05 s"}}) {
    ProgramFolder program;
    Lines args = kShortPiece;
    args.insert(args.end(), {"--tempo", tempo});
    const auto result = program.Run(args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Fields(result.out).at("Length"), length) << "tempo " << tempo;
  }
}

TEST(GenerateCli, WithoutOutTheArchiveFolderIsBesideTheProgram) {
  ProgramFolder program;
  const auto result = program.Run(kShortPiece);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Fields(result.out).at("Mix").rfind(program.dir.Path() + "/Archive/", 0), 0u);
  EXPECT_EQ(platform::ListFolder(program.dir.File("Archive"), "").size(), 3u);
}

TEST(GenerateCli, SameSessionIdGivesTheSameMixByteForByte) {
  ProgramFolder program;
  const Lines options = {"--length", "1", "--hand", "F", "--rhythm", "D", "--harmony", "S",
                         "--tempo", "90", "--session-id", "31337"};
  std::vector<std::map<std::string, std::string>> runs;
  for (const char* out : {"a", "b"}) {
    Lines args = options;
    args.insert(args.end(), {"--out", program.dir.File(out)});
    const auto result = program.Run(args);
    ASSERT_EQ(result.status, 0) << result.err;
    runs.push_back(Fields(result.out));
  }
  const auto mix = fixtures::ReadAll(runs[0].at("Mix"));
  ASSERT_GT(mix.size(), 44u);
  EXPECT_EQ(fixtures::ReadAll(runs[1].at("Mix")), mix);
  EXPECT_EQ(fixtures::ReadAll(runs[1].at("Piano")), fixtures::ReadAll(runs[0].at("Piano")));
  // The logs differ at most in their first line, the date.
  const std::string log0 = ReadText(runs[0].at("Log")), log1 = ReadText(runs[1].at("Log"));
  EXPECT_EQ(log0.substr(log0.find('\n')), log1.substr(log1.find('\n')));
  EXPECT_NE(log0.find("Session ID: 31337"), std::string::npos);
}

// A session's log makes its piece again, byte for byte, as a new session; the log it writes
// differs at most in its date. -q leaves out the progress, not the result.
TEST(GenerateCli, FromLogMakesTheSamePieceAgain) {
  ProgramFolder program;
  const auto first = program.Run({"--length", "1", "--note", "F#", "--scale", "PMin", "--tempo", "90",
                                  "--rhythm", "D", "--harmony", "SV", "--hand", "F", "--pianoint", "P",
                                  "--motive", "F", "--out", program.dir.File("a")});
  ASSERT_EQ(first.status, 0) << first.err;
  const auto original = Fields(first.out);
  const auto again = program.Run({"-q", "--from-log", original.at("Log"), "--out", program.dir.File("b")});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.err.find("progress"), std::string::npos) << again.err;
  EXPECT_NE(first.err.find("progress"), std::string::npos) << first.err;
  const auto copy = Fields(again.out);
  for (const char* file : {"Mix", "Piano"}) {
    const auto bytes = fixtures::ReadAll(original.at(file));
    ASSERT_GT(bytes.size(), 44u) << file;
    EXPECT_EQ(fixtures::Digest(fixtures::ReadAll(copy.at(file))), fixtures::Digest(bytes)) << file;
  }
  const std::string log0 = ReadText(original.at("Log")), log1 = ReadText(copy.at("Log"));
  EXPECT_EQ(log0.substr(log0.find('\n')), log1.substr(log1.find('\n')));
}

// What is not a session log is refused with exit 1, naming the file and the line; nothing is
// made. A log with option flags beside it is a usage error.
TEST(GenerateCli, FromLogRefusesWhatIsNotASessionLog) {
  ProgramFolder program;
  const std::string good =
      "Vorsk generate started at: 2026-12-08 15:14\r\n\r\nParameters:\r\n Note: C\r\n Scale: Major\r\n"
      " SoundPlus: None\r\n Rhythm: Drums\r\n Play mode: Close\r\n Force pitch: Regular\r\n"
      " Melody/Song: Simple\r\n Motive: Basic\r\n Piano mode: Full\r\n Intensity: No\r\n"
      " Tempo: 60\r\n Generate: 1 min.\r\n Session ID: 9";
  auto write = [&](const std::string& name, const std::string& text) {
    fixtures::WriteAll(program.dir.File(name), std::vector<unsigned char>(text.begin(), text.end()));
    return program.dir.File(name);
  };
  const std::string damaged = write("damaged_log.txt", std::string(good).replace(good.find("Major"), 5, "Lydian"));
  const std::string wave = write("x_Mix.wav", std::string("RIFF\0\0\0\0WAVE", 12));
  const std::string fine = write("fine_log.txt", good);
  const std::string pipe = program.dir.File("pipe_log.txt");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const struct {
    Lines args;
    int status;
    std::string says;
  } cases[] = {
      {{"--from-log", damaged}, 1, damaged + ":5: expected \" Scale: \" followed by \"Major\""},
      {{"--from-log", wave}, 1, wave + ":1: not a session log"},
      {{"--from-log", program.dir.File("gone_log.txt")}, 1, "cannot read " + program.dir.File("gone_log.txt") + ": No such file"},
      {{"--from-log", program.dir.Path()}, 1, "cannot read " + program.dir.Path() + ": Is a directory"},
      {{"--from-log", pipe}, 1, "cannot read " + pipe + ": Not a regular file"},  // never waited on
      {{"--from-log", fine, "--tempo", "90"}, 2, "leave out --tempo"},
      {{"--session-id", "3", "--from-log", fine}, 2, "leave out --session-id"},
  };
  for (const auto& c : cases) {
    const auto result = program.Run(c.args);
    EXPECT_EQ(result.status, c.status) << c.args[1];
    EXPECT_EQ(result.err.rfind("vorsk-cli generate: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
  }
  EXPECT_FALSE(fs::exists(program.dir.File("Archive")));
}

TEST(GenerateCli, MissingArchiveFailsWithTheMessage) {
  ProgramFolder program(/*withData4=*/false);
  const auto result = program.Run(kShortPiece);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Vorsk - File Open Error: Can't open sample file: " + program.dir.Path() +
                            "/data4.dat (No such file or directory).\nPlease reinstall the application."),
            std::string::npos)
      << result.err;
  EXPECT_TRUE(result.out.empty());
}

TEST(GenerateCli, OutFolderThatCannotBeMadeFails) {
  ProgramFolder program;
  Lines args = kShortPiece;
  args.insert(args.end(), {"--out", program.Program() + "/inside"});  // below a plain file
  const auto result = program.Run(args);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("cannot use the folder"), std::string::npos) << result.err;
}

struct InterruptCase {
  int signal;
  int status;
  const char* progress;
  const char* name;
  bool bWriteOnlyOut = false;  // run as nobody into a folder it may write but not list
};

class GenerateCliInterrupt : public ::testing::TestWithParam<InterruptCase> {};

// A cancelling signal while a 15-minute piece is being made, once the given progress line has
// appeared: the STOP path, exit 128 + the signal, nothing left behind.
TEST_P(GenerateCliInterrupt, SignalCancelsAndLeavesNoFile) {
  ProgramFolder program;
  const std::string out = program.dir.File("out");
  if (GetParam().bWriteOnlyOut) {
    ASSERT_EQ(::chmod(program.dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(program.temp.Path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(fixtures::SharedMarkerArchives().c_str(), 0755), 0);  // archives readable
    ASSERT_TRUE(platform::MakeFolder(out));
    ASSERT_EQ(::chown(out.c_str(), fixtures::kNobodyUid, fixtures::kNogroupGid), 0);
    ASSERT_EQ(::chmod(out.c_str(), 0300), 0);
    program.wrapper = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  }
  int errFd = -1;
  const pid_t pid = program.Start({"--length", "15", "--hand", "F", "--rhythm", "D", "--out", out}, &errFd);
  ASSERT_GT(pid, 0);
  std::string err;
  bool sent = false;
  char buffer[256];
  for (ssize_t n; (n = ::read(errFd, buffer, sizeof buffer)) > 0;) {
    err.append(buffer, static_cast<size_t>(n));
    if (!sent && err.find(GetParam().progress) != std::string::npos) {
      ::kill(pid, GetParam().signal);
      sent = true;
    }
  }
  ::close(errFd);
  ASSERT_TRUE(sent) << err;
  EXPECT_EQ(ProgramFolder::Wait(pid), GetParam().status) << err;
  EXPECT_NE(err.find("cancelled"), std::string::npos) << err;
  EXPECT_TRUE(platform::ListFolder(out, "").empty()) << platform::ListFolder(out, "").front();
  EXPECT_TRUE(program.TempFiles().empty()) << program.TempFiles().front();
}

// Step 2 is the composition (the piano track is rendered next), step 6 the accompaniment track.
INSTANTIATE_TEST_SUITE_P(Signals, GenerateCliInterrupt,
                         ::testing::Values(InterruptCase{SIGINT, 130, "progress 2/19\n", "CtrlCAfterStep2"},
                                           InterruptCase{SIGINT, 130, "progress 6/19\n", "CtrlCAfterStep6"},
                                           InterruptCase{SIGTERM, 143, "progress 6/19\n", "TermAfterStep6"},
                                           InterruptCase{SIGHUP, 129, "progress 2/19\n", "HangUpAfterStep2"},
                                           InterruptCase{SIGINT, 130, "progress 6/19\n", "CtrlCInWriteOnlyFolder", true}),
                         [](const ::testing::TestParamInfo<InterruptCase>& info) { return std::string(info.param.name); });

// Killed outright, a run leaves its marked session and its scratch folder named with its
// process id; the next run removes both and keeps its own piece.
TEST(GenerateCli, NextRunRemovesWhatAKilledRunLeft) {
  ProgramFolder program;
  const std::string out = program.dir.File("out");
  int errFd = -1;
  const pid_t pid = program.Start({"--length", "15", "--hand", "F", "--rhythm", "D", "--out", out}, &errFd);
  ASSERT_GT(pid, 0);
  std::string err;
  char buffer[256];
  for (ssize_t n; err.find("progress 6/19\n") == std::string::npos && (n = ::read(errFd, buffer, sizeof buffer)) > 0;)
    err.append(buffer, static_cast<size_t>(n));
  ::kill(pid, SIGKILL);
  ::close(errFd);
  ProgramFolder::Wait(pid);
  const Lines left = platform::ListFolder(out, "");
  ASSERT_FALSE(left.empty());
  EXPECT_NE(std::find_if(left.begin(), left.end(), [](const std::string& n) { return n.find("running.pid") != std::string::npos; }),
            left.end());
  ASSERT_EQ(program.TempFiles().size(), 1u);
  EXPECT_EQ(program.TempFiles()[0].rfind("vorsk-" + std::to_string(pid) + "-", 0), 0u) << program.TempFiles()[0];

  Lines args = kShortPiece;
  args.insert(args.end(), {"--out", out});
  const auto result = program.Run(args);
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string session = fs::path(Fields(result.out)["Mix"]).filename().string().substr(0, 14);
  EXPECT_EQ(platform::ListFolder(out, ""), (Lines{session + "Mix.wav", session + "Piano.wav", session + "log.txt"}));
  EXPECT_TRUE(program.TempFiles().empty()) << program.TempFiles().front();
}

// Folders no run can use: a clear message and exit 1, never a crash; the user's own
// permissions bind (run as nobody), and a read-only mount refuses even root.
TEST(GenerateCli, OutFoldersThatCannotBeUsedFailWithTheCause) {
  ProgramFolder program;
  ASSERT_EQ(::chmod(program.dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(program.temp.Path().c_str(), 0777), 0);
  const std::string loop = program.dir.File("loop");
  ASSERT_EQ(::symlink(loop.c_str(), loop.c_str()), 0);
  const std::string locked = program.dir.File("locked");
  ASSERT_TRUE(platform::MakeFolder(locked));
  ASSERT_EQ(::chmod(locked.c_str(), 0700), 0);  // root's own: nobody may not enter
  std::string longPath = program.dir.Path();
  while (longPath.size() < 5000) longPath += "/abcdefghijklmnopqrstuvwxyz0123456789";
  const std::string readOnly = program.dir.File("ro");
  fixtures::TmpfsMount mount(readOnly, 64, /*bReadOnly=*/true);

  struct Case {
    std::string out;
    bool bAsNobody;
    const char* cause;
  };
  const Case cases[] = {{longPath, false, "File name too long"},
                        {loop + "/x", false, "Too many levels of symbolic links"},
                        {locked + "/x", true, "Permission denied"},
                        {locked, true, "Permission denied"},
                        {readOnly, false, "Read-only file system"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out.substr(0, 200));
    if (c.out == readOnly && !mount.Mounted()) continue;
    program.wrapper.clear();
    if (c.bAsNobody) program.wrapper = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    Lines args = kShortPiece;
    args.insert(args.end(), {"--out", c.out});
    const auto result = program.Run(args);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find(c.cause), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.out), std::string::npos) << "the whole path is named";
    EXPECT_TRUE(result.out.empty());
  }
}

// Standard output that cannot be written: the paths never reach the user, so the piece is
// not kept. A temporary folder too small for the voice files is refused before anything is
// written (the same failure in the middle of a run is a session test).
TEST(GenerateCli, UnwritableOutputOrFullTemporaryFolderKeepsNothing) {
  // Standard output goes to the full device; without it (a container's bare /dev) the open
  // would fail or, worse, reach a regular file someone made there.
  struct stat device {};
  if (::stat("/dev/full", &device) != 0 || !S_ISCHR(device.st_mode)) {
    GTEST_SKIP() << "/dev/full is not a character device here";
  }
  ProgramFolder program;
  const std::string out = program.dir.File("out");
  Lines args = kShortPiece;
  args.insert(args.end(), {"--out", out});
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const pid_t pid = program.StartWith(args, &actions);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(ProgramFolder::Wait(pid), 1);
  EXPECT_EQ(platform::ListFolder(out, ""), Lines{});

  fixtures::TmpfsMount mount(program.temp.Path(), 4096);  // 4 MB; the voice files need 17
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  const auto result = program.Run({"--length", "1", "--hand", "F", "--rhythm", "D", "--out", out});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Free: 4 MB\nNeed: 17 MB\nFolder: " + program.temp.Path() + "/"), std::string::npos)
      << result.err;
  EXPECT_EQ(platform::ListFolder(out, ""), Lines{});
  EXPECT_TRUE(program.TempFiles().empty());
}

// The MIDI file of a generated piece is the one 'plan' writes for the same options and id:
// rendering leaves the plan as composed. The stems made are listed on standard output.
TEST(GenerateCli, MidiMatchesThePlanCommandAndStemsAreListed) {
  ProgramFolder program;
  const std::string midi = program.dir.File("generated.mid"), planned = program.dir.File("planned.mid");
  const Lines options = {"--session-id", "31", "--length", "1", "--hand", "F", "--rhythm", "D"};
  Lines args = options;
  args.insert(args.end(), {"--out", program.dir.File("out"), "--stems", "--midi", midi});
  const ProgramFolder::Result r = program.Run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("MIDI:   " + midi + "\n"), std::string::npos) << r.out;
  size_t stems = 0;
  for (size_t at = r.out.find("Stem:   "); at != std::string::npos; at = r.out.find("Stem:   ", at + 1)) ++stems;
  EXPECT_EQ(stems, 6u) << r.out;

  std::string command = std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli plan --midi " + planned;
  for (const std::string& a : options) command += " " + a;
  ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0);
  const std::vector<unsigned char> bytes = fixtures::ReadAll(midi);
  ASSERT_GT(bytes.size(), 14u);
  EXPECT_EQ(bytes, fixtures::ReadAll(planned));
}

// A MIDI file that cannot be written after the piece is whole: exit 1, the piece kept and
// listed, no "MIDI:" line, and the older MIDI file by that name untouched.
TEST(GenerateCli, AMidiFileThatFailsKeepsThePieceAndTheOlderFile) {
  fixtures::FullDisk disk(false);
  if (!disk.Reason().empty()) GTEST_SKIP() << disk.Reason();
  const std::string midi = disk.File("piece.mid");
  fixtures::WriteAll(midi, {'o', 'l', 'd'});
  ASSERT_TRUE(disk.Fill());
  ProgramFolder program;
  const std::string out = program.dir.File("out");
  Lines args = kShortPiece;
  args.insert(args.end(), {"--out", out, "--midi", midi});
  const ProgramFolder::Result r = program.Run(args);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("cannot write the MIDI file " + midi + ": No space left on device"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the piece was kept"), std::string::npos) << r.err;
  const auto fields = Fields(r.out);
  EXPECT_EQ(fields.count("Mix"), 1u) << r.out;
  EXPECT_EQ(fields.count("MIDI"), 0u) << r.out;
  EXPECT_EQ(platform::ListFolder(out, "").size(), 3u);  // log, Piano.wav, Mix.wav
  EXPECT_EQ(fixtures::ReadAll(midi), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

// A file-size limit and an address-space limit end a run with one message and exit 1, never
// with a signal: SIGXFSZ is ignored (the write fails with EFBIG, named like a full disk) and
// std::bad_alloc is caught at the entry point.
TEST(GenerateCli, ProcessLimitsBecomeFailuresThatNameTheCause) {
  ProgramFolder program;
  const std::string out = program.dir.File("out");
  program.wrapper = {"prlimit", "--fsize=4096000", "--"};  // a track file needs 5.4 MiB
  Lines args = kShortPiece;
  args.insert(args.end(), {"--out", out});
  const ProgramFolder::Result r = program.Run(args);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(platform::ListFolder(out, ""), Lines{});
  EXPECT_EQ(program.TempFiles(), Lines{});

#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit leaves";
#endif
  // The MIDI file of a 60-minute plan needs more than what is left once the program is loaded.
  // The loader alone needs about 24 MB here, so the limit is raised until the program starts.
  bool bOutOfMemory = false;
  for (long megabytes = 25; megabytes <= 40 && !bOutOfMemory; ++megabytes) {
    const std::string err = program.temp.File("err.txt");
    const std::string command = "prlimit --as=" + std::to_string(megabytes << 20) + " -- " + program.Program() +
                                " plan --length 60 --hand F --rhythm BD --harmony SV --midi " +
                                program.dir.File("plan.mid") + " >/dev/null 2>" + err;
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal under " << megabytes << " MB";
    const std::string text = ReadText(err);
    if (WEXITSTATUS(status) == 127 || text.find("shared libraries") != std::string::npos) continue;
    if (WEXITSTATUS(status) == 0) break;  // enough memory from here on
    EXPECT_EQ(WEXITSTATUS(status), 1) << text;
    EXPECT_EQ(text, "vorsk-cli: Out of memory\n");
    bOutOfMemory = true;
  }
  if (!bOutOfMemory) GTEST_SKIP() << "no address-space limit both loads the program and starves it here";
}

}  // namespace
