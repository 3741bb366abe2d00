// CopyWaveFile: chunking, cancellation (the flag stays set), the STOP path and its result codes.
#include <gtest/gtest.h>

#include "session/track_mixer.h"
#include "support/fixtures.h"
#include "track_mixer_test_util.h"

namespace {

class CopyWaveFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<unsigned char> bytes(600000);
    for (size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<unsigned char>(i * 31 + i / 977);
    }
    fixtures::WriteAll(src, bytes);
    descriptors = mixtest::OpenDescriptors();
  }
  void TearDown() override {
    EXPECT_TRUE(mixtest::AllHandlesClear());
    EXPECT_EQ(mixtest::OpenDescriptors(), descriptors) << "a file was left open";
  }
  long long DestSize() {
    return platform::FileExists(dst) ? static_cast<long long>(fixtures::ReadAll(dst).size()) : -1;
  }

  fixtures::ScratchDir dir;
  mixtest::PumpScope scope;
  std::string src = dir.File("src.wav"), dst = dir.File("dst.wav");
  int descriptors = 0;
};

TEST_F(CopyWaveFileTest, CopiesInChunksOf256000WithOnePumpEach) {
  std::vector<long long> sizesAtPump;
  scope.pump.onPump = [&](int) { sizesAtPump.push_back(DestSize()); };
  EXPECT_EQ(theMixer.CopyWaveFile(src, dst), 0);
  EXPECT_EQ(fixtures::ReadAll(dst), fixtures::ReadAll(src));
  // Chunks of 256 000, 256 000 and 88 000 bytes, and a last pump before the empty read.
  EXPECT_EQ(sizesAtPump, (std::vector<long long>{0, 256000, 512000, 600000}));
}

TEST_F(CopyWaveFileTest, CancelStopsAfterTheCurrentChunkAndKeepsTheFlag) {
  scope.pump.onPump = [](int n) {
    if (n == 2) theMixer.m_bAbort = 1;
  };
  EXPECT_EQ(theMixer.CopyWaveFile(src, dst), -1);
  EXPECT_EQ(DestSize(), 256000);
  EXPECT_EQ(theMixer.m_bAbort, 1);

  // A copy started with the flag still set reads nothing.
  scope.pump.onPump = nullptr;
  EXPECT_EQ(theMixer.CopyWaveFile(src, dst), -1);
  EXPECT_EQ(DestSize(), 0);
}

TEST_F(CopyWaveFileTest, StopPathClosingTheHandlesIsRespected) {
  platform::FileHandle sentinel = 0;
  scope.pump.onPump = [&](int n) {
    if (n != 3) return;
    mixtest::StopAction();
    sentinel = platform::OpenExisting(src);
  };
  EXPECT_EQ(theMixer.CopyWaveFile(src, dst), -1);
  char byte = 0;
  EXPECT_EQ(platform::ReadFile(sentinel, &byte, 1), 1)
      << "the copier closed a handle it no longer owned";
  platform::CloseAndClear(sentinel);
  EXPECT_EQ(DestSize(), 512000);
}

TEST_F(CopyWaveFileTest, FailureCodes) {
  EXPECT_EQ(theMixer.CopyWaveFile(dir.File("none.wav"), dst), 1);
  EXPECT_FALSE(platform::FileExists(dst));
  EXPECT_EQ(theMixer.CopyWaveFile(src, dir.File("no/folder/dst.wav")), 2);
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  EXPECT_EQ(theMixer.CopyWaveFile(src, full.File("dst.wav")), 99);
  EXPECT_EQ(theMixer.CopyWaveFile(src, full.File("stem.wav"), CTrackMixer::CopyTarget::kFinishedFile), 99);
  EXPECT_EQ(platform::ListFolder(full.File(""), "s").size(), 0u);  // a finished file never appears short
  EXPECT_EQ(scope.pump.count, 2);  // only the copies that reached their loop pumped
}

}  // namespace
