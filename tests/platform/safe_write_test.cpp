// Finished files are written through a fresh file renamed over the target: the old content
// survives every failure, nothing is written through a symlink, and only regular files are
// read or replaced.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "platform/text_file.h"
#include "support/fixtures.h"

namespace {

using platform::FileHandle;
using platform::LinkRule;
using Bytes = std::vector<unsigned char>;

const Bytes kOld{'o', 'l', 'd'};
const Bytes kNew{'n', 'e', 'w', '!'};

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Writes kNew to path through a replacement; true when it was committed.
bool Replace(const std::string& path, LinkRule links = LinkRule::kRefuse) {
  FileHandle h = platform::CreateReplacement(path, links);
  if (!platform::IsOpen(h)) return false;
  platform::WriteFile(h, kNew.data(), static_cast<int>(kNew.size()));
  return platform::CommitFile(h);
}

// What CreateReplacement does with each kind of thing standing at the name.
TEST(SafeWrite, ReplacesOnlyRegularFilesAndFollowsALinkOnlyWhenAsked) {
  struct Case {
    const char* what;
    LinkRule links;
    int error;          // 0: committed
    bool bVictimNew;    // the file the link points to received the new content
  };
  const Case cases[] = {
      {"nothing", LinkRule::kRefuse, 0, false},
      {"older file 0640", LinkRule::kRefuse, 0, false},
      {"symlink", LinkRule::kRefuse, ELOOP, false},
      {"symlink", LinkRule::kReplaceTarget, 0, true},
      {"dangling symlink", LinkRule::kReplaceTarget, ENOENT, false},
      {"folder", LinkRule::kRefuse, EISDIR, false},
      {"pipe", LinkRule::kRefuse, platform::kNotRegularFile, false},
      {"device", LinkRule::kRefuse, platform::kNotRegularFile, false},
      {"symlink to a device", LinkRule::kReplaceTarget, platform::kNotRegularFile, false},
  };
  for (const Case& c : cases) {
    const std::string what = c.what;
    SCOPED_TRACE(what + (c.links == LinkRule::kReplaceTarget ? ", links followed" : ""));
    fixtures::ScratchDir dir;
    const std::string path = dir.File("Vorsk.INI"), victim = dir.File("victim"), node = dir.File("node");
    fixtures::WriteAll(victim, kOld);
    if (what == "older file 0640") {
      fixtures::WriteAll(path, kOld);
      ASSERT_EQ(::chmod(path.c_str(), 04640), 0);  // the set-id bit is not carried over
      if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), fixtures::kNobodyUid, fixtures::kNogroupGid), 0);
      }
    } else if (what == "symlink") {
      ASSERT_EQ(::symlink("victim", path.c_str()), 0);  // relative, as dotfile tools make them
    } else if (what == "dangling symlink") {
      ASSERT_EQ(::symlink("nowhere", path.c_str()), 0);
    } else if (what == "folder") {
      ASSERT_TRUE(platform::MakeFolder(path));
    } else if (what == "pipe") {
      ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    } else if (what == "device" || what == "symlink to a device") {
      if (::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) continue;  // not root
      if (what == "device") ASSERT_EQ(::rename(node.c_str(), path.c_str()), 0);
      else ASSERT_EQ(::symlink(node.c_str(), path.c_str()), 0);
    }
    const unsigned typeBefore = ModeOf(path) & S_IFMT;

    platform::ClearFileFailure();
    EXPECT_EQ(Replace(path, c.links), c.error == 0);
    EXPECT_EQ(platform::LastFileFailure().nError, c.error);
    if (c.error == 0 && !c.bVictimNew) {
      EXPECT_EQ(fixtures::ReadAll(path), kNew);
      EXPECT_EQ(ModeOf(path) & 07777, what == "nothing" ? 0644u : 0640u);
      struct stat st {};
      ASSERT_EQ(::lstat(path.c_str(), &st), 0);
      // Run as root, the replaced file keeps its owner.
      if (what != "nothing" && ::geteuid() == 0) {
        EXPECT_EQ(st.st_uid, fixtures::kNobodyUid);
      }
    }
    if (c.error != 0) {
      EXPECT_EQ(ModeOf(path) & S_IFMT, typeBefore);  // left as it was
    }
    EXPECT_EQ(fixtures::ReadAll(victim), c.bVictimNew ? kNew : kOld);
    if (c.bVictimNew) {
      EXPECT_TRUE(S_ISLNK(ModeOf(path)));  // the link stays a link
    }
    EXPECT_FALSE(platform::FileExists(dir.File("nowhere")));
    // No fresh file is left behind, whatever happened.
    for (const std::string& name : platform::ListFolder(dir.Path(), "")) EXPECT_NE(name[0], '.') << name;
  }
}

// Every way a replacement can end short of its commit keeps the old file whole.
TEST(SafeWrite, TheOldFileSurvivesAFullDiskAndAnAbandonedWrite) {
  fixtures::FullDisk disk(false);
  if (!disk.Reason().empty()) GTEST_SKIP() << disk.Reason();
  const std::string midi = disk.File("piece.mid");
  fixtures::WriteAll(midi, kOld);
  ASSERT_TRUE(disk.Fill());

  platform::ClearFileFailure();
  const std::vector<unsigned char> big(32 * 1024, 'x');
  FileHandle h = platform::CreateReplacement(midi);
  ASSERT_TRUE(platform::IsOpen(h));
  EXPECT_LT(platform::WriteFile(h, big.data(), static_cast<int>(big.size())), 32 * 1024);
  EXPECT_FALSE(platform::CommitFile(h));
  EXPECT_EQ(platform::LastFileFailure().nError, ENOSPC);
  EXPECT_EQ(platform::LastFileFailure().strPath, midi);
  EXPECT_EQ(fixtures::ReadAll(midi), kOld);

  // Closed without a commit (a cancel): the same.
  fixtures::ScratchDir dir;
  const std::string excerpt = dir.File("Mix_01.wav");
  fixtures::WriteAll(excerpt, kOld);
  h = platform::CreateReplacement(excerpt);
  EXPECT_EQ(platform::WriteFile(h, kNew.data(), 4), 4);
  EXPECT_TRUE(platform::CloseFile(h));
  EXPECT_EQ(fixtures::ReadAll(excerpt), kOld);
  EXPECT_EQ(platform::ListFolder(dir.Path(), "").size(), 1u);
  EXPECT_EQ(platform::ListFolder(disk.File(""), ".").size(), 0u);
}

// Another user swaps a symlink in at the target while files are replaced and created there:
// the file the symlink points to is never written.
TEST(SafeWrite, ASymlinkSwappedInDuringTheWriteIsNeverFollowed) {
  fixtures::ScratchDir dir;
  const std::string target = dir.File("log.txt"), victim = dir.File("victim"), link = dir.File("link");
  fixtures::WriteAll(victim, kOld);
  std::atomic<bool> bStop{false};
  std::thread swapper([&] {
    // The symlink comes and goes, so that some writes find the name free when they look and
    // taken when they finish.
    while (!bStop) {
      ::symlink(victim.c_str(), link.c_str());
      ::rename(link.c_str(), target.c_str());
      ::unlink(target.c_str());
    }
  });
  int committed = 0;
  for (int i = 0; i < 2000; ++i) {
    committed += Replace(target) ? 1 : 0;
    FileHandle h = platform::CreateAlways(target);
    platform::WriteFile(h, kNew.data(), 4);
    platform::CloseFile(h);
    platform::CTextFile log;  // the session log's and Vorsk.INI's way
    if (log.OpenWrite(target)) log.Write("Session ID: 1\n");
    log.Close();
  }
  bStop = true;
  swapper.join();
  EXPECT_GT(committed, 0);
  EXPECT_EQ(fixtures::ReadAll(victim), kOld);
}

// Reading opens only regular files and never waits on a pipe without a writer.
TEST(SafeRead, PipesDevicesAndFoldersAreRefusedWithoutBlocking) {
  struct Case {
    const char* what;
    int error;
  };
  const Case cases[] = {{"file", 0}, {"pipe", platform::kNotRegularFile},
                        {"device", platform::kNotRegularFile}, {"folder", EISDIR}};
  for (const Case& c : cases) {
    const std::string what = c.what;
    SCOPED_TRACE(what);
    fixtures::ScratchDir dir;
    const std::string path = dir.File("Data0.dat");
    if (what == "file") {
      fixtures::WriteAll(path, kOld);
    } else if (what == "pipe") {
      ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    } else if (what == "device") {
      if (::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 5)) != 0) continue;  // not root
    } else {
      ASSERT_TRUE(platform::MakeFolder(path));
    }
    platform::ClearFileFailure();
    FileHandle h = platform::OpenExisting(dir.File("data0.dat"));  // through the other spelling
    EXPECT_EQ(platform::IsOpen(h), c.error == 0);
    EXPECT_EQ(platform::LastFileFailure().nError, c.error);
    if (c.error != 0) {
      EXPECT_EQ(platform::LastFileFailure().strPath, path);
      EXPECT_EQ(platform::ErrorText(c.error), c.error == EISDIR ? "Is a directory" : "Not a regular file");
    }
    platform::CloseFile(h);
  }
}

}  // namespace
