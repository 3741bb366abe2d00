// A wave file opened for playing: 16-bit PCM, mono or stereo, read through libsndfile in
// frames (one sample per channel). The file is streamed: Read fills the caller's buffer from
// the current frame on, nothing more is kept in memory.
//
// A header that promises more data than the file holds is read as far as the data goes, and
// Frames() counts only what is there. The object owns the open file; destroying it closes the
// file. One thread at a time (the UI thread while opening, then the feeder of a sound output).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class CWaveSource {
 public:
  // Opens path (the last component matched case-insensitively when the exact name is absent).
  // Result kMciOk, kMciErrFileNotFound (missing, unreadable, a folder) or kMciErrBadFile (not a
  // wave file of the accepted formats); source holds the file only on kMciOk.
  static int Open(const std::string& path, std::unique_ptr<CWaveSource>& source);
  // The same from the bytes in memory (the fuzzing entry); data must outlive the object.
  static int OpenMemory(const void* data, long long size, std::unique_ptr<CWaveSource>& source);
  ~CWaveSource();
  CWaveSource(const CWaveSource&) = delete;
  CWaveSource& operator=(const CWaveSource&) = delete;

  int Rate() const { return m_nRate; }
  int Channels() const { return m_nChannels; }
  long long Frames() const { return m_nFrames; }
  long long LengthMs() const { return m_nFrames * 1000 / m_nRate; }

  // Reads up to frames frames (interleaved, Channels() samples each) from the current frame
  // on. Returns the frames read: fewer at the end of the data, -1 on a read error.
  long long Read(int16_t* samples, long long frames);
  // Moves the current frame (0 to Frames()); false when it is out of range or the seek failed.
  bool Seek(long long frame);

 // The reading position in the bytes of OpenMemory (used by the reading callbacks).
  struct Memory;

 private:
  CWaveSource() = default;
  // Takes the open SNDFILE and its SF_INFO; refuses the formats that are not played.
  static int Adopt(void* file, const void* sfInfo, std::unique_ptr<CWaveSource>& source);

  void* m_file = nullptr;  // SNDFILE*
  std::unique_ptr<Memory> m_memory;
  int m_nRate = 0;
  int m_nChannels = 0;
  long long m_nFrames = 0;
};

}  // namespace platform
