// The drum loop track: one recorded loop per 8-bar section, alternating between two voice
// files offset by eight bars, so that a loop's last half bar overlaps the next loop's start.
// The archive is read through the catalog's own handle, which the catalog closes on every way
// out; m_hOutWave holds the voice file being written.
#include <algorithm>
#include <string>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

constexpr int kLoopBars = 8;  // a loop covers its section; with more to come, half a bar more
constexpr int kRestBarsBetween = 7;  // silence after a loop's extra half bar, before its next turn

}  // namespace

int CComposer::RenderDL(const std::string& archivePath) {
  using namespace render;
  CSampleCatalog catalog;
  for (int i = 0; i < 3; ++i) AcquireTempName(m_strTempDir, m_strTempDL[i]);
  catalog.m_hArchive = platform::OpenExisting(archivePath);
  if (!platform::IsOpen(catalog.m_hArchive)) {
    catalog.m_hArchive = 0;
    return kRenderNoArchive;
  }
  const int bar = wave::BarBytes(m_nTempo);
  catalog.m_dPadMs = m_dEighthMs;
  m_nSectionChoices = 0;
  const int pad = wave::PadBytes(m_dEighthMs);
  int released = 0;  // bytes of the tail the release of the piece's last loop took

  // Lays loops from the remaining bars, the next one after seven bars and a half of silence.
  auto loopCycle = [&](int remaining) -> int {
    while (remaining > 0) {
      if (PumpAndCheckAbort(*this)) return kRenderAborted;
      const int choice = m_nSectionChoices < kMaxSections ? m_sectionChoice[m_nSectionChoices] : 0;
      ++m_nSectionChoices;
      const std::string loop = Format("DL_%.3d_%.2d.wav", m_nTempo, choice);
      const bool more = remaining > kLoopBars;
      const int loopBars = std::min(remaining, kLoopBars);
      if (catalog.CopyRhythmSample(m_hOutWave, loop, loopBars * bar + (more ? bar / 2 : 0)) != 0)
        return kRenderNoArchive;
      if (!more) {
        // The loop that ends the piece rings on into the tail silence, released there (its
        // ninth bar still rings).
        released = wave::ReleaseBytes(m_nTempo, pad);
        const int offset = catalog.FindRhythmOffset(loop);
        if (offset < 0 || catalog.CopyRangeReleased(catalog.m_hArchive, m_hOutWave,
                                                    offset + static_cast<long long>(loopBars) * bar,
                                                    released) != released)
          return kRenderNoArchive;
      }
      if (more) {
        if (catalog.CopyRhythmSample(m_hOutWave, kSilenceName, bar / 2) != 0)
          return kRenderNoArchive;
        --remaining;
      }
      remaining -= loopBars;
      for (int i = 0; i < kRestBarsBetween && remaining > 0; ++i, --remaining) {
        if (catalog.CopyRhythmSample(m_hOutWave, kSilenceName, bar) != 0) return kRenderNoArchive;
      }
    }
    return kRenderOk;
  };

  for (int voice = 0; voice < 2; ++voice) {
    if (!OpenVoiceFile(*this, catalog, m_strTempDL[voice])) return kRenderNoVoiceFile;
    catalog.CopyRhythmSample(m_hOutWave, kSilenceName, pad);
    int remaining = m_nBars;
    released = 0;
    if (voice == 1) {
      // The second voice starts with its first section's worth of silence.
      for (int i = 0; i < kLoopBars && remaining > 0; ++i, --remaining) {
        if (catalog.CopyRhythmSample(m_hOutWave, kSilenceName, bar) != 0)
          return Fail(*this, kRenderNoArchive);
      }
    }
    const int result = loopCycle(remaining);
    if (result == kRenderAborted) return result;
    if (result != kRenderOk) return Fail(*this, result);
    catalog.CopyRhythmSample(m_hOutWave, kSilenceName, pad - released);
    if (FinishVoiceFile(*this) != kRenderOk) return kRenderFileFailed;
  }
  return kRenderOk;
}
