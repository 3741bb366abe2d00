#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fixtures.h"

namespace {

using Strings = std::vector<std::string>;

void WriteBytes(const std::string& path, const std::string& bytes) {
  fixtures::WriteAll(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

std::string ReadBytes(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// Every piece ReadLine yields for a file of the given bytes.
Strings Pieces(const fixtures::ScratchDir& dir, const std::string& bytes, int size = 128) {
  WriteBytes(dir.File("in.txt"), bytes);
  platform::CTextFile file;
  EXPECT_TRUE(file.OpenRead(dir.File("in.txt")));
  std::vector<char> buffer(static_cast<size_t>(size));
  Strings pieces;
  while (file.ReadLine(buffer.data(), size)) pieces.emplace_back(buffer.data());
  return pieces;
}

TEST(TextFileWrite, LineFeedsAreStoredAsCrLf) {
  fixtures::ScratchDir dir;
  platform::CTextFile file;
  ASSERT_TRUE(file.OpenWrite(dir.File("log.txt")));
  EXPECT_TRUE(file.IsOpen());
  EXPECT_TRUE(file.Write("Key: C\n"));
  EXPECT_TRUE(file.Write("a\rb\n\nend"));
  EXPECT_TRUE(file.Close());
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadBytes(dir.File("log.txt")), "Key: C\r\na\rb\r\n\r\nend");
}

TEST(TextFileWrite, OpenWriteTruncates) {
  fixtures::ScratchDir dir;
  WriteBytes(dir.File("Vorsk.INI"), std::string(300, 'o'));
  platform::CTextFile file;
  ASSERT_TRUE(file.OpenWrite(dir.File("Vorsk.INI")));
  EXPECT_TRUE(file.Write("x\n"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadBytes(dir.File("Vorsk.INI")), "x\r\n");
}

TEST(TextFileWrite, FailuresAreReported) {
  fixtures::ScratchDir dir;
  platform::CTextFile file;
  EXPECT_FALSE(file.OpenWrite(dir.File("missing/log.txt")));
  EXPECT_FALSE(file.Write("x"));
  EXPECT_TRUE(file.Close());  // nothing open, nothing lost

  // A full disk shows at the latest when the text is stored.
  fixtures::FullDisk full;
  if (!full.Ready()) GTEST_SKIP() << full.Reason();
  ASSERT_TRUE(file.OpenWrite(full.File("Vorsk.INI")));
  const bool written = file.Write("Note=C\n");
  EXPECT_FALSE(file.Close() && written);
  EXPECT_FALSE(platform::FileExists(full.File("Vorsk.INI")));
}

// Only Close puts the text in place: an object that goes without it keeps the old file.
TEST(TextFileWrite, OnlyCloseReplacesTheOldFile) {
  fixtures::ScratchDir dir;
  WriteBytes(dir.File("a.txt"), "old");
  {
    platform::CTextFile file;
    ASSERT_TRUE(file.OpenWrite(dir.File("a.txt")));
    file.Write("1\n");
  }
  EXPECT_EQ(ReadBytes(dir.File("a.txt")), "old");
  platform::CTextFile file;
  ASSERT_TRUE(file.OpenWrite(dir.File("a.txt")));
  file.Write("1\n");
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadBytes(dir.File("a.txt")), "1\r\n");
  EXPECT_EQ(platform::ListFolder(dir.Path(), "").size(), 1u);  // no fresh file left beside it
}

TEST(TextFileRead, CrLfBecomesLineFeedAndLoneCrStays) {
  fixtures::ScratchDir dir;
  EXPECT_EQ(Pieces(dir, "one\r\ntwo\rthree\r\nfour\nfive\r\r\nsix\r"),
            (Strings{"one\n", "two\rthree\n", "four\n", "five\r\n", "six\r"}));
  EXPECT_EQ(Pieces(dir, "\r\n\r\n"), (Strings{"\n", "\n"}));
  EXPECT_EQ(Pieces(dir, "\r"), Strings{"\r"});
  EXPECT_EQ(Pieces(dir, ""), Strings{});
}

TEST(TextFileRead, WriteThenReadRoundTrips) {
  fixtures::ScratchDir dir;
  {
    platform::CTextFile out;
    ASSERT_TRUE(out.OpenWrite(dir.File("r.txt")));
    out.Write("a\rb\nc\n");
    ASSERT_TRUE(out.Close());
  }
  platform::CTextFile in;
  ASSERT_TRUE(in.OpenRead(dir.File("r.txt")));
  char buffer[128];
  ASSERT_TRUE(in.ReadLine(buffer, 128));
  EXPECT_STREQ(buffer, "a\rb\n");
  ASSERT_TRUE(in.ReadLine(buffer, 128));
  EXPECT_STREQ(buffer, "c\n");
  EXPECT_FALSE(in.ReadLine(buffer, 128));
}

TEST(TextFileRead, LongLinesArriveInPiecesOfSizeMinusOne) {
  fixtures::ScratchDir dir;
  const std::string line(300, 'x');
  EXPECT_EQ(Pieces(dir, line + "\r\nend\r\n"),
            (Strings{std::string(127, 'x'), std::string(127, 'x'), std::string(46, 'x') + "\n",
                     "end\n"}));
  // A CR LF that falls right after a full piece becomes a piece of its own.
  EXPECT_EQ(Pieces(dir, std::string(127, 'y') + "\r\nz"),
            (Strings{std::string(127, 'y'), "\n", "z"}));
  // A CR LF that starts inside the piece still counts as one character.
  EXPECT_EQ(Pieces(dir, std::string(126, 'y') + "\r\nz"),
            (Strings{std::string(126, 'y') + "\n", "z"}));
  // A lone CR at the piece boundary is kept in the first piece.
  EXPECT_EQ(Pieces(dir, std::string(126, 'y') + "\rz\r\n"),
            (Strings{std::string(126, 'y') + "\r", "z\n"}));
  EXPECT_EQ(Pieces(dir, "abcdef\r\n", 4), (Strings{"abc", "def", "\n"}));
}

TEST(TextFileRead, OpenReadFallsBackToCaseInsensitiveNameAndRejectsNonsense) {
  fixtures::ScratchDir dir;
  WriteBytes(dir.File("Vorsk.INI"), "Tempo=90\r\n");
  platform::CTextFile file;
  ASSERT_TRUE(file.OpenRead(dir.File("VORSK.ini")));
  char buffer[128];
  ASSERT_TRUE(file.ReadLine(buffer, 128));
  EXPECT_STREQ(buffer, "Tempo=90\n");
  EXPECT_FALSE(file.ReadLine(buffer, 1));  // no room for a character

  EXPECT_FALSE(file.OpenRead(dir.File("missing.INI")));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.ReadLine(buffer, 128));
}

}  // namespace
