// Test fixtures: scratch folders, marker archives in the catalog's exact layout, file helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// A fresh folder under the temporary folder, removed with everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return m_path; }  // no trailing "/"
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Marker archives: sample k of entry i (i >= 1) of a group holds MarkerSample(i, k); every
// "AA_silence.wav" entry is zeros. So any 16-bit value in a rendered track tells which entry
// (high byte) and which sample position modulo 256 (low byte) it was cut from.
uint16_t MarkerSample(int entryIndex, int sampleIndex);
inline int MarkerEntry(uint16_t v) { return v >> 8; }
inline int MarkerPosition(uint16_t v) { return v & 0xFF; }

// Writes Data0.dat .. Data3.dat and data4.dat into folder in the catalog's layout.
void WriteMarkerArchives(const std::string& folder);
// A folder holding marker archives, written once per test process and removed at exit.
const std::string& SharedMarkerArchives();

std::vector<unsigned char> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes);
// The 16-bit samples of a file from byte offset on.
std::vector<uint16_t> ReadSamples(const std::string& path, size_t offset = 44);
// Number of file descriptors this process holds open (to catch leaked handles).
int OpenDescriptors();

// A PCM wave file of frames frames (a quiet ramp) with one 44-byte header; bitsPerSample 8 or 16.
// declaredDataBytes >= 0 puts that data size into the header instead of the true one (a header
// that promises more than the file holds).
std::vector<unsigned char> WaveBytes(int rate, int channels, int bitsPerSample, long long frames,
                                     long long declaredDataBytes = -1);

// Hex digest of the bytes (FNV-1a 64), for comparing long PCM outputs.
std::string Digest(const std::vector<unsigned char>& bytes);

}  // namespace fixtures
