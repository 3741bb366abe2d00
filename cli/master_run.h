// The master step of vorsk-cli (generate --master and master LOG): the --format and --loudness
// flags, the tags, and one master run with its progress bar, messages and summary lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "master/master.h"

class CConsoleProgressView;

struct MasterFlags {
  std::string strFormat = "flac";
  std::string strLoudness = "-14";
  bool bFormat = false, bLoudness = false;
  master::Format format = master::Format::kFlac;  // set by CheckMasterFlags
  double lufs = master::kDefaultLoudness;
};

// The --format and --loudness flags for a command's extras.
std::vector<CliExtraFlag> MasterExtraFlags(MasterFlags& flags);
// Checks the values; false after a usage message naming the flag and the valid values.
bool CheckMasterFlags(const char* command, MasterFlags& flags);

// Tags of the master of a session: its name without the trailing "_" as title, the date of its
// name ("261208_..." gives 2026-12-08), and as comment the command that makes the piece again.
master::Tags MasterTags(const std::string& sessionName, const CliOptions& options, uint32_t sessionId);

// The stems the session prefix has beside it, as the master takes them.
std::vector<std::pair<std::string, std::string>> SessionStems(const std::string& prefix);
// Frames of a 16-bit mono wave file with one 44-byte header (0 when it cannot be read).
long long WaveFrames(const std::string& path);

// Masters the stems into outPath with a progress bar on `progress`. Returns kExitOk (the
// figures in *report), kExitFailed (after a message naming the file and the cause) or
// kMasterStepCancelled when cancelled() answered true.
inline constexpr int kMasterStepCancelled = -1;
int RunMasterStep(const char* command, const std::vector<std::pair<std::string, std::string>>& stems,
                  long long pieceFrames, const std::string& outPath, const MasterFlags& flags,
                  const master::Tags& tags, CConsoleProgressView& progress,
                  const std::function<bool()>& cancelled, CliVerbosity verbosity, master::Report* report);
// "Master:   <path>" and its loudness, peak, rate and length on standard output.
void PrintMasterSummary(const std::string& outPath, const master::Report& report);
