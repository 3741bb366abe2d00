// PeakLimiter: a look-ahead limiter that keeps the true peak of a stereo stream under a
// ceiling. No maintained Debian library offers one that can be called from C++ without a
// plugin host, so this is a small one of our own.
//
// The true peak is estimated at four times the sample rate (a 16-tap Kaiser-windowed sinc per
// phase, flat within 0.01 dB to 15 kHz), the limiter aims kMarginDb under the ceiling it is
// given (a meter's estimate of the true peak differs from ours by a little), the gain each frame needs is held as the minimum over the look-ahead
// and smoothed by a moving average as long as the look-ahead, so the gain is down before a peak
// arrives and never above what any frame in reach needs; it recovers with a release of
// kReleaseSeconds. Both channels share one gain, so the stereo image stays where it was.
//
// The output is the input delayed by Latency() frames; Process leaves the first Latency()
// frames out and Flush gives them at the end, so out lines up with in frame for frame.
#pragma once

#include <cstddef>
#include <vector>

namespace master {

class PeakLimiter {
 public:
  static constexpr int kLookahead = 64;        // frames, 1.45 ms at 44.1 kHz
  static constexpr int kHalfTaps = 8;          // of the interpolator
  static constexpr double kMarginDb = 0.4;
  static constexpr double kReleaseSeconds = 0.08;

  PeakLimiter(double ceilingDbtp, int sampleRate);

  static constexpr int Latency() { return kLookahead + kHalfTaps; }
  // Limits count interleaved stereo frames, scaled by gain first, and appends what is ready
  // to out.
  void Process(const float* in, size_t count, float gain, std::vector<float>& out);
  // Appends the frames still held (Latency() of them once as many were given).
  void Flush(std::vector<float>& out);
  // The largest gain reduction so far, as a factor (1 when it never limited).
  double LowestGain() const { return m_lowest; }

 private:
  void Push(float left, float right, std::vector<float>* out);
  double NeededGain(size_t at) const;

  static constexpr size_t kRing = 128;  // power of two above Latency() + kHalfTaps
  double m_ceiling;
  double m_release;
  float m_phase[3][2 * kHalfTaps];  // interpolator taps for 1/4, 2/4, 3/4 of a frame
  // Input history (also the delay line of the output).
  float m_left[kRing] = {}, m_right[kRing] = {};
  size_t m_in = 0;  // frames taken
  // Sliding minimum of the needed gain: a monotonic queue of frame indexes.
  size_t m_minIndex[kRing] = {};
  double m_minValue[kRing] = {};
  size_t m_minHead = 0, m_minTail = 0;
  // Moving average of the held gain over kLookahead frames.
  double m_held[kLookahead] = {};
  double m_sum = kLookahead;
  double m_release_state = 1.0;
  double m_lowest = 1.0;
};

}  // namespace master
