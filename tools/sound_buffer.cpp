#include "tools/sound_buffer.h"

#include <algorithm>
#include <cmath>

namespace archives {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Raised-cosine fall from 1 (i = 0) towards 0 (i = frames).
double Fall(long i, int frames) { return 0.5 * (1.0 + std::cos(kPi * static_cast<double>(i) / frames)); }

}  // namespace

void MixIn(Sound& out, long at, const Sound& note, float gain, long stopAt, int fadeFrames) {
  const long size = static_cast<long>(out.size());
  long end = std::min(size, at + static_cast<long>(note.size()));
  if (stopAt >= 0) end = std::min(end, stopAt + fadeFrames);
  for (long i = std::max(0L, at); i < end; ++i) {
    double v = static_cast<double>(note[static_cast<size_t>(i - at)]) * gain;
    if (stopAt >= 0 && i >= stopAt) v *= Fall(i - stopAt, fadeFrames);
    out[static_cast<size_t>(i)] += static_cast<float>(v);
  }
}

void FadeOutEnd(Sound& s, int frames) {
  const long n = static_cast<long>(s.size());
  frames = static_cast<int>(std::min<long>(frames, n));
  if (frames <= 0) return;
  FadeOutFrom(s, n - frames, frames);
}

void FadeInStart(Sound& s, int frames) {
  const long n = std::min<long>(frames, static_cast<long>(s.size()));
  for (long i = 0; i < n; ++i) s[static_cast<size_t>(i)] *= static_cast<float>(1.0 - Fall(i, frames));
}

void FadeOutFrom(Sound& s, long start, int frames) {
  const long n = static_cast<long>(s.size());
  for (long i = std::max(0L, start); i < n; ++i) {
    const long k = i - start;
    s[static_cast<size_t>(i)] =
        k < frames ? static_cast<float>(s[static_cast<size_t>(i)] * Fall(k + 1, frames)) : 0.0f;
  }
}

void ReleaseEnd(Sound& s, int releaseFrames, int silentFrames) {
  const long n = static_cast<long>(s.size());
  const long silentFrom = std::max(0L, n - silentFrames);
  const long from = std::max(0L, silentFrom - releaseFrames);
  const double floor = std::pow(10.0, -kReleaseFallDb / 20.0);
  for (long i = from; i < silentFrom; ++i) {
    const double decay = std::pow(floor, static_cast<double>(i - from + 1) / static_cast<double>(silentFrom - from));
    s[static_cast<size_t>(i)] *= static_cast<float>((decay - floor) / (1.0 - floor));
  }
  for (long i = silentFrom; i < n; ++i) s[static_cast<size_t>(i)] = 0.0f;
}

void BlockDc(Sound& s, double cornerHz, int sampleRate) {
  const double r = std::exp(-2.0 * kPi * cornerHz / sampleRate);
  double lastIn = 0.0, lastOut = 0.0;
  for (float& v : s) {
    const double y = v - lastIn + r * lastOut;
    lastIn = v;
    lastOut = y;
    v = static_cast<float>(y);
  }
}

void RemoveMean(Sound& s) {
  constexpr float kSilent = 1e-6f;
  size_t first = 0, last = s.size();
  while (first < s.size() && std::fabs(s[first]) <= kSilent) ++first;
  while (last > first && std::fabs(s[last - 1]) <= kSilent) --last;
  if (last - first < 3) return;
  const double span = static_cast<double>(last - first - 1);
  const auto hann = [&](size_t i) {
    return 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i - first) / span);
  };
  double sum = 0.0, weights = 0.0;
  for (size_t i = first; i < last; ++i) {
    sum += s[i];
    weights += hann(i);
  }
  const double scale = sum / weights;
  for (size_t i = first; i < last; ++i) s[i] -= static_cast<float>(scale * hann(i));
}

float Peak(const Sound& s) {
  float peak = 0.0f;
  for (const float v : s) peak = std::max(peak, std::fabs(v));
  return peak;
}

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

std::vector<int16_t> ToPcm16(const Sound& s, double gain) {
  std::vector<int16_t> pcm(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const double v = std::clamp(std::round(static_cast<double>(s[i]) * gain * 32767.0), -32768.0, 32767.0);
    pcm[i] = static_cast<int16_t>(v);
  }
  return pcm;
}

}  // namespace archives
