// The documentation names every command and long option that vorsk-cli takes: the help page
// beside the program and the manual page vorsk-cli.1. The commands and options are read from
// vorsk-cli's own --help, so a command or flag added to the program without its documentation
// fails here.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "support/fixtures.h"
#include "test_paths.h"

namespace {

// Standard output and error of "vorsk-cli args".
std::string Cli(const std::string& args) {
  const std::string command = VORSK_PROGRAM_DIR "/vorsk-cli " + args + " 2>&1";
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

std::string Text(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  return {bytes.begin(), bytes.end()};
}

bool IsWordChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

// Every "--word" in text.
std::set<std::string> LongOptions(const std::string& text) {
  std::set<std::string> found;
  for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    if (at > 0 && IsWordChar(text[at - 1])) continue;
    size_t end = at + 2;
    while (end < text.size() && IsWordChar(text[end])) ++end;
    if (end > at + 2 && text[at + 2] != '-') found.insert(text.substr(at, end - at));
  }
  return found;
}

// Whether word occurs in text as a whole option (not the start of a longer one).
bool HasOption(const std::string& text, const std::string& option) {
  for (size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
    const size_t end = at + option.size();
    if (end == text.size() || !IsWordChar(text[end])) return true;
  }
  return false;
}

TEST(CliReference, HelpPageAndManualPageNameEveryCommandAndLongOption) {
  const std::string usage = Cli("--help");
  // The commands: the lines "  name  summary" of the usage text's "Commands:" list.
  std::set<std::string> commands;
  const size_t list = usage.find("Commands:\n");
  ASSERT_NE(list, std::string::npos) << usage;
  std::istringstream lines(usage.substr(list + 10, usage.find("\n\n", list) - list - 10));
  for (std::string line; std::getline(lines, line);) {
    if (line.size() > 3 && line.rfind("  ", 0) == 0 && line[2] != ' ') commands.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  ASSERT_FALSE(commands.empty()) << usage;
  // The list of the usage text and the commands the program dispatches agree.
  const std::string unknown = Cli("no-such-command");
  const size_t valid = unknown.find("valid: ");
  ASSERT_NE(valid, std::string::npos) << unknown;
  std::set<std::string> dispatched;
  std::istringstream names(unknown.substr(valid + 7, unknown.find(';', valid) - valid - 7));
  for (std::string name; std::getline(names >> std::ws, name, ',');) dispatched.insert(name);
  EXPECT_EQ(dispatched, commands) << unknown;

  std::set<std::string> options = LongOptions(usage);
  for (const std::string& command : commands) {
    const std::string help = Cli(command + " --help");
    ASSERT_NE(help.find("Usage: vorsk-cli " + command), std::string::npos) << help;
    for (const std::string& option : LongOptions(help)) options.insert(option);
  }
  ASSERT_GT(options.size(), 10u);

  const std::string page = Text(VORSK_PROGRAM_DIR "/help/vorsk.html");
  const std::string roff = Text(VORSK_SOURCE_DIR "/dist/man/vorsk-cli.1");
  ASSERT_FALSE(page.empty());
  ASSERT_FALSE(roff.empty());
  std::string manual;  // as man shows it: "\-" is a hyphen
  for (size_t i = 0; i < roff.size(); ++i) {
    if (roff[i] == '\\' && i + 1 < roff.size() && roff[i + 1] == '-') continue;
    manual += roff[i];
  }
  for (const std::string& command : commands) {
    EXPECT_NE(page.find("<h3 id=\"cli-" + command + "\">"), std::string::npos) << "help page lacks " << command;
    EXPECT_NE(manual.find("\n.TP\n.B " + command + "\n"), std::string::npos)
        << "vorsk-cli.1 has no COMMANDS entry for " << command;
  }
  for (const std::string& option : options) {
    EXPECT_TRUE(HasOption(page, option)) << "help page lacks " << option;
    EXPECT_TRUE(HasOption(manual, option)) << "vorsk-cli.1 lacks " << option;
  }
}

}  // namespace
