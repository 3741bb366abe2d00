// Replacing files without following symlinks, failures that name the file and the cause, and
// the private scratch folders of a run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file_io.h"
#include "platform/system_paths.h"
#include "support/fixtures.h"

namespace {

using platform::FileHandle;

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// What CreateAlways does with each kind of thing already standing at the name.
TEST(FileSafety, CreateAlwaysReplacesOnlyRegularFilesAndNeverFollowsASymlink) {
  struct Case {
    const char* what;
    bool bOpens;
    unsigned mode;  // of the new file
    int error;      // noted when it fails
  };
  const Case cases[] = {
      {"nothing", true, 0644, 0},
      {"private file", true, 0600, 0},
      {"symlink to a victim", false, 0, ELOOP},
      {"dangling symlink", false, 0, ELOOP},
      {"folder", false, 0, EISDIR},
      {"device", false, 0, platform::kNotRegularFile},
      {"pipe", false, 0, platform::kNotRegularFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixtures::ScratchDir dir;
    const std::string path = dir.File("out.wav"), victim = dir.File("victim");
    fixtures::WriteAll(victim, {'v'});
    const std::string what = c.what;
    if (what == "private file") {
      fixtures::WriteAll(path, {'o', 'l', 'd'});
      ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    }
    if (what == "symlink to a victim") {
      ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
    } else if (what == "dangling symlink") {
      ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), path.c_str()), 0);
    } else if (what == "folder") {
      ASSERT_TRUE(platform::MakeFolder(path));
    } else if (what == "device") {
      // The null device's numbers: harmless even if something did write to it.
      if (::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) continue;  // not root
    } else if (what == "pipe") {
      ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    }

    platform::ClearFileFailure();
    FileHandle h = platform::CreateAlways(path);
    EXPECT_EQ(platform::IsOpen(h), c.bOpens);
    if (c.bOpens) {
      EXPECT_EQ(platform::WriteFile(h, "new", 3), 3);
      EXPECT_TRUE(platform::CloseAndClear(h));
      EXPECT_EQ(fixtures::ReadAll(path), (std::vector<unsigned char>{'n', 'e', 'w'}));
      EXPECT_EQ(ModeOf(path), c.mode);
    } else {
      EXPECT_EQ(platform::LastFileFailure().nError, c.error);
      EXPECT_EQ(platform::LastFileFailure().strPath, path);
    }
    EXPECT_EQ(fixtures::ReadAll(victim), std::vector<unsigned char>{'v'});  // never written
    struct stat st {};
    if (what == "device" || what == "pipe") {
      ASSERT_EQ(::lstat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & S_IFMT, what == "device" ? S_IFCHR : S_IFIFO);
    }
    EXPECT_FALSE(platform::FileExists(dir.File("nowhere")));
  }
}

// A write that does not fit is remembered on the handle and as the first failure, with the
// path and the system's reason; later failures do not overwrite it.
TEST(FileSafety, FailuresNameTheFileAndTheCause) {
  fixtures::ScratchDir dir;
  fixtures::FullDisk disk;
  if (!disk.Ready()) GTEST_SKIP() << disk.Reason();
  platform::ClearFileFailure();
  FileHandle full = platform::CreateAlways(disk.File("Mix.wav"));
  ASSERT_TRUE(platform::IsOpen(full));
  EXPECT_EQ(platform::WriteFile(full, "abcd", 4), 0);
  EXPECT_EQ(platform::OpenExisting(dir.File("missing")), platform::kInvalidHandle);
  EXPECT_FALSE(platform::CloseAndClear(full));
  const platform::FileFailure failure = platform::LastFileFailure();
  EXPECT_EQ(failure.nError, ENOSPC);
  EXPECT_EQ(failure.strPath, disk.File("Mix.wav"));
  EXPECT_EQ(platform::ErrorText(failure.nError), "No space left on device");

  platform::ClearFileFailure();
  EXPECT_EQ(platform::OpenExisting(dir.File("missing")), platform::kInvalidHandle);
  EXPECT_EQ(platform::LastFileFailure().nError, ENOENT);
  EXPECT_EQ(platform::LastFileFailure().strPath, dir.File("missing"));

  // A clean handle closes clean.
  FileHandle ok = platform::CreateAlways(dir.File("ok"));
  EXPECT_EQ(platform::WriteFile(ok, "x", 1), 1);
  EXPECT_TRUE(platform::SetFileSize(ok, 6));  // extended with zeros
  EXPECT_TRUE(platform::CloseAndClear(ok));
  EXPECT_EQ(fixtures::ReadAll(dir.File("ok")), (std::vector<unsigned char>{'x', 0, 0, 0, 0, 0}));
}

// A folder that may be searched but not listed still finds "Data0.dat" for "data0.dat".
TEST(FileSafety, ExecuteOnlyFolderFindsTheOtherCaseOfTheFirstLetter) {
  fixtures::ScratchDir dir;
  const std::string folder = dir.File("x");
  ASSERT_TRUE(platform::MakeFolder(folder));
  fixtures::WriteAll(folder + "/Data0.dat", {1, 2});
  ASSERT_EQ(::chmod(folder.c_str(), 0711), 0);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const int status = fixtures::RunAsNobody([&] {
    FileHandle h = platform::OpenExisting(folder + "/data0.dat");
    const bool bFound = platform::IsOpen(h) && platform::FileSize(h) == 2;
    platform::CloseFile(h);
    // and listing is really refused to this user
    return bFound && platform::ListFolder(folder, "").empty() ? 0 : 1;
  });
  if (status < 0) GTEST_SKIP() << "cannot run as user nobody here";
  EXPECT_EQ(status, 0);
}

// Scratch files live in a private folder named with the process id; the folders of processes
// that are gone are removed by the next run, those of live processes, other users' and
// symlinks are not.
TEST(FileSafety, ScratchFoldersArePrivateAndOutliveOnlyTheirProcess) {
  fixtures::ScratchDir dir;
  const std::string parent = dir.Path() + "/";

  // A process that is gone for sure: a child that has been reaped.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = parent + "vorsk-" + std::to_string(child) + "-abcdef";
  const std::string alive = parent + "vorsk-1-abcdef";  // init lives as long as we do
  const std::string linked = parent + "vorsk-" + std::to_string(child) + "-link";
  ASSERT_TRUE(platform::MakeFolder(dead));
  fixtures::WriteAll(dead + "/vk00001.tmp", {1});
  // Names that only begin like a scratch folder's are not scratch folders.
  const std::string longer = dead + "-extra", shorter = parent + "vorsk-" + std::to_string(child) + "-abc";
  ASSERT_TRUE(platform::MakeFolder(longer));
  ASSERT_TRUE(platform::MakeFolder(shorter));
  ASSERT_TRUE(platform::MakeFolder(alive));
  ASSERT_EQ(::symlink(alive.c_str(), linked.c_str()), 0);

  const std::string path = platform::MakeTempFileName(parent);
  ASSERT_FALSE(path.empty());
  const std::string own = platform::ScratchFolder(parent);
  EXPECT_EQ(path.rfind(own, 0), 0u) << path;
  EXPECT_EQ(own.rfind(parent + "vorsk-" + std::to_string(::getpid()) + "-", 0), 0u) << own;
  EXPECT_EQ(ModeOf(own.substr(0, own.size() - 1)), 0700u);
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_NE(platform::MakeTempFileName(parent), path);

  EXPECT_FALSE(platform::FileExists(dead));
  EXPECT_TRUE(platform::FileExists(longer));
  EXPECT_TRUE(platform::FileExists(shorter));
  EXPECT_TRUE(platform::FileExists(alive));
  EXPECT_TRUE(platform::FileExists(linked));

  platform::RemoveScratchFolders();
  EXPECT_FALSE(platform::FileExists(own));
  EXPECT_FALSE(platform::ProcessAlive(child));
  EXPECT_TRUE(platform::ProcessAlive(::getpid()));
}

}  // namespace
