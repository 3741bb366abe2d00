// Phrase and motive generation: sections of 8 bars, each a rhythm motive and a melodic motive
// developed as a sequence. The order of random draws is fixed: a session identifier must
// always reproduce its piece.
#include <cstdio>
#include <cstdlib>

#include "compose/composer.h"

namespace {

// The grouping string walked for step sizes 2 and 3; its "0" marks where each section starts.
const char kGrouping[] = "2232232232230223223223223";

// Bar multipliers of the motive shift, by m_bFullMotive and bar within the section.
const int kBarMultiplier[2][8] = {{0, 1, 1, 1, 1, 1, 1, 1}, {0, 1, 0, 1, 0, 1, 0, 1}};

int Item(const std::string& s, size_t index) {
  return (s[2 * index] - '0') * 10 + (s[2 * index + 1] - '0');
}

size_t Items(const std::string& s) { return s.size() / 2; }

void AppendItem(std::string& s, int value) {
  char item[16];
  std::snprintf(item, sizeof item, "%.2d", value);
  s += item;
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

int CComposer::ComposeSections(int nBars) {
  const int sections = nBars / 8;
  m_nDirection = 0;
  m_barRhythms.clear();
  m_barNotes.clear();
  for (int bars = nBars; bars > 0; bars -= 8) {
    PrepareSection();
    ComposeSection();
  }

  m_nSectionChoices = 0;
  const size_t weights = Items(m_strSectionWeights);
  int total = 0;
  for (size_t i = 0; i < weights; ++i) total += Item(m_strSectionWeights, i);
  for (int section = 0; section < sections && section < kMaxSections; ++section) {
    const int t = Clamp(WeightedPosition(total), 1, total);
    int count = 0;
    int sum = 0;
    while (static_cast<size_t>(count) < weights && sum < t) sum += Item(m_strSectionWeights, count++);
    m_sectionChoice[m_nSectionChoices++] = count < 1 ? 1 : count;
  }
  m_nPlanCursor = 0;
  return 0;
}

void CComposer::PrepareSection() {
  m_strSectionWeights = "000000000000090006000000000000";

  const std::string grouping = kGrouping;
  m_nGroupSplit = static_cast<int>(grouping.find('0'));
  m_strGrouping.clear();
  for (const char c : grouping) {
    if (c != '0') m_strGrouping += c;
  }

  const int row = UniformIndex(49);
  m_sectionRhythms[0] = m_patternTable[1][row];
  m_sectionRhythms[2] = m_patternTable[0][row];
  m_sectionRhythms[4] = m_patternTable[4][row];
  m_sectionRhythms[5] = m_patternTable[5][row];
  m_sectionRhythms[6] = m_patternTable[2][row];
  m_sectionRhythms[7] = m_patternTable[3][row];

  const int crow = UniformIndex(49);
  for (int k = 0; k < 6; ++k) {
    const std::string& contour = m_patternTable[6 + k][crow];
    std::vector<int>& forward = m_contourLists[2 * k];
    forward.clear();
    for (size_t i = 0; i < Items(contour); ++i) forward.push_back(Item(contour, i));
    m_contourLists[2 * k + 1].assign(forward.rbegin(), forward.rend());
  }
}

std::string CComposer::MakeRhythm(char kind) {
  const int slot = 4 * m_bFullMotive + 2 * m_bClosePlay + (kind != 'A' ? 1 : 0);
  const std::string& pattern = m_sectionRhythms[slot];
  std::string result;
  int total = 0;
  while (total < m_nEighthsPerBar) {
    int fitting = 0;
    while (static_cast<size_t>(fitting) < pattern.size()) {
      const int digit = pattern[fitting] - '0';
      if (digit == 0 || total + digit > m_nEighthsPerBar) break;
      ++fitting;
    }
    const size_t i = static_cast<size_t>(UniformIndex(fitting));
    const int digit = i < pattern.size() ? pattern[i] - '0' : 0;
    if (digit <= 0) break;  // a pattern without any usable duration (never in the tables)
    result += pattern[i];
    total += digit;
  }
  return result;
}

std::string CComposer::MakeMelody(int n) {
  const int scaleSize = static_cast<int>(m_scaleNotes.size());
  int parity = 1;
  std::string notes;
  for (int note = 0; note < n; ++note) {
    int column;
    if (m_bComplex) {
      column = m_bClosePlay ? 6 : 9;
    } else if (m_bClosePlay) {
      column = parity == 1 ? 7 : 8;
    } else {
      column = parity == 1 ? 10 : 11;
    }
    const std::vector<int>& weights = m_contourLists[2 * (column - 6) + (m_nDirection == 1 ? 1 : 0)];
    const int length = static_cast<int>(weights.size());
    const int half = length / 2;
    const int e = m_nDegree;
    const int lo = e < half ? half - e + 1 : 0;
    const int hi = e + half + 1 < scaleSize ? length - 1 : scaleSize - 1 - e + half;

    int total = 0;
    for (int i = lo; i <= hi; ++i) total += weights[i];
    const int t = WeightedPosition(total);
    int x = e;  // no step carries weight: the walk stays where it is
    if (total > 0) {
      int b = lo;
      int acc = weights[lo];
      while (acc < t && b < hi) acc += weights[++b];
      x = e + b - half;
    }

    if (x < m_nLowDegree) m_nDirection = 1;
    if (x > m_nHighDegree) m_nDirection = -1;
    m_nDegree = x;
    notes += m_scaleNotes[Clamp(x, 0, scaleSize - 1)];
    if (!m_bComplex) parity = 1 - parity;
  }
  return notes;
}

int CComposer::NextStep(const std::string& notes) {
  const std::string degrees = NotesToDegrees(notes);
  if (!m_bGroupMode && Items(degrees) >= 2) {
    int v = std::abs(Item(degrees, 0) - Item(degrees, 1));
    if (v != 0) {
      if (v > 4) v = 1;
      return v;
    }
  }
  m_bGroupMode = 1;
  if (m_bFirstGroupStep) {
    if (m_nDirection == -1) --m_nGroupIndex;
    m_bFirstGroupStep = 0;
  } else {
    m_nGroupIndex += m_nDirection;
  }
  m_nGroupIndex = Clamp(m_nGroupIndex, 0, static_cast<int>(m_strGrouping.size()) - 1);
  return m_strGrouping.empty() ? 0 : m_strGrouping[m_nGroupIndex] - '0';
}

std::string CComposer::MirrorLastStep(const std::string& degrees) {
  const size_t count = Items(degrees);
  if (count < 2) return degrees;
  const int last = Item(degrees, count - 1);
  const int prev = Item(degrees, count - 2);
  int mirrored = 2 * prev - last;
  const int top = static_cast<int>(m_scaleNotes.size()) - 1;
  if (mirrored < 0) mirrored = 0;
  if (mirrored >= top) mirrored = top;
  std::string result = degrees.substr(0, 2 * (count - 1));
  AppendItem(result, mirrored);
  return result;
}

std::string CComposer::ReverseNotes(const std::string& notes) {
  std::string result;
  for (size_t i = Items(notes); i-- > 0;) result += notes.substr(2 * i, 2);
  return result;
}

std::string CComposer::NotesToDegrees(const std::string& notes) {
  std::string degrees;
  for (size_t i = 0; i < Items(notes); ++i) {
    const std::string note = notes.substr(2 * i, 2);
    size_t degree = 0;
    while (degree < m_scaleNotes.size() && m_scaleNotes[degree] != note) ++degree;
    AppendItem(degrees, static_cast<int>(degree));
  }
  return degrees;
}

std::string CComposer::DegreesToNotes(const std::string& degrees) {
  std::string notes;
  if (m_scaleNotes.empty()) return notes;
  const int top = static_cast<int>(m_scaleNotes.size()) - 1;
  for (size_t i = 0; i < Items(degrees); ++i) notes += m_scaleNotes[Clamp(Item(degrees, i), 0, top)];
  return notes;
}

void CComposer::ComposeSection() {
  const int scaleSize = static_cast<int>(m_scaleNotes.size());
  m_nGroupIndex = m_nGroupSplit;
  m_bFirstGroupStep = 1;
  m_bGroupMode = 0;

  std::string rhythms[8];
  rhythms[0] = MakeRhythm('A');
  for (int f = 1; f < 8; ++f) rhythms[f] = rhythms[0];
  if (m_bFullMotive) {
    rhythms[1] = MakeRhythm('B');
    rhythms[3] = rhythms[5] = rhythms[7] = rhythms[1];
  }
  const size_t width = rhythms[0].size() > rhythms[1].size() ? rhythms[0].size() : rhythms[1].size();

  m_nDegree = UniformIndex(scaleSize - 1) + 1;
  if (m_nDirection == 0) m_nDirection = m_nDegree < scaleSize / 2 ? 1 : -1;

  std::string notes[8];
  notes[0] = MakeMelody(8);
  int w = NextStep(notes[0]);
  int motive[8];
  const std::string motiveDegrees = NotesToDegrees(notes[0]);
  for (int i = 0; i < 8; ++i) motive[i] = Item(motiveDegrees, i);
  notes[0] = notes[0].substr(0, 2 * rhythms[0].size());

  for (int f = 1; f < 8; ++f) {
    const int m = kBarMultiplier[m_bFullMotive ? 1 : 0][f];
    for (size_t i = 0; i < width && i < 8; ++i) {
      const int shifted = motive[i] + w * m_nDirection * m;
      if (shifted < 0 || shifted > scaleSize - 1) {
        m_nDirection = -m_nDirection;
        break;
      }
    }
    for (int i = 0; i < 8; ++i) motive[i] += w * m_nDirection * m;

    // The bar keeps its first degrees; one that is still off the scale after the single
    // flip is held at the scale's end here, while the motive keeps its true value.
    std::string degrees;
    for (size_t i = 0; i < rhythms[f].size() && i < 8; ++i) {
      AppendItem(degrees, Clamp(motive[i], 0, scaleSize - 1));
    }
    const bool mirror = m_bFullMotive ? (f == 3 || f == 7) : (f % 2 == 1);
    if (mirror) degrees = MirrorLastStep(degrees);
    notes[f] = DegreesToNotes(degrees);
    if (m_bGroupMode && f % 2 == 1) w = NextStep(notes[0]);
  }

  for (int f = 0; f < 8; ++f) {
    m_barRhythms.push_back(rhythms[f]);
    m_barNotes.push_back(m_bFreePitch && f % 2 == 1 ? ReverseNotes(notes[f]) : notes[f]);
  }
}
