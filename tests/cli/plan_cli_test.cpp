// vorsk-cli plan, run as a separate process: output format, reproducibility, the session log
// and usage errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (const char ch : arg) {
    if (ch == '\'') {
      quoted += "'\\''";
    } else {
      quoted += ch;
    }
  }
  return quoted + "'";
}

class PlanCli : public ::testing::Test {
 protected:
  // Runs vorsk-cli with `args`, its temporary folder set to a scratch folder of its own.
  Result Cli(const std::vector<std::string>& args) {
    std::string command = "TMPDIR=" + Quote(m_tmp.Path()) + " " + VORSK_PROGRAM_DIR "/vorsk-cli";
    for (const std::string& arg : args) command += " " + Quote(arg);
    const std::string errPath = m_dir.File("stderr.txt");
    command += " 2>" + Quote(errPath);
    Result result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<unsigned char> err = fixtures::ReadAll(errPath);
    result.err.assign(err.begin(), err.end());
    return result;
  }
  Result Plan(std::vector<std::string> args) {
    args.insert(args.begin(), "plan");
    return Cli(args);
  }
  std::vector<std::string> TmpFiles() const {
    return platform::ListFolder(m_tmp.Path(), "");
  }

  fixtures::ScratchDir m_dir;
  fixtures::ScratchDir m_tmp;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TEST_F(PlanCli, PrintsBarsThenChoicesThenVelocities) {
  const Result r = Plan({"--session-id", "4242", "--tempo", "90", "--length", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_FALSE(r.out.empty());
  EXPECT_EQ(r.out.back(), '\n');
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 24u + 2);  // tempo 90, 1 minute: 22.5 -> 23 -> 24 bars
  size_t notes = 0;
  for (size_t i = 0; i < 24; ++i) {
    const std::string& line = lines[i];
    const size_t blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    const std::string n = line.substr(0, blank);
    const std::string rhythm = line.substr(blank + 1);
    ASSERT_EQ(n.size(), 2 * rhythm.size()) << line;
    int sum = 0;
    for (const char d : rhythm) sum += d - '0';
    EXPECT_EQ(sum, 8) << line;
    for (size_t k = 0; k < n.size(); k += 2) {
      EXPECT_TRUE(n.substr(k, 2) >= "01" && n.substr(k, 2) <= "48") << line;
    }
    notes += rhythm.size();
  }
  const std::string& choices = lines[24];
  ASSERT_EQ(choices.size(), std::string("CHOICES").size() + 3 * 2) << choices;
  EXPECT_EQ(choices.substr(0, 7), "CHOICES");
  for (size_t k = 7; k < choices.size(); k += 2) {
    EXPECT_EQ(choices[k], ' ');
    EXPECT_TRUE(choices[k + 1] == '7' || choices[k + 1] == '9') << choices;
  }
  const std::string& velocities = lines[25];
  ASSERT_EQ(velocities.substr(0, 11), "VELOCITIES ");
  EXPECT_GE(velocities.size() - 11, 2 * notes);
  EXPECT_EQ(velocities.find_first_not_of("0123456789", 11), std::string::npos);
  // Without --log-prefix the log is written to the temporary folder and removed.
  EXPECT_TRUE(TmpFiles().empty());
}

TEST_F(PlanCli, PrintsExactlyWhatTheComposerComposes) {
  const std::vector<std::string> args = {"--note", "GA", "--scale", "PMaj", "--playmode", "Ope",
                                         "--forcepitch", "Fre", "--pci", "Com", "--motive", "F",
                                         "--tempo", "90", "--length", "2", "--session-id",
                                         "3000000000"};
  const Result first = Plan(args);
  ASSERT_EQ(first.status, 0) << first.err;
  const Result second = Plan(args);
  EXPECT_EQ(first.out, second.out);

  // The same plan composed in this process, through the flags' option codes.
  auto composer = std::make_unique<CComposer>();
  composer->m_bFixedSessionId = true;
  composer->m_nFixedSessionId = 3000000000u;
  ASSERT_EQ(composer->Compose(m_dir.Path() + "/", "GA", "PMaj", "Ope", "D", "", "Fre", "90", "2",
                              "Com", "F", "F", "C", ""),
            6);
  std::string expected;
  std::string bar;
  for (int i = 0; i < composer->m_nBars; ++i) {
    composer->NextBar(bar);
    expected += bar + "\n";
  }
  expected += "CHOICES";
  for (int i = 0; i < composer->m_nSectionChoices; ++i) {
    expected += " " + std::to_string(composer->m_sectionChoice[i]);
  }
  expected += "\nVELOCITIES " + composer->m_strVelocities + "\n";
  EXPECT_EQ(first.out, expected);

  // Options that only reach the log leave the plan alone; the identifier does not.
  std::vector<std::string> logOnly = args;
  logOnly.insert(logOnly.end(), {"--rhythm", "B", "--harmony", "VS", "--hand", "R", "--pianoint", "P"});
  EXPECT_EQ(Plan(logOnly).out, first.out);
  std::vector<std::string> otherId = args;
  otherId.back() = "3000000001";
  EXPECT_NE(Plan(otherId).out, first.out);
}

TEST_F(PlanCli, LogPrefixKeepsTheLog) {
  const std::string prefix = m_dir.Path() + "/session_";
  const Result r = Plan({"--session-id", "77", "--log-prefix", prefix, "--note", "DE",
                         "--rhythm", "BD", "--harmony", ""});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<unsigned char> bytes = fixtures::ReadAll(prefix + "log.txt");
  const std::string log(bytes.begin(), bytes.end());
  const size_t header = log.find("\r\n");
  ASSERT_NE(header, std::string::npos);
  EXPECT_EQ(log.substr(0, 27), "Vorsk generate started at: ");
  EXPECT_EQ(log.substr(header),
            "\r\n\r\nParameters:\r\n Note: D#\r\n Scale: Major\r\n SoundPlus: None\r\n"
            " Rhythm: Bass Drums\r\n Play mode: Close\r\n Force pitch: Regular\r\n"
            " Melody/Song: Simple\r\n Motive: Basic\r\n Piano mode: Full\r\n Intensity: No\r\n"
            " Tempo: 60\r\n Generate: 5 min.\r\n Session ID: 77");
}

TEST_F(PlanCli, LogThatCannotBeCreatedFails) {
  const Result r = Plan({"--log-prefix", m_dir.Path() + "/no/such/folder/x_"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("log"), std::string::npos) << r.err;
}

TEST_F(PlanCli, UsageErrorsNameTheFlagAndExitTwo) {
  struct Case {
    std::vector<std::string> args;
    const char* flag;
  };
  const Case cases[] = {
      {{"--scale", "Dorian"}, "--scale"},       {{"--note", "H"}, "--note"},
      {{"--note", "c##"}, "--note"},            {{"--playmode", "Open"}, "--playmode"},
      {{"--note", "AB", "--from-log", "x"}, "--note"},
      {{"--rhythm", "DD"}, "--rhythm"},         {{"--rhythm", "X"}, "--rhythm"},
      {{"--harmony", "B"}, "--harmony"},        {{"--forcepitch", "Free"}, "--forcepitch"},
      {{"--tempo", "120"}, "--tempo"},          {{"--length", "0"}, "--length"},
      {{"--length", "61"}, "--length"},         {{"--length", "5x"}, "--length"},
      {{"--length", ""}, "--length"},           {{"--pci", "sim"}, "--pci"},
      {{"--motive", "X"}, "--motive"},          {{"--hand", "L"}, "--hand"},
      {{"--pianoint", "ABCDE"}, "--pianoint"},  {{"--pianoint", ""}, "--pianoint"},
      {{"--pianoint", "P1"}, "--pianoint"},     {{"--session-id", "-1"}, "--session-id"},
      {{"--session-id", "4294967296"}, "--session-id"},
      {{"--session-id", "12a"}, "--session-id"}, {{"--session-id", ""}, "--session-id"},
      {{"--hand"}, "--hand"},                   {{"--bogus", "1"}, "--bogus"},
      {{"stray"}, "stray"},
  };
  for (const Case& k : cases) {
    const Result r = Plan(k.args);
    EXPECT_EQ(r.status, 2) << k.flag;
    EXPECT_EQ(r.out, "") << k.flag;
    EXPECT_NE(r.err.find(k.flag), std::string::npos) << r.err;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
  }
  // The valid values are named.
  EXPECT_NE(Plan({"--scale", "x"}).err.find("Maj, Min, PMaj, PMin"), std::string::npos);
  EXPECT_NE(Plan({"--length", "99"}).err.find("1 to 60"), std::string::npos);
}

TEST_F(PlanCli, AcceptsTheEdgesOfEveryRange) {
  const Result r = Plan({"--length=60", "--session-id", "4294967295", "--pianoint", "Abcd",
                         "--rhythm", "", "--harmony", "VS", "--tempo", "90"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), 1352u + 2);  // 60 minutes at 90: 1350 -> 1351 -> 1352 bars
  EXPECT_EQ(Plan({"--length", "1", "--session-id", "0", "--rhythm", "DB"}).status, 0);
}

// Note names in either case and the hyphenated spellings give what the codes give.
TEST_F(PlanCli, NoteNamesAndWordSpellingsMeanTheCodes) {
  const std::vector<std::string> common = {"--length", "1", "--session-id", "5"};
  const struct {
    std::vector<std::string> codes, words;
  } cases[] = {
      {{"--note", "CD"}, {"--note", "c#"}},
      {{"--note", "CD"}, {"--note", "Db"}},
      {{"--note", "AB"}, {"--note", "bb"}},
      {{"--note", "GA"}, {"--note=Ab"}},
      {{"--note", "B"}, {"--note", "Cb"}},
      {{"--note", "F"}, {"--note", "e#"}},
      {{"--note", "E"}, {"--note", "e"}},
      {{"--playmode", "Ope", "--forcepitch", "Fre", "--pci", "Com", "--pianoint", "P"},
       {"--play-mode", "Ope", "--force-pitch", "Fre", "--melody-song", "Com", "--piano-intensity", "P"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> codes = c.codes, words = c.words;
    codes.insert(codes.end(), common.begin(), common.end());
    words.insert(words.end(), common.begin(), common.end());
    const Result byCode = Plan(codes), byWord = Plan(words);
    ASSERT_EQ(byWord.status, 0) << c.words[0] << " " << byWord.err;
    EXPECT_EQ(byWord.out, byCode.out) << c.words[0];
  }
  // Different notes make different plans, so the comparison above can fail.
  EXPECT_NE(Plan({"--note", "D", "--length", "1", "--session-id", "5"}).out,
            Plan({"--note", "CD", "--length", "1", "--session-id", "5"}).out);
}

// -v names the flags that make the same plan again (the session id from the clock included),
// and --from-log makes the plan of a kept log; -q changes nothing a plan prints.
TEST_F(PlanCli, VerboseAndFromLogMakeThePlanAgain) {
  const std::string prefix = m_dir.Path() + "/kept_";
  const Result first = Plan({"-v", "--note", "Eb", "--scale", "Min", "--tempo", "90", "--length", "2",
                             "--harmony", "VS", "--log-prefix", prefix});
  ASSERT_EQ(first.status, 0) << first.err;
  const std::string lead = "vorsk-cli plan --note DE --scale Min ";
  ASSERT_EQ(first.err.rfind(lead, 0), 0u) << first.err;
  ASSERT_EQ(first.err.find('\n'), first.err.size() - 1) << first.err;
  std::vector<std::string> again = {"-q"};
  std::istringstream flags(first.err.substr(std::string("vorsk-cli plan ").size()));
  for (std::string flag; flags >> flag;) again.push_back(flag == "\"\"" ? "" : flag);
  const Result repeated = Plan(again);
  EXPECT_EQ(repeated.out, first.out) << first.err;
  EXPECT_EQ(repeated.err, "");
  const Result fromLog = Plan({"--from-log", prefix + "log.txt"});
  ASSERT_EQ(fromLog.status, 0) << fromLog.err;
  EXPECT_EQ(fromLog.out, first.out);
}

TEST_F(PlanCli, HelpDescribesEveryFlag) {
  const Result r = Plan({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* flag : {"--note", "--scale", "--play-mode", "--playmode", "--rhythm", "--harmony",
                           "--force-pitch", "--forcepitch", "--tempo", "--length", "--melody-song",
                           "--pci", "--motive", "--hand", "--piano-intensity", "--pianoint",
                           "--session-id", "--from-log", "--log-prefix", "-q, --quiet",
                           "-v, --verbose", "default: \"C\"", "Exit status"}) {
    EXPECT_NE(r.out.find(flag), std::string::npos) << flag;
  }
  // The program's own help lists the commands and exits 0; without a command it is a usage
  // error; --version alone prints the version.
  const Result top = Cli({"--help"});
  EXPECT_EQ(top.status, 0);
  for (const char* part : {"Usage: vorsk-cli", "generate", "plan", "play", "list", "--version", "Exit status"}) {
    EXPECT_NE(top.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(top.out.find("--note"), std::string::npos) << "a command's flag in the program's help";
  const Result none = Cli({});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, top.out);
  const Result version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vorsk-cli 2.1.0\n");
  for (const char* command : {"generate", "play", "list"}) {
    const Result help = Cli({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos) << command;
    EXPECT_NE(help.out.find("--quiet"), std::string::npos) << command;
  }
  EXPECT_EQ(Cli({"mix"}).status, 2);
  EXPECT_EQ(Cli({"--bogus", "plan"}).status, 2);
}

}  // namespace
