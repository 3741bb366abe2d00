// 'cmake --install' into a scratch prefix, then the installed programs run by an unprivileged
// user whose home is a scratch folder: they must find their archives under the prefix and
// write only into that user's folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

namespace fs = std::filesystem;

const char* const kArchives[] = {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat", "data4.dat"};
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

std::string ReadText(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs a shell command line; its exit status, -1 when it did not exit normally.
int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveTool(const char* name) { return Shell(std::string("command -v ") + name + " >/dev/null 2>&1") == 0; }

// Width and height from a PNG file's header chunk; 0 when it is no PNG.
std::pair<int, int> PngSize(const std::string& path) {
  const auto b = fixtures::ReadAll(path, 24);
  if (b.size() < 24 || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return {0, 0};
  auto word = [&](size_t at) { return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]; };
  return {word(16), word(20)};
}

// Runs command as an unprivileged user: as nobody when this process is root, else as itself.
// -2 when root cannot switch users here.
int RunUnprivileged(const std::string& command) {
  if (::geteuid() != 0) return Shell(command);
  const int status = fixtures::RunAsNobody([&] { return Shell(command); });
  return status == -1 ? -2 : status;
}

// One test: every run of it copies the whole install (with the sample archives, 584 MiB).
TEST(Install, InstalledCopyIsCompleteAndGeneratesForAnUnprivilegedUser) {
  fixtures::ScratchDir root;
  ASSERT_EQ(::chmod(root.Path().c_str(), 0755), 0);  // the unprivileged user passes through
  const std::string prefix = root.File("prefix"), home = root.File("home");
  const std::string log = root.File("install.log");
  ASSERT_EQ(Shell(Quoted(VORSK_CMAKE_COMMAND) + " --install " + Quoted(VORSK_BINARY_DIR) + " --prefix " +
                  Quoted(prefix) + " >" + Quoted(log) + " 2>&1"),
            0)
      << ReadText(log);

  const std::vector<std::string> files = {
      "bin/vorsk", "bin/vorsk-cli", "share/vorsk/help/vorsk.html", "share/vorsk/help/vorsk.css",
      "share/applications/vorsk.desktop", "share/man/man1/vorsk.1", "share/man/man1/vorsk-cli.1",
      "share/doc/vorsk/README.md", "share/doc/vorsk/SOUNDFONT-COPYRIGHT"};
  for (const std::string& file : files) EXPECT_TRUE(fs::is_regular_file(prefix + "/" + file)) << file;
  for (const char* program : {"bin/vorsk", "bin/vorsk-cli"}) {
    EXPECT_EQ(::access((prefix + "/" + program).c_str(), X_OK), 0) << program;
  }
  for (const int size : kIconSizes) {
    const std::string icon =
        prefix + "/share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/vorsk.png";
    EXPECT_EQ(PngSize(icon), std::make_pair(size, size)) << icon;
  }
  // The desktop entry and the manual pages as the desktop and man read them.
  if (HaveTool("desktop-file-validate")) {
    const std::string out = root.File("desktop.txt");
    EXPECT_EQ(Shell("desktop-file-validate " + Quoted(prefix + "/share/applications/vorsk.desktop") + " >" +
                    Quoted(out) + " 2>&1"),
              0);
    EXPECT_EQ(ReadText(out), "");
  }
  if (HaveTool("groff")) {
    for (const char* page : {"vorsk.1", "vorsk-cli.1"}) {
      const std::string out = root.File("groff.txt");
      EXPECT_EQ(Shell("groff -man -ww -z " + Quoted(prefix + "/share/man/man1/" + page) + " 2>" + Quoted(out)), 0);
      EXPECT_EQ(ReadText(out), "") << page;
    }
  }
#if VORSK_INSTALL_HAS_ARCHIVES
  for (const char* name : kArchives) {
    EXPECT_EQ(fs::file_size(prefix + "/share/vorsk/" + name), fs::file_size(std::string(VORSK_PROGRAM_DIR) + "/" + name))
        << name;
  }
#else
  // Built without the archives: the marker archives stand in for them, read-only for the user.
  const std::string markers = fixtures::SharedMarkerArchives();
  ASSERT_EQ(::chmod(markers.c_str(), 0755), 0);
  for (const char* name : kArchives) {
    std::error_code ec;
    fs::create_hard_link(markers + "/" + name, prefix + "/share/vorsk/" + name, ec);
    if (ec) fs::create_symlink(markers + "/" + name, prefix + "/share/vorsk/" + name);
  }
#endif

  // The user: a fresh home, and a clean environment (HOME and PATH only) so that the caller's
  // XDG settings do not leak in.
  ASSERT_TRUE(platform::MakeFolder(home));
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(home.c_str(), fixtures::kNobodyUid, fixtures::kNogroupGid), 0);
  }
  auto command = [&](const std::string& program, const std::string& args, const std::string& name) {
    return "env -i HOME=" + Quoted(home) + " PATH=/usr/bin:/bin " + Quoted(prefix + "/bin/" + program) + " " +
           args + " >" + Quoted(home + "/" + name + ".out") + " 2>" + Quoted(home + "/" + name + ".err");
  };
  const int status = RunUnprivileged(command("vorsk-cli", "generate --length 1 --hand R --session-id 7", "generate"));
  if (status == -2) GTEST_SKIP() << "cannot switch to user nobody to run the installed program unprivileged";
  ASSERT_EQ(status, 0) << ReadText(home + "/generate.err");

  const std::string sessions = home + "/Music/Vorsk/";
  const std::string out = ReadText(home + "/generate.out");
  EXPECT_NE(out.find("Mix:    " + sessions), std::string::npos) << out;
  const auto names = platform::ListFolder(sessions, "");  // ...Mix.wav, ...Piano.wav, ...log.txt
  ASSERT_EQ(names.size(), 3u);
  for (const std::string& name : names) {
    struct stat st {};
    ASSERT_EQ(::stat((sessions + name).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, ::geteuid() == 0 ? fixtures::kNobodyUid : ::geteuid()) << name;
  }
  EXPECT_GT(fs::file_size(sessions + names[0]), 60u * 88200) << names[0];  // over a minute of sound
  EXPECT_EQ(platform::ListFolder(prefix + "/bin", ""), (std::vector<std::string>{"vorsk", "vorsk-cli"}));

  // The window program tells where it reads and writes, without opening a window.
  ASSERT_EQ(RunUnprivileged(command("vorsk", "--help", "help")), 0);
  const std::string help = ReadText(home + "/help.out");
  EXPECT_NE(help.find("Installed copy. Pieces: " + sessions), std::string::npos) << help;
  EXPECT_NE(help.find("Options: " + home + "/.config/vorsk/Vorsk.INI"), std::string::npos) << help;
  EXPECT_NE(help.find("Sample archives and help: " + prefix + "/share/vorsk"), std::string::npos) << help;
}

}  // namespace
