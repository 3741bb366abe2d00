// CComposer::Compose: decodes the options, writes the session log, sets the time base and
// composes the plan and its velocity string.
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "compose/composer.h"
#include "platform/clock.h"
#include "platform/text_file.h"

namespace {

const char* const kNoteCodes[12] = {"C", "CD", "D", "DE", "E", "F", "FG", "G", "GA", "A", "AB", "B"};
const char* const kScaleCodes[4] = {"Maj", "Min", "PMaj", "PMin"};

// Decimal value of an option text, as atoi reads it, held within the int range.
int DecimalValue(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool Has(const std::string& set, char letter) { return set.find(letter) != std::string::npos; }

// The fifteen log lines before the identifier, each as one piece of text. For the single-code
// options the line end belongs to the word, so a code without a word (possible only through an
// edited settings file) leaves its row unterminated.
std::string LogLines(const std::string& note, const std::string& scale,
                     const std::string& playMode, const std::string& rhythm,
                     const std::string& harmony, const std::string& forcePitch,
                     const std::string& tempo, const std::string& length, const std::string& pci,
                     const std::string& motive, const std::string& hand,
                     const std::string& pianoInt) {
  std::string log =
      platform::FormatLocalTime(platform::Now(), "Vorsk generate started at: %Y-%m-%d %H:%M\n", 128);
  log += "\nParameters:\n";

  log += " Note: ";
  if (!note.empty()) log += note[0];
  if (note.size() > 1) log += "#";
  log += "\n";

  log += " Scale: ";
  if (scale == "Maj") log += "Major\n";
  if (scale == "Min") log += "Minor\n";
  if (scale == "PMaj") log += "PentatonMajor\n";
  if (scale == "PMin") log += "PentatonMinor\n";

  log += " SoundPlus: ";
  if (Has(harmony, 'S')) log += "Strings ";
  if (Has(harmony, 'V')) log += "Voices ";
  if (!Has(harmony, 'S') && !Has(harmony, 'V')) log += "None";
  log += "\n";

  log += " Rhythm: ";
  if (Has(rhythm, 'B')) log += "Bass ";
  if (Has(rhythm, 'D')) log += "Drums";
  if (!Has(rhythm, 'B') && !Has(rhythm, 'D')) log += "None";
  log += "\n";

  log += " Play mode: ";
  if (playMode == "Ope") log += "Open\n";
  if (playMode == "Clo") log += "Close\n";

  log += " Force pitch: ";
  if (forcePitch == "Reg") log += "Regular\n";
  if (forcePitch == "Fre") log += "Free\n";

  log += " Melody/Song: ";
  if (pci == "Sim") log += "Simple\n";
  if (pci == "Com") log += "Complex\n";

  log += " Motive: ";
  if (motive == "B") log += "Basic\n";
  if (motive == "F") log += "Full\n";

  log += " Piano mode: ";
  if (hand == "R") log += "Right hand\n";
  if (hand == "F") log += "Full\n";

  log += " Intensity: ";
  log += pianoInt == "C" ? "No" : "Yes";
  log += "\n";

  log += " Tempo: " + tempo + "\n";
  log += " Generate: " + length + " min.\n";
  return log;
}

}  // namespace

int CComposer::Compose(std::string strPrefix, std::string strNote, std::string strScale,
                       std::string strPlayMode, std::string strRhythm, std::string strHarmony,
                       std::string strForcePitch, std::string strTempo, std::string strLength,
                       std::string strPCI, std::string strMotive, std::string strHand,
                       std::string strPianoInt, std::string /*strSpare*/) {
  int key = 0;
  for (int i = 0; i < 12; ++i) {
    if (strNote == kNoteCodes[i]) key = i;
  }
  int scale = 0;
  for (int i = 0; i < 4; ++i) {
    if (strScale == kScaleCodes[i]) scale = i;
  }
  m_strScaleCode = strScale;
  m_strNoteCode = strNote;
  m_strHand = strHand;
  m_bClosePlay = strPlayMode == "Clo" ? 1 : 0;
  m_bFreePitch = strForcePitch != "Reg" ? 1 : 0;
  m_bComplex = strPCI == "Sim" ? 0 : 1;
  m_bFullMotive = strMotive != "B" ? 1 : 0;
  m_strPianoInt = strPianoInt;

  m_scaleNotes.clear();
  const std::string& table = m_scaleTables[key * 4 + scale];
  for (size_t i = 0; i + 1 < table.size(); i += 2) m_scaleNotes.push_back(table.substr(i, 2));
  m_nLowDegree = 4;
  m_nHighDegree = static_cast<int>(m_scaleNotes.size()) - 5;

  {
    platform::CTextFile log;
    if (!log.OpenWrite(strPrefix + "log.txt")) return 1;
    // A log that cannot be written completely does not stop the composition.
    log.Write(LogLines(strNote, strScale, strPlayMode, strRhythm, strHarmony, strForcePitch,
                       strTempo, strLength, strPCI, strMotive, strHand, strPianoInt));
    m_nSessionId = MakeSessionId();
    SeedRandom(m_nSessionId);
    char line[64];
    std::snprintf(line, sizeof line, " Session ID: %u", m_nSessionId);
    log.Write(line);
    log.Close();
  }

  // The option set offers only positive tempos; any other text plays at 60 rather than
  // dividing by zero.
  m_nTempo = DecimalValue(strTempo);
  if (m_nTempo <= 0) m_nTempo = 60;
  m_dBarSeconds = 240.0 / m_nTempo;
  m_nBars = PieceBars(DecimalValue(strLength), m_nTempo);
  m_dEighthMs = static_cast<double>(30000 / m_nTempo);

  ComposeSections(m_nBars);
  m_nTotalNotes = CountPlanNotes();

  m_strVelocities.clear();
  while (m_strVelocities.size() < 2 * static_cast<size_t>(m_nTotalNotes)) {
    m_strVelocities += m_velocityCurves[UniformIndex(31)];
  }
  return m_nBars / 8;
}

int CComposer::PieceBars(int minutes, int tempo) {
  if (tempo <= 0) tempo = 60;
  // Lengths the option set never offers (negative, or beyond the longest piece) are held in range.
  const int maxBars = kMaxSections * kBarsPerSection;
  double bars = (minutes * 60.0) / (240.0 / tempo);
  if (bars < 0) bars = 0;
  int nBars = bars < maxBars ? static_cast<int>(bars) + 1 : maxBars;
  while (nBars % kBarsPerSection != 0) ++nBars;
  return nBars;
}

uint32_t CComposer::MakeSessionId() {
  if (m_bFixedSessionId) return m_nFixedSessionId;
  const uint32_t seconds = static_cast<uint32_t>(static_cast<uint64_t>(platform::Now()));
  uint32_t h = 0;
  for (int i = 0; i < 4; ++i) h = h * 257u + ((seconds >> (8 * i)) & 0xFFu);
  return h;
}
