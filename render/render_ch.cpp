// The chord track: a major chord under each long melody note on a chord degree of the key,
// chords alternating between two voice files so that each rings one eighth into the next.
#include <string>

#include "compose/composer.h"
#include "render/harmony.h"
#include "render/sustained_tracks.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

constexpr const char* kRestToken = "000";

}  // namespace

int CComposer::RenderCH(const std::string& archivePath) {
  using namespace render;
  CSampleCatalog catalog;
  for (int i = 0; i < 3; ++i) AcquireTempName(m_strTempDir, m_strTempCH[i]);
  harmony::CChordPlacer placer = ChordPlacer(*this, catalog);

  // Event strings: a chord goes to the active voice, which then changes.
  std::string events[2], timing;
  int active = 0;
  for (int bar = 0; bar < m_nBars; ++bar) {
    if (PumpAndCheckAbort(*this)) return kRenderAborted;
    const PlanBar plan = NextPlanBar(*this, 100);
    for (size_t i = 0; i < plan.Events(); ++i) {
      const int p = PitchClass(ParseNumber(plan.notes, 2 * i, 2));
      const int len = plan.lengths[i] - '0';
      const int variant = placer.Next(p, len);
      if (variant != 0) {
        events[active] += Format("%.2d%d", p, variant);
        events[1 - active] += kRestToken;
        active = 1 - active;
      } else {
        events[0] += kRestToken;
        events[1] += kRestToken;
      }
      timing += "00";
      timing += plan.lengths[i];
    }
    events[0] += '|';
    events[1] += '|';
    timing += '|';
  }

  m_hArchive = platform::OpenExisting(archivePath);
  if (!platform::IsOpen(m_hArchive)) {
    m_hArchive = 0;
    return kRenderNoArchive;
  }

  for (int voice = 0; voice < 2; ++voice) {
    const int eighth = wave::EighthBytes(m_nTempo);
    if (!OpenVoiceFile(*this, catalog, m_strTempCH[voice])) return kRenderNoVoiceFile;
    const int pad = wave::PadBytes(m_dEighthMs);
    const int silence = catalog.FindChordOffset(kSilenceName);
    if (silence < 0) return Fail(*this, kRenderNoArchive);
    catalog.CopyRange(m_hArchive, m_hOutWave, silence, pad);

    std::string voiceEvents = events[voice];
    std::string voiceTiming = timing;
    bool overhang = false;
    int released = 0;  // bytes of the tail the last chord's release took
    for (int bar = 0; bar < m_nBars; ++bar) {
      if (PumpAndCheckAbort(*this)) return kRenderAborted;
      const std::string barEvents = CutAtBar(voiceEvents);
      const std::string barTiming = CutAtBar(voiceTiming);
      const size_t count = barEvents.size() / 3;
      for (size_t j = 0; j < count; ++j) {
        const int p = ParseNumber(barEvents, 3 * j, 2);
        const int len = ParseNumber(barTiming, 3 * j, 3);
        const char variant = barEvents[3 * j + 2];
        std::string sample;
        int bytes;
        bool lastOfPiece = false;
        if (variant == '0') {
          sample = kSilenceName;
          bytes = (overhang ? len - 1 : len) * eighth;
          overhang = false;
        } else {
          sample = harmony::ChordSampleName(p, m_strScaleCode, m_nTempo, len, variant - '0');
          lastOfPiece = bar == m_nBars - 1 && j == count - 1;
          bytes = (lastOfPiece ? len : len + 1) * eighth;
          overhang = true;
        }
        const int offset = catalog.FindChordOffset(sample);
        if (offset < 0) return Fail(*this, kRenderNoArchive);
        catalog.CopyRange(m_hArchive, m_hOutWave, offset, bytes);
        if (lastOfPiece) {
          // The piece's last chord plays its ringing eighth on into the tail silence: every
          // sample's last eighth is a release to silence.
          released = wave::ReleaseBytes(m_nTempo, pad);
          catalog.CopyRange(m_hArchive, m_hOutWave, offset + bytes, released);
        }
      }
    }

    const int tailSilence = catalog.FindChordOffset(kSilenceName);
    if (tailSilence < 0) return Fail(*this, kRenderNoTailSilence);
    catalog.CopyRange(m_hArchive, m_hOutWave, tailSilence, pad - released);
    if (FinishVoiceFile(*this) != kRenderOk) return kRenderFileFailed;
  }
  return FinishArchive(*this);
}
