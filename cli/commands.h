// The subcommands of vorsk-cli. Each takes the arguments after its name and returns the
// process exit status: 0 success, 1 failure, 2 usage error, 130 cancelled.
#pragma once

int RunPlan(int argc, char** argv);
int RunGenerate(int argc, char** argv);
int RunPlay(int argc, char** argv);
