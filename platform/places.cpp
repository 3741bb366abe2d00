#include "platform/places.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "platform/system_paths.h"

namespace platform {
namespace {

constexpr const char* kShareFolder = "/share/vorsk";
constexpr const char* kSessionsName = "/Vorsk/";
constexpr const char* kSettingsName = "/vorsk";

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string AbsoluteOrEmpty(const std::string& path) {
  return !path.empty() && path.front() == '/' ? WithoutTrailingSlash(path) : std::string();
}

std::string HomeFolder(const EnvironmentLookup& env) {
  const std::string home = AbsoluteOrEmpty(env("HOME"));
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry {};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/') {
    return WithoutTrailingSlash(found->pw_dir);
  }
  return ".";
}

// One shell-quoted value as user-dirs.dirs writes it: "..." with backslash escapes, or a bare
// word. "$HOME" or "${HOME}" at its start stands for home; anything else must be absolute.
std::string UserDirsValue(const std::string& text, const std::string& home) {
  std::string value;
  size_t i = 0;
  const bool bQuoted = !text.empty() && text[0] == '"';
  if (bQuoted) ++i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (bQuoted && c == '"') break;
    if (!bQuoted && (c == ' ' || c == '\t' || c == '#')) break;
    if (c == '\\' && i + 1 < text.size()) {
      value += text[++i];
      continue;
    }
    value += c;
  }
  for (const char* name : {"$HOME", "${HOME}"}) {
    const std::string prefix = name;
    if (value.compare(0, prefix.size(), prefix) == 0 &&
        (value.size() == prefix.size() || value[prefix.size()] == '/')) {
      return WithoutTrailingSlash(home + value.substr(prefix.size()));
    }
  }
  return AbsoluteOrEmpty(value);
}

// More than any user-dirs file holds; the rest of a larger file is not read.
constexpr size_t kMaxUserDirsBytes = 64 * 1024;

// XDG_MUSIC_DIR as set in the user-dirs file; the last valid assignment counts, as in a shell.
std::string MusicFolderFromUserDirs(const std::string& file, const std::string& home) {
  // Only a regular file is read (a pipe there would hold the start forever), and a missing
  // one is no failure worth noting.
  std::string text;
  if (!ResolveExisting(file).empty()) {
    const FileHandle h = OpenExisting(file);
    char buffer[4096];
    for (int n; text.size() < kMaxUserDirsBytes && (n = ReadFile(h, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    CloseFile(h);
  }
  std::istringstream in(text);
  std::string line, folder;
  constexpr std::string_view kKey = "XDG_MUSIC_DIR=";
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0) continue;
    const std::string value = UserDirsValue(line.substr(start + kKey.size()), home);
    if (!value.empty()) folder = value;
  }
  return folder;
}

}  // namespace

std::string ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

std::string UserConfigFolder(const EnvironmentLookup& env) {
  const std::string config = AbsoluteOrEmpty(env("XDG_CONFIG_HOME"));
  return config.empty() ? HomeFolder(env) + "/.config" : config;
}

std::string UserMusicFolder(const EnvironmentLookup& env) {
  const std::string music = AbsoluteOrEmpty(env("XDG_MUSIC_DIR"));
  if (!music.empty()) return music;
  const std::string home = HomeFolder(env);
  const std::string fromFile = MusicFolderFromUserDirs(UserConfigFolder(env) + "/user-dirs.dirs", home);
  return fromFile.empty() ? home + "/Music" : fromFile;
}

Places PortablePlaces(const std::string& programFolder) {
  Places places;
  places.strProgramFolder = programFolder;
  places.strDataFolder = programFolder;
  places.strArchiveFolder = programFolder + "/Archive/";
  places.strSettingsFolder = programFolder;
  return places;
}

bool IsInstalled(const std::string& programFolder) {
  const std::string folder = WithoutTrailingSlash(programFolder);
  const size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos || folder.compare(slash, std::string::npos, "/bin") != 0) return false;
  // The exact name: a case-insensitive match would also accept a stray "data0.dat".
  return ::access((folder.substr(0, slash) + kShareFolder + "/Data0.dat").c_str(), F_OK) == 0;
}

Places FindPlaces(const std::string& programFolder, const EnvironmentLookup& env) {
  if (!IsInstalled(programFolder)) return PortablePlaces(programFolder);
  Places places;
  places.bInstalled = true;
  places.strProgramFolder = programFolder;
  const std::string prefix = programFolder.substr(0, WithoutTrailingSlash(programFolder).find_last_of('/'));
  places.strDataFolder = prefix + kShareFolder;
  places.strArchiveFolder = UserMusicFolder(env) + kSessionsName;
  places.strSettingsFolder = UserConfigFolder(env) + kSettingsName;
  return places;
}

Places ProgramPlaces() { return FindPlaces(ProgramFolder()); }

}  // namespace platform
