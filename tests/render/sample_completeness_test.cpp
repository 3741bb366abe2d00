// Every sample name the six renderers can form for a composed piece is in the catalog: any key,
// scale, play mode, motive and variant setting, at both tempos. A missing name would play as
// silence while the run still reports success.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "options/option_set.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "support/fixtures.h"

namespace {

using render::Format;

const char* const kRoots[13] = {"", "C_", "C#", "D_", "D#", "E_", "F_", "F#", "G_", "G#", "A_", "A#", "B_"};

int PitchClass(int note) {
  while (note > 12) note -= 12;
  return note;
}

// Root 1..12 of a Note option code: the letter, one up for the two-letter (black) keys.
int KeyRoot(const std::string& code) {
  static const std::string kLetters = "C D EF G A B";
  return static_cast<int>(kLetters.find(code[0])) + 1 + (code.size() > 1 ? 1 : 0);
}

int Wrap(int p) { return p > 12 ? p - 12 : p; }

// The names the renderers form for one composed plan, each with the lookup that must find it.
class CNameCheck {
 public:
  explicit CNameCheck(const CSampleCatalog& catalog) : m_catalog(catalog) {}
  void SetPlan(const CComposer& c) { m_c = &c; }

  void Melody(int n, int len) {
    for (int slot = 1; slot <= 5; ++slot) {
      std::string mask = "?????";
      mask[static_cast<size_t>(slot - 1)] = '1';
      const std::string name =
          Format("TP%.2d%s_T%.3d_L%d_%s.wav", n, m_c->m_noteNames[n].c_str(), m_c->m_nTempo, len, mask.c_str());
      if (!Seen(name)) Expect(!m_catalog.MatchPianoSample(name).empty(), name);
    }
  }

  void Chord(int n, int len) {
    const int p = PitchClass(n);
    const int root = KeyRoot(m_c->m_strNoteCode);
    const bool major = m_c->m_strScaleCode.find("Maj") != std::string::npos;
    const bool degree = p == root || (major ? p == Wrap(root + 5) || p == Wrap(root + 7) : p == Wrap(root + 2));
    if (!degree || len <= 2) return;
    const std::string scale = m_c->m_strScaleCode.substr(m_c->m_strScaleCode.size() - 3);
    for (int v = 1; v <= 5; ++v) {
      const std::string name = Format("CH%.2d_%s%s_%.3d_L%d_%d.wav", p, kRoots[p], scale.c_str(), m_c->m_nTempo, len, v);
      if (!Seen(name)) Expect(m_catalog.FindChordOffset(name) >= 0, name);
    }
  }

  void LowNote(int n, int len) {
    if (len < 2) return;
    int q = n;
    if (q >= 24) {
      while (q > 24) q -= 12;
    } else {
      while (q > 12) q -= 12;
    }
    for (int v = 1; v <= 2; ++v) {
      const std::string name = Format("PP%.2d%s%.3d_%d.wav", q, m_c->m_noteNames[q].c_str(), m_c->m_nTempo, v);
      if (!Seen(name)) Expect(m_catalog.FindAccompOffset(name) >= 0, name);
    }
  }

  void Figures(const char* family, int variants, int n, int len) {
    const int p = PitchClass(n);
    for (int v = 1; v <= variants; ++v) {
      const std::string name = Format("%s%.2d%s%.3d%d%.2d.wav", family, p, kRoots[p], m_c->m_nTempo, len, v);
      if (!Seen(name)) Expect(m_catalog.FindAccompOffset(name) >= 0, name);
    }
  }

  void DrumLoop(int choice) {
    const std::string name = Format("DL_%.3d_%.2d.wav", m_c->m_nTempo, choice);
    const auto& names = m_catalog.m_rhythmGroup.m_names;
    Expect(std::find(names.begin(), names.end(), name) != names.end(), name);
  }

  const std::set<std::string>& Missing() const { return m_missing; }

 private:
  void Expect(bool found, const std::string& what) {
    if (!found) m_missing.insert(what);
  }
  // A name already looked up for an earlier note needs no second walk through the catalog.
  bool Seen(const std::string& name) { return !m_seen.insert(name).second; }

 public:
  // Whether a note of length len after note previous was checked before in this key and tempo.
  bool SeenEvent(int n, int len, int previous) {
    const long key = ((((static_cast<long>(m_c->m_nTempo) * 16 + KeyRoot(m_c->m_strNoteCode)) * 8 +
                        static_cast<long>(m_c->m_strScaleCode.size() * 2 + (m_c->m_strScaleCode.find("Maj") == std::string::npos))) *
                           100 + n) * 10 + len) * 100 + previous;
    return !m_seenEvents.insert(key).second;
  }

 private:

  const CSampleCatalog& m_catalog;
  const CComposer* m_c = nullptr;
  std::set<std::string> m_missing;
  std::set<std::string> m_seen;
  std::set<long> m_seenEvents;
};

// Walks the plan as the renderers read it and checks every name they form.
void CheckPlan(CNameCheck& check, CComposer& c) {
  check.SetPlan(c);
  c.RewindPlan();
  int previous = 99;  // the rhythm figure track plays each length on the note before it
  for (int bar = 0; bar < c.m_nBars; ++bar) {
    std::string text;
    c.NextBar(text);
    const std::string notes = text.substr(0, text.find(' '));
    const std::string lengths = text.substr(text.find(' ') + 1);
    for (size_t i = 0; 2 * i + 1 < notes.size() && i < lengths.size(); ++i) {
      const int n = std::stoi(notes.substr(2 * i, 2));
      const int len = lengths[i] - '0';
      const int before = previous;
      previous = n;
      if (check.SeenEvent(n, len, before)) continue;
      check.Melody(n, len);
      check.Chord(n, len);
      check.LowNote(n, len);
      check.Figures("TA", 5, n, len);
      check.Figures("TF", 7, before, len);
    }
  }
  for (int k = 0; k < c.m_nSectionChoices; ++k) check.DrumLoop(c.m_sectionChoice[k]);
}

TEST(SampleCompleteness, EveryNameTheRenderersFormIsInTheCatalogForEveryKeyScaleModeMotiveAndTempo) {
  fixtures::ScratchDir dir;
  const CSampleCatalog catalog;
  CNameCheck check(catalog);
  int plans = 0;
  for (const auto& note : kNoteCodes)
    for (const auto& scale : kScaleCodes)
      for (const auto& mode : kPlayModeCodes)
        for (const auto& motive : kMotiveCodes)
          for (const auto& tempo : kTempoCodes)
            for (const uint32_t seed : {1u, 2u, 3u}) {
              CComposer c;
              c.m_bFixedSessionId = true;
              c.m_nFixedSessionId = seed * 7919u;
              // Seed 3 plays complex variants with a free pitch range; the others the plain ones.
              const bool complex = seed == 3;
              ASSERT_GT(c.Compose(dir.Path() + "/p_", note.code, scale.code, mode.code, "D", "",
                                  complex ? "Fre" : "Reg", tempo.code, "3", complex ? "Com" : "Sim", motive.code,
                                  "F", "C", ""),
                        1);
              CheckPlan(check, c);
              ++plans;
            }
  EXPECT_EQ(plans, 12 * 4 * 2 * 2 * 2 * 3);
  const auto& missing = check.Missing();
  EXPECT_TRUE(missing.empty()) << missing.size() << " names missing, the first: " << *missing.begin();
}

}  // namespace
