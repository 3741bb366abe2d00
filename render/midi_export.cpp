#include "render/midi_export.h"

#include <algorithm>
#include <cmath>

#include "platform/file_io.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/sample_music.h"
#include "render/wave_format.h"

namespace midi {

namespace {

// One event of the plan: note number, length in eighths, and where it starts in eighths from
// the first bar.
struct PlanEvent {
  int note;
  int length;
  long long eighth;
  bool lastOfBar;
};

// The plan's events bar by bar, as the renderers read them.
std::vector<std::vector<PlanEvent>> PlanBars(const CComposer& c) {
  std::vector<std::vector<PlanEvent>> bars;
  long long at = 0;
  for (int b = 0; b < c.m_nBars; ++b) {
    const size_t i = static_cast<size_t>(b);
    const std::string notes = i < c.m_barNotes.size() ? c.m_barNotes[i] : std::string();
    const std::string lengths = i < c.m_barRhythms.size() ? c.m_barRhythms[i] : std::string();
    const size_t count = std::min(notes.size() / 2, lengths.size());
    std::vector<PlanEvent> bar;
    for (size_t e = 0; e < count; ++e) {
      const int length = lengths[e] - '0';
      bar.push_back({render::ParseNumber(notes, 2 * e, 2), length, at, e + 1 == count});
      at += length;
    }
    bars.push_back(std::move(bar));
  }
  return bars;
}

// A span of audio bytes at tempo as ticks.
long long Ticks(long long bytes, int tempo) {
  const int eighth = wave::EighthBytes(tempo);
  return eighth > 0 ? std::llround(static_cast<double>(bytes) * kTicksPerEighth / eighth) : 0;
}

long long PadTicks(const CComposer& c) { return Ticks(wave::PadBytes(c.m_dEighthMs), c.m_nTempo); }

// The piano track scales a note of level l by 1 - 0.08 (l - 1); the synthesizer's loudness
// follows 40 log10(velocity), so the same gain needs the velocity scaled by its square root.
int MelodyVelocity(const CComposer& c, size_t noteIndex) {
  if (c.m_strPianoInt == "C") return music::kMelodyVelocity;
  const int level = render::ParseNumber(c.m_strVelocities, 2 * noteIndex, 2);
  const double gain = level >= 2 ? 1.0 - wave::kGainStep * (level - 1) : 1.0;
  return gain > 0 ? static_cast<int>(std::lround(music::kMelodyVelocity * std::sqrt(gain))) : 1;
}

std::vector<Note> MelodyNotes(const CComposer& c) {
  const bool tempo60 = c.m_nTempo == 60;
  const long long leadIn =
      Ticks(wave::MsToEvenBytes(tempo60 ? wave::kPianoLeadInMs60 : wave::kPianoLeadInMs90), c.m_nTempo);
  std::vector<Note> notes;
  size_t index = 0;
  const auto bars = PlanBars(c);
  for (size_t b = 0; b < bars.size(); ++b) {
    for (const PlanEvent& e : bars[b]) {
      const bool lastOfPiece = b + 1 == bars.size() && e.lastOfBar;
      const int held = lastOfPiece ? e.length : e.length + 1;
      notes.push_back({leadIn + e.eighth * kTicksPerEighth, held * kTicksPerEighth,
                       music::MidiOfNote(e.note), MelodyVelocity(c, index++)});
    }
  }
  return notes;
}

std::vector<Note> ChordNotes(const CComposer& c) {
  const CSampleCatalog catalog;
  const int root = render::KeyRoot(c.m_strNoteCode);
  const bool major = c.m_strScaleCode.find("Maj") != std::string::npos;
  const std::string scale = render::ChordScale(c.m_strScaleCode);
  const bool minorSamples = scale == "Min";
  constexpr int kCounterLengths = 7;
  int counters[13][kCounterLengths + 1];
  for (auto& row : counters) std::fill(std::begin(row), std::end(row), 1);

  std::vector<Note> notes;
  const long long start = PadTicks(c);
  const auto bars = PlanBars(c);
  for (size_t b = 0; b < bars.size(); ++b) {
    for (const PlanEvent& e : bars[b]) {
      const int p = render::PitchClass(e.note);
      const bool counted = p >= 1 && p <= 12 && e.length >= 1 && e.length <= kCounterLengths;
      if (!counted || !render::IsChordDegree(p, root, major) || e.length < render::kShortestChord) continue;
      const int variant = counters[p][e.length];
      if (catalog.FindChordOffset(render::ChordSampleName(p, scale, c.m_nTempo, e.length, variant)) < 0)
        continue;
      if (++counters[p][e.length] == render::kChordVariants + 1) counters[p][e.length] = 1;
      const bool lastOfPiece = b + 1 == bars.size() && e.lastOfBar;
      const long long held = (lastOfPiece ? e.length : e.length + 1) * kTicksPerEighth;
      const std::vector<int> keys = music::ChordKeys(p, minorSamples, variant);
      for (size_t k = 0; k < keys.size(); ++k) {
        const bool top = k + 1 == keys.size();
        notes.push_back({start + e.eighth * kTicksPerEighth, held, keys[k],
                         music::kChordVelocity + (top ? music::kChordTopVoiceLift : 0)});
      }
    }
  }
  return notes;
}

// Every bar of the low note track fills exactly one bar: a bar's last event takes what is left.
std::vector<Note> LowNotes(const CComposer& c) {
  constexpr int kLowNotes = 24;
  int counters[kLowNotes + 1];
  std::fill(std::begin(counters), std::end(counters), 1);
  const long long leadIn = Ticks(wave::MsToEvenBytes(c.m_dEighthMs * 2), c.m_nTempo);
  constexpr long long kBarTicks = 8 * kTicksPerEighth;
  std::vector<Note> notes;
  const auto bars = PlanBars(c);
  for (size_t b = 0; b < bars.size(); ++b) {
    const long long barStart = leadIn + static_cast<long long>(b) * kBarTicks;
    long long written = 0;  // ticks of this bar so far
    for (const PlanEvent& e : bars[b]) {
      const int q = render::LowNote(e.note);
      const int silent = render::SilentEighths(e.length);
      const long long restOfBar = std::max(kBarTicks - written, 0LL);
      written += e.lastOfBar && e.length <= 2 ? restOfBar : silent * kTicksPerEighth;
      if (e.length == silent) continue;
      const long long held =
          e.lastOfBar ? std::max(kBarTicks - written, 0LL) : (e.length - silent) * kTicksPerEighth;
      const bool counted = q >= 1 && q <= kLowNotes;
      const int variant = counted ? counters[q] : 1;
      if (held > 0) {
        notes.push_back({barStart + written, held, music::MidiOfNote(q),
                         music::kLowNoteVelocity - (variant == 2 ? music::kLowNoteSecondTouch : 0)});
      }
      written += held;
      if (counted && ++counters[q] > 2) counters[q] = 1;
    }
  }
  return notes;
}

// Loops alternate between two voices, eight bars apart: the first voice plays sections 0, 2,
// 4 ... with the first choices, the second sections 1, 3 ... with the choices after them. The
// drum track is left out of the piece when any of its loops is missing from the catalog.
std::vector<Note> DrumNotes(const CComposer& c) {
  constexpr int kMaxChoices = 500;  // size of m_sectionChoice
  constexpr long long kSixteenthTicks = kTicksPerEighth / 2;
  constexpr long long kBarTicks = 8 * kTicksPerEighth;
  constexpr long long kHitTicks = kSixteenthTicks / 2;
  const CSampleCatalog catalog;
  const int sections = c.m_nBars / 8;
  const int firstVoiceLoops = (sections + 1) / 2;
  const long long start = PadTicks(c);
  std::vector<Note> notes;
  for (int s = 0; s < sections; ++s) {
    const int index = s % 2 == 0 ? s / 2 : firstVoiceLoops + s / 2;
    const int loop = index < kMaxChoices ? c.m_sectionChoice[index] : 0;
    const std::string name = render::Format("DL_%.3d_%.2d.wav", c.m_nTempo, loop);
    const auto& names = catalog.m_rhythmGroup.m_names;
    if (std::find(names.begin(), names.end(), name) == names.end()) return {};
    const long long sectionStart = start + s * 8 * kBarTicks;
    for (const music::DrumHit& hit : music::DrumGroove(loop)) {
      notes.push_back({sectionStart + hit.bar * kBarTicks + hit.step * kSixteenthTicks, kHitTicks,
                       hit.key, hit.velocity});
    }
  }
  return notes;
}

bool Always(const PieceTracks&) { return true; }
bool FullPiano(const PieceTracks& t) { return t.hand == "F"; }
bool Drums(const PieceTracks& t) { return t.rhythm.find('D') != std::string::npos; }

// One emitter per part, in track order.
struct PartEmitter {
  const char* name;
  int channel;
  int program;  // General MIDI: 0 acoustic grand piano
  bool (*plays)(const PieceTracks&);
  std::vector<Note> (*notes)(const CComposer&);
};
const PartEmitter kEmitters[] = {
    {"Melody", 0, 0, Always, MelodyNotes},
    {"Chords", 1, 0, FullPiano, ChordNotes},
    {"Low notes", 2, 0, FullPiano, LowNotes},
    {"Drums", kDrumChannel, 0, Drums, DrumNotes},
};

}  // namespace

std::vector<Part> PieceParts(const CComposer& composer, const PieceTracks& tracks) {
  std::vector<Part> parts;
  for (const PartEmitter& emitter : kEmitters) {
    if (!emitter.plays(tracks)) continue;
    parts.push_back({emitter.name, emitter.channel, emitter.program, emitter.notes(composer)});
  }
  return parts;
}

int WritePieceMidi(const std::string& path, const CComposer& composer, const PieceTracks& tracks) {
  const std::vector<uint8_t> bytes = SmfBytes(composer.m_nTempo, PieceParts(composer, tracks));
  platform::ClearFileFailure();
  platform::FileHandle h = platform::CreateAlways(path);
  if (!platform::IsOpen(h)) return kMidiFailed;
  const int written = platform::WriteFile(h, bytes.data(), static_cast<int>(bytes.size()));
  const bool closed = platform::CloseFile(h);
  if (written != static_cast<int>(bytes.size()) || !closed) {
    platform::DeleteFile(path);
    return kMidiFailed;
  }
  return kMidiWritten;
}

}  // namespace midi
