// The wave primitives: header bytes, range copies, scaling and rhythm-group copies.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/file_io.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {

std::vector<unsigned char> Samples(const std::vector<int16_t>& values) {
  std::vector<unsigned char> bytes;
  for (const int16_t v : values) {
    bytes.push_back(static_cast<unsigned char>(v & 0xFF));
    bytes.push_back(static_cast<unsigned char>((static_cast<uint16_t>(v) >> 8) & 0xFF));
  }
  return bytes;
}

std::vector<int16_t> Values(const std::vector<unsigned char>& bytes) {
  std::vector<int16_t> values;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    values.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return values;
}

// Copies with one primitive from a file holding bytes into a fresh output; returns the result.
struct CopyCase {
  fixtures::ScratchDir dir;
  CSampleCatalog catalog;
  platform::FileHandle in = 0, out = 0;
  explicit CopyCase(const std::vector<unsigned char>& source) {
    fixtures::WriteAll(dir.File("in.raw"), source);
    in = platform::OpenExisting(dir.File("in.raw"));
    out = platform::CreateAlways(dir.File("out.raw"));
  }
  ~CopyCase() {
    platform::CloseAndClear(in);
    platform::CloseAndClear(out);
  }
  std::vector<unsigned char> Output() {
    platform::CloseAndClear(out);
    return fixtures::ReadAll(dir.File("out.raw"));
  }
};

}  // namespace

TEST(WaveFormat, UnitsOfTimeAtTempo60And90) {
  EXPECT_EQ(wave::BarBytes(60), 352800);
  EXPECT_EQ(wave::BarBytes(90), 235200);
  EXPECT_EQ(wave::EighthBytes(90), 29400);
  EXPECT_EQ(wave::PadBytes(30000 / 60), 44100);
  EXPECT_EQ(wave::PadBytes(30000 / 90), 29370);
  EXPECT_EQ(wave::MsToEvenBytes(469), 41364);
  EXPECT_EQ(wave::MsToEvenBytes(312), 27518);
  EXPECT_EQ(wave::MsToEvenBytes(531), 46834);
  EXPECT_EQ(wave::MsToEvenBytes(354), 31222);
  EXPECT_EQ(wave::MsToEvenBytes(333.0 * 2), 58740);  // two pads at tempo 90
}

TEST(WaveFormat, HeaderBytesAtTempo60And90) {
  fixtures::ScratchDir dir;
  CSampleCatalog catalog;
  catalog.m_dPadMs = 500;
  platform::FileHandle h = catalog.WriteWaveHeader(dir.File("a.wav"), 8, 60);
  ASSERT_TRUE(platform::IsOpen(h));
  platform::CloseAndClear(h);
  const std::vector<unsigned char> expected60 = {
      'R',  'I', 'F', 'F', 0xAC, 0x69, 0x2C, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
      ' ',  16,  0,   0,   0,    1,    0,    1,    0,   0x44, 0xAC, 0,    0,    0x88, 0x58,
      0x01, 0,   2,   0,   16,   0,    'd',  'a',  't', 'a',  0x88, 0x69, 0x2C, 0x00};
  EXPECT_EQ(fixtures::ReadAll(dir.File("a.wav")), expected60);  // 2 910 600 = 352 800 x 8 + 88 200
  EXPECT_EQ(HeaderDataSize(dir.File("a.wav")), 352800u * 8 + 88200);

  catalog.m_dPadMs = 333;
  h = catalog.WriteWaveHeader(dir.File("b.wav"), 8, 90);
  platform::CloseAndClear(h);
  const auto bytes = fixtures::ReadAll(dir.File("b.wav"));
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(HeaderDataSize(dir.File("b.wav")), 1940340u);  // 1 940 341 lowered to whole samples
  EXPECT_EQ(bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (bytes[7] << 24), 1940340 + 36);

  EXPECT_EQ(catalog.WriteWaveHeader(dir.File("missing/c.wav"), 8, 60), platform::kInvalidHandle);
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  EXPECT_EQ(catalog.WriteWaveHeader(full.File("d.wav"), 8, 60), platform::kInvalidHandle);  // header not stored
}

TEST(WaveFormat, CopyRangeCopiesTheRangeAndReportsShortInput) {
  std::vector<unsigned char> source(200000);
  for (size_t i = 0; i < source.size(); ++i)
    source[i] = static_cast<unsigned char>(i * 7 + i / 251);
  {
    CopyCase c(source);
    EXPECT_EQ(c.catalog.CopyRange(c.in, c.out, 1000, 150000), 150000);  // three chunks
    EXPECT_EQ(c.catalog.CopyRange(c.in, c.out, 5, 0), 0);
    EXPECT_EQ(c.Output(),
              std::vector<unsigned char>(source.begin() + 1000, source.begin() + 151000));
  }
  {
    CopyCase c(source);
    EXPECT_EQ(c.catalog.CopyRange(c.in, c.out, 190000, 20000), 10000);  // runs off the end
    EXPECT_EQ(c.catalog.CopyRange(0, c.out, 0, 100), 0);                // seek fails
    EXPECT_EQ(c.Output().size(), 10000u);
  }
  {
    CopyCase c(source);
    fixtures::FullDisk disk;
    if (!disk.Ready()) GTEST_SKIP() << disk.Reason();
    platform::FileHandle full = platform::CreateAlways(disk.File("out.wav"));  // every write fails
    ASSERT_TRUE(platform::IsOpen(full));
    EXPECT_EQ(c.catalog.CopyRange(c.in, full, 0, 1000), 2);
    EXPECT_EQ(c.catalog.CopyRangeScaled(c.in, full, 0, 1000, 3), 2);
    platform::CloseAndClear(full);
  }
}

TEST(WaveFormat, CopyRangeScaledAppliesTheGainOfEachLevel) {
  const std::vector<int16_t> values = {-32768, 1000, 75, -75, 25, -25, 32767, -1, 0, 3};
  auto scaled = [&](int level) {
    CopyCase c(Samples(values));
    EXPECT_EQ(c.catalog.CopyRangeScaled(c.in, c.out, 0, static_cast<int>(values.size() * 2), level),
              static_cast<int>(values.size() * 2));
    return Values(c.Output());
  };
  EXPECT_EQ(scaled(0), values);
  EXPECT_EQ(scaled(1), values);
  const auto level2 = scaled(2);
  EXPECT_EQ(level2[0], -30146);
  EXPECT_EQ(level2[1], 920);
  // The gain is built by repeated subtraction: 75 at level 5 and 25 at level 8 give one more
  // than the closed form would, toward zero on both signs.
  const auto level5 = scaled(5);
  EXPECT_EQ(level5[2], 51);
  EXPECT_EQ(level5[3], -51);
  const auto level8 = scaled(8);
  EXPECT_EQ(level8[4], 11);
  EXPECT_EQ(level8[5], -11);
  const auto level9 = scaled(9);
  EXPECT_EQ(level9[6], 11796);  // 32767 x 0.36 truncated
  EXPECT_EQ(level9[7], 0);      // -0.36 truncates toward zero
  EXPECT_EQ(level9[9], 1);

  CopyCase c(Samples(values));
  EXPECT_EQ(c.catalog.CopyRangeScaled(c.in, c.out, 0, 0, 4), 0);
  EXPECT_EQ(c.catalog.CopyRangeScaled(c.in, c.out, 100, 10, 4), 1);  // nothing to read there
  EXPECT_EQ(c.catalog.CopyRangeScaled(0, c.out, 0, 10, 4), 0);
  EXPECT_TRUE(c.Output().empty());
}

TEST(WaveFormat, CopyRangeScaledStreamsAcrossChunks) {
  std::vector<int16_t> values(100000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int16_t>(i * 37 - 20000);
  CopyCase c(Samples(values));
  EXPECT_EQ(c.catalog.CopyRangeScaled(c.in, c.out, 2, 150000, 2), 150000);
  const auto out = Values(c.Output());
  ASSERT_EQ(out.size(), 75000u);
  for (size_t i = 0; i < out.size(); i += 997)
    EXPECT_EQ(out[i], static_cast<int>(values[i + 1] * 0.92)) << i;
}

TEST(WaveFormat, CopyRhythmSampleCopiesByNameFromTheCatalogArchive) {
  fixtures::ScratchDir dir;
  CSampleCatalog catalog;
  catalog.m_hArchive = platform::OpenExisting(MarkerArchive("Data2.dat"));
  ASSERT_TRUE(platform::IsOpen(catalog.m_hArchive));
  const std::string path = dir.File("out.raw");
  platform::FileHandle out = platform::CreateAlways(path);
  EXPECT_EQ(catalog.CopyRhythmSample(out, "DL_060_08.wav", 100), 1);
  EXPECT_EQ(catalog.CopyRhythmSample(out, "BS01C_10602_1.wav", 220500 + 1000),
            0);  // into the next entry
  // The last entry of the archive: a copy asked past it stops at the end.
  EXPECT_EQ(catalog.CopyRhythmSample(out, "BS12B_10905_2.wav", 205800 + 500), 0);
  platform::CloseAndClear(out);
  const auto samples = fixtures::ReadSamples(path, 0);
  ASSERT_EQ(samples.size(), (220500 + 1000 + 205800) / 2u);
  EXPECT_EQ(samples[0], fixtures::MarkerSample(1, 0));
  EXPECT_EQ(samples[110249], fixtures::MarkerSample(1, 110249));
  EXPECT_EQ(samples[110250], fixtures::MarkerSample(2, 0));
  const int last = RhythmEntry("BS12B_10905_2.wav");
  EXPECT_EQ(samples[110750], fixtures::MarkerSample(last, 0));
  EXPECT_EQ(samples.back(), fixtures::MarkerSample(last, 205800 / 2 - 1));
  // Every sample of the note in place: the 65 535-byte chunks split samples but not the stream.
  for (size_t k = 0; k < 205800 / 2; k += 4099)
    EXPECT_EQ(samples[110750 + k], fixtures::MarkerSample(last, static_cast<int>(k)));

  fixtures::FullDisk disk;
  if (!disk.Ready()) GTEST_SKIP() << disk.Reason();
  platform::FileHandle full = platform::CreateAlways(disk.File("out.wav"));
  EXPECT_EQ(catalog.CopyRhythmSample(full, "DL_060_07.wav", 1000), 2);
  platform::CloseAndClear(full);
}
