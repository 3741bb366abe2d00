// vorsk-cli generate --master and vorsk-cli master on the built sample archives: one-minute
// pieces with every track, read back and measured as a player and a loudness meter would.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "master_audio.h"
#include "platform/file_io.h"
#include "support/fixtures.h"
#include "test_paths.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string Text(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs the built vorsk-cli (beside the built archives) with TMPDIR set to temp.
CliRun Cli(const fixtures::ScratchDir& temp, const Args& args) {
  const std::string outPath = temp.File("stdout.txt"), errPath = temp.File("stderr.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
  }
  env.push_back("TMPDIR=" + temp.Path());
  Args argv = {std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> envp, argp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  for (std::string& a : argv) argp.push_back(a.data());
  argp.push_back(nullptr);
  pid_t pid = -1;
  CliRun run;
  if (posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) == 0) {
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = Text(outPath);
  run.err = Text(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return run;
}

// The value after "label" on its line of text ("Log:    /x/261209_093951_log.txt").
std::string LineValue(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return {};
  const size_t from = text.find_first_not_of(' ', at + label.size());
  return text.substr(from, text.find('\n', from) - from);
}

long long WaveFrames(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec || size < 44 ? 0 : static_cast<long long>((size - 44) / 2);
}

// A one-minute piece with every track, made with --master (FLAC).
struct Piece {
  std::unique_ptr<fixtures::ScratchDir> dir, temp;
  std::string prefix;   // folder + session name
  std::string recipe;   // the command -v printed
  CliRun run;
};

bool ArchivesBuilt() { return VORSK_HAS_ARCHIVES && fs::exists(std::string(VORSK_PROGRAM_DIR) + "/data4.dat"); }

const Args kPieceOptions = {"--length", "1", "--rhythm", "BD", "--harmony", "SV", "--session-id", "2027"};

Piece MakePiece(const std::string& tempo, const Args& extra = {"--master"}) {
  Piece piece;
  piece.dir = std::make_unique<fixtures::ScratchDir>();
  piece.temp = std::make_unique<fixtures::ScratchDir>();
  Args args = {"-v", "generate", "--tempo", tempo, "--out", piece.dir->Path()};
  args.insert(args.end(), kPieceOptions.begin(), kPieceOptions.end());
  args.insert(args.end(), extra.begin(), extra.end());
  piece.run = Cli(*piece.temp, args);
  const std::string log = LineValue(piece.run.out, "Log:");
  piece.prefix = log.size() > 7 ? log.substr(0, log.size() - 7) : "";
  const size_t at = piece.run.err.find("vorsk-cli generate --note");
  if (at != std::string::npos) piece.recipe = piece.run.err.substr(at, piece.run.err.find('\n', at) - at);
  return piece;
}

class MasterCli : public ::testing::Test {
 protected:
  static void TearDownTestSuite() { s_pieces.clear(); }
  void SetUp() override {
    if (!ArchivesBuilt()) GTEST_SKIP() << "the sample archives are not built";
  }
  // The piece at a tempo, made once per process when a test first needs it.
  static Piece& At(const std::string& tempo) {
    Piece& piece = s_pieces[tempo];
    if (!piece.dir) piece = MakePiece(tempo);
    EXPECT_EQ(piece.run.status, 0) << piece.run.err;
    EXPECT_FALSE(piece.prefix.empty()) << piece.run.out;
    return piece;
  }
  static std::map<std::string, Piece> s_pieces;
};
std::map<std::string, Piece> MasterCli::s_pieces;

TEST_F(MasterCli, FlacAndWavHaveTheLoudnessPeakStereoImageAndTailAtBothTempos) {
  for (const char* tempo : {"60", "90"}) {
    Piece& piece = At(tempo);
    const CliRun wav = Cli(*piece.temp, {"-q", "master", piece.prefix + "log.txt", "--format", "wav"});
    ASSERT_EQ(wav.status, 0) << wav.err;
    for (const char* ext : {"flac", "wav"}) {
      SCOPED_TRACE(std::string("tempo ") + tempo + ", " + ext);
      const mastertest::Audio audio = mastertest::ReadAudio(piece.prefix + "Master." + ext);
      ASSERT_TRUE(audio.bRead);
      EXPECT_EQ(audio.channels, 2);
      EXPECT_EQ(audio.rate, 44100);
      const mastertest::Measure m = mastertest::MeasureAudio(audio);
      EXPECT_NEAR(m.lufs, -14.0, 0.5);
      EXPECT_LE(m.truePeakDbtp, -1.0);
      EXPECT_GE(m.correlation, 0.3);
      EXPECT_LE(m.correlation, 0.95);
      EXPECT_LT(std::fabs(m.dc[0]), 1e-4);
      EXPECT_LT(std::fabs(m.dc[1]), 1e-4);
      EXPECT_LT(m.endPeakDbfs, -60.0);
      EXPECT_GE(audio.Frames(), WaveFrames(piece.prefix + "Mix.wav") + 44100);
    }
  }
}

TEST_F(MasterCli, EveryFormatDecodesAtTheLoudnessAndCarriesTheCommandThatMakesThePieceAgain) {
  Piece& piece = At("60");
  ASSERT_FALSE(piece.recipe.empty()) << piece.run.err;
  struct Case {
    const char* format;
    int rate;
  };
  const Case cases[] = {{"flac", 44100}, {"wav", 44100}, {"ogg", 44100}, {"opus", 48000}, {"mp3", 44100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    const std::string path = piece.prefix + "Master." + c.format;
    if (!fs::exists(path)) {
      const CliRun run = Cli(*piece.temp, {"-q", "master", piece.prefix + "log.txt", "--format", c.format});
      ASSERT_EQ(run.status, 0) << run.err;
    }
    const mastertest::Audio audio = mastertest::ReadAudio(path);
    ASSERT_TRUE(audio.bRead);
    EXPECT_EQ(audio.rate, c.rate);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_NEAR(mastertest::MeasureAudio(audio).lufs, -14.0, 1.0);
    EXPECT_EQ(audio.comment, piece.recipe);
  }
}

TEST_F(MasterCli, LoudnessTargetIsMet) {
  Piece& piece = At("90");
  fixtures::ScratchDir out;
  const CliRun run = Cli(*piece.temp, {"-q", "master", piece.prefix + "log.txt", "--loudness", "-23", "--out", out.Path()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string name = fs::path(piece.prefix).filename().string() + "Master.flac";
  const mastertest::Measure m = mastertest::MeasureAudio(mastertest::ReadAudio(out.File(name)));
  EXPECT_NEAR(m.lufs, -23.0, 0.5);
  EXPECT_LE(m.truePeakDbtp, -1.0);
}

TEST_F(MasterCli, MasterOfTheLogEqualsGenerateMasterAndLeavesMixWavAsItWas) {
  Piece& piece = At("60");
  fixtures::ScratchDir out;
  const CliRun run = Cli(*piece.temp, {"master", piece.prefix + "log.txt", "--out", out.Path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err.find("differs"), std::string::npos) << run.err;
  const std::string name = fs::path(piece.prefix).filename().string() + "Master.flac";
  EXPECT_EQ(mastertest::ReadAudio(out.File(name)).samples, mastertest::ReadAudio(piece.prefix + "Master.flac").samples);
  // Nothing of the remake stays in the temporary folder; only the master lands in DIR.
  EXPECT_EQ(platform::ListFolder(piece.temp->Path(), ""), std::vector<std::string>{});
  EXPECT_EQ(platform::ListFolder(out.Path(), ""), std::vector<std::string>{name});
  // Without --master the piece is the same, byte for byte, and no stem is left with it.
  Piece plain = MakePiece("60", {});
  ASSERT_EQ(plain.run.status, 0) << plain.run.err;
  EXPECT_EQ(fixtures::ReadAll(plain.prefix + "Mix.wav"), fixtures::ReadAll(piece.prefix + "Mix.wav"));
  EXPECT_TRUE(platform::ListFolder(piece.dir->Path(), fs::path(piece.prefix).filename().string() + "Stem_").empty());
}

TEST_F(MasterCli, MasterOfALogSaysWhatDiffersAndRefusesWhatIsNoLog) {
  Piece& piece = At("90");
  struct Case {
    const char* what;
    const char* mix;  // bytes of the saved Mix.wav; nullptr: none
    const char* log;  // text of the log; nullptr: the session's own
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"another piece saved", "RIFF....WAVE", nullptr, 0, "differs from"},
      {"no piece saved", nullptr, nullptr, 0, "there is no"},
      {"not a log", nullptr, "hello\n", 1, "log.txt:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixtures::ScratchDir dir;
    const std::string prefix = dir.File("261209_120000_");
    const std::string log = c.log ? c.log : Text(piece.prefix + "log.txt");
    fixtures::WriteAll(prefix + "log.txt", std::vector<unsigned char>(log.begin(), log.end()));
    if (c.mix) fixtures::WriteAll(prefix + "Mix.wav", std::vector<unsigned char>(c.mix, c.mix + std::strlen(c.mix)));
    const CliRun run = Cli(*piece.temp, {"-q", "master", prefix + "log.txt", "--format", "ogg"});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(fs::exists(prefix + "Master.ogg"), c.status == 0);
  }
}

TEST(MasterCliUsage, BadFlagsAreUsageErrorsNamingTheFlag) {
  fixtures::ScratchDir temp;
  const std::vector<std::pair<Args, std::string>> cases = {
      {{"master", "x_log.txt", "--format", "aac"}, "--format"},
      {{"master", "x_log.txt", "--loudness", "-5"}, "--loudness"},
      {{"master", "x_log.txt", "--loudness", "loud"}, "--loudness"},
      {{"master"}, "session log"},
      {{"master", "a_log.txt", "b_log.txt"}, "session log"},
      {{"generate", "--format", "ogg"}, "--master"},
  };
  for (const auto& [args, says] : cases) {
    SCOPED_TRACE(args.back());
    const CliRun run = Cli(temp, args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
  }
}

TEST_F(MasterCli, FullDiskFailsAndKeepsTheOlderMaster) {
  Piece& piece = At("60");
  fixtures::ScratchDir dir;
  const std::string disk = dir.File("disk");
  fixtures::TmpfsMount mount(disk, 1024);
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  const std::string name = fs::path(piece.prefix).filename().string() + "Master.flac";
  const std::vector<unsigned char> older = {'o', 'l', 'd', 'e', 'r'};
  fixtures::WriteAll(disk + "/" + name, older);
  const CliRun run = Cli(*piece.temp, {"-q", "master", piece.prefix + "log.txt", "--out", disk});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
  EXPECT_EQ(fixtures::ReadAll(disk + "/" + name), older);
  EXPECT_EQ(platform::ListFolder(disk, ""), std::vector<std::string>{name});
}

}  // namespace
