// Where Vorsk keeps its files: the sample archives and the help page it reads, the sessions
// it writes and the settings file.
//
// Two layouts. Portable (run from the build folder, or any folder holding the programs):
// archives, data4.dat, help/ and Vorsk.INI beside the program, sessions in Archive/ beside it.
// Installed (the program folder is <prefix>/bin and <prefix>/share/vorsk/Data0.dat exists):
// archives and help/ in <prefix>/share/vorsk, sessions in the user's music folder + "/Vorsk/",
// Vorsk.INI in the user's configuration folder + "/vorsk/".
//
// The user's folders follow the freedesktop conventions:
// - music folder: $XDG_MUSIC_DIR; else XDG_MUSIC_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
//   (default ~/.config/user-dirs.dirs); else ~/Music. Relative values are ignored.
// - configuration folder: $XDG_CONFIG_HOME when it is absolute, else ~/.config.
// - home: $HOME, else the password database's entry, else the current folder.
//
// Everything here only computes paths; nothing is created. Callers make the folders they
// write into when they need them (platform::MakeFolders), so that a missing folder is made
// with its parents and a folder that cannot be made is reported with the path and the cause.
// Any thread; the environment lookup must not change while a call runs.
#pragma once

#include <functional>
#include <string>

namespace platform {

// The value of an environment variable, "" when unset.
using EnvironmentLookup = std::function<std::string(const std::string& name)>;
// This process's environment.
std::string ProcessEnvironment(const std::string& name);

struct Places {
  bool bInstalled = false;
  std::string strProgramFolder;   // folder of the executable; no trailing "/"
  std::string strDataFolder;      // Data0.dat .. Data3.dat, data4.dat and help/; no trailing "/"
  std::string strArchiveFolder;   // where sessions are written; ends with "/"
  std::string strSettingsFolder;  // holds Vorsk.INI; no trailing "/"

  std::string SettingsPath() const { return strSettingsFolder + "/Vorsk.INI"; }
  std::string HelpPage() const { return strDataFolder + "/help/vorsk.html"; }
};

// The portable layout: everything beside the program, sessions in programFolder + "/Archive/".
Places PortablePlaces(const std::string& programFolder);
// true when programFolder is <prefix>/bin and <prefix>/share/vorsk/Data0.dat exists.
bool IsInstalled(const std::string& programFolder);
// The places of a program in programFolder, for the user the environment describes.
Places FindPlaces(const std::string& programFolder, const EnvironmentLookup& env = ProcessEnvironment);
// The places of this process (its program folder, its environment); worked out on each call.
Places ProgramPlaces();

// The user's music folder and configuration folder (see above); no trailing "/".
std::string UserMusicFolder(const EnvironmentLookup& env = ProcessEnvironment);
std::string UserConfigFolder(const EnvironmentLookup& env = ProcessEnvironment);

}  // namespace platform
