// The measurements the builder places and tunes by and the sound report judges by, on synthetic
// sounds whose attack, pitch and offset are known.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/analysis/audio_analysis.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A tone of key detuned by cents, silent until onset, rising linearly over rise frames to amp.
std::vector<double> Tone(int key, double cents, size_t onset, size_t rise, size_t frames, double amp = 0.5) {
  std::vector<double> x(frames, 0.0);
  const double hz = analysis::MidiToHz(key) * std::pow(2.0, cents / 1200.0);
  for (size_t i = onset; i < frames; ++i) {
    const double ramp = std::min(1.0, static_cast<double>(i - onset) / static_cast<double>(rise));
    x[i] = amp * ramp * std::sin(2.0 * kPi * hz * static_cast<double>(i - onset) / analysis::kRate);
  }
  return x;
}

TEST(SoundMeasures, KeyCentsReadsTheDetuningOfLowAndHighNotesShortAndLong) {
  struct Case {
    int key;
    double cents;
    size_t frames;
  };
  // 300 ms (a held note's stretch) and 3 s (a pad's), from the bass's C2 to the melody's top.
  for (const Case& c : {Case{36, -11.5, 13230}, Case{40, 7.0, 13230}, Case{64, 3.0, 13230}, Case{83, -4.0, 13230},
                        Case{52, -12.0, 132300}, Case{57, 9.0, 132300}}) {
    SCOPED_TRACE(c.key);
    EXPECT_NEAR(analysis::KeyCents(Tone(c.key, c.cents, 0, 1, c.frames), c.key), c.cents, 1.0);
  }
  // Two layers of an ensemble a fifth of a semitone apart read as their power-weighted mean.
  std::vector<double> layers = Tone(55, -20.0, 0, 1, 132300, 0.3);
  const std::vector<double> upper = Tone(55, 0.0, 0, 1, 132300, 0.3);
  for (size_t i = 0; i < layers.size(); ++i) layers[i] += upper[i];
  EXPECT_NEAR(analysis::KeyCents(layers, 55), -10.0, 2.0);
}

TEST(SoundMeasures, HalfRiseFrameFindsTheAttackAndTheEnvelopeFollowsTheLevel) {
  // A slow rise of 40 ms from frame 1000: half of the peak after 20 ms, within a period of A2.
  const std::vector<double> x = Tone(45, 0.0, 1000, 1764, 20000);
  EXPECT_NEAR(static_cast<double>(analysis::HalfRiseFrame(x, x.size())), 1000 + 882, 441 / 4.0);
  EXPECT_EQ(analysis::HalfRiseFrame(std::vector<double>(500, 0.0), 500), 0u);
  // The envelope holds the largest magnitude of its window: a click lasts exactly that long.
  std::vector<double> click(1000, 0.0);
  click[100] = -0.8;
  const std::vector<double> env = analysis::PeakEnvelope(click, 441);
  EXPECT_EQ(env[99], 0.0);
  EXPECT_EQ(env[100], 0.8);
  EXPECT_EQ(env[540], 0.8);
  EXPECT_EQ(env[541], 0.0);
}

}  // namespace
