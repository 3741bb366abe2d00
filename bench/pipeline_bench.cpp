// Generate pipeline benchmark: a 15-minute and a 5-minute piece with Hand "F" at tempo 60, once
// with Rhythm "D" (every track but the sustained ones) and once with Rhythm "BD" and Harmony
// "SV" (every track), each made by Generate exactly as the window makes it, timed beside a
// baseline measured in the same run: a plain loop that reads and writes as many bytes as the
// pipeline did (read()/write() traffic from /proc/self/io) in 64 000-byte chunks, into files of
// one track's size that it removes again, as the pipeline removes its voice files.
// Aims: each piece within 1.5x of its baseline's time; with bass, strings and voices the ratio
// within 1.1x of the ratio without them; peak memory of the process under 16 MB.
//
// Archives: the real ones when the program folder (or the folder given as the only argument)
// holds Data0.dat .. Data3.dat and data4.dat, otherwise marker archives of the catalog's layout
// written into a scratch folder by a child process (so that writing them does not count in
// the peak memory). The session and the voice files go to a scratch folder in the temporary
// folder ($TMPDIR) and are removed afterwards; the report names its file system.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/system_paths.h"
#include "session/generate.h"
#include "session/session_files.h"
#include "session/session_state.h"
#include "support/fixtures.h"

namespace {

constexpr int kBaselineChunk = 64000;
constexpr double kAimRatio = 1.5;
constexpr double kAimSustainedRatio = 1.1;  // ratio with B, S and V over the ratio without
constexpr long kAimPeakKb = 16 * 1024;
// Each piece and its baseline run this often, alternately; the best time of each counts (the
// machine may be busy with other work now and then).
constexpr int kRepetitions = 3;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct IoCount {
  long long read = 0, written = 0;
};

// Bytes moved by read() and write() calls of this process so far.
IoCount ReadIo() {
  IoCount io;
  std::ifstream in("/proc/self/io");
  std::string key;
  long long value = 0;
  while (in >> key >> value) {
    if (key == "rchar:") io.read = value;
    if (key == "wchar:") io.written = value;
  }
  return io;
}

// CPU seconds of this process so far: user and system.
struct CpuTime {
  double user = 0, system = 0;
};
CpuTime ReadCpu() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return {usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6,
          usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6};
}

long PeakRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The kind of file system holding path: the pipeline's time on disk includes the writeback of
// files that live across several steps (Mix.wav), which a RAM-backed folder does not have.
const char* FileSystemKind(const std::string& path) {
  struct statfs st {};
  if (::statfs(path.c_str(), &st) != 0) return "unknown";
  switch (static_cast<unsigned long>(st.f_type)) {
    case 0x01021994UL: return "tmpfs";
    case 0xEF53UL: return "ext2/3/4";
    case 0x58465342UL: return "xfs";
    case 0x9123683EUL: return "btrfs";
    case 0x794C7630UL: return "overlayfs";
    default: return "other";
  }
}

bool HasArchives(const std::string& folder) {
  for (const char* name : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat", "data4.dat"}) {
    if (!platform::FileExists(folder + "/" + name)) return false;
  }
  return true;
}

// Reads `toRead` bytes from the archives (each from its start, one after the other, over and
// over) and writes `toWritten` bytes into files of trackBytes each, every file removed when full.
void BaselineCopy(const std::string& data, const std::string& work, IoCount want, long long trackBytes) {
  std::vector<char> buffer(kBaselineChunk, 1);
  const char* archives[] = {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat"};
  int archive = 0;
  int in = -1, out = -1;
  long long inFile = 0;
  const std::string dst = work + "/baseline.out";
  while (want.read > 0 || want.written > 0) {
    if (want.read > 0) {
      if (in < 0) in = ::open((data + "/" + archives[archive++ % 4]).c_str(), O_RDONLY);
      const ssize_t n = ::read(in, buffer.data(), static_cast<size_t>(std::min<long long>(kBaselineChunk, want.read)));
      if (n <= 0) {
        ::close(in);
        in = -1;
        continue;
      }
      want.read -= n;
    }
    if (want.written > 0) {
      if (out < 0) out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const auto n = static_cast<size_t>(std::min<long long>(kBaselineChunk, want.written));
      if (::write(out, buffer.data(), n) != static_cast<ssize_t>(n)) break;
      want.written -= static_cast<long long>(n);
      inFile += static_cast<long long>(n);
      if (inFile >= trackBytes) {
        ::close(out);
        ::unlink(dst.c_str());
        out = -1;
        inFile = 0;
      }
    }
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  ::unlink(dst.c_str());
}

struct Row {
  const char* length = "";
  const char* rhythm = "";
  const char* harmony = "";
  int result = 0;
  double seconds = 1e9, baseSeconds = 1e9;  // best of the repetitions
  CpuTime cpu, baseCpu;                      // CPU time of the best repetition
  IoCount io;
  long long pieceBytes = 0;
};

// One pipeline run and its baseline; keeps the better times in row.
void RunPiece(const std::string& data, const std::string& work, Row& row) {
  COptionSet options;
  options.SetDefaults();
  options.SetHand("F");
  for (const char* letter : {"B", "D"}) {
    const bool on = options.Rhythm().find(letter) != std::string::npos;
    if (on != (std::string(row.rhythm).find(letter) != std::string::npos)) options.ToggleRhythm(letter);
  }
  for (const char* letter : {"S", "V"}) {
    if (std::string(row.harmony).find(letter) != std::string::npos) options.ToggleHarmony(letter);
  }
  options.SetTempo("60");
  options.SetGenerateLength(row.length);
  CSession session(options, data);
  session.m_strArchiveOverride = work + "/Archive";
  theComposer.m_strTempDir = work + "/";

  ::sync();
  const IoCount before = ReadIo();
  const CpuTime cpuBefore = ReadCpu();
  const double start = Now();
  row.result = Generate(session);
  const double seconds = Now() - start;
  const CpuTime cpuAfter = ReadCpu();
  if (seconds < row.seconds) {
    row.seconds = seconds;
    row.cpu = {cpuAfter.user - cpuBefore.user, cpuAfter.system - cpuBefore.system};
  }
  const IoCount after = ReadIo();
  row.io = {after.read - before.read, after.written - before.written};

  platform::FileHandle h = platform::OpenExisting(session.m_strPiecePath);
  row.pieceBytes = platform::FileSize(h);
  platform::CloseFile(h);
  DeleteSessionFiles(session);

  ::sync();
  const CpuTime baseBefore = ReadCpu();
  const double baseStart = Now();
  BaselineCopy(data, work, row.io, row.pieceBytes);
  const double baseSeconds = Now() - baseStart;
  const CpuTime baseAfter = ReadCpu();
  if (baseSeconds < row.baseSeconds) {
    row.baseSeconds = baseSeconds;
    row.baseCpu = {baseAfter.user - baseBefore.user, baseAfter.system - baseBefore.system};
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string data = argc > 1 ? argv[1] : platform::ProgramFolder();
  std::unique_ptr<fixtures::ScratchDir> markers;
  if (!HasArchives(data)) {
    markers = std::make_unique<fixtures::ScratchDir>();
    const pid_t pid = ::fork();
    if (pid == 0) {
      fixtures::WriteMarkerArchives(markers->Path());
      ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    data = markers->Path();
    std::printf("archives: marker archives of the catalog's layout (no real archives in the program folder)\n");
  } else {
    std::printf("archives: %s\n", data.c_str());
  }
  fixtures::ScratchDir work;
  std::printf("work folder: %s (%s; TMPDIR chooses it)\n", work.Path().c_str(), FileSystemKind(work.Path()));
  std::printf("Hand F, tempo 60; baseline: read+write the same bytes in %d-byte chunks;\n"
              "best wall time of %d runs each\n\n", kBaselineChunk, kRepetitions);
  std::printf("%-7s %-12s %6s %10s %10s %10s %12s %7s %s\n", "piece", "tracks", "result", "read MB", "written MB",
              "pipeline s", "baseline s", "ratio", "aim");
  bool ok = true;
  for (const char* length : {"15", "5"}) {
    double without = 0.0;
    for (const auto& [rhythm, harmony] : {std::pair{"D", ""}, std::pair{"BD", "SV"}}) {
      Row r;
      r.length = length;
      r.rhythm = rhythm;
      r.harmony = harmony;
      for (int i = 0; i < kRepetitions; ++i) RunPiece(data, work.Path(), r);
      const double ratio = r.baseSeconds > 0 ? r.seconds / r.baseSeconds : 0.0;
      bool met = r.result == 0 && ratio <= kAimRatio;
      if (*harmony == '\0') without = ratio;
      const double growth = without > 0 ? ratio / without : 0.0;
      if (*harmony != '\0') met = met && growth <= kAimSustainedRatio;
      ok = ok && met;
      std::printf("%3s min Rhythm %-2s %-2s %6d %10.1f %10.1f %10.3f %12.3f %7.2f %s (piece %.1f MB)", r.length,
                  rhythm, harmony, r.result, r.io.read / 1e6, r.io.written / 1e6, r.seconds, r.baseSeconds, ratio,
                  met ? "met" : "MISSED", r.pieceBytes / 1e6);
      if (*harmony != '\0') std::printf(" %.2fx the ratio without B, S, V", growth);
      std::printf("\n        CPU user/system s: pipeline %.3f / %.3f, baseline %.3f / %.3f\n", r.cpu.user,
                  r.cpu.system, r.baseCpu.user, r.baseCpu.system);
    }
  }
  const long peak = PeakRssKb();
  std::printf("\npeak RSS of the process: %.1f MB (aim < 16 MB: %s)\n", peak / 1024.0,
              peak < kAimPeakKb ? "met" : "MISSED");
  return ok && peak < kAimPeakKb ? 0 : 1;
}
