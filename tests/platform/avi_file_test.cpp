#include "platform/avi_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace {

using platform::AviMovie;
using platform::AviResult;
using Bytes = std::vector<std::uint8_t>;

// A movie whose every pixel tells its frame, row and column apart.
AviMovie Pattern(int w, int h, int frames) {
  AviMovie m;
  m.m_nWidth = w;
  m.m_nHeight = h;
  m.m_nMicroSecPerFrame = 66'667;
  for (int f = 0; f < frames; ++f) {
    Bytes frame(m.FrameBytes());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = &frame[(static_cast<size_t>(y) * w + x) * 3];
        p[0] = static_cast<std::uint8_t>(f * 7 + 1);
        p[1] = static_cast<std::uint8_t>(y);
        p[2] = static_cast<std::uint8_t>(x);
      }
    m.m_frames.push_back(frame);
  }
  return m;
}

AviResult Read(const Bytes& bytes, AviMovie& movie) { return platform::ReadAvi(bytes.data(), bytes.size(), movie); }

// Offset of the first occurrence of a four-character tag.
size_t Find(const Bytes& b, const char* tag) {
  for (size_t i = 0; i + 4 <= b.size(); ++i)
    if (std::memcmp(&b[i], tag, 4) == 0) return i;
  return std::string::npos;
}
void Put32(Bytes& b, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(AviFile, FramesComeBackInOrderWithTheirSizeRateAndPixels) {
  // Odd widths exercise the padding of each row to four bytes.
  for (auto [w, h, frames] : {std::tuple{85, 85, 24}, std::tuple{140, 65, 3}, std::tuple{1, 1, 1}, std::tuple{6, 2, 2}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const AviMovie written = Pattern(w, h, frames);
    const Bytes bytes = platform::WriteAvi(written);
    ASSERT_FALSE(bytes.empty());
    AviMovie read;
    ASSERT_EQ(Read(bytes, read), AviResult::kOk);
    EXPECT_EQ(read.m_nWidth, w);
    EXPECT_EQ(read.m_nHeight, h);
    EXPECT_EQ(read.m_nMicroSecPerFrame, 66'667);
    EXPECT_EQ(read.m_frames, written.m_frames);
  }
}

TEST(AviFile, TopDownFramesAndAMissingIndexAreAccepted) {
  const AviMovie written = Pattern(4, 3, 2);
  Bytes bytes = platform::WriteAvi(written);
  // A negative height in the format header means rows stored top-down: the reader then gives
  // the stored rows in file order, which is the written picture upside down.
  Put32(bytes, Find(bytes, "strf") + 8 + 8, static_cast<std::uint32_t>(-3));
  AviMovie read;
  ASSERT_EQ(Read(bytes, read), AviResult::kOk);
  for (int y = 0; y < 3; ++y)
    EXPECT_EQ(read.m_frames[0][static_cast<size_t>(y) * 12 + 1], 2 - y) << "row " << y;

  Bytes noIndex = platform::WriteAvi(written);
  noIndex.resize(Find(noIndex, "idx1"));
  Put32(noIndex, 4, static_cast<std::uint32_t>(noIndex.size() - 8));
  ASSERT_EQ(Read(noIndex, read), AviResult::kOk);
  EXPECT_EQ(read.m_frames, written.m_frames);
}

TEST(AviFile, TruncatedFilesAreRefusedAtEveryCut) {
  const Bytes bytes = platform::WriteAvi(Pattern(5, 4, 3));
  const size_t movi = Find(bytes, "movi");
  for (size_t cut : {size_t{0}, size_t{3}, size_t{11}, size_t{12}, size_t{40}, movi, movi + 30, bytes.size() / 2,
                     Find(bytes, "idx1"), bytes.size() - 1}) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    AviMovie read;
    const Bytes part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    EXPECT_NE(Read(part, read), AviResult::kOk);
    EXPECT_TRUE(read.m_frames.empty());
    EXPECT_EQ(read.m_nWidth, 0);
  }
  // Every cut, not only the chosen ones, is refused without a crash.
  for (size_t cut = 0; cut < bytes.size(); cut += 7) {
    AviMovie read;
    EXPECT_NE(Read(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(cut)), read), AviResult::kOk) << cut;
  }
}

TEST(AviFile, DamagedHeadersAreRefusedWithTheirReason) {
  const Bytes good = platform::WriteAvi(Pattern(5, 4, 3));
  const size_t strf = Find(good, "strf") + 8, avih = Find(good, "avih") + 8;
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    AviResult expected;
  };
  const Case cases[] = {
      {"not RIFF", [](Bytes& b) { b[0] = 'X'; }, AviResult::kNotAvi},
      {"a WAVE file", [](Bytes& b) { std::memcpy(&b[8], "WAVE", 4); }, AviResult::kNotAvi},
      {"RIFF size past the end", [](Bytes& b) { Put32(b, 4, static_cast<std::uint32_t>(b.size())); }, AviResult::kTruncated},
      {"chunk size past the end", [&](Bytes& b) { Put32(b, avih - 4, 0xFFFFFFF0u); }, AviResult::kTruncated},
      {"main header too short", [&](Bytes& b) { Put32(b, avih - 4, 8); }, AviResult::kBadHeader},
      {"no main header", [&](Bytes& b) { std::memcpy(&b[avih - 8], "junk", 4); }, AviResult::kBadHeader},
      {"no format header", [&](Bytes& b) { std::memcpy(&b[strf - 8], "junk", 4); }, AviResult::kBadHeader},
      {"8-bit frames", [&](Bytes& b) { b[strf + 14] = 8; }, AviResult::kUnsupported},
      {"compressed frames", [&](Bytes& b) { std::memcpy(&b[strf + 16], "MJPG", 4); }, AviResult::kUnsupported},
      {"zero width", [&](Bytes& b) { Put32(b, strf + 4, 0); }, AviResult::kBadHeader},
      {"negative width", [&](Bytes& b) { Put32(b, strf + 4, 0xFFFFFFFBu); }, AviResult::kBadHeader},
      {"huge height", [&](Bytes& b) { Put32(b, strf + 8, 100000); }, AviResult::kTooLarge},
      {"frames larger than their chunks", [&](Bytes& b) { Put32(b, strf + 4, 50); }, AviResult::kTruncated},
      {"more frames announced than stored", [&](Bytes& b) { Put32(b, avih + 16, 4); }, AviResult::kTruncated},
      {"a frame time that rounds to nothing", [&](Bytes& b) {
         Put32(b, avih, 0);
         Put32(b, Find(b, "strh") + 8 + 20, 1);           // scale
         Put32(b, Find(b, "strh") + 8 + 24, 0xF0000000u);  // rate
       }, AviResult::kBadHeader},
      {"ten seconds and more a frame", [&](Bytes& b) { Put32(b, avih, 10'000'001); }, AviResult::kBadHeader},
      {"no frame rate", [&](Bytes& b) {
         Put32(b, avih, 0);
         Put32(b, Find(b, "strh") + 8 + 24, 0);
       }, AviResult::kBadHeader},
      {"no movie list", [](Bytes& b) { std::memcpy(&b[Find(b, "movi")], "xxxx", 4); }, AviResult::kNoFrames},
      {"no frame chunks", [](Bytes& b) {
         for (size_t at = Find(b, "00db"); at != std::string::npos && at < Find(b, "idx1"); at = Find(b, "00db"))
           std::memcpy(&b[at], "JUNK", 4);
       }, AviResult::kNoFrames},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good;
    c.damage(bytes);
    AviMovie read;
    EXPECT_EQ(Read(bytes, read), c.expected) << platform::AviResultText(Read(bytes, read));
    EXPECT_TRUE(read.m_frames.empty());
  }
}

TEST(AviFile, WriterRefusesInconsistentMovies) {
  AviMovie m = Pattern(4, 4, 2);
  m.m_frames[1].pop_back();
  EXPECT_TRUE(platform::WriteAvi(m).empty());
  EXPECT_TRUE(platform::WriteAvi(AviMovie{}).empty());
}

TEST(AviFile, FilesOpenCaseInsensitivelyAndMissingOnesAreReported) {
  fixtures::ScratchDir dir;
  ASSERT_EQ(platform::WriteAviFile(dir.File("fan.avi"), Pattern(3, 3, 2)), AviResult::kOk);
  AviMovie read;
  EXPECT_EQ(platform::ReadAviFile(dir.File("FAN.AVI"), read), AviResult::kOk);
  EXPECT_EQ(read.m_frames.size(), 2u);
  EXPECT_EQ(platform::ReadAviFile(dir.File("mag.avi"), read), AviResult::kCannotOpen);
  EXPECT_TRUE(read.m_frames.empty());
  fixtures::WriteAll(dir.File("empty.avi"), {});
  EXPECT_EQ(platform::ReadAviFile(dir.File("empty.avi"), read), AviResult::kNotAvi);
  EXPECT_EQ(platform::WriteAviFile(dir.File("no/such/folder.avi"), Pattern(3, 3, 1)), AviResult::kCannotWrite);
}

}  // namespace
