#include "master/peak_limiter.h"

#include <algorithm>
#include <cmath>

namespace master {

namespace {
constexpr double kKaiserBeta = 6.0;
}  // namespace

PeakLimiter::PeakLimiter(double ceilingDbtp, int sampleRate)
    : m_ceiling(std::pow(10.0, (ceilingDbtp - kMarginDb) / 20.0)),
      m_release(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate))) {
  for (double& h : m_held) h = 1.0;
  // Taps j = -7 .. 8 around the frame before the point, a sinc under a Kaiser window (beta 6),
  // each phase normalised to unity gain at DC.
  for (int p = 1; p <= 3; ++p) {
    const double frac = p / 4.0;
    double sum = 0.0;
    for (int j = 0; j < 2 * kHalfTaps; ++j) {
      const double t = (j - (kHalfTaps - 1)) - frac;
      const double sinc = std::sin(M_PI * t) / (M_PI * t);
      const double x = t / kHalfTaps;  // -1 .. 1 over the span
      const double window = std::cyl_bessel_i(0.0, kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - x * x))) /
                            std::cyl_bessel_i(0.0, kKaiserBeta);
      m_phase[p - 1][j] = static_cast<float>(sinc * window);
      sum += sinc * window;
    }
    for (float& c : m_phase[p - 1]) c = static_cast<float>(c / sum);
  }
}

// The gain frame `at` needs: the ceiling over the largest of its sample and the three points
// between it and the next frame. Called once frame at + kHalfTaps is in.
double PeakLimiter::NeededGain(size_t at) const {
  const float a = std::max(std::fabs(m_left[at % kRing]), std::fabs(m_right[at % kRing]));
  const float b = std::max(std::fabs(m_left[(at + 1) % kRing]), std::fabs(m_right[(at + 1) % kRing]));
  double peak = std::max(a, b);
  // Between two frames the waveform rises little above them unless they are loud: skip the
  // interpolation where even 8 dB more stays under the ceiling.
  if (peak * 2.5 >= m_ceiling) {
    for (const auto& taps : m_phase) {
      float l = 0.0f, r = 0.0f;
      for (int j = 0; j < 2 * kHalfTaps; ++j) {
        const size_t k = (at + kRing - (kHalfTaps - 1) + static_cast<size_t>(j)) % kRing;
        l += taps[j] * m_left[k];
        r += taps[j] * m_right[k];
      }
      peak = std::max<double>(peak, std::max(std::fabs(l), std::fabs(r)));
    }
  }
  return peak > m_ceiling ? m_ceiling / peak : 1.0;
}

void PeakLimiter::Push(float left, float right, std::vector<float>* out) {
  const size_t n = m_in++;
  m_left[n % kRing] = left;
  m_right[n % kRing] = right;
  if (n < static_cast<size_t>(kHalfTaps)) return;
  // Frame g's need is known now; the minimum runs over g - kLookahead .. g.
  const size_t g = n - kHalfTaps;
  const double need = NeededGain(g);
  while (m_minTail != m_minHead && m_minValue[(m_minTail - 1) % kRing] >= need) --m_minTail;
  m_minIndex[m_minTail % kRing] = g;
  m_minValue[m_minTail % kRing] = need;
  ++m_minTail;
  while (m_minIndex[m_minHead % kRing] + kLookahead < g) ++m_minHead;
  const double held = m_minValue[m_minHead % kRing];
  // The release lifts the gain slowly; a lower need takes over at once.
  m_release_state = std::min(held, m_release_state + (1.0 - m_release_state) * m_release);
  m_sum += m_release_state - m_held[g % kLookahead];
  m_held[g % kLookahead] = m_release_state;
  if (g < static_cast<size_t>(kLookahead)) return;
  // The frame kLookahead before g leaves with the average of the last kLookahead held gains,
  // each of which covers it.
  const size_t o = g - kLookahead;
  const double gain = std::min(1.0, m_sum / kLookahead);
  m_lowest = std::min(m_lowest, gain);
  out->push_back(static_cast<float>(m_left[o % kRing] * gain));
  out->push_back(static_cast<float>(m_right[o % kRing] * gain));
}

void PeakLimiter::Process(const float* in, size_t count, float gain, std::vector<float>& out) {
  for (size_t i = 0; i < count; ++i) Push(in[2 * i] * gain, in[2 * i + 1] * gain, &out);
}

void PeakLimiter::Flush(std::vector<float>& out) {
  const size_t target = m_in;
  while (m_in < target + static_cast<size_t>(Latency())) Push(0.0f, 0.0f, &out);
}

}  // namespace master
