#include "tools/built_archives.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "render/sample_catalog.h"
#include "support/fixtures.h"
#include "test_paths.h"

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

namespace {

// Every entry of an archive, without its samples until Load reads them; kept per process.
std::vector<Entry>& Catalogued(const std::string& fileName) {
  static std::map<std::string, std::vector<Entry>> cache;
  const auto found = cache.find(fileName);
  if (found != cache.end()) return found->second;
  std::vector<Entry>& entries = cache[fileName];
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    if (fileName != archive.fileName) continue;
    long long offset = 0;
    for (size_t i = 0; i < archive.group->m_names.size(); ++i) {
      entries.push_back({archive.group->m_names[i], offset, archive.group->m_sizes[i], {}});
      offset += archive.group->m_sizes[i];
    }
  }
  return entries;
}

// Reads the entry's samples from its archive (as far as the file holds them), once.
const Entry* Load(const std::string& fileName, Entry& e) {
  if (!e.pcm.empty() || e.size == 0) return &e;
  std::ifstream in(ProgramFile(fileName), std::ios::binary);
  std::vector<unsigned char> bytes(static_cast<size_t>(e.size));
  in.seekg(e.offset);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  e.pcm.resize(bytes.size() / 2);
  for (size_t k = 0; k < e.pcm.size(); ++k) e.pcm[k] = At(bytes, 2 * k);
  return &e;
}

// The archive that holds a family.
std::string ArchiveOf(const std::string& prefix) {
  const std::string tag = prefix.substr(0, 2);
  if (tag == "TP") return "Data0.dat";
  if (tag == "CH") return "Data1.dat";
  if (tag == "BS" || tag == "DL") return "Data2.dat";
  if (tag == "ST" || tag == "VO") return "data4.dat";
  return "Data3.dat";  // PP, TA, TF
}

}  // namespace

std::vector<const Entry*> SampledArchive(const std::string& fileName, size_t stride) {
  std::vector<Entry>& entries = Catalogued(fileName);
  std::vector<const Entry*> chosen;
  for (size_t i = 0; i < entries.size(); ++i)
    if (i % stride == 0 || i + 1 == entries.size()) chosen.push_back(Load(fileName, entries[i]));
  return chosen;
}

std::vector<const Entry*> Sampled(const std::string& prefix, size_t originals, size_t stride) {
  const std::string fileName = ArchiveOf(prefix);
  std::vector<const Entry*> chosen;
  size_t k = 0;  // index within the family
  for (Entry& e : Catalogued(fileName)) {
    if (e.name.compare(0, prefix.size(), prefix) != 0) continue;
    if (k < originals || (k - originals) % stride == 0) chosen.push_back(Load(fileName, e));
    ++k;
  }
  return chosen;
}

std::vector<const Entry*> EntriesStartingWith(const std::string& prefix) { return Sampled(prefix, 0, 1); }

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
  const size_t at = tag == "TP" ? 9 : tag == "CH" || tag == "ST" || tag == "VO" ? 11 : tag == "DL" ? 3 : tag == "PP" ? 7 : 6;
  return std::stoi(name.substr(at, 3));
}

size_t EighthFrames(const std::string& name) { return static_cast<size_t>(44100 * 30 / TempoOf(name)); }

}  // namespace built
