// Uncompressed RIFF AVI movies: one video stream of 24-bit frames, no sound.
//
// The artwork tool writes the animations with WriteAvi; the animation panels read them back with
// ReadAvi / ReadAviFile. The reader accepts what WriteAvi makes and other plain 24-bit DIB movies
// (bottom-up or top-down rows, with or without an index); anything else is refused with a result
// code, never with a crash, and leaves the movie empty. Buffers are owned by the caller; the
// functions keep nothing. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Frames are top-down rows of RGB bytes, 3 * m_nWidth bytes a row, no padding.
struct AviMovie {
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nMicroSecPerFrame = 0;  // 66 667 for 15 frames per second
  std::vector<std::vector<std::uint8_t>> m_frames;

  std::size_t FrameBytes() const { return static_cast<std::size_t>(m_nWidth) * m_nHeight * 3; }
};

enum class AviResult {
  kOk = 0,
  kNotAvi,          // no RIFF 'AVI ' header
  kTruncated,       // a chunk runs past the end of the data, or frames are missing
  kBadHeader,       // main, stream or format header absent or inconsistent
  kUnsupported,     // not a single uncompressed 24-bit video stream
  kTooLarge,        // frame size, frame count or file size beyond the limits below
  kNoFrames,
  kCannotOpen,      // ReadAviFile only: the file is missing or unreadable
  kCannotWrite,     // WriteAviFile only
};

// Limits of the reader: the animations are small; a larger header is taken as damage.
constexpr int kAviMaxSide = 4096;
constexpr int kAviMaxFrames = 10000;
constexpr std::size_t kAviMaxFileBytes = 256u << 20;

const char* AviResultText(AviResult result);

// The file bytes of movie: main header, one 'vids' stream, frames as '00db' chunks, an index.
// An empty vector when the movie is inconsistent (a frame of the wrong size, no frames).
std::vector<std::uint8_t> WriteAvi(const AviMovie& movie);
AviResult WriteAviFile(const std::string& path, const AviMovie& movie);

// Parses size bytes at data into movie.
AviResult ReadAvi(const std::uint8_t* data, std::size_t size, AviMovie& movie);
// Opens path (the last component matched case-insensitively when the exact name is absent).
AviResult ReadAviFile(const std::string& path, AviMovie& movie);

}  // namespace platform
