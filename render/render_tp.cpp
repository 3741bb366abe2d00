// The piano motive track: the melody on TP piano samples, notes alternating between two voice
// files so that each note rings one eighth into the next.
#include <array>
#include <string>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

namespace {

constexpr int kNotes = 48;
constexpr int kTableLengths = 6;  // length codes with a name-table entry
constexpr int kCounterLengths = 7;
constexpr int kSlots = 5;  // variant slots of a TP mask
constexpr const char* kRestToken = "000";
constexpr const char* kRestLevel = "01";

// Which catalog sample plays note n with length code L in variant slot v.
class PianoNameTable {
 public:
  std::string& At(int n, int len, int slot) { return m_names[Index(n, len, slot)]; }
  // The entry, or silence for a note, length or slot outside the table.
  const std::string& Lookup(int n, int len, int slot) const {
    static const std::string silence = kSilenceName;
    if (n < 1 || n > kNotes || len < 1 || len > kTableLengths || slot < 1 || slot > kSlots)
      return silence;
    return m_names[Index(n, len, slot)];
  }

 private:
  static size_t Index(int n, int len, int slot) {
    return static_cast<size_t>(((n - 1) * kTableLengths + (len - 1)) * kSlots + (slot - 1));
  }
  std::array<std::string, kNotes * kTableLengths * kSlots> m_names;
};

}  // namespace

int CComposer::RenderTP(const std::string& archivePath) {
  using namespace render;
  CSampleCatalog catalog;
  AcquireTempName(m_strTempDir, m_strTempTP[0]);
  AcquireTempName(m_strTempDir, m_strTempTP[1]);
  if (PumpAndCheckAbort(*this)) return kRenderAborted;

  // Name table, one catalog walk per entry with a pump in between.
  PianoNameTable table;
  for (int n = 1; n <= kNotes; ++n) {
    for (int len = 1; len <= kTableLengths; ++len) {
      for (int slot = 1; slot <= kSlots; ++slot) {
        if (PumpAndCheckAbort(*this)) return kRenderAborted;
        std::string mask(kSlots, '?');
        mask[slot - 1] = '1';
        const std::string match = catalog.MatchPianoSample(Format(
            "TP%.2d%s_T%.3d_L%d_%s.wav", n, m_noteNames[n].c_str(), m_nTempo, len, mask.c_str()));
        table.At(n, len, slot) = match.empty() ? kSilenceName : match;
      }
    }
  }

  // Event strings: notes alternate between the voices, each voice rests while the other plays.
  std::string events[2], levels[2], timing;
  std::array<std::array<int, kCounterLengths + 1>, kNotes + 1> counters;
  for (auto& row : counters) row.fill(1);
  size_t velocity = 0;
  int active = 0;
  for (int bar = 0; bar < m_nBars; ++bar) {
    const PlanBar plan = NextPlanBar(*this, 100);
    for (size_t i = 0; i < plan.Events(); ++i) {
      if (PumpAndCheckAbort(*this)) return kRenderAborted;
      const std::string note = plan.notes.substr(2 * i, 2);
      const int n = ParseNumber(note, 0, 2);
      const int len = plan.lengths[i] - '0';
      const bool counted = n >= 1 && n <= kNotes && len >= 1 && len <= kCounterLengths;
      const int variant = counted ? counters[n][len] : 1;
      events[active] += note + std::to_string(variant);
      levels[active] +=
          velocity < m_strVelocities.size() ? m_strVelocities.substr(velocity, 2) : std::string();
      velocity += 2;
      if (m_bComplex && counted && ++counters[n][len] == 6) counters[n][len] = 1;
      events[1 - active] += kRestToken;
      levels[1 - active] += kRestLevel;
      timing += "00";
      timing += plan.lengths[i];
      active = 1 - active;
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

  const bool tempo60 = m_nTempo == 60;
  const int leadIn = wave::MsToEvenBytes(tempo60 ? wave::kPianoLeadInMs60 : wave::kPianoLeadInMs90);
  const int tail = wave::MsToEvenBytes(tempo60 ? wave::kPianoTailMs60 : wave::kPianoTailMs90);
  const bool scaled = m_strPianoInt != "C";
  for (int voice = 0; voice < 2; ++voice) {
    const int eighth = wave::EighthBytes(m_nTempo);
    if (!OpenVoiceFile(*this, catalog, m_strTempTP[voice])) return kRenderNoVoiceFile;
    const int silence = catalog.FindPianoOffset(kSilenceName);
    if (silence < 0) return Fail(*this, kRenderNoArchive);
    catalog.CopyRange(m_hArchive, m_hOutWave, silence, leadIn);

    std::string voiceEvents = events[voice];
    std::string voiceTiming = timing;
    size_t level = 0;
    bool firstEvent = true;
    int released = 0;  // bytes of the tail the last note's release took
    for (int bar = 0; bar < m_nBars; ++bar) {
      if (PumpAndCheckAbort(*this)) return kRenderAborted;
      const std::string barEvents = CutAtBar(voiceEvents);
      const std::string barTiming = CutAtBar(voiceTiming);
      const size_t count = barEvents.size() / 3;
      for (size_t j = 0; j < count; ++j) {
        const int n = ParseNumber(barEvents, 3 * j, 2);
        const int len = ParseNumber(barTiming, 3 * j, 3);
        const char slot = barEvents[3 * j + 2];
        const bool lastOfPiece = bar == m_nBars - 1 && j == count - 1;
        std::string sample;
        int bytes;
        if (slot == '0') {
          sample = kSilenceName;
          bytes = (firstEvent ? len : len - 1) * eighth;
        } else {
          sample = table.Lookup(n, len, slot - '0');
          bytes = (lastOfPiece ? len : len + 1) * eighth;
        }
        firstEvent = false;
        const int offset = catalog.FindPianoOffset(sample);
        if (offset < 0) return Fail(*this, kRenderNoTableName);
        int copied;
        if (scaled) {
          copied = catalog.CopyRangeScaled(m_hArchive, m_hOutWave, offset, bytes,
                                           ParseNumber(levels[voice], level, 2));
        } else {
          copied = catalog.CopyRange(m_hArchive, m_hOutWave, offset, bytes);
        }
        if (copied != bytes) return Fail(*this, kRenderShortCopy);
        if (slot != '0' && lastOfPiece) {
          // The last note is not cut where the piece ends: its ringing eighth, a release to
          // silence in every sample, plays on into the tail silence.
          released = wave::ReleaseBytes(m_nTempo, tail);
          const int noteLevel = scaled ? ParseNumber(levels[voice], level, 2) : 1;
          if (catalog.CopyRangeScaled(m_hArchive, m_hOutWave, offset + bytes, released, noteLevel) !=
              released)
            return Fail(*this, kRenderShortCopy);
        }
        level += 2;
      }
    }

    const int tailSilence = catalog.FindPianoOffset(kSilenceName);
    if (tailSilence < 0) return Fail(*this, kRenderNoTailSilence);
    catalog.CopyRange(m_hArchive, m_hOutWave, tailSilence, tail - released);
    if (FinishVoiceFile(*this) != kRenderOk) return kRenderFileFailed;
  }
  return FinishArchive(*this);
}
