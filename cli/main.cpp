// vorsk-cli: the Vorsk engine without a window.
#include <cstdio>
#include <cstring>

#include "cli/cli_options.h"
#include "cli/commands.h"

namespace {

const char kCommands[] =
    "Commands:\n"
    "  plan       compose a piece and print its plan (one line per bar)\n"
    "  generate   compose, render and mix a piece into the archive folder (or --out DIR)\n"
    "  play       play a piece in the terminal (default: the newest one in the archive folder)\n"
    "\n"
    "Run 'vorsk-cli <command> --help' for the flags of one command.";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::FILE* out = argc < 2 ? stderr : stdout;
    PrintCliHelp(out, "<command>", kCommands, {});
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "plan") == 0) return RunPlan(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "generate") == 0) return RunGenerate(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "play") == 0) return RunPlay(argc - 2, argv + 2);
  std::fprintf(stderr, "vorsk-cli: unknown command '%s' (valid: plan, generate, play)\n", argv[1]);
  return 2;
}
