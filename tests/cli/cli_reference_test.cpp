// The documentation names every command and long option that vorsk-cli takes: the help page
// beside the program and the manual page vorsk-cli.1. The commands and options are read from
// vorsk-cli's own --help, so a command or flag added to the program without its documentation
// fails here.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>

#include "support/fixtures.h"

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

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
    found.insert((*it)[1]);
  return found;
}

TEST(CliReference, HelpPageAndManualPageNameEveryCommandAndLongOption) {
  const std::string usage = Cli("--help");
  const size_t list = usage.find("Commands:\n");
  ASSERT_NE(list, std::string::npos) << usage;
  const std::string listed = usage.substr(list, usage.find("\n\n", list) - list);
  const std::set<std::string> commands = Matches(listed, std::regex(R"(\n  ([a-z][a-z0-9-]*) )"));
  ASSERT_FALSE(commands.empty()) << usage;
  // The list of the usage text and the commands the program dispatches must agree.
  const std::string unknown = Cli("no-such-command");
  const std::smatch valid = [&] {
    std::smatch m;
    std::regex_search(unknown, m, std::regex(R"(valid: ([a-z0-9, -]+);)"));
    return m;
  }();
  ASSERT_FALSE(valid.empty()) << unknown;
  std::set<std::string> dispatched = Matches(valid[1].str() + ",", std::regex(R"(([a-z][a-z0-9-]*),)"));
  EXPECT_EQ(dispatched, commands) << unknown;

  std::set<std::string> options = Matches(usage, std::regex(R"((--[a-z][a-z0-9-]*))"));
  for (const std::string& command : commands) {
    const std::string help = Cli(command + " --help");
    ASSERT_NE(help.find("Usage: vorsk-cli " + command), std::string::npos) << help;
    for (const std::string& option : Matches(help, std::regex(R"((--[a-z][a-z0-9-]*))"))) options.insert(option);
  }
  ASSERT_GT(options.size(), 10u);

  const std::string page = Text(VORSK_PROGRAM_DIR "/help/vorsk.html");
  std::string manual = Text(VORSK_SOURCE_DIR "/dist/man/vorsk-cli.1");
  ASSERT_FALSE(page.empty());
  ASSERT_FALSE(manual.empty());
  manual = std::regex_replace(manual, std::regex(R"(\\-)"), "-");
  for (const std::string& command : commands) {
    EXPECT_NE(page.find("<h3 id=\"cli-" + command + "\">"), std::string::npos) << "help page lacks " << command;
    EXPECT_TRUE(std::regex_search(manual, std::regex("\n\\.TP\n\\.B " + command + "\n")))
        << "vorsk-cli.1 has no COMMANDS entry for " << command;
  }
  for (const std::string& option : options) {
    EXPECT_TRUE(std::regex_search(page, std::regex(option + "(?![a-z0-9-])"))) << "help page lacks " << option;
    EXPECT_TRUE(std::regex_search(manual, std::regex(option + "(?![a-z0-9-])"))) << "vorsk-cli.1 lacks " << option;
  }
}

}  // namespace
