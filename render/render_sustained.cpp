// The sustained tracks: bass, strings and voices over the harmony of the plan, notes
// alternating between two voice files. Musical design, names and sizes: sustained_tracks.h.
#include <functional>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "render/harmony.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/sustained_tracks.h"
#include "render/wave_format.h"

namespace {

using render::Format;

struct SustainedNote {
  int start = 0;   // eighths from the first bar's start
  int length = 0;  // eighths it is held; it rings one more
  std::string sample;
  int offset = -1;  // in the archive, once looked up
};

// Lays the notes of a track over the harmony.
using NoteLayout = std::function<std::vector<SustainedNote>(const CComposer&, const std::vector<harmony::Span>&,
                                                              const std::vector<harmony::MelodyNote>&)>;
using OffsetLookup = int (CSampleCatalog::*)(const std::string&) const;

std::string RootName(const CComposer& c, int p) { return c.m_noteNames[p].substr(0, 2); }

std::vector<SustainedNote> BassNotes(const CComposer& c, const std::vector<harmony::Span>& spans,
                                     const std::vector<harmony::MelodyNote>&) {
  std::vector<SustainedNote> notes;
  for (const harmony::BassNote& bass : harmony::BassLine(spans)) {
    const int n = bass.root + render::kBassLowestNote - 1;
    notes.push_back({bass.start, bass.length,
                     Format("BS%.2d%s%.2d%.2d_%d.wav", n, c.m_noteNames[n].c_str(), c.m_nTempo / 10, bass.length,
                            kBassTimbre)});
  }
  return notes;
}

NoteLayout PadNotes(const char* family, int lowestKey) {
  return [family, lowestKey](const CComposer& c, const std::vector<harmony::Span>& spans,
                             const std::vector<harmony::MelodyNote>& melody) {
    std::vector<SustainedNote> notes;
    for (const harmony::PadChord& pad : harmony::PadLine(spans, kPadHeldEighths, lowestKey, melody)) {
      const harmony::Triad& t = pad.span.triad;
      notes.push_back({pad.span.start, pad.span.length,
                       Format("%s%.2d_%s%s_%.3d_L%.2d_I%d.wav", family, t.root, RootName(c, t.root).c_str(),
                              harmony::QualityCode(t.quality), c.m_nTempo, kPadHeldEighths, pad.inversion)});
    }
    return notes;
  };
}

class CSustainedRenderer {
 public:
  CSustainedRenderer(CComposer& composer, std::string (&temps)[3], OffsetLookup lookup, NoteLayout layout)
      : m_c(composer), m_temps(temps), m_lookup(lookup), m_layout(std::move(layout)) {}

  int Render(const std::string& archivePath) {
    using namespace render;
    for (int i = 0; i < 3; ++i) AcquireTempName(m_c.m_strTempDir, m_temps[i]);
    std::vector<PlanBar> bars;
    for (int bar = 0; bar < m_c.m_nBars; ++bar) {
      if (PumpAndCheckAbort(m_c)) return kRenderAborted;
      bars.push_back(NextPlanBar(m_c, 100));
    }
    m_notes = m_layout(m_c, PieceHarmony(m_c, bars, m_c.m_strHand == "F", m_catalog), harmony::MelodyNotes(bars));

    m_c.m_hArchive = platform::OpenExisting(archivePath);
    if (!platform::IsOpen(m_c.m_hArchive)) {
      m_c.m_hArchive = 0;
      return kRenderNoArchive;
    }
    for (SustainedNote& note : m_notes) {
      note.offset = (m_catalog.*m_lookup)(note.sample);
      if (note.offset < 0) return Fail(m_c, kRenderNoArchive);
    }
    for (int voice = 0; voice < 2; ++voice) {
      const int result = WriteVoice(voice);
      if (result != kRenderOk) return result;
    }
    return FinishArchive(m_c);
  }

 private:
  bool WriteSilence(int bytes) {
    static const unsigned char kZeros[wave::kCopyBufferBytes] = {};
    while (bytes > 0) {
      const int chunk = bytes < wave::kCopyBufferBytes ? bytes : wave::kCopyBufferBytes;
      if (platform::WriteFile(m_c.m_hOutWave, kZeros, chunk) < chunk) return false;
      bytes -= chunk;
    }
    return true;
  }

  int WriteVoice(int voice) {
    using namespace render;
    if (!OpenVoiceFile(m_c, m_catalog, m_temps[voice])) return kRenderNoVoiceFile;
    if (!WriteSilence(wave::PadBytes(m_c.m_dEighthMs))) return Fail(m_c, kRenderFileFailed);
    const int eighth = wave::EighthBytes(m_c.m_nTempo);
    int written = 0;  // eighths of the bars laid so far, without the ringing eighth
    bool ringing = false;
    size_t next = 0;
    for (int bar = 0; bar < m_c.m_nBars; ++bar) {
      if (PumpAndCheckAbort(m_c)) return kRenderAborted;
      for (; next < m_notes.size() && m_notes[next].start < 8 * (bar + 1); ++next) {
        if (static_cast<int>(next % 2) != voice) continue;
        const SustainedNote& note = m_notes[next];
        const int rest = note.start - written - (ringing ? 1 : 0);
        const int held = note.length * eighth;
        if (!WriteSilence(rest > 0 ? rest * eighth : 0) ||
            m_catalog.CopyRange(m_c.m_hArchive, m_c.m_hOutWave, note.offset, held) != held ||
            m_catalog.CopyRangeReleased(m_c.m_hArchive, m_c.m_hOutWave, note.offset + held, eighth) != eighth)
          return Fail(m_c, kRenderFileFailed);
        written = note.start + note.length;
        ringing = true;
      }
    }
    return FinishVoiceFile(m_c);
  }

  CComposer& m_c;
  std::string (&m_temps)[3];
  OffsetLookup m_lookup;
  NoteLayout m_layout;
  CSampleCatalog m_catalog;
  std::vector<SustainedNote> m_notes;
};

}  // namespace

namespace render {

harmony::CChordPlacer ChordPlacer(const CComposer& c, const CSampleCatalog& catalog) {
  return harmony::CChordPlacer(harmony::KeyOf(c.m_strNoteCode, c.m_strScaleCode),
                               [&c, &catalog](int p, int len, int variant) {
                                 return catalog.FindChordOffset(harmony::ChordSampleName(
                                            p, c.m_strScaleCode, c.m_nTempo, len, variant)) != -1;
                               });
}

std::vector<harmony::Span> PieceHarmony(const CComposer& c, const std::vector<PlanBar>& bars, bool withChords,
                                        const CSampleCatalog& catalog) {
  const harmony::Key key = harmony::KeyOf(c.m_strNoteCode, c.m_strScaleCode);
  if (!withChords) return harmony::AnalysePlan(bars, key, nullptr);
  harmony::CChordPlacer chords = ChordPlacer(c, catalog);
  return harmony::AnalysePlan(bars, key, &chords);
}

}  // namespace render

int CComposer::RenderBS(const std::string& archivePath) {
  return CSustainedRenderer(*this, m_strTempBS, &CSampleCatalog::FindRhythmOffset, BassNotes).Render(archivePath);
}

int CComposer::RenderST(const std::string& archivePath) {
  return CSustainedRenderer(*this, m_strTempST, &CSampleCatalog::FindSpareOffset,
                            PadNotes("ST", render::kStringsLowestKey))
      .Render(archivePath);
}

int CComposer::RenderVO(const std::string& archivePath) {
  return CSustainedRenderer(*this, m_strTempVO, &CSampleCatalog::FindSpareOffset,
                            PadNotes("VO", render::kVoicesLowestKey))
      .Render(archivePath);
}
