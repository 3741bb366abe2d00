#include "options/settings_file.h"

#include <algorithm>

#include "platform/places.h"
#include "platform/text_file.h"

std::string CSettingsFile::DefaultPath() {
  return platform::ProgramPlaces().SettingsPath();
}

std::string CSettingsFile::ReadSetting(const std::string& key,
                                       const std::string& defaultValue) const {
  platform::CTextFile file;
  if (!file.OpenRead(m_strPath)) return defaultValue;
  char buffer[kSettingsLineSize];
  while (file.ReadLine(buffer, kSettingsLineSize)) {
    const std::string line(buffer);
    if (!line.starts_with(key)) continue;
    const auto equals = line.find('=');
    std::string value = equals == std::string::npos ? line : line.substr(equals + 1);
    std::erase(value, '\n');
    return value;
  }
  return defaultValue;
}

void CSettingsFile::LoadSettings(COptionSet& options) const {
  const OptionDefaults& d = kOptionDefaults;
  options.SetNote(ReadSetting("Note", d.note));
  options.SetScale(ReadSetting("Scale", d.scale));
  options.SetPlayMode(ReadSetting("PlayMode", d.playMode));

  options.ToggleRhythm("D");
  for (const char letter : ReadSetting("Rhythm", d.rhythm)) options.ToggleRhythm(std::string(1, letter));
  for (const char letter : ReadSetting("Harmony", d.harmony)) options.ToggleHarmony(std::string(1, letter));

  options.SetForcePitch(ReadSetting("ForcePitch", d.forcePitch));
  options.SetTempo(ReadSetting("Tempo", d.tempo));
  options.SetHand(ReadSetting("Hand", d.hand));
  options.SetMotive(ReadSetting("Motive", d.motive));
  options.SetPCI(ReadSetting("PCI", d.pci));

  if (ReadSetting("PianoInt", d.pianoInt) != options.PianoInt()) options.TogglePianoInt();
}

int CSettingsFile::SaveSettings(const COptionSet& options) const {
  platform::CTextFile file;
  if (!file.OpenWrite(m_strPath)) return 1;
  const std::pair<const char*, const std::string*> lines[] = {
      {"Note", &options.Note()},         {"Scale", &options.Scale()},
      {"PlayMode", &options.PlayMode()}, {"Rhythm", &options.Rhythm()},
      {"Harmony", &options.Harmony()},   {"ForcePitch", &options.ForcePitch()},
      {"Tempo", &options.Tempo()},       {"Hand", &options.Hand()},
      {"Motive", &options.Motive()},     {"PianoInt", &options.PianoInt()},
      {"PCI", &options.PCI()}};
  bool stored = true;
  for (const auto& [key, value] : lines) {
    stored = file.Write(std::string(key) + "=" + *value + "\n") && stored;
  }
  return file.Close() && stored ? 0 : 1;
}
