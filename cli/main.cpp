// vorsk-cli: the Vorsk engine without a window.
#include <cstdio>
#include <cstring>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "platform/process_guard.h"

namespace {

const char kUsage[] =
    "Usage: vorsk-cli [-q | -v] <command> [options]\n"
    "       vorsk-cli --version | --help\n"
    "\n"
    "Composes, renders and plays Vorsk pieces without the window.\n"
    "\n"
    "Commands:\n"
    "  generate   compose, render and mix a piece into the archive folder (or --out DIR);\n"
    "             --from-log FILE makes the piece of a session log again\n"
    "  plan       compose a piece and print its plan (one line per bar)\n"
    "  play       play a piece in the terminal (default: the newest session's)\n"
    "  list       list the sessions of the archive folder, oldest first\n"
    "  master     make a finished stereo master (FLAC, Ogg, Opus, MP3 or WAV) of a session from\n"
    "             its log; 'generate --master' makes one with a new piece\n"
    "\n"
    "Options:\n"
    "  -q, --quiet     no progress (messages and results still appear)\n"
    "  -v, --verbose   more detail on standard error\n"
    "  --version       print the version and exit\n"
    "  -h, --help      show this text and exit\n"
    "\n"
    "Run 'vorsk-cli <command> --help' for the options of one command. Pieces go to Archive/\n"
    "beside the program, or to $XDG_MUSIC_DIR/Vorsk (~/Music/Vorsk) when installed.\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 128 + the signal when cancelled\n"
    "(130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).\n";

struct Command {
  const char* name;
  int (*run)(int argc, char** argv, CliVerbosity verbosity);
};

constexpr Command kCommands[] = {
    {"generate", RunGenerate}, {"plan", RunPlan}, {"play", RunPlay}, {"list", RunList}, {"master", RunMaster}};

}  // namespace

int main(int argc, char** argv) {
  CliVerbosity verbosity = kCliNormal;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (!std::strcmp(arg, "--version")) {
      std::puts("vorsk-cli " VORSK_VERSION);
      return kExitOk;
    }
    if (!std::strcmp(arg, "-q") || !std::strcmp(arg, "--quiet")) {
      verbosity = kCliQuiet;
    } else if (!std::strcmp(arg, "-v") || !std::strcmp(arg, "--verbose")) {
      verbosity = kCliVerbose;
    } else {
      std::fprintf(stderr, "vorsk-cli: unknown option '%s' (see 'vorsk-cli --help')\n", arg);
      return kExitUsage;
    }
  }
  if (i >= argc) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[i], command.name) != 0) continue;
    platform::PrepareProcess();
    return platform::RunGuarded("vorsk-cli", [&] { return command.run(argc - i - 1, argv + i + 1, verbosity); });
  }
  std::fprintf(stderr, "vorsk-cli: unknown command '%s' (valid: generate, plan, play, list, master; see "
                       "'vorsk-cli --help')\n", argv[i]);
  return kExitUsage;
}
