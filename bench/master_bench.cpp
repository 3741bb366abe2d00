// Master benchmark: a 15-minute piece with every track (tempo 60, Rhythm BD, Harmony SV) made
// by vorsk-cli generate --stems, then mastered from its stems in each format, each beside a
// baseline measured in the same run: the same stems read, placed in stereo and encoded in the
// same format with no room, loudness passes, limiter or resampling (Opus takes them as if at
// 48 kHz). Every master and baseline runs in a child process, so that its peak memory is its
// own. Aims: each master at least 50 times faster than real time; peak memory under 64 MB.
//
// Usage: vorsk_bench_master_bench [minutes [format]]  (default 15 minutes, every format; the
// archives must be beside the program). The piece goes to a scratch folder in $TMPDIR and is removed afterwards.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "master/encoder.h"
#include "master/master.h"
#include "master/master_file.h"
#include "master/stem_mix.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

constexpr double kAimTimesRealTime = 50.0;
constexpr long kAimPeakKb = 64 * 1024;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Child {
  int status = -1;
  double wall = 0.0, cpu = 0.0;
  long peakKb = 0;
};

// Runs body in a child process; its exit status, wall and CPU time and peak memory.
template <typename Body>
Child InChild(Body body) {
  std::fflush(nullptr);
  Child child;
  const double start = Now();
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  struct rusage usage {};
  if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)) child.status = WEXITSTATUS(status);
  child.wall = Now() - start;
  child.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  child.peakKb = usage.ru_maxrss;
  return child;
}

// The stems, encoded as they are placed, with nothing else done to them.
int EncodeOnly(const master::Job& job) {
  master::StemMix mix;
  std::string error;
  bool bBadTrack = false;
  if (!mix.Open(job.stems, error, bBadTrack)) return 1;
  master::MasterFile file;
  master::Encoder encoder;
  if (!file.Create(job.outPath, error) || !encoder.Open(file.Descriptor(), master::InfoOf(job.format), job.tags, error)) {
    return 2;
  }
  std::vector<float> block(2 * 8192);
  size_t got = 0;
  while ((got = mix.Read(block.data(), 8192, mix.Frames())) > 0) {
    // Most of the headroom back, so that the encoder sees a level like the master's.
    for (float& s : block) s *= 0.5f / master::StemMix::kHeadroom;
    if (!encoder.Write(block.data(), got, error)) return 3;
  }
  return encoder.Close(error) && file.Commit(error) ? 0 : 4;
}

std::string Field(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return {};
  const size_t from = text.find_first_not_of(' ', at + label.size());
  return text.substr(from, text.find('\n', from) - from);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string minutes = argc > 1 ? argv[1] : "15";
  const std::string only = argc > 2 ? argv[2] : "";
  fixtures::ScratchDir dir;
  const std::string cli = std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli";
  const std::string command = cli + " -q generate --length " + minutes +
                              " --tempo 60 --rhythm BD --harmony SV --session-id 2027 --stems --out " + dir.Path() +
                              " > " + dir.File("out.txt");
  const double start = Now();
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "master_bench: the piece could not be made (%s)\n", command.c_str());
    return 1;
  }
  const double generateSeconds = Now() - start;
  const auto bytes = fixtures::ReadAll(dir.File("out.txt"));
  const std::string out(bytes.begin(), bytes.end());
  const std::string log = Field(out, "Log:");
  const std::string prefix = log.substr(0, log.size() - 7);

  master::Job job;
  for (const char* track : {"Melody", "Figures", "LowNotes", "Chords", "Drums", "RhythmFigures", "Bass", "Strings", "Voices"}) {
    const std::string path = prefix + "Stem_" + track + ".wav";
    if (!fixtures::ReadAll(path, 1).empty()) job.stems.emplace_back(track, path);
  }
  const auto mixSize = fixtures::ReadAll(prefix + "Mix.wav").size();
  job.pieceFrames = static_cast<long long>(mixSize > 44 ? (mixSize - 44) / 2 : 0);
  const double pieceSeconds = static_cast<double>(job.pieceFrames) / 44100.0;
  std::printf("piece: %s min, %.1f s, %zu stems; GENERATE (vorsk-cli, with stems) %.2f s wall\n", minutes.c_str(),
              pieceSeconds, job.stems.size(), generateSeconds);
  std::printf("%-6s %10s %8s %10s %9s | %-26s | %s\n", "format", "master s", "CPU s", "x realtime", "peak MB",
              "encode only: s, CPU s, MB", "aim");
  bool bMet = true;
  for (const master::FormatInfo& format : master::kFormats) {
    if (!only.empty() && only != format.name) continue;
    job.format = format.format;
    job.outPath = prefix + "Master." + format.extension;
    const Child run = InChild([&] { return master::MasterStems(job).result == master::kMasterOk ? 0 : 1; });
    master::Job plain = job;
    plain.outPath = prefix + "Plain." + format.extension;
    const Child base = InChild([&] { return EncodeOnly(plain); });
    const double times = pieceSeconds / run.wall;
    const bool bOk = run.status == 0 && base.status == 0 && times >= kAimTimesRealTime && run.peakKb < kAimPeakKb;
    bMet = bMet && bOk;
    std::printf("%-6s %10.2f %8.2f %10.1f %9.1f | %8.2f %7.2f %8.1f | %s\n", format.name, run.wall, run.cpu, times,
                static_cast<double>(run.peakKb) / 1024.0, base.wall, base.cpu,
                static_cast<double>(base.peakKb) / 1024.0, bOk ? "met" : "MISSED");
  }
  std::printf("aims: >= %.0fx real time per format, peak memory < %ld MB: %s\n", kAimTimesRealTime, kAimPeakKb / 1024,
              bMet ? "met" : "missed");
  return 0;
}
