// The archive builder run again: the same bytes, and clear failures on bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "render/sample_catalog.h"

#include "support/fixtures.h"
#include "tools/built_archives.h"

namespace {

#ifdef VORSK_ARCHIVES_BUILT
int RunBuilder(const std::string& arguments) {
  const std::string command =
      std::string("\"") + VORSK_ARCHIVE_BUILDER + "\" " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
#endif

TEST(ArchiveBuilder, RenderingAgainGivesTheSameBytes) {
  SKIP_UNLESS_ARCHIVES_BUILT();
#ifdef VORSK_ARCHIVES_BUILT
  fixtures::ScratchDir dir;
  // Two archives (the chords, the bass notes and drum loops) and the preview sounds: rendered on
  // their own they must equal what the whole build rendered.
  ASSERT_EQ(RunBuilder("--soundfont " + Quoted(VORSK_SOUNDFONT_PATH) + " --program-dir " +
                       Quoted(dir.Path()) + " --resource-dir " + Quoted(dir.Path()) +
                       " --only Data1.dat --only Data2.dat --only previews"),
            0);
  for (const char* name : {"Data1.dat", "Data2.dat"}) {
    SCOPED_TRACE(name);
    const auto again = fixtures::ReadAll(dir.File(name));
    ASSERT_FALSE(again.empty());
    EXPECT_TRUE(again == fixtures::ReadAll(built::ProgramFile(name)));
  }
  for (const char* name : {"WAV_U.WAV", "WAV_01.WAV", "WAV_12.WAV"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(fixtures::ReadAll(dir.File(name)) == fixtures::ReadAll(built::ResourceFile(name)));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("Data0.dat")));
  // Nothing but the finished files: no temporary names left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2 + 13);
#endif
}

TEST(ArchiveBuilder, ListPrintsEveryCatalogEntryWithItsArchiveOffsetAndSize) {
  SKIP_UNLESS_ARCHIVES_BUILT();
#ifdef VORSK_ARCHIVES_BUILT
  fixtures::ScratchDir dir;
  ASSERT_EQ(std::system(("\"" + std::string(VORSK_ARCHIVE_BUILDER) + "\" --list >" + Quoted(dir.File("list.txt")))
                            .c_str()),
            0);
  const auto bytes = fixtures::ReadAll(dir.File("list.txt"));
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  std::string line;
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    long long offset = 0;
    for (size_t i = 0; i < archive.group->m_names.size(); ++i) {
      ASSERT_TRUE(std::getline(lines, line)) << archive.fileName << " entry " << i;
      EXPECT_EQ(line, std::string(archive.fileName) + "\t" + std::to_string(offset) + "\t" +
                          std::to_string(archive.group->m_sizes[i]) + "\t" + archive.group->m_names[i]);
      offset += archive.group->m_sizes[i];
    }
    // Each archive file is as long as its entries add up to.
    EXPECT_EQ(static_cast<long long>(std::filesystem::file_size(built::ProgramFile(archive.fileName))), offset);
  }
  EXPECT_FALSE(std::getline(lines, line)) << "an extra line: " << line;
#endif
}

TEST(ArchiveBuilder, FailsWithoutWritingAnythingOnBadArgumentsAMissingSoundFontOrFolder) {
  SKIP_UNLESS_ARCHIVES_BUILT();
#ifdef VORSK_ARCHIVES_BUILT
  fixtures::ScratchDir dir;
  const std::string folders =
      " --program-dir " + Quoted(dir.Path()) + " --resource-dir " + Quoted(dir.Path());
  EXPECT_EQ(RunBuilder("--soundfont " + Quoted(dir.File("missing.sf2")) + folders), 1);
  EXPECT_EQ(RunBuilder("--soundfont " + Quoted(VORSK_SOUNDFONT_PATH) + folders + " --loud yes"), 2);
  EXPECT_EQ(RunBuilder("--soundfont " + Quoted(VORSK_SOUNDFONT_PATH)), 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
  // A program folder that cannot be made (a file stands in its place).
  fixtures::WriteAll(dir.File("taken"), {1, 2, 3});
  EXPECT_EQ(
      RunBuilder("--soundfont " + Quoted(VORSK_SOUNDFONT_PATH) + " --program-dir " +
                 Quoted(dir.File("taken")) + " --resource-dir " + Quoted(dir.Path()) + " --only data4.dat"),
      1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
#endif
}

}  // namespace
