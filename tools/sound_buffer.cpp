#include "tools/sound_buffer.h"

#include <algorithm>
#include <cmath>

#include "render/wave_format.h"

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

void ReleaseEnd(Sound& s, int releaseFrames, int silentFrames, double liftDb) {
  const long n = static_cast<long>(s.size());
  const long silentFrom = std::max(0L, n - silentFrames);
  const long from = std::max(0L, silentFrom - releaseFrames);
  const long span = silentFrom - from;
  if (span > 0) {
    // The level per block of kReleaseBlockFrames, the first block ending where the release begins.
    const long block = kReleaseBlockFrames;
    const long blocks = (span + block - 1) / block;
    auto rms = [&](long a) {
      double sum = 0.0;
      long count = 0;
      for (long i = std::max(0L, a); i < std::min(n, a + block); ++i, ++count) sum += s[static_cast<size_t>(i)] * s[static_cast<size_t>(i)];
      return count > 0 ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
    };
    double start = rms(from - block);
    std::vector<double> level(static_cast<size_t>(blocks));
    for (long k = 0; k < blocks; ++k) {
      level[static_cast<size_t>(k)] = rms(from + k * block);
      start = std::max(start, level[static_cast<size_t>(k)]);
    }
    // The ceiling: the tracks' release curve from the loudest level of the release.
    auto ceiling = [&](double x) { return start * std::pow(10.0, wave::ReleaseDb(std::min(x, 1.0)) / 20.0); };
    // Each block's gain holds it under the ceiling at the block's middle; between middles the
    // gain moves in a straight line, so the shaping adds no step.
    std::vector<double> gain(static_cast<size_t>(blocks));
    for (long k = 0; k < blocks; ++k) {
      const double x = (static_cast<double>(k * block) + 0.5 * block) / static_cast<double>(span);
      const double lv = level[static_cast<size_t>(k)];
      // A block that has died away faster than the curve is lifted back onto it, by at most
      // liftDb, unless it is as good as silent: every part of a piece then fades at the same
      // rate where the piece ends, and two of them never cancel into a sudden dip.
      const double lift = lv > start * DbToGain(-kReleaseSilentDb) ? DbToGain(liftDb) : 1.0;
      gain[static_cast<size_t>(k)] = lv > 0.0 ? std::min(ceiling(x) / lv, lift) : 1.0;
    }
    for (long i = from; i < silentFrom; ++i) {
      const double at = static_cast<double>(i - from) / block - 0.5;
      const long k = std::clamp(static_cast<long>(std::floor(at)), 0L, blocks - 1);
      const long k1 = std::min(k + 1, blocks - 1);
      const double t = std::clamp(at - static_cast<double>(k), 0.0, 1.0);
      double g = gain[static_cast<size_t>(k)] + t * (gain[static_cast<size_t>(k1)] - gain[static_cast<size_t>(k)]);
      // The last block closes to 0 in a straight line, whatever the blocks let through.
      g *= std::min(1.0, static_cast<double>(silentFrom - i) / static_cast<double>(block));
      s[static_cast<size_t>(i)] *= static_cast<float>(g);
    }
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
