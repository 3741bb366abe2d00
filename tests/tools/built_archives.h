// Access to the archives and preview sounds the build rendered, for the archive tests.
//
// The tests run only where the build renders the archives (VORSK_BUILD_ARCHIVES=ON): without
// it every test here skips with that reason.
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
  int size = 0;              // bytes, as catalogued
  std::vector<int16_t> pcm;  // the entry's samples (fewer when the archive is short)
};

// The archives are hundreds of megabytes: only the entries a test asks for are read, once per
// test process. Entries come in catalog order.
// Every stride-th entry of the archive fileName ("Data0.dat" ...) and its last one.
std::vector<const Entry*> SampledArchive(const std::string& fileName, size_t stride);
// The entries of a family (names starting with prefix, "TP", "DL_" ...) to analyse: its first
// originals entries (the family's original layout) and every stride-th entry appended after
// them, so a test covers every key, length and tempo without reading every sample.
std::vector<const Entry*> Sampled(const std::string& prefix, size_t originals, size_t stride);
// Every entry of a family.
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
// Tempo field of a TP, CH, DL, PP, TA, TF, ST or VO name, and the frames of one eighth at that tempo.
int TempoOf(const std::string& name);
size_t EighthFrames(const std::string& name);

}  // namespace built
