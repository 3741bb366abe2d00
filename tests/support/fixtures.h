// Test fixtures: scratch folders, marker archives in the catalog's exact layout, file helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// A real file system for the life of the object: a tmpfs of sizeKb mounted on folder (made
// when missing), read-only when bReadOnly. It is unmounted (lazily, so even a busy mount goes)
// when the object goes, also when the test fails. Mounted() is false when this process may not
// mount; Reason() then says why, for GTEST_SKIP. Declare it after the ScratchDir that holds
// folder, so that it goes first.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& folder, long sizeKb, bool bReadOnly = false);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool Mounted() const { return m_bMounted; }
  const std::string& Reason() const { return m_reason; }
  // Makes the mounted file system read-only from now on (what it holds stays).
  bool MakeReadOnly();

 private:
  std::string m_folder, m_reason;
  bool m_bMounted = false;
};

// A small tmpfs in a scratch folder filled to its last byte: new files can still be created in
// it, and every write to them fails with ENOSPC, as on a real full disk. With bFillNow false it
// is filled by Fill(), so that files can be put there first. Ready() is false when this
// process may not mount (Reason() says why, for GTEST_SKIP) or the filling failed.
class FullDisk {
 public:
  explicit FullDisk(bool bFillNow = true);
  bool Fill();
  bool Ready() const { return m_bReady; }
  const std::string& Reason() const { return m_mount.Reason(); }
  std::string File(const std::string& name) const { return m_folder + "/" + name; }

 private:
  ScratchDir m_dir;
  std::string m_folder;
  TmpfsMount m_mount;
  bool m_bReady = false;
};

// Runs body in a child process as user nobody (group nogroup, no supplementary groups), so
// that permissions bind even when the tests run as root, and returns its exit status (body's
// result). -1 when the child could not switch users or did not exit normally.
int RunAsNobody(const std::function<int()>& body);
// The uid and gid RunAsNobody switches to, for chown'ing fixtures.
constexpr unsigned kNobodyUid = 65534, kNogroupGid = 65534;

// Marker archives: sample k of entry i (i >= 1) of a group holds MarkerSample(i, k); every
// "AA_silence.wav" entry is zeros. So any 16-bit value in a rendered track tells which entry
// (the high 12 bits) and which sample position modulo 16 (the low 4 bits) it was cut from.
inline constexpr int kMarkerPositionBits = 4;
inline constexpr int kMarkerPositionMask = (1 << kMarkerPositionBits) - 1;
inline constexpr size_t kMaxMarkerEntries = 1u << (16 - kMarkerPositionBits);
uint16_t MarkerSample(int entryIndex, int sampleIndex);
inline int MarkerEntry(uint16_t v) { return v >> kMarkerPositionBits; }
inline int MarkerPosition(uint16_t v) { return v & kMarkerPositionMask; }

// Writes Data0.dat .. Data3.dat and data4.dat into folder in the catalog's layout.
void WriteMarkerArchives(const std::string& folder);
// A folder holding marker archives, shared by all test processes of the build and written by
// the first that needs it (about 600 MB). Read only: a test that needs a changed archive
// copies the part it needs into a scratch folder.
const std::string& SharedMarkerArchives();

// The file's bytes, at most maxBytes of them from its start; empty when it cannot be read.
std::vector<unsigned char> ReadAll(const std::string& path, size_t maxBytes = SIZE_MAX);
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
