#include "render/sample_catalog.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <unordered_set>

#include "compose/pitch_names.h"
#include "render/render_support.h"
#include "render/wave_format.h"

namespace {

using render::Format;

using wave::EighthBytes;
constexpr int kEighth60 = EighthBytes(60);  // the original entries are all at tempo 60
// The tempos every family is complete for, in the order their completions are appended.
constexpr int kTempos[2] = {60, 90};


using pitch::NoteName;
constexpr const char* RootName(int pitchClass) { return pitch::ClassName(pitchClass); }

// Appends entries after a group's existing ones, skipping names the group already holds, so
// the entries laid out before keep their offsets and each archive only grows at its end.
class CGroupAppender {
 public:
  explicit CGroupAppender(SampleGroup& g) : m_group(g), m_known(g.m_names.begin(), g.m_names.end()) {}
  void Add(const std::string& name, int size) {
    if (m_known.insert(name).second) m_group.Add(name, size);
  }

 private:
  SampleGroup& m_group;
  std::unordered_set<std::string> m_known;
};

// The completions: every name the renderers can form, at one tempo, family by family. Within a
// family the names ascend field by field in the order the fields appear in the name.
void AppendMelodyNotes(CGroupAppender& a, int tempo) {
  for (int n = 1; n <= 48; ++n)
    for (int len = 1; len <= 6; ++len)
      a.Add(Format("TP%.2d%s_T%.3d_L%d_11111.wav", n, NoteName(n).c_str(), tempo, len),
            EighthBytes(tempo) * (len + 1));
}

void AppendChords(CGroupAppender& a, int tempo) {
  for (int kk = 1; kk <= 12; ++kk)
    for (const char* scale : {"maj", "min"})
      for (int len = 3; len <= 6; ++len)
        for (int v = 1; v <= 5; ++v)
          a.Add(Format("CH%.2d_%s%s_%.3d_L%d_%d.wav", kk, RootName(kk), scale, tempo, len, v),
                EighthBytes(tempo) * (len + 1));
}

// A drum loop holds nine bars and 124 bytes more.
void AppendDrumLoops(CGroupAppender& a, int tempo) {
  for (const int loop : {7, 9}) a.Add(Format("DL_%.3d_%.2d.wav", tempo, loop), 72 * EighthBytes(tempo) + 124);
}

void AppendLowNotes(CGroupAppender& a, int tempo) {
  for (int n = 1; n <= 24; ++n)
    for (int v = 1; v <= 2; ++v)
      a.Add(Format("PP%.2d%s%.3d_%d.wav", n, NoteName(n).c_str(), tempo, v), 2 * EighthBytes(tempo));
}

// TA (variants 1..5) and TF (variants 1..7).
void AppendFigures(CGroupAppender& a, const char* family, int variants, int tempo) {
  for (int kk = 1; kk <= 12; ++kk)
    for (int len = 1; len <= 6; ++len)
      for (int v = 1; v <= variants; ++v)
        a.Add(Format("%s%.2d%s%.3d%d%.2d.wav", family, kk, RootName(kk), tempo, len, v),
              EighthBytes(tempo) * (len + 1));
}

// The bass track's notes (BS): roots C_1 .. B_1 on the picked bass (variant 2), held 2 to 5
// eighths. "06" or "09" is the tempo divided by ten; the size follows the original entries:
// code 02 five eighths, 03 and 04 six, 05 seven.
void AppendBassNotes(CGroupAppender& a, int tempo) {
  for (int n = 1; n <= 12; ++n)
    for (int code = 2; code <= 5; ++code)
      a.Add(Format("BS%.2d%s%.2d%.2d_%d.wav", n, NoteName(n).c_str(), tempo / 10, code, kBassTimbre),
            EighthBytes(tempo) * BassNoteEighths(code));
}

// The sustained pads of the strings (ST) and voices (VO): every root, quality and inversion,
// held kPadHeldEighths and one eighth more to ring out.
void AppendPads(CGroupAppender& a, const char* family, int tempo) {
  static const char* const kQualities[3] = {"maj", "min", "dim"};
  for (int kk = 1; kk <= 12; ++kk)
    for (const char* quality : kQualities)
      for (int inversion = 0; inversion < 3; ++inversion)
        a.Add(Format("%s%.2d_%s%s_%.3d_L%.2d_I%d.wav", family, kk, RootName(kk), quality, tempo,
                     kPadHeldEighths, inversion),
              EighthBytes(tempo) * (kPadHeldEighths + 1));
}

void CompletePiano(SampleGroup& g) {
  CGroupAppender a(g);
  for (const int tempo : kTempos) AppendMelodyNotes(a, tempo);
}

void CompleteChords(SampleGroup& g) {
  CGroupAppender a(g);
  for (const int tempo : kTempos) AppendChords(a, tempo);
}

void CompleteRhythm(SampleGroup& g) {
  CGroupAppender a(g);
  for (const int tempo : kTempos) AppendDrumLoops(a, tempo);
  for (const int tempo : kTempos) AppendBassNotes(a, tempo);
}

void FillSpare(SampleGroup& g) {
  CGroupAppender a(g);
  for (const char* family : {"ST", "VO"})
    for (const int tempo : kTempos) AppendPads(a, family, tempo);
}

void CompleteAccomp(SampleGroup& g) {
  CGroupAppender a(g);
  for (const int tempo : kTempos) {
    AppendLowNotes(a, tempo);
    AppendFigures(a, "TA", 5, tempo);
    AppendFigures(a, "TF", 7, tempo);
  }
}

void FillPiano(SampleGroup& g) {
  static const int kWhiteKeys[7] = {1, 3, 5, 6, 8, 10, 12};
  for (int octave = 0; octave < 4; ++octave) {
    for (const int key : kWhiteKeys) {
      const int n = key + 12 * octave;
      for (int len = 1; len <= 5; ++len) {
        char name[64];
        std::snprintf(name, sizeof name, "TP%.2d%s_T060_L%d_11111.wav", n, NoteName(n).c_str(), len);
        g.Add(name, kEighth60 * (len + 1));
      }
    }
  }
}

void FillChords(SampleGroup& g) {
  static const struct { int kk; const char* root; } kChords[3] = {{1, "C_"}, {6, "F_"}, {8, "G_"}};
  for (const auto& chord : kChords) {
    for (int len = 3; len <= 6; ++len) {
      for (int v = 1; v <= 5; ++v) {
        char name[64];
        std::snprintf(name, sizeof name, "CH%.2d_%smaj_060_L%d_%d.wav", chord.kk, chord.root, len, v);
        g.Add(name, kEighth60 * (len + 1));
      }
    }
  }
}

void FillRhythm(SampleGroup& g) {
  static const char* const kBass[63] = {
      "BS01C_10602_1", "BS01C_10602_2", "BS01C_10603_1", "BS01C_10603_2", "BS01C_10603_3",
      "BS01C_10604_1", "BS01C_10604_2", "BS01C_10605_2", "BS01C_10605_3", "BS03D_10602_1",
      "BS03D_10602_2", "BS03D_10603_1", "BS03D_10603_2", "BS03D_10603_3", "BS03D_10604_1",
      "BS03D_10604_2", "BS03D_10605_2", "BS03D_10605_3", "BS05E_10602_2", "BS05E_10602_3",
      "BS05E_10603_1", "BS05E_10603_2", "BS05E_10603_3", "BS05E_10604_1", "BS05E_10604_3",
      "BS05E_10605_1", "BS05E_10605_3", "BS06F_10602_2", "BS06F_10602_3", "BS06F_10603_1",
      "BS06F_10603_2", "BS06F_10603_3", "BS06F_10604_1", "BS06F_10604_3", "BS06F_10605_1",
      "BS06F_10605_3", "BS08G_10602_2", "BS08G_10602_3", "BS08G_10603_1", "BS08G_10603_2",
      "BS08G_10603_3", "BS08G_10604_1", "BS08G_10604_3", "BS08G_10605_1", "BS08G_10605_3",
      "BS10A_10602_1", "BS10A_10602_3", "BS10A_10603_1", "BS10A_10603_2", "BS10A_10603_3",
      "BS10A_10604_2", "BS10A_10604_3", "BS10A_10605_1", "BS10A_10605_2", "BS12B_10602_1",
      "BS12B_10602_3", "BS12B_10603_1", "BS12B_10603_2", "BS12B_10603_3", "BS12B_10604_2",
      "BS12B_10604_3", "BS12B_10605_1", "BS12B_10605_2"};
  for (const char* base : kBass) {
    const std::string name = base;
    const int code = std::stoi(name.substr(9, 2));  // the two digits after "06"
    const int size = code == 2 ? 220500 : code == 5 ? 308700 : 264600;
    g.Add(name + ".wav", size);
  }
  g.Add("DL_060_07.wav", 3175324);
  g.Add("DL_060_09.wav", 3175324);
}

void FillAccomp(SampleGroup& g) {
  static const char* const kLowPiano[14] = {
      "PP01C_1060_1", "PP03D_1060_1", "PP05E_1060_1", "PP06F_1060_2", "PP08G_1060_2",
      "PP10A_1060_2", "PP12B_1060_2", "PP13C_2060_1", "PP15D_2060_1", "PP17E_2060_1",
      "PP18F_2060_2", "PP20G_2060_2", "PP22A_2060_2", "PP24B_2060_2"};
  for (const char* name : kLowPiano) g.Add(std::string(name) + ".wav", 88200);

  static const char* const kFigures[88] = {
      "TA01C_060101", "TA01C_060103", "TA01C_060201", "TA01C_060301", "TA01C_060302",
      "TA01C_060305", "TA01C_060401", "TA01C_060402", "TA01C_060403", "TA01C_060405",
      "TA01C_060501", "TA01C_060502", "TA01C_060504", "TA01C_060505", "TA03D_060101",
      "TA03D_060105", "TA03D_060201", "TA03D_060301", "TA03D_060303", "TA03D_060304",
      "TA03D_060401", "TA03D_060403", "TA03D_060404", "TA03D_060405", "TA03D_060502",
      "TA03D_060503", "TA03D_060504", "TA03D_060505", "TA05E_060102", "TA05E_060104",
      "TA05E_060204", "TA05E_060301", "TA05E_060302", "TA05E_060304", "TA05E_060401",
      "TA05E_060402", "TA05E_060404", "TA05E_060501", "TA05E_060503", "TA05E_060504",
      "TA05E_060505", "TA06F_060104", "TA06F_060204", "TA06F_060301", "TA06F_060303",
      "TA06F_060305", "TA06F_060401", "TA06F_060402", "TA06F_060404", "TA06F_060405",
      "TA06F_060501", "TA06F_060502", "TA06F_060503", "TA06F_060504", "TA08G_060103",
      "TA08G_060105", "TA08G_060203", "TA08G_060301", "TA08G_060403", "TA08G_060404",
      "TA08G_060502", "TA08G_060503", "TA08G_060505", "TA10A_060102", "TA10A_060104",
      "TA10A_060202", "TA10A_060303", "TA10A_060304", "TA10A_060305", "TA10A_060401",
      "TA10A_060402", "TA10A_060403", "TA10A_060404", "TA10A_060501", "TA10A_060503",
      "TA10A_060504", "TA12B_060103", "TA12B_060105", "TA12B_060203", "TA12B_060301",
      "TA12B_060302", "TA12B_060304", "TA12B_060401", "TA12B_060402", "TA12B_060404",
      "TA12B_060405", "TA12B_060501", "TA12B_060505"};
  for (const char* base : kFigures) {
    const int len = base[9] - '0';
    g.Add(std::string(base) + ".wav", kEighth60 * (len + 1));
  }

  // Rhythm figures: each size is the figure's own.
  static const struct { const char* name; int size; } kRhythmFigures[22] = {
      {"TF01C_060403", 308700}, {"TF01C_060407", 220500}, {"TF01C_060501", 352800},
      {"TF03D_060304", 264600}, {"TF03D_060407", 220500}, {"TF03D_060501", 352800},
      {"TF03D_060506", 352800}, {"TF05E_060306", 264600}, {"TF05E_060405", 220500},
      {"TF05E_060503", 352800}, {"TF06F_060206", 220500}, {"TF06F_060401", 308700},
      {"TF06F_060405", 220500}, {"TF06F_060503", 352800}, {"TF08G_060201", 220500},
      {"TF08G_060401", 220500}, {"TF08G_060507", 352800}, {"TF10A_060403", 220500},
      {"TF10A_060505", 352800}, {"TF10A_060506", 352800}, {"TF12B_060403", 220500},
      {"TF12B_060505", 352800}};
  for (const auto& figure : kRhythmFigures) g.Add(std::string(figure.name) + ".wav", figure.size);
}

int FindOffset(const SampleGroup& g, const std::string& name, bool ignoreCase) {
  int offset = 0;
  for (size_t i = 0; i < g.m_names.size(); ++i) {
    const bool same = ignoreCase ? ::strcasecmp(g.m_names[i].c_str(), name.c_str()) == 0
                                 : g.m_names[i] == name;
    if (same) return offset;
    offset += g.m_sizes[i];
  }
  return -1;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The name of a piano entry up to its mask, or "" when it has no mask.
std::string MaskPrefix(const std::string& name) {
  return name.size() < 9 ? std::string() : name.substr(0, name.size() - 9);
}

}  // namespace

void CSampleCatalog::NameIndex::Build(const SampleGroup& g, bool ignoreCase) {
  offsets.clear();
  int offset = 0;
  for (size_t i = 0; i < g.m_names.size(); ++i) {
    offsets.emplace(ignoreCase ? Lower(g.m_names[i]) : g.m_names[i], offset);  // the first one wins
    offset += g.m_sizes[i];
  }
  entries = g.m_names.size();
}

int CSampleCatalog::NameIndex::Find(const SampleGroup& g, const std::string& name, bool ignoreCase) const {
  if (entries != g.m_names.size()) return FindOffset(g, name, ignoreCase);  // the group changed
  const auto found = offsets.find(ignoreCase ? Lower(name) : name);
  return found == offsets.end() ? -1 : found->second;
}

int SampleGroup::TotalSize() const {
  int total = 0;
  for (const int size : m_sizes) total += size;
  return total;
}

CSampleCatalog::CSampleCatalog() {
  SampleGroup* const groups[5] = {&m_pianoGroup, &m_chordGroup, &m_rhythmGroup, &m_accompGroup,
                                  &m_spareGroup};
  for (SampleGroup* g : groups) g->Add(kSilenceName, kSilenceBytes);
  // The original layout first, then every missing name appended after it. A family added later
  // appends its entries after these.
  FillPiano(m_pianoGroup);
  FillChords(m_chordGroup);
  FillRhythm(m_rhythmGroup);
  FillAccomp(m_accompGroup);
  CompletePiano(m_pianoGroup);
  CompleteChords(m_chordGroup);
  CompleteRhythm(m_rhythmGroup);
  CompleteAccomp(m_accompGroup);
  FillSpare(m_spareGroup);
  m_pianoIndex.Build(m_pianoGroup, false);
  m_chordIndex.Build(m_chordGroup, true);
  m_accompIndex.Build(m_accompGroup, false);
  m_rhythmIndex.Build(m_rhythmGroup, false);
  m_spareIndex.Build(m_spareGroup, false);
  for (size_t i = 0; i < m_pianoGroup.m_names.size(); ++i)
    m_pianoPrefixes[MaskPrefix(m_pianoGroup.m_names[i])].push_back(i);
}

CSampleCatalog::~CSampleCatalog() { platform::CloseAndClear(m_hArchive); }

int CSampleCatalog::FindPianoOffset(const std::string& name) const {
  return m_pianoIndex.Find(m_pianoGroup, name, false);
}

int CSampleCatalog::FindChordOffset(const std::string& name) const {
  return m_chordIndex.Find(m_chordGroup, name, true);
}

int CSampleCatalog::FindAccompOffset(const std::string& name) const {
  return m_accompIndex.Find(m_accompGroup, name, false);
}

int CSampleCatalog::FindRhythmOffset(const std::string& name) const {
  return m_rhythmIndex.Find(m_rhythmGroup, name, false);
}

int CSampleCatalog::FindSpareOffset(const std::string& name) const {
  return m_spareIndex.Find(m_spareGroup, name, false);
}

int BassNoteEighths(int code) { return code <= 2 ? code + 3 : code <= 4 ? 6 : code + 2; }

std::string CSampleCatalog::MatchPianoSample(const std::string& name) const {
  if (name.size() < 9) return {};
  const std::string prefix = MaskPrefix(name);
  auto matches = [&](const std::string& entry) {
    if (entry.size() < 9 || entry.size() - 9 != prefix.size() || entry.compare(0, prefix.size(), prefix) != 0)
      return false;
    for (size_t j = 0; j < 5; ++j) {
      const size_t pos = prefix.size() + j;
      if (pos < name.size() && pos < entry.size() && name[pos] == '1' && entry[pos] == '1') return true;
    }
    return false;
  };
  if (m_pianoIndex.entries == m_pianoGroup.m_names.size()) {
    const auto found = m_pianoPrefixes.find(prefix);
    if (found == m_pianoPrefixes.end()) return {};
    for (const size_t i : found->second)
      if (matches(m_pianoGroup.m_names[i])) return m_pianoGroup.m_names[i];
    return {};
  }
  for (const std::string& entry : m_pianoGroup.m_names)  // the group changed since construction
    if (matches(entry)) return entry;
  return {};
}

std::vector<CSampleCatalog::Archive> CSampleCatalog::Archives() const {
  return {{"Data0.dat", &m_pianoGroup},
          {"Data1.dat", &m_chordGroup},
          {"Data2.dat", &m_rhythmGroup},
          {"Data3.dat", &m_accompGroup},
          {"data4.dat", &m_spareGroup}};
}
