// Reading a master back as a player would (libsndfile) and measuring it (libebur128).
#pragma once

#include <string>
#include <vector>

namespace mastertest {

struct Audio {
  bool bRead = false;
  int rate = 0, channels = 0;
  std::vector<float> samples;  // interleaved
  std::string comment, title, artist;
  long long Frames() const { return channels > 0 ? static_cast<long long>(samples.size()) / channels : 0; }
};

Audio ReadAudio(const std::string& path);

struct Measure {
  double lufs = 0.0, truePeakDbtp = 0.0;
  double correlation = 0.0;  // of left and right
  double dc[2] = {0.0, 0.0};
  double endPeakDbfs = 0.0;  // peak of the last 0.3 s
};

Measure MeasureAudio(const Audio& audio);

// Writes a 16-bit mono 44.1 kHz wave file of the samples (full scale 1.0).
void WriteStem(const std::string& path, const std::vector<float>& samples);

}  // namespace mastertest
