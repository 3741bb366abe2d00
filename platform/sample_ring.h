// A ring of 16-bit sample frames between one producer (the feeder, which reads files) and one
// consumer (the audio callback, which must not wait for anything). Neither side locks: each
// owns one counter and reads the other's.
//
// Write and Read may run at the same time on their two threads; Reset only while the
// consumer does not read (the voice is stopped). The ring owns its buffer.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {

class CSampleRing {
 public:
  // capacityFrames is rounded up to a power of two; channels samples per frame.
  CSampleRing(size_t capacityFrames, int channels) : m_nChannels(static_cast<size_t>(channels)) {
    m_nCapacity = 1;
    while (m_nCapacity < capacityFrames) m_nCapacity <<= 1;
    m_samples.resize(m_nCapacity * m_nChannels);
  }

  size_t Capacity() const { return m_nCapacity; }
  // Frames waiting to be read (consumer) / room for writing (producer).
  size_t Available() const {
    return m_write.load(std::memory_order_acquire) - m_read.load(std::memory_order_acquire);
  }
  size_t Free() const { return m_nCapacity - Available(); }

  // Producer: appends up to frames frames; returns how many fitted.
  size_t Write(const int16_t* samples, size_t frames) {
    const size_t w = m_write.load(std::memory_order_relaxed);
    const size_t n = std::min(frames, m_nCapacity - (w - m_read.load(std::memory_order_acquire)));
    CopyIn(samples, w, n);
    m_write.store(w + n, std::memory_order_release);
    return n;
  }

  // Consumer: takes up to frames frames; returns how many there were.
  size_t Read(int16_t* samples, size_t frames) {
    const size_t r = m_read.load(std::memory_order_relaxed);
    const size_t n = std::min(frames, m_write.load(std::memory_order_acquire) - r);
    CopyOut(samples, r, n);
    m_read.store(r + n, std::memory_order_release);
    return n;
  }

  // Empties the ring while the consumer is idle.
  void Reset() {
    m_read.store(0, std::memory_order_release);
    m_write.store(0, std::memory_order_release);
  }

 private:
  // Copies n frames into / out of the ring from counter position at, in up to two runs.
  void CopyIn(const int16_t* samples, size_t at, size_t n) {
    if (n == 0) return;
    const size_t start = at & (m_nCapacity - 1);
    const size_t first = std::min(n, m_nCapacity - start);
    std::memcpy(&m_samples[start * m_nChannels], samples, first * m_nChannels * 2);
    if (n > first) std::memcpy(&m_samples[0], samples + first * m_nChannels, (n - first) * m_nChannels * 2);
  }
  void CopyOut(int16_t* samples, size_t at, size_t n) const {
    if (n == 0) return;
    const size_t start = at & (m_nCapacity - 1);
    const size_t first = std::min(n, m_nCapacity - start);
    std::memcpy(samples, &m_samples[start * m_nChannels], first * m_nChannels * 2);
    if (n > first) std::memcpy(samples + first * m_nChannels, &m_samples[0], (n - first) * m_nChannels * 2);
  }

  size_t m_nCapacity;
  const size_t m_nChannels;
  std::vector<int16_t> m_samples;
  std::atomic<size_t> m_read{0};
  std::atomic<size_t> m_write{0};
};

}  // namespace platform
