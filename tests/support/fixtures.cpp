#include "support/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "platform/system_paths.h"
#include "render/sample_catalog.h"

namespace fs = std::filesystem;

namespace fixtures {

ScratchDir::ScratchDir() {
  std::string pattern = platform::TempFolder() + "vorsk_test_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) throw std::runtime_error("cannot create a scratch folder");
  m_path = buffer.data();
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(m_path, ec);
}

uint16_t MarkerSample(int entryIndex, int sampleIndex) {
  return static_cast<uint16_t>((entryIndex << 8) | (sampleIndex & 0xFF));
}

void WriteMarkerArchives(const std::string& folder) {
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    std::ofstream out(folder + "/" + archive.fileName, std::ios::binary | std::ios::trunc);
    const SampleGroup& group = *archive.group;
    for (size_t i = 0; i < group.m_names.size(); ++i) {
      const int samples = group.m_sizes[i] / 2;
      std::vector<unsigned char> bytes(static_cast<size_t>(group.m_sizes[i]), 0);
      if (group.m_names[i] != kSilenceName) {
        for (int k = 0; k < samples; ++k) {
          const uint16_t v = MarkerSample(static_cast<int>(i), k);
          bytes[2 * k] = static_cast<unsigned char>(v & 0xFF);
          bytes[2 * k + 1] = static_cast<unsigned char>(v >> 8);
        }
      }
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
}

const std::string& SharedMarkerArchives() {
  static std::unique_ptr<ScratchDir> dir;
  static std::string path;
  if (!dir) {
    dir = std::make_unique<ScratchDir>();
    WriteMarkerArchives(dir->Path());
    path = dir->Path();
  }
  return path;
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint16_t> ReadSamples(const std::string& path, size_t offset) {
  const auto bytes = ReadAll(path);
  std::vector<uint16_t> samples;
  for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
    samples.push_back(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return samples;
}

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

std::string Digest(const std::vector<unsigned char>& bytes) {
  uint64_t h = 1469598103934665603ULL;
  for (const unsigned char b : bytes) {
    h ^= b;
    h *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::vector<unsigned char> WaveBytes(int rate, int channels, int bitsPerSample, long long frames,
                                     long long declaredDataBytes) {
  const int blockAlign = channels * bitsPerSample / 8;
  const long long dataBytes = frames * blockAlign;
  const long long declared = declaredDataBytes >= 0 ? declaredDataBytes : dataBytes;
  std::vector<unsigned char> bytes;
  bytes.reserve(44 + static_cast<size_t>(dataBytes));
  auto put = [&bytes](uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto tag = [&bytes](const char* t) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(t[i]));
  };
  tag("RIFF");
  put(static_cast<uint32_t>(36 + declared), 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * blockAlign, 4);
  put(blockAlign, 2);
  put(bitsPerSample, 2);
  tag("data");
  put(static_cast<uint32_t>(declared), 4);
  for (long long f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const int value = static_cast<int>(f % 200) - 100;
      if (bitsPerSample == 8) {
        put(static_cast<uint32_t>(128 + value), 1);
      } else {
        put(static_cast<uint16_t>(value * 50), 2);
      }
    }
  }
  return bytes;
}

}  // namespace fixtures
