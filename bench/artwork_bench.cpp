// Times the artwork tool drawing every picture, the animations and the contact sheet (target:
// under 30 s), beside a baseline that only writes the same bytes to the same kind of folder.
//   vorsk_bench_artwork_bench [runs]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/fixtures.h"

namespace {

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  namespace fs = std::filesystem;
  double best = 1e9, cpu = 0, copyBest = 1e9;
  std::uintmax_t bytes = 0;
  for (int run = 0; run < runs; ++run) {
    fixtures::ScratchDir dir;
    const double cpuBefore = ChildCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const std::string command = std::string(VORSK_ARTWORK_TOOL) + " --out '" + dir.Path() + "/art'";
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "artwork_bench: the tool failed\n");
      return 1;
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    cpu = ChildCpuSeconds() - cpuBefore;

    bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path() + "/art"))
      if (e.is_regular_file()) bytes += e.file_size();
    const auto copyStart = std::chrono::steady_clock::now();
    fs::copy(dir.Path() + "/art", dir.Path() + "/copy", fs::copy_options::recursive);
    copyBest = std::min(copyBest, std::chrono::duration<double>(std::chrono::steady_clock::now() - copyStart).count());
  }
  std::printf("artwork: %.2f s wall (best of %d), %.2f s CPU, %.1f MB written; copying the same files: %.3f s\n",
              best, runs, cpu, bytes / 1048576.0, copyBest);
  return 0;
}
