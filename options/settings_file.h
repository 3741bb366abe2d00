// The settings file "Vorsk.INI": the option set kept from one run to the next as eleven
// "Key=value" lines in text mode (CR LF), beside the program or, installed, in the user's
// configuration folder (platform/places.h).
//
// Every ReadSetting opens and scans the file anew. The file is read in pieces of at most
// kSettingsLineSize - 1 characters; a longer line arrives in several pieces, each treated as a
// line of its own. LoadSettings hands the option setters only codes of their lists (below).
//
// The file must be a regular file of at most kMaxSettingsBytes that this process may read
// (through a symlink is fine). Anything else (a pipe, a device, a folder, a huge or unreadable
// file) is refused by LoadSettings: the defaults stay, Refusal() says why, and the refused
// file is neither read nor written afterwards (SaveSettings leaves it alone). A missing file is
// not refused: the defaults stay and the first save creates it. UI thread only.
#pragma once

#include <string>
#include <utility>

#include "options/option_set.h"

inline constexpr const char* kSettingsFileName = "Vorsk.INI";
// Buffer of one read: a line piece holds at most this many characters minus one.
inline constexpr int kSettingsLineSize = 128;
// Largest settings file read; eleven short lines take a few hundred bytes.
inline constexpr long long kMaxSettingsBytes = 64 * 1024;

// Results of LoadSettings and SaveSettings.
inline constexpr int kSettingsOk = 0;       // loaded (or no file: defaults) / saved
inline constexpr int kSettingsFailed = 1;   // SaveSettings: the file could not be written
inline constexpr int kSettingsRefused = 2;  // the file is not one to read or replace (Refusal())

class CSettingsFile {
 public:
  // path: the settings file; the program uses DefaultPath().
  explicit CSettingsFile(std::string path = DefaultPath()) : m_strPath(std::move(path)) {}
  // The settings path of this program's places (platform::ProgramPlaces).
  static std::string DefaultPath();
  const std::string& Path() const { return m_strPath; }

  // The value of the first line piece that begins with key: the text after its first "="
  // (the whole piece when it has none) with every line feed removed; a lone CR stays.
  // defaultValue when the file is refused, cannot be opened or no piece begins with key.
  std::string ReadSetting(const std::string& key, const std::string& defaultValue) const;
  // Applies the stored values through the option setters, in this order: Note, Scale, PlayMode,
  // Rhythm (toggle "D" to undo the start-up value, then toggle each stored letter; default
  // "D"), Harmony (toggle each stored letter; default ""), ForcePitch, Tempo, Hand, Motive,
  // PCI, PianoInt (one TogglePianoInt when the stored value differs from the current one).
  // Expects the start-up defaults to be in place. A missing file or key gives the default, and
  // so does a value outside the option's codes (option_set.h), each option on its own; Rhythm
  // and Harmony drop letters that are not theirs; PianoInt takes any code of one to four ASCII
  // letters and counts anything else as off. kSettingsOk, or kSettingsRefused with nothing
  // applied.
  int LoadSettings(COptionSet& options);
  // Writes the eleven lines (GenerateLength is not kept) through a fresh file renamed over the
  // old one; a Vorsk.INI that is a symlink keeps pointing to the replaced file. kSettingsOk;
  // kSettingsFailed when the file cannot be written (the old one stays; a missing folder is
  // not made here); kSettingsRefused after a refused load, touching nothing.
  int SaveSettings(const COptionSet& options) const;
  // Why the last LoadSettings refused the file ("" when it did not).
  const std::string& Refusal() const { return m_strRefusal; }

 private:
  // "" when the file may be read (or is missing), else why not.
  std::string Inspect() const;

  std::string m_strPath;
  std::string m_strRefusal;
};
