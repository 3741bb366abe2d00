#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mci.h"
#include "platform/wave_source.h"
#include "support/fixtures.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Cut(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes Patched(Bytes bytes, size_t offset, unsigned char value) {
  bytes[offset] = value;
  return bytes;
}

struct WaveCase {
  const char* name;
  Bytes bytes;
  int result;
  int rate;
  int channels;
  long long frames;
};

// Files the device must refuse or play, and never crash on.
std::vector<WaveCase> WaveCases() {
  const Bytes mono = fixtures::WaveBytes(44100, 1, 16, 44100);
  return {
      {"mono 44.1 kHz", mono, platform::kMciOk, 44100, 1, 44100},
      {"stereo 48 kHz", fixtures::WaveBytes(48000, 2, 16, 24000), platform::kMciOk, 48000, 2, 24000},
      {"click at 16 kHz", fixtures::WaveBytes(16000, 1, 16, 800), platform::kMciOk, 16000, 1, 800},
      {"no data", fixtures::WaveBytes(44100, 1, 16, 0), platform::kMciOk, 44100, 1, 0},
      // The header promises two seconds; one is there.
      {"truncated", fixtures::WaveBytes(44100, 1, 16, 44100, 2 * 88200), platform::kMciOk, 44100, 1, 44100},
      {"8-bit", fixtures::WaveBytes(22050, 1, 8, 2205), platform::kMciErrBadFile, 0, 0, 0},
      {"three channels", fixtures::WaveBytes(44100, 3, 16, 100), platform::kMciErrBadFile, 0, 0, 0},
      {"rate 4 kHz", fixtures::WaveBytes(4000, 1, 16, 400), platform::kMciErrBadFile, 0, 0, 0},
      {"header cut short", Cut(mono, 30), platform::kMciErrBadFile, 0, 0, 0},
      {"format tag 0x55", Patched(mono, 20, 0x55), platform::kMciErrBadFile, 0, 0, 0},
      {"no RIFF tag", Patched(mono, 0, 'X'), platform::kMciErrBadFile, 0, 0, 0},
      {"text file", Text("Session 241208_101500_\r\nTempo=60\r\n"), platform::kMciErrBadFile, 0, 0, 0},
      {"empty file", Bytes{}, platform::kMciErrBadFile, 0, 0, 0},
  };
}

long long ReadToEnd(platform::CWaveSource& source) {
  std::vector<int16_t> buffer(4096 * 2);
  long long total = 0;
  for (long long got; (got = source.Read(buffer.data(), 4096)) > 0;) total += got;
  return total;
}

TEST(WaveSource, RefusesWhatItCannotPlayAndReadsWhatItCan) {
  fixtures::ScratchDir dir;
  for (const WaveCase& c : WaveCases()) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File("case.wav");
    fixtures::WriteAll(path, c.bytes);
    std::unique_ptr<platform::CWaveSource> file;
    std::unique_ptr<platform::CWaveSource> memory;
    EXPECT_EQ(platform::CWaveSource::Open(path, file), c.result);
    EXPECT_EQ(platform::CWaveSource::OpenMemory(c.bytes.data(), c.bytes.size(), memory), c.result);
    if (c.result != platform::kMciOk) {
      EXPECT_EQ(file, nullptr);
      continue;
    }
    for (platform::CWaveSource* source : {file.get(), memory.get()}) {
      ASSERT_NE(source, nullptr);
      EXPECT_EQ(source->Rate(), c.rate);
      EXPECT_EQ(source->Channels(), c.channels);
      EXPECT_EQ(source->Frames(), c.frames);
      EXPECT_EQ(ReadToEnd(*source), c.frames);
    }
  }
}

TEST(WaveSource, FindsTheNameInAnyCaseAndSeeksByFrame) {
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("WAV_01.WAV"), fixtures::WaveBytes(44100, 1, 16, 1000));
  std::unique_ptr<platform::CWaveSource> source;
  ASSERT_EQ(platform::CWaveSource::Open(dir.File("WAV_01.wav"), source), platform::kMciOk);
  EXPECT_EQ(source->LengthMs(), 22);
  ASSERT_TRUE(source->Seek(999));
  int16_t sample[2] = {0, 0};
  EXPECT_EQ(source->Read(sample, 2), 1);
  EXPECT_EQ(sample[0], (999 % 200 - 100) * 50);
  EXPECT_FALSE(source->Seek(1001));
  EXPECT_EQ(platform::CWaveSource::Open(dir.File("none.wav"), source), platform::kMciErrFileNotFound);
  EXPECT_EQ(platform::CWaveSource::Open(dir.Path(), source), platform::kMciErrFileNotFound);
}

}  // namespace
