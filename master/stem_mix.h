// StemMix: reads the stems of a piece block by block and places each in the stereo field at
// its level (master.h, kTrackPlacements), as one stereo stream at 44.1 kHz that the room takes.
// After the longest stem it gives silence up to the length it is asked for, so that the room
// can ring out. Only one block per stem is in memory.
#pragma once

#include <sndfile.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace master {

class StemMix {
 public:
  // The sum is scaled by this before the room, which keeps nine full-scale tracks from clipping
  // in the chain's fixed-point samples; the loudness gain restores the level afterwards.
  static constexpr float kHeadroom = 1.0f / 16.0f;

  StemMix() = default;
  StemMix(const StemMix&) = delete;
  StemMix& operator=(const StemMix&) = delete;

  // Opens every stem ({track name, path}); false with a line naming the file and the cause
  // in error (bBadTrack tells an unknown track name from a file that cannot be read).
  bool Open(const std::vector<std::pair<std::string, std::string>>& stems, std::string& error, bool& bBadTrack);
  // Frames of the longest stem.
  long long Frames() const { return m_frames; }
  // Writes up to maxFrames interleaved stereo frames; after the stems, silence until the
  // position reaches limitFrames; 0 there. A stem that fails to read sets Failed().
  size_t Read(float* frames, size_t maxFrames, long long limitFrames);
  long long Position() const { return m_position; }
  bool Failed() const { return !m_failure.empty(); }
  const std::string& Failure() const { return m_failure; }

 private:
  struct Closer {
    void operator()(SNDFILE* f) const { sf_close(f); }
  };
  struct Track {
    std::unique_ptr<SNDFILE, Closer> file;
    std::string path;
    float left = 0.0f, right = 0.0f;  // gains of the placement, headroom included
    long long frames = 0;
  };
  std::vector<Track> m_tracks;
  std::vector<float> m_block;
  long long m_frames = 0;
  long long m_position = 0;
  std::string m_failure;
};

}  // namespace master
