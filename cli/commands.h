// The subcommands of vorsk-cli. Each takes the arguments after its name and the verbosity
// given before it (-q, -v; its own -q or -v wins), and returns the process exit status:
// 0 success, 1 failure, 2 usage error, 128 + the signal when cancelled (130 for Ctrl-C).
#pragma once

#include <functional>

#include "cli/cli_options.h"

int RunPlan(int argc, char** argv, CliVerbosity verbosity);
int RunGenerate(int argc, char** argv, CliVerbosity verbosity);
int RunPlay(int argc, char** argv, CliVerbosity verbosity);
int RunList(int argc, char** argv, CliVerbosity verbosity);
int RunMaster(int argc, char** argv, CliVerbosity verbosity);

// Shared by generate and master.
class COptionSet;
// The board's options of a command line.
void CopyOptions(const CliOptions& cli, COptionSet& options);
class CSession;
class CConsoleProgressView;
// The progress on standard error: a bar redrawn in place on a terminal, one line per step
// through a pipe or file, nothing with -q.
CConsoleProgressView StderrProgress(CliVerbosity verbosity);
// Runs body with Ctrl-C, SIGTERM and SIGHUP caught: the first of them presses STOP at the next
// message pump (and is then CancellingSignal()), SIGWINCH redraws the progress bar. Message
// boxes go to `progress` meanwhile. Returns body's result.
int RunUnderSignals(CSession& session, CConsoleProgressView& progress, const std::function<int()>& body);
// The first cancelling signal caught under RunUnderSignals; 0 before.
int CancellingSignal();
