// Placeholder until the subcommand lands.
#include <cstdio>

#include "cli/commands.h"

int RunGenerate(int, char**) {
  std::fputs("vorsk-cli: this command is not built yet\n", stderr);
  return 1;
}
