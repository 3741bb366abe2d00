#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/sample_ring.h"

namespace {

TEST(SampleRing, WrapsAroundAndNeverOverfills) {
  platform::CSampleRing ring(5, 2);  // rounded up to 8 frames of two samples
  EXPECT_EQ(ring.Capacity(), 8u);
  struct Step {
    size_t write, wrote, read, got;
  };
  // Writes and reads of odd sizes, so that the copies run over the end of the buffer.
  const Step steps[] = {{6, 6, 4, 4}, {7, 6, 3, 3}, {0, 0, 9, 5}, {20, 8, 8, 8}, {1, 1, 0, 0}};
  // Frame f holds the samples 2f and 2f + 1.
  auto frames = [](size_t first, size_t count) {
    std::vector<int16_t> samples;
    for (size_t f = first; f < first + count; ++f) {
      samples.push_back(static_cast<int16_t>(2 * f));
      samples.push_back(static_cast<int16_t>(2 * f + 1));
    }
    return samples;
  };
  size_t written = 0, read = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(written);
    EXPECT_EQ(ring.Write(frames(written, s.write).data(), s.write), s.wrote);
    written += s.wrote;
    std::vector<int16_t> out(2 * s.read + 2);
    EXPECT_EQ(ring.Read(out.data(), s.read), s.got);
    out.resize(2 * s.got);
    EXPECT_EQ(out, frames(read, s.got));
    read += s.got;
    EXPECT_EQ(ring.Available(), written - read);
    EXPECT_EQ(ring.Available() + ring.Free(), 8u);
  }
  ring.Reset();
  EXPECT_EQ(ring.Available(), 0u);
}

TEST(SampleRing, HandsEveryFrameAcrossThreadsInOrder) {
  platform::CSampleRing ring(64, 1);
  constexpr int kFrames = 200000;
  std::thread producer([&ring] {
    int16_t value = 0;
    for (int sent = 0; sent < kFrames;) {
      const int16_t frame = value;
      if (ring.Write(&frame, 1) == 1) {
        ++sent;
        value = static_cast<int16_t>(value + 1);
      } else {
        std::this_thread::yield();
      }
    }
  });
  int mismatches = 0;
  int16_t expected = 0;
  std::vector<int16_t> buffer(50);
  for (int received = 0; received < kFrames;) {
    const size_t n = ring.Read(buffer.data(), buffer.size());
    if (n == 0) std::this_thread::yield();
    for (size_t i = 0; i < n; ++i, ++received) {
      mismatches += buffer[i] != expected;
      expected = static_cast<int16_t>(expected + 1);
    }
  }
  producer.join();
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
