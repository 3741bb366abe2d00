// The wave primitives of CSampleCatalog: header writer and the range copies.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

void StoreLittleEndian32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Fills header from the text template: blank-separated decimal byte values.
void FillHeaderFromTemplate(unsigned char (&header)[wave::kTemplateBytes]) {
  const char* p = wave::kHeaderTemplate;
  int index = 0;
  while (*p && index < wave::kTemplateBytes) {
    while (*p == ' ') ++p;
    if (!*p) break;
    char* end = nullptr;
    header[index++] = static_cast<unsigned char>(std::strtol(p, &end, 10));
    p = end;
  }
}

// The gain of a level, built by subtracting the step once per level above 1; computing it in
// closed form changes the last bit at some levels and with it some samples.
double GainOfLevel(int level) {
  double gain = 1.0;
  for (int step = level; step >= 2; --step) gain -= wave::kGainStep;
  return gain;
}

void ScaleInPlace(unsigned char* bytes, int count, double gain) {
  for (int i = 0; i + 1 < count; i += 2) {
    const auto s = static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8));
    const auto scaled = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int>(s * gain)));
    bytes[i] = static_cast<unsigned char>(scaled & 0xFF);
    bytes[i + 1] = static_cast<unsigned char>(scaled >> 8);
  }
}

// Copies count bytes from offset of archive to out, sample i scaled by gainAt(i); returns the
// bytes written, 0 on a failed seek, 2 on a short write.
template <typename GainAt>
int CopyShaped(platform::FileHandle archive, platform::FileHandle out, long long offset, int count,
               GainAt gainAt) {
  if (!platform::SeekFile(archive, offset)) return 0;
  unsigned char buffer[wave::kCopyBufferBytes];
  int total = 0;
  while (total < count) {
    const int want = count - total < wave::kCopyBufferBytes ? count - total : wave::kCopyBufferBytes;
    const int read = platform::ReadFile(archive, buffer, want);
    if (read == 0) break;
    for (int i = 0; i + 1 < read; i += 2) {
      const double gain = gainAt((total + i) / 2);
      const auto s = static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8));
      const auto shaped = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int>(s * gain)));
      buffer[i] = static_cast<unsigned char>(shaped & 0xFF);
      buffer[i + 1] = static_cast<unsigned char>(shaped >> 8);
    }
    const int written = platform::WriteFile(out, buffer, read);
    if (written < read) return 2;
    total += written;
  }
  return total;
}

}  // namespace

platform::FileHandle CSampleCatalog::WriteWaveHeader(const std::string& path, int bars, int tempo,
                                                     WaveTarget target) {
  FillHeaderFromTemplate(m_header);
  const auto dataSize = static_cast<uint32_t>(wave::DataSize(bars, tempo, m_dPadMs));
  StoreLittleEndian32(m_header + wave::kRiffSizeOffset, dataSize + wave::kRiffSizeExtra);
  const platform::FileHandle out = target == WaveTarget::kReplacement
                                       ? platform::CreateReplacement(path)
                                       : platform::CreateAlways(path);
  if (!platform::IsOpen(out)) return platform::kInvalidHandle;
  unsigned char sizeBytes[4];
  StoreLittleEndian32(sizeBytes, dataSize);
  if (platform::WriteFile(out, m_header, wave::kTemplateBytes) < wave::kTemplateBytes ||
      platform::WriteFile(out, sizeBytes, 4) < 4) {
    platform::CloseFile(out);
    return platform::kInvalidHandle;
  }
  return out;
}

int CSampleCatalog::CopyRange(platform::FileHandle archive, platform::FileHandle out,
                              long long offset, int count) {
  if (!platform::SeekFile(archive, offset)) return 0;
  unsigned char buffer[wave::kCopyBufferBytes];
  int total = 0;
  while (count > 0) {
    const int read = platform::ReadFile(
        archive, buffer, count < wave::kCopyBufferBytes ? count : wave::kCopyBufferBytes);
    if (read == 0) break;
    const int written = platform::WriteFile(out, buffer, read);
    if (written < read) return 2;
    total += written;
    count -= written;
  }
  return total;
}

int CSampleCatalog::CopyRangeScaled(platform::FileHandle archive, platform::FileHandle out,
                                    long long offset, int count, int level) {
  if (count == 0) return 0;
  if (!platform::SeekFile(archive, offset)) return 0;
  const double gain = GainOfLevel(level);
  unsigned char buffer[wave::kCopyBufferBytes];
  int total = 0;
  while (count > 0) {
    const int read = platform::ReadFile(
        archive, buffer, count < wave::kCopyBufferBytes ? count : wave::kCopyBufferBytes);
    if (read == 0) return 1;
    if (gain != 1.0) ScaleInPlace(buffer, read, gain);
    const int written = platform::WriteFile(out, buffer, read);
    if (written < read) return 2;
    total += written;
    count -= written;
  }
  return total;
}

int CSampleCatalog::CopyRhythmSample(platform::FileHandle out, const std::string& name, int count) {
  long long offset = 0;
  size_t i = 0;
  while (i < m_rhythmGroup.m_names.size() && m_rhythmGroup.m_names[i] != name)
    offset += m_rhythmGroup.m_sizes[i++];
  if (i == m_rhythmGroup.m_names.size()) return 1;
  if (!platform::SeekFile(m_hArchive, offset)) return 1;
  unsigned char buffer[wave::kCopyBufferBytes];
  while (count > 0) {
    const int read = platform::ReadFile(
        m_hArchive, buffer, count < wave::kRhythmChunkBytes ? count : wave::kRhythmChunkBytes);
    if (read == 0) break;
    if (platform::WriteFile(out, buffer, read) < read) return 2;
    count -= read;
  }
  return 0;
}

int CSampleCatalog::CopyRangeReleased(platform::FileHandle archive, platform::FileHandle out,
                                      long long offset, int count, int level) {
  if (count <= 0) return 0;
  const double gain = GainOfLevel(level);
  const int samples = count / 2;
  const int closing = wave::kReleaseCloseBytes / 2;
  // The release curve is a steady fall in dB: one constant factor per sample.
  const double step = std::pow(10.0, wave::ReleaseDb(1.0) / 20.0 / samples);
  double fall = 1.0;
  return CopyShaped(archive, out, offset, count, [&](int index) {
    const int left = samples - index;
    const double close = left <= closing ? (left - 1.0) / closing : 1.0;
    const double shaped = gain * fall * close;
    fall *= step;
    return shaped;
  });
}
