#include "options/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <span>

#include "platform/places.h"
#include "platform/text_file.h"

std::string CSettingsFile::DefaultPath() {
  return platform::ProgramPlaces().SettingsPath();
}

std::string CSettingsFile::Inspect() const {
  platform::ClearFileFailure();
  platform::CTextFile file;
  if (!file.OpenRead(m_strPath)) {
    const platform::FileFailure failure = platform::LastFileFailure();
    platform::ClearFileFailure();
    if (failure.nError == ENOENT || failure.nError == 0) return {};
    return platform::ErrorText(failure.nError);
  }
  if (file.Size() > kMaxSettingsBytes) return "Larger than 64 KB";
  return {};
}

std::string CSettingsFile::ReadSetting(const std::string& key,
                                       const std::string& defaultValue) const {
  if (!m_strRefusal.empty()) return defaultValue;
  platform::CTextFile file;
  if (!file.OpenRead(m_strPath) || file.Size() > kMaxSettingsBytes) return defaultValue;
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

namespace {

// value when it is one of codes, else fallback.
std::string OneOf(const std::string& value, std::span<const OptionCode> codes, const char* fallback) {
  for (const OptionCode& c : codes) {
    if (value == c.code) return value;
  }
  return fallback;
}

// The letters of value that are codes of the letter-set option, in their order.
std::string LettersOf(const std::string& value, std::span<const OptionCode> codes) {
  std::string kept;
  for (const char letter : value) {
    for (const OptionCode& c : codes) {
      if (c.code[0] == letter && c.code[1] == '\0') kept += letter;
    }
  }
  return kept;
}

bool IsPianoIntCode(const std::string& value) {
  if (value.empty() || value.size() > 4) return false;
  return std::all_of(value.begin(), value.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  });
}

}  // namespace

int CSettingsFile::LoadSettings(COptionSet& options) {
  m_strRefusal.clear();
  m_strRefusal = Inspect();
  if (!m_strRefusal.empty()) return kSettingsRefused;

  const OptionDefaults& d = kOptionDefaults;
  options.SetNote(OneOf(ReadSetting("Note", d.note), kNoteCodes, d.note));
  options.SetScale(OneOf(ReadSetting("Scale", d.scale), kScaleCodes, d.scale));
  options.SetPlayMode(OneOf(ReadSetting("PlayMode", d.playMode), kPlayModeCodes, d.playMode));

  options.ToggleRhythm("D");
  for (const char letter : LettersOf(ReadSetting("Rhythm", d.rhythm), kRhythmCodes)) {
    options.ToggleRhythm(std::string(1, letter));
  }
  for (const char letter : LettersOf(ReadSetting("Harmony", d.harmony), kHarmonyCodes)) {
    options.ToggleHarmony(std::string(1, letter));
  }

  options.SetForcePitch(OneOf(ReadSetting("ForcePitch", d.forcePitch), kForcePitchCodes, d.forcePitch));
  options.SetTempo(OneOf(ReadSetting("Tempo", d.tempo), kTempoCodes, d.tempo));
  options.SetHand(OneOf(ReadSetting("Hand", d.hand), kHandCodes, d.hand));
  options.SetMotive(OneOf(ReadSetting("Motive", d.motive), kMotiveCodes, d.motive));
  options.SetPCI(OneOf(ReadSetting("PCI", d.pci), kPCICodes, d.pci));

  std::string pianoInt = ReadSetting("PianoInt", d.pianoInt);
  if (!IsPianoIntCode(pianoInt)) pianoInt = d.pianoInt;
  if (pianoInt != options.PianoInt()) options.TogglePianoInt();
  return kSettingsOk;
}

int CSettingsFile::SaveSettings(const COptionSet& options) const {
  if (!m_strRefusal.empty()) return kSettingsRefused;
  platform::CTextFile file;
  if (!file.OpenWrite(m_strPath, platform::LinkRule::kReplaceTarget)) return kSettingsFailed;
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
  return file.Close() && stored ? kSettingsOk : kSettingsFailed;
}
