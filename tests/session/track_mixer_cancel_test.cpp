// MixTracks under cancellation and failure: which files remain, that every file the call opened
// is closed, and every result code that can be provoked from outside.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include "session/track_mixer.h"
#include "support/fixtures.h"
#include "track_mixer_test_util.h"

namespace {

using mixtest::WriteWave;

// Inputs of 80 000 samples: three chunks per pass, so pumps 1-4 belong to the first pass (the
// fourth finds the inputs exhausted) and pumps 5-8 to the second.
constexpr int kSamples = 80000;
constexpr int kFirstPassPumps = 4;

// Limits the size of any file this process writes; SIGXFSZ is ignored so that a write beyond
// the limit comes back short.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_oldHandler);
  }
  void Reset() { ::setrlimit(RLIMIT_FSIZE, &m_saved); }
  void Set(rlim_t bytes) {
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }

 private:
  rlimit m_saved{};
  void (*m_oldHandler)(int) = nullptr;
};

class MixTracksCancelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<int> a(kSamples), b(kSamples);
    for (int i = 0; i < kSamples; ++i) {
      a[i] = (i % 7) * 1000 - 3000;
      b[i] = (i % 5) * 900 - 1800;
    }
    WriteWave(in1, 1, a);
    WriteWave(in2, 2, b);
    fixtures::WriteAll(out, {'o', 'l', 'd'});
    descriptors = mixtest::OpenDescriptors();
  }
  void TearDown() override {
    EXPECT_TRUE(mixtest::AllHandlesClear());
    EXPECT_EQ(mixtest::OpenDescriptors(), descriptors) << "a file was left open";
  }
  int Mix() { return theMixer.MixTracks(out, in1, in2, tmp); }
  // Runs action at the k-th pump from now.
  void AtPump(int k, std::function<void()> action) {
    scope.pump.count = 0;
    scope.pump.onPump = [k, action](int n) {
      if (n == k) action();
    };
  }
  bool OutUntouched() {
    return fixtures::ReadAll(out) == std::vector<unsigned char>{'o', 'l', 'd'};
  }

  fixtures::ScratchDir dir;
  mixtest::PumpScope scope;
  std::string in1 = dir.File("in1.wav"), in2 = dir.File("in2.wav");
  std::string out = dir.File("out.wav"), tmp = dir.File("tmp.wav");
  std::string missing = dir.File("no/such/folder/x.wav");
  int descriptors = 0;
};

TEST_F(MixTracksCancelTest, FlagSetBeforehandIsClearedAndTheMixCompletes) {
  theMixer.m_bAbort = 1;
  EXPECT_EQ(Mix(), 0);
  EXPECT_EQ(theMixer.m_bAbort, 0);
  EXPECT_EQ(scope.pump.count, 2 * kFirstPassPumps);  // one pump per chunk and one at each end
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 2u * kSamples);
}

// The flag is cleared when the first pass begins, after the files are open and the block is
// copied: a mix that fails before that leaves a pending cancel in place.
TEST_F(MixTracksCancelTest, FlagIsClearedOnlyWhenTheFirstPassBegins) {
  const std::string shortFile = dir.File("short.wav");
  fixtures::WriteAll(shortFile, std::vector<unsigned char>(103, 1));
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  const struct {
    std::string in1, in2, scratch;
    int result;
  } failures[] = {{dir.File("none.wav"), in2, tmp, 1}, {in1, dir.File("none.wav"), tmp, 2},
                  {in1, in2, missing, 3},               {shortFile, in2, tmp, 4},
                  {in1, shortFile, tmp, 5},             {in1, in2, full.File("tmp.wav"), 6}};
  for (const auto& f : failures) {
    theMixer.m_bAbort = 1;
    EXPECT_EQ(theMixer.MixTracks(out, f.in1, f.in2, f.scratch), f.result);
    EXPECT_EQ(theMixer.m_bAbort, 1) << "result " << f.result;
  }
  EXPECT_EQ(scope.pump.count, 0);
}

TEST_F(MixTracksCancelTest, CancelInFirstPassRemovesScratchAndLeavesOutput) {
  AtPump(2, [] { theMixer.m_bAbort = 1; });
  EXPECT_EQ(Mix(), -1);
  EXPECT_EQ(scope.pump.count, 2);
  EXPECT_FALSE(platform::FileExists(tmp));
  EXPECT_TRUE(OutUntouched());
}

TEST_F(MixTracksCancelTest, CancelInSecondPassDeletesScratch) {
  AtPump(kFirstPassPumps + 2, [] { theMixer.m_bAbort = 1; });
  EXPECT_EQ(Mix(), -1);
  EXPECT_FALSE(platform::FileExists(tmp));
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 64000u);
}

// The STOP path closes and clears the handle fields inside the pump. A file opened right after
// it reuses a freed descriptor; the mixer must not close it again when it returns.
TEST_F(MixTracksCancelTest, StopPathClosingTheHandlesIsRespected) {
  for (int k : {1, 3, kFirstPassPumps + 1, kFirstPassPumps + 3}) {
    platform::FileHandle sentinel = 0;
    AtPump(k, [&] {
      mixtest::StopAction();
      sentinel = platform::OpenExisting(in1);
    });
    EXPECT_EQ(Mix(), -1) << "stop at pump " << k;
    ASSERT_TRUE(platform::IsOpen(sentinel));
    char byte = 0;
    EXPECT_EQ(platform::ReadFile(sentinel, &byte, 1), 1) << "sentinel closed, stop at pump " << k;
    platform::CloseAndClear(sentinel);
    EXPECT_FALSE(platform::FileExists(tmp));
  }
}

TEST_F(MixTracksCancelTest, FailuresBeforeTheSecondPassLeaveTheOutput) {
  EXPECT_EQ(theMixer.MixTracks(out, dir.File("none.wav"), in2, tmp), 1);
  EXPECT_EQ(theMixer.MixTracks(out, in1, dir.File("none.wav"), tmp), 2);
  EXPECT_EQ(theMixer.MixTracks(out, in1, in2, missing), 3);
  const std::string shortFile = dir.File("short.wav");
  fixtures::WriteAll(shortFile, std::vector<unsigned char>(103, 1));
  EXPECT_EQ(theMixer.MixTracks(out, shortFile, in2, tmp), 4);
  EXPECT_EQ(theMixer.MixTracks(out, in1, shortFile, tmp), 5);
  // A full disk takes the new scratch file and fails every write to it.
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  EXPECT_EQ(theMixer.MixTracks(out, in1, in2, full.File("tmp.wav")), 6);
  EXPECT_TRUE(OutUntouched());
}

TEST_F(MixTracksCancelTest, ScratchLostDuringTheFirstPass) {
  AtPump(2, [this] { platform::DeleteFile(tmp); });
  EXPECT_EQ(Mix(), 9);
  EXPECT_TRUE(OutUntouched());

  // Replaced by a file shorter than the block.
  AtPump(2, [this] {
    platform::DeleteFile(tmp);
    fixtures::WriteAll(tmp, std::vector<unsigned char>(50, 0));
  });
  EXPECT_EQ(Mix(), 11);
}

TEST_F(MixTracksCancelTest, OutputFailures) {
  EXPECT_EQ(theMixer.MixTracks(missing, in1, in2, tmp), 10);
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  EXPECT_EQ(theMixer.MixTracks(full.File("Mix.wav"), in1, in2, tmp), 12);
  // Silent inputs whose copy to the output fails.
  WriteWave(in1, 1, std::vector<int>(10, 0));
  WriteWave(in2, 2, std::vector<int>(10, 0));
  EXPECT_EQ(theMixer.MixTracks(missing, in1, in2, tmp), 8);
}

// A scratch file that vanished is no failure; one that cannot be deleted (its file system
// became read-only during the second pass) gives 7, with the output complete.
TEST_F(MixTracksCancelTest, ScratchThatCannotBeDeletedGivesSeven) {
  AtPump(kFirstPassPumps + 1, [this] { platform::DeleteFile(tmp); });
  EXPECT_EQ(Mix(), 0);
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 2u * kSamples);

  const std::string folder = dir.File("mounted");
  fixtures::TmpfsMount mount(folder, 1024);
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  AtPump(kFirstPassPumps + 1, [&mount] { ASSERT_TRUE(mount.MakeReadOnly()); });
  EXPECT_EQ(theMixer.MixTracks(out, in1, in2, folder + "/tmp.wav"), CTrackMixer::kMixScratchKept);
  EXPECT_EQ(fixtures::ReadAll(out).size(), 104u + 2u * kSamples);
  EXPECT_TRUE(platform::FileExists(folder + "/tmp.wav"));
}

TEST_F(MixTracksCancelTest, ShortWriteInEitherPassGives99) {
  FileSizeLimit limit;
  limit.Set(104 + 64000 + 1000);  // the scratch file fills up in its second chunk
  EXPECT_EQ(Mix(), 99);
  limit.Reset();
  EXPECT_TRUE(OutUntouched());

  AtPump(kFirstPassPumps + 1, [&limit] { limit.Set(104 + 1000); });
  EXPECT_EQ(Mix(), 99);
}

}  // namespace
