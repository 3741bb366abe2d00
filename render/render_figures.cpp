// The two figure tracks, one algorithm: every melody note is followed by a recorded figure of
// its pitch class and length, notes alternating between two voice files.
//  - accompaniment figures (TA): the event's own note, variants 1..5 chosen while splitting,
//    one eighth of overhang, an unavailable figure plays silence, the piece's last figure rings
//    on into the tail silence;
//  - rhythm figures (TF): the previous event's note (the first event gets "99"), variants 1..7
//    chosen while writing from counters that both voices share, half an eighth of overhang, an
//    available figure that cannot be found fails the track.
#include <array>
#include <string>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

constexpr int kLengths = 8;  // length codes with a counter and an availability entry
constexpr int kMaxVariants = 7;
constexpr const char* kRestNote = "00";
constexpr const char* kFirstRhythmNote = "99";

struct FigureRules {
  const char* family;  // "TA" or "TF"
  int variants;        // 5 or 7
  bool previousNote;   // an event plays the note before it
  bool variantWhileSplitting;
  bool overhangHalfEighth;
  bool missingFigureFails;
  bool releaseLastFigure;  // the last figure rings on into the tail (a riff ends damped)
};

constexpr FigureRules kAccompaniment{"TA", 5, false, true, false, false, true};
constexpr FigureRules kRhythmFigures{"TF", 7, true, false, true, true, false};

// Counters (or availability) indexed by variant or length 1..8 and pitch class 1..12.
using LengthClassTable = std::array<std::array<int, 13>, kLengths + 1>;

bool InTable(int len, int p) { return len >= 1 && len <= kLengths && p >= 1 && p <= 12; }

class FigureRenderer {
 public:
  FigureRenderer(CComposer& composer, const FigureRules& rules, std::string (&temps)[3])
      : m_c(composer), m_rules(rules), m_temps(temps) {
    for (auto& row : m_counters) row.fill(1);
  }

  int Render(const std::string& archivePath) {
    using namespace render;
    for (int i = 0; i < 3; ++i) AcquireTempName(m_c.m_strTempDir, m_temps[i]);
    BuildAvailability();
    SplitIntoVoices();

    m_c.m_hArchive = platform::OpenExisting(archivePath);
    if (!platform::IsOpen(m_c.m_hArchive)) {
      m_c.m_hArchive = 0;
      return kRenderNoArchive;
    }
    for (int voice = 0; voice < 2; ++voice) {
      const int result = WriteVoice(voice);
      if (result != kRenderOk) return result;
    }
    return FinishArchive(m_c);
  }

 private:
  std::string FigureName(int p, int len, int variant) const {
    const std::string root = m_c.m_noteNames[p].substr(0, 2);
    return render::Format("%s%.2d%s%.3d%d%.2d.wav", m_rules.family, p, root.c_str(), m_c.m_nTempo,
                          len, variant);
  }

  bool Available(int variant, int len, int p) const {
    return variant >= 1 && variant <= m_rules.variants && InTable(len, p) &&
           m_available[variant][len][p];
  }

  // Advances the counter of len and p, wrapping after the last variant; returns its old value.
  int NextVariant(int len, int p) {
    int& counter = m_counters[len][p];
    const int variant = counter;
    if (++counter > m_rules.variants) counter = 1;
    return variant;
  }

  void BuildAvailability() {
    for (int v = 1; v <= m_rules.variants; ++v)
      for (int len = 1; len <= kLengths; ++len)
        for (int p = 1; p <= 12; ++p)
          m_available[v][len][p] = m_catalog.FindAccompOffset(FigureName(p, len, v)) != -1;
  }

  void SplitIntoVoices() {
    std::string notes, lengths;
    for (int bar = 0; bar < m_c.m_nBars; ++bar) {
      const render::PlanBar plan = render::NextPlanBar(m_c);
      notes += plan.notes.substr(0, 2 * plan.Events());
      lengths += plan.lengths.substr(0, plan.Events());
    }
    if (m_rules.previousNote && !notes.empty())
      notes = kFirstRhythmNote + notes.substr(0, notes.size() - 2);

    int active = 0;
    for (size_t i = 0; i < lengths.size(); ++i) {
      const std::string note = notes.substr(2 * i, 2);
      const int len = lengths[i] - '0';
      if (m_rules.variantWhileSplitting) {
        const int p = render::PitchClass(render::ParseNumber(note, 0, 2));
        m_notes[active] += render::Format("%.2d", p);
        int variant = 0;
        if (InTable(len, p)) {
          const int counted = NextVariant(len, p);
          if (Available(counted, len, p)) variant = counted;
        }
        m_variants[active] += static_cast<char>('0' + variant);
        m_variants[1 - active] += '0';
      } else {
        m_notes[active] += note;
      }
      m_lengths[active] += lengths[i];
      m_notes[1 - active] += kRestNote;
      m_lengths[1 - active] += lengths[i];
      active = 1 - active;
    }
  }

  int WriteVoice(int voice) {
    using namespace render;
    if (!OpenVoiceFile(m_c, m_catalog, m_temps[voice])) return kRenderNoVoiceFile;
    const int pad = wave::PadBytes(m_c.m_dEighthMs);
    const int silence = m_catalog.FindAccompOffset(kSilenceName);
    if (silence < 0) return Fail(m_c, kRenderNoArchive);
    m_catalog.CopyRange(m_c.m_hArchive, m_c.m_hOutWave, silence, pad);

    const int eighth = wave::EighthBytes(m_c.m_nTempo);
    const int overhang = m_rules.overhangHalfEighth ? eighth / 2 : eighth;
    int overhangs = 0;
    bool firstEvent = true;
    int released = 0;  // bytes of the tail the last figure's release took
    const std::string& lengths = m_lengths[voice];
    for (size_t i = 0; i < lengths.size(); ++i) {
      if (PumpAndCheckAbort(m_c)) return kRenderAborted;
      const std::string note = m_notes[voice].substr(2 * i, 2);
      const int len = lengths[i] - '0';
      const int p = PitchClass(ParseNumber(note, 0, 2));
      const bool furtherEvents = i + 1 < lengths.size();
      int offset = -1;
      int bytes;
      if (note != kRestNote) {
        if (m_rules.variantWhileSplitting) {
          const int variant = m_variants[voice][i] - '0';
          if (variant != 0) offset = m_catalog.FindAccompOffset(FigureName(p, len, variant));
        } else if (InTable(len, p)) {
          const int variant = NextVariant(len, p);
          if (Available(variant, len, p)) {
            offset = m_catalog.FindAccompOffset(FigureName(p, len, variant));
            if (offset < 0 && m_rules.missingFigureFails) return Fail(m_c, kRenderNoArchive);
          }
        }
        bytes = len * eighth;
        if (furtherEvents) {
          bytes += overhang;
          ++overhangs;
        }
      } else if (m_rules.overhangHalfEighth) {
        bytes = firstEvent ? len * eighth : len * eighth - overhang;
      } else {
        bytes = (len - overhangs) * eighth;
        overhangs = 0;
      }
      firstEvent = false;
      const bool figure = offset >= 0;
      if (offset < 0) offset = m_catalog.FindAccompOffset(kSilenceName);
      if (offset < 0) return Fail(m_c, kRenderNoArchive);
      m_catalog.CopyRange(m_c.m_hArchive, m_c.m_hOutWave, offset, bytes);
      if (figure && !furtherEvents && m_rules.releaseLastFigure) {
        // The piece's last figure plays its ringing eighth on into the tail silence: every
        // sample's last eighth is a release to silence.
        released = wave::ReleaseBytes(m_c.m_nTempo, pad);
        m_catalog.CopyRange(m_c.m_hArchive, m_c.m_hOutWave, offset + bytes, released);
      }
    }

    const int tailSilence = m_catalog.FindAccompOffset(kSilenceName);
    if (tailSilence < 0) return Fail(m_c, kRenderNoTailSilence);
    m_catalog.CopyRange(m_c.m_hArchive, m_c.m_hOutWave, tailSilence, pad - released);
    return FinishVoiceFile(m_c);
  }

  CComposer& m_c;
  const FigureRules& m_rules;
  std::string (&m_temps)[3];
  CSampleCatalog m_catalog;
  bool m_available[kMaxVariants + 1][kLengths + 1][13] = {};
  LengthClassTable m_counters;
  std::string m_notes[2], m_lengths[2], m_variants[2];
};

}  // namespace

int CComposer::RenderTA(const std::string& archivePath) {
  return FigureRenderer(*this, kAccompaniment, m_strTempTA).Render(archivePath);
}

int CComposer::RenderTF(const std::string& archivePath) {
  return FigureRenderer(*this, kRhythmFigures, m_strTempTF).Render(archivePath);
}
