#include "platform/places.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <string>

#include "platform/file_io.h"
#include "support/fixtures.h"

namespace {

using Env = std::map<std::string, std::string>;

// "~" in a value or an expectation stands for the scratch home folder.
std::string Expand(const std::string& text, const std::string& home) {
  std::string out;
  for (const char c : text) out += c == '~' ? home : std::string(1, c);
  return out;
}

platform::EnvironmentLookup Lookup(const Env& env, const std::string& home) {
  return [env, home](const std::string& name) {
    const auto it = env.find(name);
    return it == env.end() ? std::string() : Expand(it->second, home);
  };
}

void WriteText(const std::string& path, const std::string& text) {
  fixtures::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

struct MusicCase {
  const char* name;
  Env env;            // HOME is added
  const char* dirs;   // ~/.config/user-dirs.dirs, or nullptr for none
  const char* music;  // expected music folder
};

const MusicCase kMusicCases[] = {
    {"environment wins", {{"XDG_MUSIC_DIR", "/srv/tunes/"}}, "XDG_MUSIC_DIR=\"$HOME/Musik\"\n", "/srv/tunes"},
    {"relative environment ignored", {{"XDG_MUSIC_DIR", "tunes"}}, nullptr, "~/Music"},
    {"empty environment ignored", {{"XDG_MUSIC_DIR", ""}}, "XDG_MUSIC_DIR=\"$HOME/Musik\"\n", "~/Musik"},
    {"no file", {}, nullptr, "~/Music"},
    {"file relative to home", {},
     "# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_MUSIC_DIR=\"$HOME/Musik\"\n", "~/Musik"},
    {"file absolute, escapes", {}, "XDG_MUSIC_DIR=\"/data/My \\\"Songs\\\"\"\n", "/data/My \"Songs\""},
    {"braced home, bare word", {}, "XDG_MUSIC_DIR=${HOME}/Sound # comment\n", "~/Sound"},
    {"home itself", {}, "XDG_MUSIC_DIR=\"$HOME/\"\n", "~"},
    {"last valid line counts", {},
     "XDG_MUSIC_DIR=\"$HOME/A\"\nXDG_MUSIC_DIR=\"$HOME/B\"\nXDG_MUSIC_DIR=\"relative\"\nXDG_MUSIC_DIRS=\"/x\"\n",
     "~/B"},
    {"file under XDG_CONFIG_HOME", {{"XDG_CONFIG_HOME", "~/cfg"}}, nullptr, "~/Elsewhere"},
    {"a pipe is not read", {}, "<pipe>", "~/Music"},
};

TEST(Places, UserMusicFolderFollowsEnvironmentThenUserDirsThenMusic) {
  for (const MusicCase& c : kMusicCases) {
    fixtures::ScratchDir home;
    Env env = c.env;
    env["HOME"] = home.Path();
    ASSERT_TRUE(platform::MakeFolders(home.File(".config")));
    ASSERT_TRUE(platform::MakeFolders(home.File("cfg")));
    if (c.dirs && std::string(c.dirs) == "<pipe>") {
      ASSERT_EQ(::mkfifo(home.File(".config/user-dirs.dirs").c_str(), 0644), 0);
    } else if (c.dirs) {
      WriteText(home.File(".config/user-dirs.dirs"), c.dirs);
    }
    WriteText(home.File("cfg/user-dirs.dirs"), "XDG_MUSIC_DIR=\"$HOME/Elsewhere\"\n");
    EXPECT_EQ(platform::UserMusicFolder(Lookup(env, home.Path())), Expand(c.music, home.Path())) << c.name;
  }
}

TEST(Places, UserConfigFolderIsAnAbsoluteXdgConfigHomeElseDotConfig) {
  const Env home = {{"HOME", "/home/ann/"}};
  const std::pair<Env, const char*> cases[] = {
      {home, "/home/ann/.config"},
      {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/etc/ann"}}, "/etc/ann"},
      {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}}, "/home/ann/.config"},
  };
  for (const auto& [env, expected] : cases) EXPECT_EQ(platform::UserConfigFolder(Lookup(env, "")), expected);
}

// A prefix is installed only with bin/ and share/vorsk/Data0.dat under it, spelt exactly.
TEST(Places, InstalledLayoutTakesTheUsersFoldersAndPortableKeepsAllBesideTheProgram) {
  fixtures::ScratchDir root;
  for (const char* folder : {"usr/bin", "usr/share/vorsk", "lower/bin", "lower/share/vorsk", "bin2", "share/vorsk"})
    ASSERT_TRUE(platform::MakeFolders(root.File(folder)));
  WriteText(root.File("usr/share/vorsk/Data0.dat"), "x");
  WriteText(root.File("lower/share/vorsk/data0.dat"), "x");
  WriteText(root.File("share/vorsk/Data0.dat"), "");  // beside bin2, which is no "bin"
  const Env env = {{"HOME", "/home/ann"}, {"XDG_MUSIC_DIR", "/home/ann/Tunes"}};

  for (const char* folder : {"usr/bin", "usr/bin/"}) {
    const platform::Places places = platform::FindPlaces(root.File(folder), Lookup(env, ""));
    EXPECT_TRUE(places.bInstalled) << folder;
    EXPECT_EQ(places.strDataFolder, root.File("usr/share/vorsk")) << folder;
    EXPECT_EQ(places.strArchiveFolder, "/home/ann/Tunes/Vorsk/");
    EXPECT_EQ(places.SettingsPath(), "/home/ann/.config/vorsk/Vorsk.INI");
    EXPECT_EQ(places.HelpPage(), root.File("usr/share/vorsk/help/vorsk.html"));
  }
  for (const char* folder : {"lower/bin", "bin2"}) {
    const std::string program = root.File(folder);
    const platform::Places places = platform::FindPlaces(program, Lookup(env, ""));
    EXPECT_FALSE(places.bInstalled) << folder;
    EXPECT_EQ(places.strDataFolder, program);
    EXPECT_EQ(places.strArchiveFolder, program + "/Archive/");
    EXPECT_EQ(places.SettingsPath(), program + "/Vorsk.INI");
  }
  // The build's own program folder (build/bin) is portable: there is no build/share/vorsk.
  EXPECT_FALSE(platform::ProgramPlaces().bInstalled);
}

TEST(Places, MakeFoldersMakesParentsAndNamesTheFolderThatFails) {
  fixtures::ScratchDir dir;
  EXPECT_TRUE(platform::MakeFolders(dir.File("a/b/c/")));
  EXPECT_TRUE(platform::MakeFolders(dir.File("a/b/c")));  // existing: fine
  WriteText(dir.File("plain"), "x");
  platform::ClearFileFailure();
  EXPECT_FALSE(platform::MakeFolders(dir.File("plain/x/y")));
  EXPECT_EQ(platform::LastFileFailure().strPath, dir.File("plain"));
  EXPECT_EQ(platform::LastFileFailure().nError, ENOTDIR);
  platform::ClearFileFailure();
}

}  // namespace
