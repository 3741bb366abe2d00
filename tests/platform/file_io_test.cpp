#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/fixtures.h"

namespace {

using platform::FileHandle;
using platform::kInvalidHandle;
using Strings = std::vector<std::string>;

void WriteText(const std::string& path, const std::string& text) {
  fixtures::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

std::string ReadWhole(FileHandle h) {
  std::string text(static_cast<size_t>(platform::FileSize(h)), '\0');
  text.resize(static_cast<size_t>(platform::ReadFile(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

TEST(FileIoOpen, ExactNameOrCaseInsensitiveMatchOfTheLastComponent) {
  fixtures::ScratchDir dir;
  WriteText(dir.File("Data0.dat"), "zero");
  ASSERT_TRUE(platform::MakeFolder(dir.File("Sub")));
  WriteText(dir.File("Sub/Mix.wav"), "mix");

  EXPECT_EQ(platform::ResolveExisting(dir.File("Data0.dat")), dir.File("Data0.dat"));
  EXPECT_EQ(platform::ResolveExisting(dir.File("data0.DAT")), dir.File("Data0.dat"));
  EXPECT_EQ(platform::ResolveExisting(dir.File("Sub/MIX.WAV")), dir.File("Sub/Mix.wav"));
  // Only the last component is matched loosely.
  EXPECT_EQ(platform::ResolveExisting(dir.File("sub/Mix.wav")), "");
  EXPECT_EQ(platform::ResolveExisting(dir.File("Data1.dat")), "");
  EXPECT_EQ(platform::ResolveExisting(""), "");
  EXPECT_TRUE(platform::FileExists(dir.File("DATA0.dat")));
  EXPECT_FALSE(platform::FileExists(dir.File("Data0.da")));

  FileHandle h = platform::OpenExisting(dir.File("DATA0.DAT"));
  ASSERT_TRUE(platform::IsOpen(h));
  EXPECT_EQ(ReadWhole(h), "zero");
  platform::CloseAndClear(h);
  EXPECT_EQ(h, 0);
}

TEST(FileIoOpen, ExactNameWinsOverACaseVariant) {
  fixtures::ScratchDir dir;
  WriteText(dir.File("log.txt"), "lower");
  WriteText(dir.File("LOG.txt"), "upper");
  FileHandle h = platform::OpenExisting(dir.File("LOG.txt"));
  EXPECT_EQ(ReadWhole(h), "upper");
  platform::CloseAndClear(h);
}

TEST(FileIoOpen, FailuresGiveTheInvalidHandle) {
  fixtures::ScratchDir dir;
  EXPECT_EQ(platform::OpenExisting(dir.File("missing")), kInvalidHandle);
  EXPECT_EQ(platform::OpenExisting(dir.File("no/such/file")), kInvalidHandle);
  EXPECT_EQ(platform::OpenExisting(dir.Path()), kInvalidHandle);  // a folder
  EXPECT_EQ(platform::CreateAlways(dir.File("no/such/file")), kInvalidHandle);
  EXPECT_EQ(platform::CreateAlways(""), kInvalidHandle);
  EXPECT_FALSE(platform::IsOpen(kInvalidHandle));
  EXPECT_FALSE(platform::IsOpen(0));
}

TEST(FileIoHandles, NoneAndInvalidHandlesDoNothing) {
  char byte = 'x';
  for (FileHandle h : {FileHandle{0}, kInvalidHandle}) {
    EXPECT_EQ(platform::ReadFile(h, &byte, 1), 0);
    EXPECT_EQ(platform::WriteFile(h, &byte, 1), 0);
    EXPECT_FALSE(platform::SeekFile(h, 0));
    EXPECT_EQ(platform::FileSize(h), -1);
    platform::CloseFile(h);
  }
  FileHandle field = kInvalidHandle;
  platform::CloseAndClear(field);
  EXPECT_EQ(field, 0);
}

TEST(FileIoHandles, WriteSeekAndReadBack) {
  fixtures::ScratchDir dir;
  FileHandle out = platform::CreateAlways(dir.File("t.bin"));
  ASSERT_TRUE(platform::IsOpen(out));
  EXPECT_EQ(platform::WriteFile(out, "0123456789", 10), 10);
  EXPECT_TRUE(platform::SeekFile(out, 4));
  EXPECT_EQ(platform::WriteFile(out, "ab", 2), 2);
  EXPECT_FALSE(platform::SeekFile(out, -1));
  EXPECT_EQ(platform::FileSize(out), 10);
  platform::CloseAndClear(out);

  struct stat st {};
  ASSERT_EQ(::stat(dir.File("t.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u & ~CurrentUmask());

  FileHandle in = platform::OpenExisting(dir.File("t.bin"));
  char buffer[16] = {};
  EXPECT_TRUE(platform::SeekFile(in, 2));
  EXPECT_EQ(platform::ReadFile(in, buffer, 16), 8);  // short read at the end
  EXPECT_EQ(std::string(buffer, 8), "23ab6789");
  EXPECT_EQ(platform::ReadFile(in, buffer, 16), 0);
  // A read-only handle does not write.
  EXPECT_EQ(platform::WriteFile(in, "x", 1), 0);
  platform::CloseAndClear(in);
}

TEST(FileIoHandles, CreateAlwaysTruncatesAnExistingFile) {
  fixtures::ScratchDir dir;
  WriteText(dir.File("Mix.wav"), std::string(5000, 'm'));
  FileHandle h = platform::CreateAlways(dir.File("Mix.wav"));
  ASSERT_TRUE(platform::IsOpen(h));
  EXPECT_EQ(platform::FileSize(h), 0);
  EXPECT_EQ(platform::WriteFile(h, "new", 3), 3);
  platform::CloseAndClear(h);
  EXPECT_EQ(fixtures::ReadAll(dir.File("Mix.wav")).size(), 3u);
}

TEST(FileIoHandles, WritingToAFullDiskStoresFewerBytes) {
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  FileHandle h = platform::CreateAlways(full.File("Mix.wav"));
  ASSERT_TRUE(platform::IsOpen(h));
  EXPECT_LT(platform::WriteFile(h, "abc", 3), 3);
  platform::CloseAndClear(h);
}

TEST(FileIoFolders, MakeFolderAcceptsAnExistingFolderOnly) {
  fixtures::ScratchDir dir;
  EXPECT_TRUE(platform::MakeFolder(dir.File("Archive")));
  EXPECT_TRUE(platform::MakeFolder(dir.File("Archive")));
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("Archive").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0755u & ~CurrentUmask());

  WriteText(dir.File("plain"), "x");
  EXPECT_FALSE(platform::MakeFolder(dir.File("plain")));
  EXPECT_FALSE(platform::MakeFolder(dir.File("a/b")));
}

TEST(FileIoFolders, DeleteFileReportsFailure) {
  fixtures::ScratchDir dir;
  WriteText(dir.File("x.wav"), "x");
  EXPECT_TRUE(platform::DeleteFile(dir.File("x.wav")));
  EXPECT_FALSE(platform::FileExists(dir.File("x.wav")));
  EXPECT_FALSE(platform::DeleteFile(dir.File("x.wav")));
  ASSERT_TRUE(platform::MakeFolder(dir.File("sub")));
  EXPECT_FALSE(platform::DeleteFile(dir.File("sub")));

  // Deleting an open file succeeds on this system.
  WriteText(dir.File("open.wav"), "x");
  FileHandle h = platform::OpenExisting(dir.File("open.wav"));
  EXPECT_TRUE(platform::DeleteFile(dir.File("open.wav")));
  platform::CloseAndClear(h);
}

TEST(FileIoFolders, DeleteFileInReadOnlyFolderFails) {
  fixtures::ScratchDir dir;
  fixtures::TmpfsMount mount(dir.File("ro"), 64);
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  WriteText(dir.File("ro/keep.wav"), "x");
  ASSERT_TRUE(mount.MakeReadOnly());  // refuses the deletion even to root
  EXPECT_FALSE(platform::DeleteFile(dir.File("ro/keep.wav")));
  EXPECT_TRUE(platform::FileExists(dir.File("ro/keep.wav")));
}

TEST(FileIoFolders, ListFolderFiltersByPrefixAndSorts) {
  fixtures::ScratchDir dir;
  for (const char* name : {"240101_120000_Mix.wav", "240101_120000_log.txt", "240101_1300_x",
                           "240101_120000_", "other.txt", "x240101_120000_Mix.wav"}) {
    WriteText(dir.File(name), "");
  }
  ASSERT_TRUE(platform::MakeFolder(dir.File("240101_120000_sub")));

  EXPECT_EQ(platform::ListFolder(dir.Path(), "240101_120000_"),
            (Strings{"240101_120000_", "240101_120000_Mix.wav", "240101_120000_log.txt",
                     "240101_120000_sub"}));
  EXPECT_EQ(platform::ListFolder(dir.Path(), "").size(), 7u);  // no "." or ".."
  EXPECT_EQ(platform::ListFolder(dir.Path(), "240101_120000_mix"), Strings{});  // case counts
  EXPECT_EQ(platform::ListFolder(dir.File("missing"), ""), Strings{});
}

}  // namespace
