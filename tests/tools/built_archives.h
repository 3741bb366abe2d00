// Access to the archives and preview sounds the build rendered, for the archive tests.
//
// The tests run only where the build renders the archives (VORSK_BUILD_ARCHIVES=ON): without
// it every test here skips with that reason. Archives are read once per test process and kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifdef VORSK_ARCHIVES_BUILT
#define SKIP_UNLESS_ARCHIVES_BUILT() (void)0
#else
#define SKIP_UNLESS_ARCHIVES_BUILT() \
  GTEST_SKIP() << "the sample archives are not built in this configuration (VORSK_BUILD_ARCHIVES=OFF)"
#endif

namespace built {

// One catalog entry as found in its archive.
struct Entry {
  std::string name;
  long long offset = 0;      // bytes from the start of the archive
  std::vector<int16_t> pcm;  // the entry's samples
};

// Every entry of the archive fileName ("Data0.dat" ...) in catalog order, cut from the built
// archive in the program folder at the catalog's offsets. Empty when the file is missing.
const std::vector<Entry>& ArchiveEntries(const std::string& fileName);
// The entries of all four sample archives whose names start with prefix ("TP", "DL_" ...).
std::vector<const Entry*> EntriesStartingWith(const std::string& prefix);

std::string ProgramFile(const std::string& name);
std::string ResourceFile(const std::string& name);

// A 16-bit mono PCM wave file with the 44-byte header; ok false when the file is not one.
struct Wave {
  bool ok = false;
  int sampleRate = 0;
  int channels = 0;
  int bitsPerSample = 0;
  std::vector<int16_t> pcm;
};
Wave ReadWave(const std::string& path);

// Two-digit decimal field of name at pos.
int Field(const std::string& name, size_t pos);
// Tempo field of a TP, CH, DL, PP, TA or TF name, and the frames of one eighth at that tempo.
int TempoOf(const std::string& name);
size_t EighthFrames(const std::string& name);

// The entries of a family (names starting with prefix) to analyse: its first originals entries
// (the family's original layout) and every stride-th entry appended after them, so a test
// covers every key, length and tempo without analysing hundreds of near-identical samples.
std::vector<const Entry*> Sampled(const std::string& prefix, size_t originals, size_t stride);

}  // namespace built
