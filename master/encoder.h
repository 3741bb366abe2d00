// Encoder: writes the master's stereo frames into an open file through libsndfile: FLAC and
// WAV as 24-bit PCM (TPDF-dithered to their last bit), Ogg Vorbis, Opus and MP3 from the
// floats at a good quality setting. The text tags are set before the first frame, the only
// time libsndfile keeps them.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "master/master.h"

namespace master {

class Encoder {
 public:
  Encoder() = default;
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Starts the file on the descriptor (not taken over); false with the cause in error.
  bool Open(int fd, const FormatInfo& format, const Tags& tags, std::string& error);
  // Encodes count interleaved stereo frames (changed in place by the dither); false with the
  // cause in error when they were not all written.
  bool Write(float* frames, size_t count, std::string& error);
  // Ends the file (the encoder's last frames and the header); false with the cause in error.
  bool Close(std::string& error);

 private:
  SNDFILE* m_file = nullptr;
  bool m_bDither = false;
  uint32_t m_seed = 0x9E3779B9u;  // fixed: the same stems give the same file
};

}  // namespace master
