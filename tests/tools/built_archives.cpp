#include "tools/built_archives.h"

#include <cstring>
#include <map>

#include "render/sample_catalog.h"
#include "support/fixtures.h"

namespace built {

namespace {

int16_t At(const std::vector<unsigned char>& bytes, size_t i) {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
}

uint32_t Le(const std::vector<unsigned char>& b, size_t i, int n) {
  uint32_t v = 0;
  for (int k = n - 1; k >= 0; --k) v = (v << 8) | b[i + static_cast<size_t>(k)];
  return v;
}

}  // namespace

std::string ProgramFile(const std::string& name) { return std::string(VORSK_PROGRAM_DIR) + "/" + name; }
std::string ResourceFile(const std::string& name) { return std::string(VORSK_RESOURCE_DIR) + "/" + name; }

const std::vector<Entry>& ArchiveEntries(const std::string& fileName) {
  static std::map<std::string, std::vector<Entry>> cache;
  const auto found = cache.find(fileName);
  if (found != cache.end()) return found->second;
  std::vector<Entry>& entries = cache[fileName];
  const std::vector<unsigned char> bytes = fixtures::ReadAll(ProgramFile(fileName));
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    if (fileName != archive.fileName || bytes.empty()) continue;
    long long offset = 0;
    for (size_t i = 0; i < archive.group->m_names.size(); ++i) {
      Entry e{archive.group->m_names[i], offset, {}};
      const long long size = archive.group->m_sizes[i];
      for (long long b = offset; b + 1 < offset + size && b + 1 < static_cast<long long>(bytes.size());
           b += 2) {
        e.pcm.push_back(At(bytes, static_cast<size_t>(b)));
      }
      offset += size;
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

std::vector<const Entry*> EntriesStartingWith(const std::string& prefix) {
  std::vector<const Entry*> found;
  for (const char* file : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat"}) {
    for (const Entry& e : ArchiveEntries(file)) {
      if (e.name.compare(0, prefix.size(), prefix) == 0) found.push_back(&e);
    }
  }
  return found;
}

Wave ReadWave(const std::string& path) {
  Wave w;
  const std::vector<unsigned char> b = fixtures::ReadAll(path);
  if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
      std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 || std::memcmp(b.data() + 36, "data", 4) != 0 ||
      Le(b, 20, 2) != 1) {
    return w;
  }
  w.channels = static_cast<int>(Le(b, 22, 2));
  w.sampleRate = static_cast<int>(Le(b, 24, 4));
  w.bitsPerSample = static_cast<int>(Le(b, 34, 2));
  const size_t dataBytes = Le(b, 40, 4);
  if (Le(b, 4, 4) != dataBytes + 36 || b.size() != 44 + dataBytes) return w;
  for (size_t i = 44; i + 1 < b.size(); i += 2) w.pcm.push_back(At(b, i));
  w.ok = true;
  return w;
}

int Field(const std::string& name, size_t pos) { return std::stoi(name.substr(pos, 2)); }

}  // namespace built
