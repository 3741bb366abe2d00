#include "tools/built_archives.h"

#include <algorithm>
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
      const long long end = std::min<long long>(offset + size, static_cast<long long>(bytes.size()));
      e.pcm.resize(static_cast<size_t>(std::max<long long>(end - offset, 0) / 2));
      for (size_t k = 0; k < e.pcm.size(); ++k) e.pcm[k] = At(bytes, static_cast<size_t>(offset) + 2 * k);
      offset += size;
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

std::vector<const Entry*> EntriesStartingWith(const std::string& prefix) {
  // Only the archive that holds the family is read (they are hundreds of megabytes).
  const std::string tag = prefix.substr(0, 2);
  std::vector<const char*> files = {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat"};
  if (tag == "TP") files = {"Data0.dat"};
  if (tag == "CH") files = {"Data1.dat"};
  if (tag == "BS" || tag == "DL") files = {"Data2.dat"};
  if (tag == "PP" || tag == "TA" || tag == "TF") files = {"Data3.dat"};
  std::vector<const Entry*> found;
  for (const char* file : files) {
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

int TempoOf(const std::string& name) {
  const std::string tag = name.substr(0, 2);
  const size_t at = tag == "TP" ? 9 : tag == "CH" ? 11 : tag == "DL" ? 3 : tag == "PP" ? 7 : 6;
  return std::stoi(name.substr(at, 3));
}

size_t EighthFrames(const std::string& name) { return static_cast<size_t>(44100 * 30 / TempoOf(name)); }

std::vector<const Entry*> Sampled(const std::string& prefix, size_t originals, size_t stride) {
  const std::vector<const Entry*> all = EntriesStartingWith(prefix);
  std::vector<const Entry*> chosen;
  for (size_t i = 0; i < all.size(); ++i)
    if (i < originals || (i - originals) % stride == 0) chosen.push_back(all[i]);
  return chosen;
}

}  // namespace built
