#include "cli/master_run.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/file_io.h"
#include "session/console_progress_view.h"
#include "session/generate_view.h"
#include "session/stems.h"

std::vector<CliExtraFlag> MasterExtraFlags(MasterFlags& flags) {
  return {{"--format", "FMT", "the master's format: flac, ogg, opus, mp3 or wav; default: flac", &flags.strFormat,
           &flags.bFormat},
          {"--loudness", "LUFS", "the master's integrated loudness, from -30 to -9; default: -14",
           &flags.strLoudness, &flags.bLoudness}};
}

bool CheckMasterFlags(const char* command, MasterFlags& flags) {
  const master::FormatInfo* format = master::FormatByName(flags.strFormat);
  if (!format) {
    std::fprintf(stderr, "vorsk-cli %s: invalid value '%s' for --format (valid: flac, ogg, opus, mp3, wav)\n",
                 command, flags.strFormat.c_str());
    return false;
  }
  flags.format = format->format;
  const char* text = flags.strLoudness.c_str();
  char* end = nullptr;
  errno = 0;
  const double lufs = std::strtod(text, &end);
  if (flags.strLoudness.empty() || *end != '\0' || errno != 0 || !std::isfinite(lufs) ||
      lufs < master::kMinLoudness || lufs > master::kMaxLoudness) {
    std::fprintf(stderr, "vorsk-cli %s: invalid value '%s' for --loudness (valid: a number from -30 to -9)\n",
                 command, text);
    return false;
  }
  flags.lufs = lufs;
  return true;
}

master::Tags MasterTags(const std::string& sessionName, const CliOptions& options, uint32_t sessionId) {
  master::Tags tags;
  tags.title = sessionName;
  if (!tags.title.empty() && tags.title.back() == '_') tags.title.pop_back();
  tags.artist = "Vorsk";
  tags.software = "Vorsk " VORSK_VERSION;
  if (sessionName.size() >= 6) {
    tags.date = "20" + sessionName.substr(0, 2) + "-" + sessionName.substr(2, 2) + "-" + sessionName.substr(4, 2);
  }
  tags.comment = "vorsk-cli generate " + OptionFlags(options, sessionId);
  return tags;
}

std::vector<std::pair<std::string, std::string>> SessionStems(const std::string& prefix) {
  std::vector<std::pair<std::string, std::string>> stems;
  for (const StemName& stem : kStemNames) {
    const std::string path = prefix + StemFileName(stem);
    if (platform::FileExists(path)) stems.emplace_back(stem.name, path);
  }
  return stems;
}

long long WaveFrames(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  const long long size = platform::FileSize(h);
  platform::CloseFile(h);
  return size > 44 ? (size - 44) / 2 : 0;
}

int RunMasterStep(const char* command, const std::vector<std::pair<std::string, std::string>>& stems,
                  long long pieceFrames, const std::string& outPath, const MasterFlags& flags,
                  const master::Tags& tags, CConsoleProgressView& progress,
                  const std::function<bool()>& cancelled, CliVerbosity verbosity, master::Report* result) {
  master::Job job;
  job.stems = stems;
  job.pieceFrames = pieceFrames;
  job.format = flags.format;
  job.targetLufs = flags.lufs;
  job.outPath = outPath;
  job.tags = tags;
  int shown = 0;
  progress.SetLabel("Mastering ");
  progress.SetProgressRange(view::kGenerationProgress, 0, 1);
  progress.SetProgressPos(view::kGenerationProgress, 0);
  master::Hooks hooks;
  hooks.progress = [&](int done, int total) {
    progress.SetProgressRange(view::kGenerationProgress, 0, total);
    if (done == 0) {
      progress.ShowControl(view::kGenerationProgress, true);
      return;
    }
    progress.SetProgressStep(view::kGenerationProgress, done - shown);
    progress.StepProgress(view::kGenerationProgress);
    shown = done;
  };
  hooks.cancelled = cancelled;
  const master::Report report = master::MasterStems(job, hooks);
  progress.ShowControl(view::kGenerationProgress, false);
  progress.SetLabel("Generating ");
  *result = report;
  if (report.result == master::kMasterCancelled) return kMasterStepCancelled;
  if (report.result != master::kMasterOk) {
    std::fprintf(stderr, "vorsk-cli %s: no master made: %s\n", command, report.error.c_str());
    return kExitFailed;
  }
  if (verbosity == kCliVerbose) {
    std::fprintf(stderr, "vorsk-cli %s: stems at %.1f LUFS, %d encoding pass%s\n", command, report.firstPassLufs,
                 report.encodePasses, report.encodePasses == 1 ? "" : "es");
  }
  return kExitOk;
}

void PrintMasterSummary(const std::string& outPath, const master::Report& report) {
  const long long seconds = report.sampleRate > 0 ? report.frames / report.sampleRate : 0;
  std::printf("Master: %s\n", outPath.c_str());
  std::printf("        %.1f LUFS, peak %.1f dBFS, %d Hz stereo, %lld min %02lld s\n", report.lufs,
              report.peakDbfs, report.sampleRate, seconds / 60, seconds % 60);
}
