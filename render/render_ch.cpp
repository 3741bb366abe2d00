// The chord track: a major chord under each long melody note on a chord degree of the key,
// chords alternating between two voice files so that each rings one eighth into the next.
#include <array>
#include <string>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

constexpr int kCounterLengths = 7;
constexpr int kVariants = 5;
constexpr int kShortestChord = 3;  // notes of fewer eighths get no chord
constexpr const char* kRestToken = "000";

const char* RootOf(int pitchClass) {
  static const char* const kRoots[12] = {"C_", "C#", "D_", "D#", "E_", "F_",
                                         "F#", "G_", "G#", "A_", "A#", "B_"};
  return pitchClass >= 1 && pitchClass <= 12 ? kRoots[pitchClass - 1] : "";
}

// Key root 1..12 from the Note option code: the letter, one more for the black keys ("CD"...).
int KeyRoot(const std::string& noteCode) {
  if (noteCode.empty()) return 0;
  int root = 0;
  switch (noteCode[0]) {
    case 'A':
      root = 10;
      break;
    case 'B':
      root = 12;
      break;
    case 'C':
      root = 1;
      break;
    case 'D':
      root = 3;
      break;
    case 'E':
      root = 5;
      break;
    case 'F':
      root = 6;
      break;
    case 'G':
      root = 8;
      break;
    default:
      return 0;
  }
  return noteCode.size() > 1 ? root + 1 : root;
}

int Wrap(int pitchClass) { return pitchClass > 12 ? pitchClass - 12 : pitchClass; }

bool IsChordDegree(int p, int root, bool major) {
  if (p < 1 || p > 12) return false;
  if (p == root) return true;
  return major ? (p == Wrap(root + 5) || p == Wrap(root + 7)) : p == Wrap(root + 2);
}

}  // namespace

int CComposer::RenderCH(const std::string& archivePath) {
  using namespace render;
  CSampleCatalog catalog;
  for (int i = 0; i < 3; ++i) AcquireTempName(m_strTempDir, m_strTempCH[i]);
  const int root = KeyRoot(m_strNoteCode);
  const bool major = m_strScaleCode.find("Maj") != std::string::npos;
  const std::string scale =
      m_strScaleCode.size() > 3 ? m_strScaleCode.substr(m_strScaleCode.size() - 3) : m_strScaleCode;
  auto chordName = [&](int p, int len, int variant) {
    return Format("CH%.2d_%s%s_%.3d_L%d_%d.wav", p, RootOf(p), scale.c_str(), m_nTempo, len,
                  variant);
  };

  // Event strings: a chord goes to the active voice, which then changes.
  std::string events[2], timing;
  std::array<std::array<int, kCounterLengths + 1>, 13> counters;
  for (auto& row : counters) row.fill(1);
  int active = 0;
  for (int bar = 0; bar < m_nBars; ++bar) {
    if (PumpAndCheckAbort(*this)) return kRenderAborted;
    const PlanBar plan = NextPlanBar(*this, 100);
    for (size_t i = 0; i < plan.Events(); ++i) {
      const int p = PitchClass(ParseNumber(plan.notes, 2 * i, 2));
      const int len = plan.lengths[i] - '0';
      const bool counted = p >= 1 && p <= 12 && len >= 1 && len <= kCounterLengths;
      const int variant = counted ? counters[p][len] : 1;
      if (counted && IsChordDegree(p, root, major) && len >= kShortestChord &&
          catalog.FindChordOffset(chordName(p, len, variant)) != -1) {
        events[active] += Format("%.2d%d", p, variant);
        events[1 - active] += kRestToken;
        active = 1 - active;
        if (++counters[p][len] == kVariants + 1) counters[p][len] = 1;
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
        if (variant == '0') {
          sample = kSilenceName;
          bytes = (overhang ? len - 1 : len) * eighth;
          overhang = false;
        } else {
          sample = chordName(p, len, variant - '0');
          const bool lastOfPiece = bar == m_nBars - 1 && j == count - 1;
          bytes = (lastOfPiece ? len : len + 1) * eighth;
          overhang = true;
        }
        const int offset = catalog.FindChordOffset(sample);
        if (offset < 0) return Fail(*this, kRenderNoArchive);
        catalog.CopyRange(m_hArchive, m_hOutWave, offset, bytes);
      }
    }

    const int tailSilence = catalog.FindChordOffset(kSilenceName);
    if (tailSilence < 0) return Fail(*this, kRenderNoTailSilence);
    catalog.CopyRange(m_hArchive, m_hOutWave, tailSilence, pad);
    if (FinishVoiceFile(*this) != kRenderOk) return kRenderFileFailed;
  }
  return FinishArchive(*this);
}
