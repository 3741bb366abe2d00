// Render and mix benchmark: a 15-minute piece at tempo 60 with every track on, rendered track by
// track and mixed as the generate pipeline does, each step timed beside a plain baseline
// measured in the same run on the same files:
//   renderers  - a read-and-write copy loop from the track's archive, 65 536-byte chunks, the
//                same number of bytes as the voice files written;
//   copier     - the same loop with 256 000-byte chunks over the copied bytes;
//   mixer      - a loop reading both inputs and writing one file as long as the mix, 64 000-byte
//                chunks per input (the mixer itself makes two passes).
// Aims: renderers and copier within 1.3x of their baseline's time, the mixer within 2x.
//
// Archives: the real ones when the program folder (or the folder given as the only argument)
// holds Data0.dat .. Data3.dat, otherwise marker archives of the catalog's layout written into a
// scratch folder by a child process (so that writing them does not count in the peak memory).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "session/track_mixer.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

constexpr int kRenderChunk = 65536;  // the renderers' copy buffer
constexpr int kMixChunk = CTrackMixer::kMixChunkBytes;
constexpr int kCopyChunk = CTrackMixer::kCopyChunkBytes;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Dirty pages of earlier steps are flushed first, so that no step pays for another's writeback.
double Time(const std::function<void()>& work) {
  ::sync();
  const double start = Now();
  work();
  return Now() - start;
}

long long SizeOf(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  const long long size = platform::FileSize(h);
  platform::CloseFile(h);
  return size < 0 ? 0 : size;
}

long PeakRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Reads total bytes from src (starting over at its end) and writes them to dst.
void BaselineCopy(const std::string& src, const std::string& dst, long long total, int chunk) {
  std::vector<char> buffer(static_cast<size_t>(chunk));
  const int in = ::open(src.c_str(), O_RDONLY);
  const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  while (in >= 0 && out >= 0 && total > 0) {
    const auto want = static_cast<size_t>(std::min<long long>(chunk, total));
    const ssize_t n = ::read(in, buffer.data(), want);
    if (n <= 0) {
      if (::lseek(in, 0, SEEK_SET) != 0) break;
      continue;
    }
    if (::write(out, buffer.data(), static_cast<size_t>(n)) != n) break;
    total -= n;
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  ::unlink(dst.c_str());
}

// Reads both inputs chunk by chunk and writes total bytes of the first one's chunks to dst
// (removed afterwards unless bKeep).
void BaselineTwoToOne(const std::string& in1, const std::string& in2, const std::string& dst,
                      long long total, bool bKeep = false) {
  std::vector<char> a(kMixChunk), b(kMixChunk);
  const int f1 = ::open(in1.c_str(), O_RDONLY);
  const int f2 = ::open(in2.c_str(), O_RDONLY);
  const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  while (f1 >= 0 && f2 >= 0 && out >= 0 && total > 0) {
    const ssize_t n1 = ::read(f1, a.data(), kMixChunk);
    const ssize_t n2 = ::read(f2, b.data(), kMixChunk);
    const long long n = std::min<long long>(std::max(n1, n2), total);
    if (n <= 0) break;
    if (::write(out, n1 >= n2 ? a.data() : b.data(), static_cast<size_t>(n)) != n) break;
    total -= n;
  }
  for (int fd : {f1, f2, out}) {
    if (fd >= 0) ::close(fd);
  }
  if (!bKeep) ::unlink(dst.c_str());
}

// The file traffic of the mixer's two passes without its arithmetic: two inputs into a scratch
// file, the scratch file into an output, the scratch file removed.
void BaselineTwoPasses(const std::string& in1, const std::string& in2, const std::string& scratch,
                       const std::string& dst, long long total) {
  BaselineTwoToOne(in1, in2, scratch, total, true);
  BaselineCopy(scratch, dst, total, kMixChunk);
  ::unlink(scratch.c_str());
}

struct Row {
  std::string step;
  long long bytes;
  double seconds;
  double baseSeconds;
  double aim;
  int result;
  double ioSeconds = 0;  // mixes: the two-pass file traffic alone
};

double MBps(long long bytes, double seconds) { return seconds > 0 ? bytes / 1e6 / seconds : 0.0; }

class Bench {
 public:
  Bench(std::string data, std::string work) : m_data(std::move(data)), m_work(std::move(work)) {
    m_mix = m_work + "/bench_Mix.wav";
    m_piano = m_work + "/bench_Piano.wav";
    m_scratch = m_work + "/bench_tmp.wav";
    m_baseOut = m_work + "/baseline.out";
    m_baseScratch = m_work + "/baseline.tmp";
  }

  void Run() {
    CComposer& c = theComposer;
    c.m_strTempDir = m_work + "/";
    const double composeSeconds = Time([&] {
      c.Compose(m_work + "/bench_", "C", "Maj", "Clo", "BD", "SV", "Reg", "60", "15", "Sim", "B",
                "F", "C", "");
    });
    std::printf("composed %d bars at tempo %d in %.3f s; peak RSS after composing: %ld KB\n\n",
                c.m_nBars, c.m_nTempo, composeSeconds, PeakRssKb());

    c.RewindPlan();
    Render("render TP", &CComposer::RenderTP, "Data0.dat", {&c.m_strTempTP[0], &c.m_strTempTP[1]});
    Mix("mix TP voices", m_piano, c.m_strTempTP[0], c.m_strTempTP[1]);
    Copy("copy Piano -> Mix", m_piano, m_mix);

    c.RewindPlan();
    Render("render TA", &CComposer::RenderTA, "Data3.dat", {&c.m_strTempTA[0], &c.m_strTempTA[1]});
    TwoVoiceMixes("TA", c.m_strTempTA);
    c.RewindPlan();
    Render("render PP", &CComposer::RenderPP, "Data3.dat", {&c.m_strTempPP});
    PieceMix("PP", c.m_strTempPP);
    c.RewindPlan();
    Render("render CH", &CComposer::RenderCH, "Data1.dat", {&c.m_strTempCH[0], &c.m_strTempCH[1]});
    TwoVoiceMixes("CH", c.m_strTempCH);
    c.RewindPlan();
    Render("render DL", &CComposer::RenderDL, "Data2.dat", {&c.m_strTempDL[0], &c.m_strTempDL[1]});
    TwoVoiceMixes("DL", c.m_strTempDL);
    c.RewindPlan();
    Render("render TF", &CComposer::RenderTF, "Data3.dat", {&c.m_strTempTF[0], &c.m_strTempTF[1]});
    TwoVoiceMixes("TF", c.m_strTempTF);
    Print();
  }

 private:
  void Render(const char* step, int (CComposer::*render)(const std::string&), const char* archive,
              std::vector<std::string*> voices) {
    int result = 0;
    const double seconds = Time([&] { result = (theComposer.*render)(m_data + "/" + archive); });
    long long bytes = 0;
    for (const std::string* voice : voices) bytes += SizeOf(*voice);
    const std::string path = m_data + "/" + archive;
    const double base = Time([&] { BaselineCopy(path, m_baseOut, bytes, kRenderChunk); });
    m_rows.push_back({step, bytes, seconds, base, 1.3, result});
  }

  // The baseline runs first, on the inputs the mix is about to read (a piece mix replaces its
  // first input).
  void Mix(const std::string& step, const std::string& out, const std::string& in1,
           const std::string& in2) {
    const long long bytes = SizeOf(in2);
    const double base = Time([&] { BaselineTwoToOne(in1, in2, m_baseOut, bytes); });
    int result = 0;
    const double seconds = Time([&] { result = theMixer.MixTracks(out, in1, in2, m_scratch); });
    const double io = Time([&] { BaselineTwoPasses(in1, in2, m_baseScratch, m_baseOut, bytes); });
    m_rows.push_back({step, SizeOf(out), seconds, base, 2.0, result, io});
    if (in1 != out) platform::DeleteFile(in1);
    platform::DeleteFile(in2);
  }

  void Copy(const std::string& step, const std::string& from, const std::string& to) {
    const long long bytes = SizeOf(from);
    int result = 0;
    const double seconds = Time([&] { result = theMixer.CopyWaveFile(from, to); });
    const double base = Time([&] { BaselineCopy(from, m_baseOut, bytes, kCopyChunk); });
    m_rows.push_back({step, bytes, seconds, base, 1.3, result});
  }

  void PieceMix(const std::string& track, const std::string& path) {
    Mix("mix " + track + " into piece", m_mix, m_mix, path);
  }

  void TwoVoiceMixes(const std::string& track, std::string (&temps)[3]) {
    Mix("mix " + track + " voices", temps[2], temps[0], temps[1]);
    PieceMix(track, temps[2]);
  }

  // "x base": the step's time over its baseline's; "x io" (mixes): over the time of the
  // two-pass file traffic alone.
  void Print() const {
    std::printf("%-20s %7s %7s %6s %9s %6s %4s %6s %4s\n", "step", "MB", "s", "MB/s", "base MB/s",
                "x base", "aim", "x io", "res");
    double renderSeconds = 0, renderBase = 0, mixSeconds = 0, mixBase = 0, mixIo = 0;
    for (const Row& r : m_rows) {
      const double ratio = r.baseSeconds > 0 ? r.seconds / r.baseSeconds : 0.0;
      char io[16] = "";
      if (r.ioSeconds > 0) std::snprintf(io, sizeof io, "%.2f", r.seconds / r.ioSeconds);
      std::printf("%-20s %7.1f %7.3f %6.0f %9.0f %6.2f %4.1f %6s %4d%s\n", r.step.c_str(),
                  r.bytes / 1e6, r.seconds, MBps(r.bytes, r.seconds), MBps(r.bytes, r.baseSeconds),
                  ratio, r.aim, io, r.result, ratio > r.aim ? "  over aim" : "");
      if (r.step.rfind("render", 0) == 0) {
        renderSeconds += r.seconds;
        renderBase += r.baseSeconds;
      } else if (r.step.rfind("mix", 0) == 0) {
        mixSeconds += r.seconds;
        mixBase += r.baseSeconds;
        mixIo += r.ioSeconds;
      }
    }
    std::printf("\nall renderers: %.3f s, %.2fx baseline\n", renderSeconds,
                renderBase > 0 ? renderSeconds / renderBase : 0.0);
    std::printf("all mixes: %.3f s, %.2fx baseline, %.2fx the two-pass file traffic\n", mixSeconds,
                mixBase > 0 ? mixSeconds / mixBase : 0.0, mixIo > 0 ? mixSeconds / mixIo : 0.0);
    std::printf("piece: %.1f MB; peak RSS: %ld KB\n", SizeOf(m_mix) / 1e6, PeakRssKb());
  }

  std::string m_data, m_work, m_mix, m_piano, m_scratch, m_baseOut, m_baseScratch;
  std::vector<Row> m_rows;
};

bool HasArchives(const std::string& folder) {
  for (const char* name : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat"}) {
    if (!platform::FileExists(folder + "/" + name)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string programDir = argc > 1 ? argv[1] : VORSK_PROGRAM_DIR;
  fixtures::ScratchDir work;
  std::unique_ptr<fixtures::ScratchDir> markers;
  std::string data = programDir;
  if (HasArchives(programDir)) {
    std::printf("archives: %s\n", programDir.c_str());
  } else {
    markers = std::make_unique<fixtures::ScratchDir>();
    data = markers->Path();
    const pid_t child = ::fork();
    if (child == 0) {
      fixtures::WriteMarkerArchives(data);
      ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || status != 0 || !HasArchives(data)) {
      std::fprintf(stderr, "cannot write the marker archives\n");
      return 1;
    }
    std::printf("archives: marker archives in %s\n", data.c_str());
  }
  Bench(data, work.Path()).Run();
  return 0;
}
