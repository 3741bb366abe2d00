// The option set: the composition parameters the user edits on the board and that every GENERATE
// run copies by value into the composer.
//
// Each option is a short text code held under its settings key and compared exactly and
// case-sensitively. Rhythm and Harmony are letter sets: strings of one-letter codes in the order
// they were switched on, tested by substring search. Setters accept any text without validation;
// a code that matches none of an option's codes is stored and passed on with all of that
// option's indicators hidden.
//
// The set reaches the window only through IOptionView (show or hide an indicator control, sound
// the option-change click). The view is not owned and may be null (headless command line, tests
// that only look at the values). One object per process in the program; UI thread only.
//
// Decisions made here:
// - The on-code of PianoInt is kPianoIntOn ("P"); "C" is off and any other text counts as on.
//   PianoInt has no indicator.
// - A Harmony change does not sound the click (only Scale, Rhythm, Motive and Hand do).
// - Choosing a Note does not play the note's sound.
#pragma once

#include <span>
#include <string>

// Display notifications of the main window. Neither call returns anything the setters rely on.
class IOptionView {
 public:
  virtual ~IOptionView() = default;
  virtual void ShowIndicator(int id, bool visible) = 0;
  // The option-change click (note preview number 0).
  virtual void PlayOptionSound() = 0;
};

// One code of an option and the id of its indicator control on the board.
struct OptionCode {
  const char* code;
  int indicator;
};

// Codes of each option in the order of its indicator row.
inline constexpr OptionCode kNoteCodes[] = {
    {"C", 1002},  {"CD", 1003}, {"D", 1004},  {"DE", 1005}, {"E", 1006},  {"F", 1007},
    {"FG", 1008}, {"G", 1009},  {"GA", 1010}, {"A", 1011},  {"AB", 1012}, {"B", 1013}};
inline constexpr OptionCode kScaleCodes[] = {
    {"Maj", 1014}, {"Min", 1015}, {"PMaj", 1017}, {"PMin", 1018}};
inline constexpr OptionCode kPlayModeCodes[] = {{"Clo", 1020}, {"Ope", 1019}};
inline constexpr OptionCode kRhythmCodes[] = {{"B", 1074}, {"D", 1073}};
inline constexpr OptionCode kHarmonyCodes[] = {{"S", 1025}, {"V", 1068}};
inline constexpr OptionCode kForcePitchCodes[] = {{"Reg", 1028}, {"Fre", 1030}};
inline constexpr OptionCode kTempoCodes[] = {{"60", 1033}, {"90", 1034}};
inline constexpr OptionCode kPCICodes[] = {{"Sim", 1050}, {"Com", 1049}};
inline constexpr OptionCode kMotiveCodes[] = {{"B", 1069}, {"F", 1070}};
inline constexpr OptionCode kHandCodes[] = {{"F", 1071}, {"R", 1072}};

inline constexpr const char* kPianoIntOff = "C";
inline constexpr const char* kPianoIntOn = "P";

// The start-up value of every option: SetDefaults, the settings file's value for a missing key
// and the command line's value for an omitted flag all take it from here.
struct OptionDefaults {
  const char* note = "C";
  const char* scale = "Maj";
  const char* playMode = "Clo";
  const char* rhythm = "D";
  const char* harmony = "";
  const char* forcePitch = "Reg";
  const char* tempo = "60";
  const char* hand = "F";
  const char* motive = "B";
  const char* pci = "Sim";
  const char* pianoInt = kPianoIntOff;
  const char* generateLength = "5";  // the command line's; the board sets it per button
};
inline constexpr OptionDefaults kOptionDefaults{};

class COptionSet {
 public:
  // Every option starts empty; SetDefaults gives the start-up values.
  explicit COptionSet(IOptionView* view = nullptr) : m_pView(view) {}
  void SetView(IOptionView* view) { m_pView = view; }

  // Store and update the option's indicators; no comparison with the old value, no sound.
  void SetNote(const std::string& code);
  void SetPlayMode(const std::string& code);
  void SetForcePitch(const std::string& code);
  void SetTempo(const std::string& code);
  void SetPCI(const std::string& code);
  // Returns 1 and does nothing when code is the current value; otherwise stores it, updates the
  // four indicators, sounds the click and returns 0.
  int SetScale(const std::string& code);
  // Nothing when code is the current value; otherwise store, update indicators, sound the click.
  void SetMotive(const std::string& code);
  void SetHand(const std::string& code);
  // Letter-set toggle: absent letter is appended, a present one loses every occurrence; then
  // both indicators of the option are updated. ToggleRhythm also sounds the click.
  void ToggleRhythm(const std::string& letter);
  void ToggleHarmony(const std::string& letter);
  // "C" becomes kPianoIntOn; anything else becomes "C".
  void TogglePianoInt();
  // Stored by the GENERATE buttons ("5" or "15") just before a run; no indicator, no sound.
  void SetGenerateLength(const std::string& code) { m_strGenerateLength = code; }

  // Start-up values, in this order: Note "C", Scale "Maj", PlayMode "Clo", Rhythm cleared and
  // toggled with "D", Harmony cleared (no indicator update), ForcePitch "Reg", PCI "Sim",
  // Tempo "60", Hand "F", Motive "B", PianoInt "C" (stored directly). On a fresh set this
  // sounds the click four times (Scale, Rhythm, Hand, Motive).
  void SetDefaults();

  const std::string& Note() const { return m_strNote; }
  const std::string& Scale() const { return m_strScale; }
  const std::string& PlayMode() const { return m_strPlayMode; }
  const std::string& Rhythm() const { return m_strRhythm; }
  const std::string& Harmony() const { return m_strHarmony; }
  const std::string& ForcePitch() const { return m_strForcePitch; }
  const std::string& Tempo() const { return m_strTempo; }
  const std::string& Hand() const { return m_strHand; }
  const std::string& Motive() const { return m_strMotive; }
  const std::string& PianoInt() const { return m_strPianoInt; }
  const std::string& PCI() const { return m_strPCI; }
  const std::string& GenerateLength() const { return m_strGenerateLength; }

 private:
  void ShowSingle(std::span<const OptionCode> codes, const std::string& value);
  void ShowLetters(std::span<const OptionCode> codes, const std::string& set);
  void PlaySound();

  IOptionView* m_pView = nullptr;
  std::string m_strNote;
  std::string m_strScale;
  std::string m_strPlayMode;
  std::string m_strRhythm;
  std::string m_strHarmony;
  std::string m_strForcePitch;
  std::string m_strTempo;
  std::string m_strHand;
  std::string m_strMotive;
  std::string m_strPianoInt;
  std::string m_strPCI;
  std::string m_strGenerateLength;
};
