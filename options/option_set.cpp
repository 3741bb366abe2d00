#include "options/option_set.h"

namespace {

// Appends letter when the set lacks it, else removes every occurrence of it ("DD" toggled with
// "D" becomes ""). An empty letter leaves the set as it is.
void ToggleLetter(std::string& set, const std::string& letter) {
  if (letter.empty()) return;
  if (set.find(letter) == std::string::npos) {
    set += letter;
    return;
  }
  for (auto pos = set.find(letter); pos != std::string::npos; pos = set.find(letter, pos)) {
    set.erase(pos, letter.size());
  }
}

}  // namespace

void COptionSet::ShowSingle(std::span<const OptionCode> codes, const std::string& value) {
  if (!m_pView) return;
  for (const OptionCode& c : codes) m_pView->ShowIndicator(c.indicator, value == c.code);
}

void COptionSet::ShowLetters(std::span<const OptionCode> codes, const std::string& set) {
  if (!m_pView) return;
  for (const OptionCode& c : codes) {
    m_pView->ShowIndicator(c.indicator, set.find(c.code) != std::string::npos);
  }
}

void COptionSet::PlaySound() {
  if (m_pView) m_pView->PlayOptionSound();
}

void COptionSet::SetNote(const std::string& code) {
  m_strNote = code;
  ShowSingle(kNoteCodes, m_strNote);
}

void COptionSet::SetPlayMode(const std::string& code) {
  m_strPlayMode = code;
  ShowSingle(kPlayModeCodes, m_strPlayMode);
}

void COptionSet::SetForcePitch(const std::string& code) {
  m_strForcePitch = code;
  ShowSingle(kForcePitchCodes, m_strForcePitch);
}

void COptionSet::SetTempo(const std::string& code) {
  m_strTempo = code;
  ShowSingle(kTempoCodes, m_strTempo);
}

void COptionSet::SetPCI(const std::string& code) {
  m_strPCI = code;
  ShowSingle(kPCICodes, m_strPCI);
}

int COptionSet::SetScale(const std::string& code) {
  if (code == m_strScale) return 1;
  m_strScale = code;
  ShowSingle(kScaleCodes, m_strScale);
  PlaySound();
  return 0;
}

void COptionSet::SetMotive(const std::string& code) {
  if (code == m_strMotive) return;
  m_strMotive = code;
  ShowSingle(kMotiveCodes, m_strMotive);
  PlaySound();
}

void COptionSet::SetHand(const std::string& code) {
  if (code == m_strHand) return;
  m_strHand = code;
  ShowSingle(kHandCodes, m_strHand);
  PlaySound();
}

void COptionSet::ToggleRhythm(const std::string& letter) {
  ToggleLetter(m_strRhythm, letter);
  ShowLetters(kRhythmCodes, m_strRhythm);
  PlaySound();
}

void COptionSet::ToggleHarmony(const std::string& letter) {
  ToggleLetter(m_strHarmony, letter);
  ShowLetters(kHarmonyCodes, m_strHarmony);
}

void COptionSet::TogglePianoInt() {
  m_strPianoInt = m_strPianoInt == kPianoIntOff ? kPianoIntOn : kPianoIntOff;
}

void COptionSet::SetDefaults() {
  const OptionDefaults& d = kOptionDefaults;
  SetNote(d.note);
  SetScale(d.scale);
  SetPlayMode(d.playMode);
  m_strRhythm.clear();
  for (const char* letter = d.rhythm; *letter; ++letter) ToggleRhythm(std::string(1, *letter));
  m_strHarmony = d.harmony;
  SetForcePitch(d.forcePitch);
  SetPCI(d.pci);
  SetTempo(d.tempo);
  SetHand(d.hand);
  SetMotive(d.motive);
  m_strPianoInt = d.pianoInt;
}
