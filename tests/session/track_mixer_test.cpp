// MixTracks on small inputs: averaging, the peak-restoring gain, silent inputs, unequal and odd
// lengths, and the piece mix whose output replaces its first input.
#include <gtest/gtest.h>

#include "session/track_mixer.h"
#include "support/fixtures.h"
#include "track_mixer_test_util.h"

namespace {

using mixtest::Block;
using mixtest::MixedSamples;
using mixtest::WriteWave;

class MixTracksTest : public ::testing::Test {
 protected:
  std::vector<unsigned char> Head(const std::string& path) {
    auto bytes = fixtures::ReadAll(path);
    bytes.resize(CTrackMixer::kBlockBytes);
    return bytes;
  }
  int Mix() { return theMixer.MixTracks(out, in1, in2, tmp); }

  fixtures::ScratchDir dir;
  mixtest::PumpScope scope;
  std::string in1 = dir.File("in1.wav"), in2 = dir.File("in2.wav");
  std::string out = dir.File("out.wav"), tmp = dir.File("tmp.wav");
};

// The samples repeated, so that a case runs through the eight-sample blocks and the rest.
std::vector<int> Times3(std::vector<int> v) {
  const size_t n = v.size();
  for (int copy = 0; copy < 2; ++copy) v.insert(v.end(), v.begin(), v.begin() + n);
  return v;
}

// A square-ish wave with both peaks at +-2000 in every stretch of four samples.
int Pattern1(int i) { return i % 2 ? -2000 : 2000; }
int Pattern2(int i) { return i % 4 < 2 ? Pattern1(i) : 0; }

TEST_F(MixTracksTest, AveragesTowardZeroAndKeepsTheFirstBlock) {
  WriteWave(in1, 11, Times3({3, -3, 32767, -32768, 100, 7}));
  WriteWave(in2, 90, Times3({-2, 0, 32767, -32768, -101, -8}));
  ASSERT_EQ(Mix(), 0);
  // Both peaks of the average equal those of the inputs: gain 1.
  EXPECT_EQ(MixedSamples(out), Times3({0, -1, 32767, -32768, 0, 0}));
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 36u);
  EXPECT_EQ(Head(out), Block(11));
  EXPECT_FALSE(platform::FileExists(tmp));
  EXPECT_TRUE(mixtest::AllHandlesClear());
}

TEST_F(MixTracksTest, GainIsTheSmallerPeakRatio) {
  // Input peaks 20 000 / -16 000, averaged peaks 12 000 / -10 000: gain 1.6 from the low side.
  WriteWave(in1, 1, Times3({20000, -16000, 14, -14}));
  WriteWave(in2, 2, Times3({4000, -4000, 0, 0}));
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), Times3({19200, -16000, 11, -11}));

  // Mirrored: the high side gives the smaller ratio.
  WriteWave(in1, 1, Times3({-20000, 16000, 14, -14}));
  WriteWave(in2, 2, Times3({-4000, 4000, 0, 0}));
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), Times3({-19200, 16000, 11, -11}));
}

TEST_F(MixTracksTest, RatioWithZeroDenominatorIsLeftOut) {
  // No positive average: only the low ratio 300 / 200 counts.
  WriteWave(in1, 1, Times3({-100, -200, -300}));
  WriteWave(in2, 2, Times3({-100, 0, -100}));
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), Times3({-150, -150, -300}));

  // The inputs cancel out: both ratios left out, gain 1; not the silent-inputs branch.
  WriteWave(in1, 1, Times3({1, -1, 500}));
  WriteWave(in2, 2, Times3({-1, 1, -500}));
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), std::vector<int>(9, 0));
  EXPECT_FALSE(platform::FileExists(tmp));
}

TEST_F(MixTracksTest, LowOfPositiveAveragesIsTheSmallestAverage) {
  // No average is negative, so the low of the average is the smallest one, 10 (a value that is
  // a new high and a new low at once updates both). The low ratio 10 / 10 = 1 then decides over
  // the high ratio 800 / 400 = 2. A low left at 65 535, or at 0, would change the gain.
  WriteWave(in1, 1, Times3({-10, 800, 300}));
  WriteWave(in2, 2, Times3({30, 0, 100}));
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), Times3({10, 400, 200}));

  // Rising values, each input and each average a new high when it comes: the lows 10 (inputs)
  // and 20 (average) are seen only as new highs. Low ratio 0.5, high ratio 1130 / 1120: gain
  // 0.5. Lows that skipped a new high would stay at 65 535 and give gain 1.
  std::vector<int> a, b, expected;
  for (int i = 0; i < 12; ++i) {  // an eight-sample block and a rest of four
    a.push_back(100 * i + 10);
    b.push_back(100 * i + 30);
    expected.push_back(50 * i + 10);
  }
  WriteWave(in1, 1, a);
  WriteWave(in2, 2, b);
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), expected);
}

TEST_F(MixTracksTest, SilentInputsGiveTheAveragedSilenceAndNoScratchIsLeft) {
  WriteWave(in1, 5, std::vector<int>(40000, 0));
  WriteWave(in2, 6, std::vector<int>(35000, 0));
  fixtures::WriteAll(out, std::vector<unsigned char>(300000, 0x55));
  ASSERT_EQ(Mix(), 0);
  EXPECT_FALSE(platform::FileExists(tmp));
  const auto bytes = fixtures::ReadAll(out);
  EXPECT_EQ(bytes.size(), 104u + 70000u);
  EXPECT_EQ(Head(out), Block(5));
  EXPECT_EQ(MixedSamples(out), std::vector<int>(35000, 0));
}

TEST_F(MixTracksTest, SecondInputShorterEndsTheResult) {
  std::vector<int> a(90000), b(50000), expected(50000);
  for (int i = 0; i < 90000; ++i) a[i] = Pattern1(i);
  for (int i = 0; i < 50000; ++i) {
    b[i] = Pattern2(i);
    expected[i] = (a[i] + b[i]) / 2;
  }
  WriteWave(in1, 3, a);
  WriteWave(in2, 4, b);
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 100000u);
  EXPECT_EQ(MixedSamples(out), expected);
}

TEST_F(MixTracksTest, ExhaustedFirstInputCountsAsSilence) {
  // The first input ends in the middle of the second chunk; the result follows the second.
  std::vector<int> a(40000), b(100000), expected(100000);
  for (int i = 0; i < 40000; ++i) a[i] = Pattern1(i);
  for (int i = 0; i < 100000; ++i) {
    b[i] = Pattern2(i);
    expected[i] = ((i < 40000 ? a[i] : 0) + b[i]) / 2;
  }
  WriteWave(in1, 3, a);
  WriteWave(in2, 4, b);
  ASSERT_EQ(Mix(), 0);
  EXPECT_EQ(MixedSamples(out), expected);
}

TEST_F(MixTracksTest, OutputMayReplaceTheFirstInput) {
  std::vector<int> a(70000), b(70000), expected(70000);
  for (int i = 0; i < 70000; ++i) {
    a[i] = Pattern1(i);
    b[i] = Pattern2(i);
    expected[i] = (a[i] + b[i]) / 2;
  }
  WriteWave(in1, 7, a);
  WriteWave(in2, 8, b);
  ASSERT_EQ(theMixer.MixTracks(in1, in1, in2, tmp), 0);
  EXPECT_EQ(Head(in1), Block(7));
  EXPECT_EQ(MixedSamples(in1), expected);
  EXPECT_FALSE(platform::FileExists(tmp));

  // Silent inputs take the copy branch, which deletes the output (the first input) first.
  WriteWave(in1, 7, std::vector<int>(100, 0));
  WriteWave(in2, 8, std::vector<int>(80, 0));
  ASSERT_EQ(theMixer.MixTracks(in1, in1, in2, tmp), 0);
  EXPECT_EQ(Head(in1), Block(7));
  EXPECT_EQ(fixtures::ReadAll(in1).size(), 104u + 160u);
  EXPECT_FALSE(platform::FileExists(tmp));
}

// Odd lengths in the second chunk, after a full chunk has left nonzero high bytes in every
// buffer (-1000, -16, their average -508 and its scaled -762 = 0xFD06), so that a stale byte
// would show. The last, half sample position averages 300 and 100 into 200, which sets the
// high ratio 300 / 200 = 1.5; the low ratio 1000 / 508 is larger. A wrong high byte there
// changes the peaks and so every sample; in the second pass it changes the last byte.
TEST_F(MixTracksTest, OddSecondInputEndsWithItsLastByte) {
  std::vector<int> a(32001, -1000), b(32001, -16);
  a.push_back(300);
  WriteWave(in1, 1, a);
  WriteWave(in2, 2, b, {100});  // 100 with its high byte missing
  ASSERT_EQ(Mix(), 0);
  const auto bytes = fixtures::ReadAll(out);
  ASSERT_EQ(bytes.size(), 104u + 64000u + 3u);
  EXPECT_EQ(MixedSamples(out), std::vector<int>(32001, -762));  // -508 x 1.5
  EXPECT_EQ(bytes.back(), 300 & 0xFF);  // 200 x 1.5, its low byte only
}

TEST_F(MixTracksTest, OddFirstInputContributesItsLastByteOnly) {
  std::vector<int> a(32001, -1000), b(32001, -16);
  b.push_back(300);
  WriteWave(in1, 1, a, {100});
  WriteWave(in2, 2, b);
  ASSERT_EQ(Mix(), 0);
  auto expected = std::vector<int>(32001, -762);
  expected.push_back(300);  // (100 + 300) / 2 x 1.5
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 64004u);
  EXPECT_EQ(MixedSamples(out), expected);
}

}  // namespace
