#include "platform/system_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "platform/file_io.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

// Sets TMPDIR (or removes it) for the life of the object and restores the old value.
class TmpDirGuard {
 public:
  explicit TmpDirGuard(const char* value) {
    if (const char* old = std::getenv("TMPDIR")) m_old = old;
    if (value) {
      ::setenv("TMPDIR", value, 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  ~TmpDirGuard() {
    if (m_old) {
      ::setenv("TMPDIR", m_old->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> m_old;
};

TEST(SystemPathsProgramFolder, IsTheFolderOfThisExecutableWithoutTrailingSlash) {
  const std::string folder = platform::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_EQ(folder.front(), '/');
  EXPECT_TRUE(std::filesystem::equivalent(folder, VORSK_PROGRAM_DIR));
}

TEST(SystemPathsTempFolder, HonoursTmpDirOnlyWhenItIsAWritableFolder) {
  fixtures::ScratchDir dir;
  {
    TmpDirGuard env(dir.Path().c_str());
    EXPECT_EQ(platform::TempFolder(), dir.Path() + "/");
  }
  {
    const std::string withSlash = dir.Path() + "/";
    TmpDirGuard env(withSlash.c_str());
    EXPECT_EQ(platform::TempFolder(), withSlash);
  }
  fixtures::WriteAll(dir.File("plain"), {});
  for (const std::string& bad : {dir.File("missing"), dir.File("plain"), std::string()}) {
    SCOPED_TRACE(bad);
    TmpDirGuard env(bad.c_str());
    EXPECT_EQ(platform::TempFolder(), "/tmp/");
  }
  TmpDirGuard env(nullptr);
  EXPECT_EQ(platform::TempFolder(), "/tmp/");
}

TEST(SystemPathsTempFolder, IgnoresAReadOnlyTmpDir) {
  fixtures::ScratchDir dir;
  fixtures::TmpfsMount mount(dir.File("ro"), 64, /*bReadOnly=*/true);  // refuses writes even to root
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  TmpDirGuard env(dir.File("ro").c_str());
  EXPECT_EQ(platform::TempFolder(), "/tmp/");
}

TEST(SystemPathsTempFileName, CreatesEmptyUniqueFilesInTheFolder) {
  fixtures::ScratchDir dir;
  const std::string folder = dir.Path() + "/";
  std::set<std::string> names;
  for (int i = 0; i < 5; ++i) {
    const std::string path = platform::MakeTempFileName(folder);
    ASSERT_EQ(path.rfind(folder, 0), 0u) << path;
    EXPECT_EQ(path.find('/', folder.size()), path.rfind('/')) << "in the run's own folder";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 0);
    names.insert(path);
  }
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(platform::ListFolder(dir.Path(), "").size(), 1u);
  EXPECT_EQ(platform::ListFolder(platform::ScratchFolder(folder), "").size(), 5u);
  platform::RemoveScratchFolders();
}

TEST(SystemPathsTempFileName, FailsInAMissingFolder) {
  fixtures::ScratchDir dir;
  EXPECT_EQ(platform::MakeTempFileName(dir.File("missing") + "/"), "");
  EXPECT_FALSE(platform::FileExists(dir.File("missing")));
}

TEST(SystemPathsDiskFree, ReportsForTheNearestExistingFolder) {
  fixtures::ScratchDir dir;
  unsigned long long megabytes = 12345;
  // A session folder that is made only when the run starts is measured where it will be.
  EXPECT_TRUE(platform::DiskFreeMegabytes(dir.File("missing/deeper"), megabytes));
  EXPECT_NE(megabytes, 12345u);
  ASSERT_TRUE(platform::DiskFreeMegabytes(dir.Path(), megabytes));
  const auto space = std::filesystem::space(dir.Path());
  // Other processes may write meanwhile: allow some drift.
  const double expected = static_cast<double>(space.available / 1048576ULL);
  EXPECT_NEAR(static_cast<double>(megabytes), expected, 64.0);
}

}  // namespace
