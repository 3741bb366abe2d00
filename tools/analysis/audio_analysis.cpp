#include "tools/analysis/audio_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <deque>

namespace analysis {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> u = a[i + k];
        const std::complex<double> v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

// Offset of the vertex of the parabola through (-1, a), (0, b), (1, c), in -0.5 .. 0.5.
double Vertex(double a, double b, double c) {
  const double d = a - 2.0 * b + c;
  return d == 0.0 ? 0.0 : std::clamp(0.5 * (a - c) / d, -0.5, 0.5);
}

}  // namespace

int PeakAbs(const std::vector<int16_t>& pcm, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = from; i < std::min(to, pcm.size()); ++i)
    peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
  return peak;
}

std::vector<double> Slice(const std::vector<int16_t>& pcm, size_t from, size_t count) {
  std::vector<double> x;
  for (size_t i = from; i < std::min(pcm.size(), from + count); ++i) x.push_back(pcm[i]);
  return x;
}

double MidiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

double Cents(double hz, double reference) { return 1200.0 * std::log2(hz / reference); }

int PitchClassOf(double hz) {
  const long midi = std::lround(69.0 + 12.0 * std::log2(hz / 440.0));
  return static_cast<int>(((midi % 12) + 12) % 12);
}

double YinPitch(const std::vector<double>& x, double minHz, double maxHz) {
  const size_t tauMax = static_cast<size_t>(kRate / minHz) + 2;
  const size_t tauMin = std::max<size_t>(2, static_cast<size_t>(kRate / maxHz));
  if (x.size() < 2 * tauMax) return 0.0;
  const size_t window = x.size() - tauMax;
  std::vector<double> d(tauMax + 1, 0.0);
  for (size_t tau = 1; tau <= tauMax; ++tau) {
    double sum = 0.0;
    for (size_t j = 0; j < window; ++j) {
      const double diff = x[j] - x[j + tau];
      sum += diff * diff;
    }
    d[tau] = sum;
  }
  // Cumulative mean normalised difference.
  std::vector<double> cmnd(tauMax + 1, 1.0);
  double running = 0.0;
  for (size_t tau = 1; tau <= tauMax; ++tau) {
    running += d[tau];
    cmnd[tau] = running > 0.0 ? d[tau] * static_cast<double>(tau) / running : 1.0;
  }
  size_t best = 0;
  for (size_t tau = tauMin; tau < tauMax; ++tau) {
    if (cmnd[tau] < 0.1) {
      while (tau + 1 < tauMax && cmnd[tau + 1] < cmnd[tau]) ++tau;
      best = tau;
      break;
    }
  }
  if (best == 0) {
    best = tauMin;
    for (size_t tau = tauMin; tau < tauMax; ++tau) {
      if (cmnd[tau] < cmnd[best]) best = tau;
    }
    if (cmnd[best] > 0.5) return 0.0;
  }
  const double refined = static_cast<double>(best) + Vertex(cmnd[best - 1], cmnd[best], cmnd[best + 1]);
  return kRate / refined;
}

double RefinedPitch(const std::vector<double>& x, double minHz, double maxHz) {
  constexpr size_t kYinWindow = 4096;  // two periods of 40 Hz and more
  const std::vector<double> head(x.begin(), x.begin() + static_cast<long>(std::min(x.size(), kYinWindow)));
  const double coarse = YinPitch(head, minHz, maxHz);
  if (coarse <= 0.0) return 0.0;
  size_t fft = 4096;  // twice the signal (zero-padded), at most 65 536 points
  while (fft < 2 * x.size() && fft < 65536) fft *= 2;
  const std::vector<double> spectrum = MagnitudeSpectrum(x, fft);
  const double binHz = static_cast<double>(kRate) / static_cast<double>(fft);
  const double semitone = std::pow(2.0, 1.0 / 12.0);
  const size_t lo = std::max<size_t>(1, static_cast<size_t>(coarse / semitone / binHz));
  const size_t hi = std::min(spectrum.size() - 2, static_cast<size_t>(coarse * semitone / binHz) + 1);
  size_t best = lo;
  for (size_t k = lo; k <= hi; ++k) {
    if (spectrum[k] > spectrum[best]) best = k;
  }
  if (best == lo || best == hi) return coarse;  // no peak inside: keep the coarse reading
  const auto db = [&](size_t k) { return std::log(spectrum[k] + 1e-12); };
  return (static_cast<double>(best) + Vertex(db(best - 1), db(best), db(best + 1))) * binHz;
}

std::vector<double> MagnitudeSpectrum(const std::vector<double>& x, size_t fftSize) {
  std::vector<std::complex<double>> a(fftSize, 0.0);
  const size_t n = std::min(x.size(), fftSize);
  for (size_t i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(n));
    a[i] = x[i] * w;
  }
  Fft(a);
  std::vector<double> magnitude(fftSize / 2 + 1);
  for (size_t k = 0; k < magnitude.size(); ++k) magnitude[k] = std::abs(a[k]);
  return magnitude;
}

std::array<double, 12> Chroma(const std::vector<double>& spectrum, size_t fftSize, double loHz, double hiHz) {
  std::array<double, 12> chroma{};
  const double binHz = static_cast<double>(kRate) / static_cast<double>(fftSize);
  for (size_t k = 1; k < spectrum.size(); ++k) {
    const double hz = static_cast<double>(k) * binHz;
    if (hz < loHz || hz > hiHz) continue;
    chroma[static_cast<size_t>(PitchClassOf(hz))] += spectrum[k] * spectrum[k];
  }
  return chroma;
}

double LowestStrongPeakHz(const std::vector<double>& spectrum, size_t fftSize, double loHz, double hiHz,
                          double rangeDb) {
  const double binHz = static_cast<double>(kRate) / static_cast<double>(fftSize);
  const size_t lo = std::max<size_t>(3, static_cast<size_t>(loHz / binHz));
  const size_t hi = std::min(spectrum.size() - 4, static_cast<size_t>(hiHz / binHz));
  if (lo >= hi) return 0.0;
  const double strongest =
      *std::max_element(spectrum.begin() + static_cast<long>(lo), spectrum.begin() + static_cast<long>(hi));
  const double threshold = strongest * std::pow(10.0, -rangeDb / 20.0);
  for (size_t k = lo; k < hi; ++k) {
    const bool peak = spectrum[k] >= threshold && spectrum[k] >= spectrum[k - 1] &&
                      spectrum[k] > spectrum[k + 1] && spectrum[k] >= spectrum[k - 3] &&
                      spectrum[k] >= spectrum[k + 3];
    if (peak) return (static_cast<double>(k) + Vertex(spectrum[k - 1], spectrum[k], spectrum[k + 1])) * binHz;
  }
  return 0.0;
}

double KeyCents(const std::vector<double>& x, int key) {
  size_t fft = 32768;
  while (fft < x.size() && fft < 262144) fft *= 2;
  const std::vector<double> spectrum = analysis::MagnitudeSpectrum(x, fft);
  const double binHz = static_cast<double>(kRate) / static_cast<double>(fft);
  const double expected = analysis::MidiToHz(key);
  const double span = std::pow(2.0, 60.0 / 1200.0);
  const auto lo = static_cast<size_t>(expected / span / binHz);
  const auto hi = std::min(spectrum.size() - 2, static_cast<size_t>(expected * span / binHz) + 1);
  if (lo < 1 || lo >= hi) return 0.0;
  size_t best = lo;
  for (size_t k = lo; k <= hi; ++k)
    if (spectrum[k] > spectrum[best]) best = k;
  if (best == lo || best == hi) return 0.0;
  // A stretch long enough to resolve the detuned layers of an ensemble or the swing of a
  // vibrato: the pitch heard is their power-weighted mean over +-50 cents.
  const double quarterTone = std::pow(2.0, 50.0 / 1200.0);
  const double lobeHz = 2.0 * kRate / static_cast<double>(std::max<size_t>(x.size(), 1));
  if (lobeHz < 0.5 * expected * (quarterTone - 1.0)) {
    double power = 0.0, weighted = 0.0;
    for (auto k = static_cast<size_t>(expected / quarterTone / binHz); k <= static_cast<size_t>(expected * quarterTone / binHz) + 1 && k < spectrum.size(); ++k) {
      const double p = spectrum[k] * spectrum[k];
      power += p;
      weighted += p * static_cast<double>(k) * binHz;
    }
    if (power > 0.0) return analysis::Cents(weighted / power, expected);
  }
  const double a = std::log(spectrum[best - 1] + 1e-12), b = std::log(spectrum[best] + 1e-12),
               c = std::log(spectrum[best + 1] + 1e-12);
  const double denominator = a - 2.0 * b + c;
  const double shift = denominator == 0.0 ? 0.0 : 0.5 * (a - c) / denominator;
  return analysis::Cents((static_cast<double>(best) + shift) * binHz, expected);
}

size_t HalfRiseFrame(const std::vector<double>& x, size_t limit) {
  const size_t end = std::min(x.size(), limit);
  double top = 0.0;
  for (size_t i = 0; i < end; ++i) top = std::max(top, std::fabs(x[i]));
  if (top <= 0.0) return 0;
  size_t k = 0;
  while (std::fabs(x[k]) < 0.5 * top) ++k;
  return k;
}

std::vector<double> PeakEnvelope(const std::vector<double>& x, size_t window) {
  std::vector<double> env(x.size());
  std::deque<size_t> queue;  // indexes of falling magnitudes, the front the largest
  for (size_t i = 0; i < x.size(); ++i) {
    const double v = std::fabs(x[i]);
    while (!queue.empty() && std::fabs(x[queue.back()]) <= v) queue.pop_back();
    queue.push_back(i);
    while (queue.front() + window <= i) queue.pop_front();
    env[i] = std::fabs(x[queue.front()]);
  }
  return env;
}

std::vector<double> LevelsDb(const std::vector<double>& x, size_t from, double gain) {
  std::vector<double> levels;
  for (size_t i = from; i + kLevelWindow <= x.size(); i += kLevelHop) {
    double sum = 0.0;
    for (size_t k = i; k < i + kLevelWindow; ++k) sum += x[k] * x[k];
    const double rms = std::fabs(gain) * std::sqrt(sum / kLevelWindow);
    levels.push_back(20.0 * std::log10(std::max(rms, 1e-10)));
  }
  return levels;
}

double LargestFallDb(const std::vector<double>& levels, double floorDb, size_t* at) {
  double worst = 0.0;
  for (size_t i = 0; i < levels.size(); ++i) {
    if (levels[i] <= floorDb) continue;
    for (size_t j = i + 1; j < levels.size() && j <= i + kLevelFallSpan; ++j) {
      const double fall = levels[i] - std::max(levels[j], -100.0);
      if (fall > worst) {
        worst = fall;
        if (at) *at = i;
      }
    }
  }
  return worst;
}

double Mean(const std::vector<double>& x) {
  double sum = 0.0;
  for (const double v : x) sum += v;
  return x.empty() ? 0.0 : sum / static_cast<double>(x.size());
}

std::vector<Onset> DetectOnsets(const std::vector<int16_t>& pcm, double minRiseDb, double floorDb) {
  constexpr size_t kFrame = 128;
  constexpr size_t kLookBack = 12;  // the level 35 ms .. 6 ms before
  constexpr size_t kSkip = 2;
  const size_t frames = pcm.size() / kFrame;
  std::vector<double> level(frames);
  double top = -300.0;
  for (size_t f = 0; f < frames; ++f) {
    double sum = 0.0;
    for (size_t i = f * kFrame; i < (f + 1) * kFrame; ++i) {
      // First difference: lifts attacks and clicks above the low, ringing body of drums.
      const double diff = static_cast<double>(pcm[i]) - (i > 0 ? pcm[i - 1] : 0);
      sum += diff * diff;
    }
    level[f] = 10.0 * std::log10(sum / kFrame + 1e-3);
    top = std::max(top, level[f]);
  }
  std::vector<Onset> onsets;
  const size_t gap = static_cast<size_t>(0.060 * kRate / kFrame);
  for (size_t f = 0; f < frames; ++f) {
    if (level[f] < top + floorDb) continue;
    // Before the start everything was silent.
    const double before =
        f < kSkip ? -300.0
                  : *std::max_element(level.begin() + static_cast<long>(f >= kLookBack ? f - kLookBack : 0),
                                      level.begin() + static_cast<long>(f - kSkip + 1));
    const double rise = level[f] - before;
    if (rise < minRiseDb) continue;
    const double seconds = static_cast<double>(f * kFrame) / kRate;
    if (!onsets.empty() && seconds - onsets.back().seconds < gap * kFrame / static_cast<double>(kRate)) {
      continue;
    }
    onsets.push_back({seconds, rise});
  }
  return onsets;
}

}  // namespace analysis
