// The settings file "Vorsk.INI": the option set kept from one run to the next as eleven
// "Key=value" lines in text mode (CR LF), beside the program or, installed, in the user's
// configuration folder (platform/places.h).
//
// Nothing is cached: the path is the only state, and every ReadSetting opens and scans the file
// anew. The file is read in pieces of at most kSettingsLineSize - 1 characters; a longer line
// arrives in several pieces, each treated as a line of its own. Values are not validated; they
// reach the option setters as read. UI thread only.
#pragma once

#include <string>
#include <utility>

#include "options/option_set.h"

inline constexpr const char* kSettingsFileName = "Vorsk.INI";
// Buffer of one read: a line piece holds at most this many characters minus one.
inline constexpr int kSettingsLineSize = 128;

class CSettingsFile {
 public:
  // path: the settings file; the program uses DefaultPath().
  explicit CSettingsFile(std::string path = DefaultPath()) : m_strPath(std::move(path)) {}
  // The settings path of this program's places (platform::ProgramPlaces).
  static std::string DefaultPath();
  const std::string& Path() const { return m_strPath; }

  // The value of the first line piece that begins with key: the text after its first "="
  // (the whole piece when it has none) with every line feed removed; a lone CR stays.
  // defaultValue when the file cannot be opened or no piece begins with key.
  std::string ReadSetting(const std::string& key, const std::string& defaultValue) const;
  // Applies the stored values through the option setters, in this order: Note, Scale, PlayMode,
  // Rhythm (toggle "D" to undo the start-up value, then toggle each stored character; default
  // "D"), Harmony (toggle each stored character; default ""), ForcePitch, Tempo, Hand, Motive,
  // PCI, PianoInt (one TogglePianoInt when the stored value differs from the current one).
  // Expects the start-up defaults to be in place. A missing file or key gives the default.
  void LoadSettings(COptionSet& options) const;
  // Writes the eleven lines (GenerateLength is not kept). 0 on success; 1 when the file cannot
  // be opened for writing (nothing is written; a missing folder is not made here) or its text
  // could not all be stored.
  int SaveSettings(const COptionSet& options) const;

 private:
  std::string m_strPath;
};
