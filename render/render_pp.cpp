// The low piano note track: near the end of every melody note of two eighths or more, the same
// note moved down into the two lowest octaves. One voice; every bar fills exactly one bar.
#include <array>
#include <string>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

constexpr int kLowNotes = 24;
constexpr int kVariants = 2;

}  // namespace

int CComposer::RenderPP(const std::string& archivePath) {
  using namespace render;
  CSampleCatalog catalog;
  AcquireTempName(m_strTempDir, m_strTempPP);
  const int barBytes = wave::BarBytes(m_nTempo);
  const int eighth = barBytes / 8;

  m_hArchive = platform::OpenExisting(archivePath);
  if (!platform::IsOpen(m_hArchive)) {
    m_hArchive = 0;
    return kRenderNoArchive;
  }
  if (!OpenVoiceFile(*this, catalog, m_strTempPP)) return kRenderNoVoiceFile;
  // Two pads of lead-in: this track runs one eighth behind the others and has no tail.
  const int leadIn = wave::MsToEvenBytes(m_dEighthMs * 2);
  const int silence = catalog.FindAccompOffset(kSilenceName);
  if (silence < 0) return Fail(*this, kRenderNoArchive);
  catalog.CopyRange(m_hArchive, m_hOutWave, silence, leadIn);

  std::array<int, kLowNotes + 1> counters;
  counters.fill(1);
  for (int bar = 0; bar < m_nBars; ++bar) {
    if (PumpAndCheckAbort(*this)) return kRenderAborted;
    const PlanBar plan = NextPlanBar(*this);
    int written = 0;  // bytes requested for this bar so far
    const size_t count = plan.Events();
    for (size_t i = 0; i < count; ++i) {
      const int q = LowNote(ParseNumber(plan.notes, 2 * i, 2));
      const int len = plan.lengths[i] - '0';
      const int silent = SilentEighths(len);
      const bool last = i + 1 == count;
      const int restOfBar = barBytes - written > 0 ? barBytes - written : 0;
      const int silenceBytes = last && len <= 2 ? restOfBar : silent * eighth;
      const int silenceOffset = catalog.FindAccompOffset(kSilenceName);
      if (silenceOffset < 0) return Fail(*this, kRenderNoArchive);
      catalog.CopyRange(m_hArchive, m_hOutWave, silenceOffset, silenceBytes);
      written += silenceBytes;
      if (len == silent) continue;

      int offset = catalog.FindAccompOffset(
          Format("PP%.2d%s%.3d_%d.wav", q, m_noteNames[q].c_str(), m_nTempo, counters[q]));
      if (offset < 0) offset = catalog.FindAccompOffset(kSilenceName);
      if (offset < 0) return Fail(*this, kRenderNoArchive);
      const int noteBytes =
          last ? (barBytes - written > 0 ? barBytes - written : 0) : (len - silent) * eighth;
      catalog.CopyRange(m_hArchive, m_hOutWave, offset, noteBytes);
      written += noteBytes;
      if (++counters[q] > kVariants) counters[q] = 1;
    }
  }
  if (FinishVoiceFile(*this) != kRenderOk) return kRenderFileFailed;
  return FinishArchive(*this);
}
