// The subcommands of vorsk-cli. Each takes the arguments after its name and the verbosity
// given before it (-q, -v; its own -q or -v wins), and returns the process exit status:
// 0 success, 1 failure, 2 usage error, 128 + the signal when cancelled (130 for Ctrl-C).
#pragma once

#include "cli/cli_options.h"

int RunPlan(int argc, char** argv, CliVerbosity verbosity);
int RunGenerate(int argc, char** argv, CliVerbosity verbosity);
int RunPlay(int argc, char** argv, CliVerbosity verbosity);
int RunList(int argc, char** argv, CliVerbosity verbosity);
