// The bass, strings and voices tracks over composed plans, decoded from the marker archives:
// the pads sound the chord track's triad wherever it holds a chord, and the bass's strongest
// pitch class in every bar is the root of the bar's harmony.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "compose/composer.h"
#include "render/harmony.h"
#include "render/render_codes.h"
#include "render/sustained_tracks.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {

// A note of a voice file as held, in bytes from the first bar's start: a run of one catalog
// entry cut to whole eighths. The faded eighth that follows a note decodes as noise (scaled
// markers), or for a while as the same entry when its markers are small; both fall away.
struct Heard {
  long long from, to;
  std::string name;
};

std::vector<Heard> Decode(const std::string& voice, const SampleGroup& group, int pad, int eighth) {
  std::vector<Heard> heard;
  long long at = -pad;
  for (const Run& run : DecodeRuns(voice)) {
    const long long held = run.bytes / eighth * eighth;
    if (run.entry > 0 && held > 0 && static_cast<size_t>(run.entry) < group.m_names.size())
      heard.push_back({at, at + held, group.m_names[static_cast<size_t>(run.entry)]});
    at += run.bytes;
  }
  return heard;
}

struct Piece {
  const char* note;
  const char* scale;
  const char* tempo;
};
const Piece kPieces[] = {{"C", "Maj", "60"}, {"DE", "Min", "90"}, {"FG", "PMaj", "60"}};

void Compose(CComposer& c, const fixtures::ScratchDir& dir, const Piece& piece) {
  c.m_bFixedSessionId = true;
  c.m_nFixedSessionId = 777;
  c.m_strTempDir = dir.Path() + "/";
  ASSERT_GT(c.Compose(dir.File("s_"), piece.note, piece.scale, "Ope", "DB", "SV", "Reg", piece.tempo, "5",
                      "Com", "F", "F", "C", ""),
            1);
  c.m_nBars = 32;
}

std::vector<harmony::Span> PlanHarmony(CComposer& c, const CSampleCatalog& catalog) {
  c.RewindPlan();
  std::vector<render::PlanBar> bars;
  for (int b = 0; b < c.m_nBars; ++b) bars.push_back(render::NextPlanBar(c, 100));
  return render::PieceHarmony(c, bars, true, catalog);
}

}  // namespace

TEST(RenderSustained, PadsSoundTheTriadOfTheChordTheChordTrackHolds) {
  const CSampleCatalog catalog;
  for (const Piece& piece : kPieces) {
    SCOPED_TRACE(std::string(piece.note) + " " + piece.scale);
    fixtures::ScratchDir dir;
    CComposer c;
    Compose(c, dir, piece);
    const harmony::Key key = harmony::KeyOf(c.m_strNoteCode, c.m_strScaleCode);
    const int eighth = c.m_nTempo == 60 ? kEighth60 : kEighth90;
    const int pad = c.m_nTempo == 60 ? kPad60 : kPad90;
    c.RewindPlan();
    ASSERT_EQ(c.RenderCH(MarkerArchive("Data1.dat")), render::kRenderOk);
    // The chords as held: each run but its last eighth, which rings into the next event.
    std::vector<Heard> chords;
    for (int v = 0; v < 2; ++v) {
      for (Heard h : Decode(c.m_strTempCH[v], catalog.m_chordGroup, pad, eighth)) {
        h.to -= eighth;
        chords.push_back(h);
      }
    }
    ASSERT_FALSE(chords.empty());
    const std::pair<int (CComposer::*)(const std::string&), const std::string*> pads[] = {
        {&CComposer::RenderST, c.m_strTempST}, {&CComposer::RenderVO, c.m_strTempVO}};
    for (const auto& [render, voices] : pads) {
      c.RewindPlan();
      ASSERT_EQ((c.*render)(MarkerArchive("data4.dat")), render::kRenderOk);
      long long checked = 0;
      for (int v = 0; v < 2; ++v) {
        for (const Heard& p : Decode(voices[v], catalog.m_spareGroup, pad, eighth)) {
          const harmony::Triad padTriad{std::stoi(p.name.substr(2, 2)),
                                        p.name.substr(7, 3) == "maj"   ? harmony::Quality::kMajor
                                        : p.name.substr(7, 3) == "min" ? harmony::Quality::kMinor
                                                                       : harmony::Quality::kDiminished};
          for (const Heard& ch : chords) {
            const long long overlap = std::min(ch.to, p.to) - std::max(ch.from, p.from);
            if (overlap <= 0) continue;
            EXPECT_EQ(padTriad, harmony::ChordTriad(std::stoi(ch.name.substr(2, 2)), key))
                << p.name << " over " << ch.name << " at byte " << std::max(ch.from, p.from);
            checked += overlap;
          }
        }
      }
      EXPECT_GT(checked, 8 * eighth);
    }
  }
}

TEST(RenderSustained, TheBassPlaysTheRootOfEachBarsHarmonyMostOfAll) {
  const CSampleCatalog catalog;
  for (const Piece& piece : kPieces) {
    SCOPED_TRACE(std::string(piece.note) + " " + piece.scale);
    fixtures::ScratchDir dir;
    CComposer c;
    Compose(c, dir, piece);
    const std::vector<harmony::Span> spans = PlanHarmony(c, catalog);
    const int eighth = c.m_nTempo == 60 ? kEighth60 : kEighth90;
    const int bar = 8 * eighth;
    c.RewindPlan();
    ASSERT_EQ(c.RenderBS(MarkerArchive("Data2.dat")), render::kRenderOk);
    // Per bar and root: bytes heard, and where in the bar it is first heard (for ties).
    std::vector<std::map<int, std::pair<long long, long long>>> byRoot(static_cast<size_t>(c.m_nBars));
    for (int v = 0; v < 2; ++v) {
      for (const Heard& h : Decode(c.m_strTempBS[v], catalog.m_rhythmGroup, c.m_nTempo == 60 ? kPad60 : kPad90, eighth)) {
        ASSERT_EQ(h.name.substr(0, 2), "BS");
        EXPECT_EQ(h.name.substr(12, 1), "2") << "one timbre throughout";
        for (int b = static_cast<int>(h.from / bar); b < c.m_nBars && b * bar < h.to; ++b) {
          const long long from = std::max<long long>(h.from, b * 1LL * bar);
          auto& [bytes, first] = byRoot[static_cast<size_t>(b)].try_emplace(std::stoi(h.name.substr(2, 2)), 0, from).first->second;
          bytes += std::min<long long>(h.to, (b + 1LL) * bar) - from;
          first = std::min(first, from);
        }
      }
    }
    for (int b = 0; b < c.m_nBars; ++b) {
      const auto& heard = byRoot[static_cast<size_t>(b)];
      ASSERT_FALSE(heard.empty()) << "bar " << b;
      const auto strongest = std::max_element(heard.begin(), heard.end(), [](const auto& x, const auto& y) {
        return x.second.first < y.second.first || (x.second.first == y.second.first && x.second.second > y.second.second);
      });
      EXPECT_EQ(strongest->first, harmony::BarHarmony(spans, b).root) << "bar " << b;
    }
  }
}
