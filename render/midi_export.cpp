#include "render/midi_export.h"

#include <algorithm>
#include <cmath>

#include "platform/file_io.h"
#include "render/render_support.h"
#include "render/sample_catalog.h"
#include "render/sample_music.h"
#include "render/sustained_tracks.h"
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

// The plan's bars as the renderers read them through NextBar, without moving the cursor.
std::vector<render::PlanBar> PlanOf(const CComposer& c) {
  std::vector<render::PlanBar> bars;
  for (int b = 0; b < c.m_nBars; ++b) {
    const size_t i = static_cast<size_t>(b);
    bars.push_back({i < c.m_barNotes.size() ? c.m_barNotes[i] : std::string(),
                    i < c.m_barRhythms.size() ? c.m_barRhythms[i] : std::string()});
  }
  return bars;
}

// The plan's events bar by bar.
std::vector<std::vector<PlanEvent>> PlanBars(const CComposer& c) {
  std::vector<std::vector<PlanEvent>> bars;
  long long at = 0;
  for (const render::PlanBar& plan : PlanOf(c)) {
    const size_t count = plan.Events();
    std::vector<PlanEvent> bar;
    for (size_t e = 0; e < count; ++e) {
      const int length = plan.lengths[e] - '0';
      bar.push_back({render::ParseNumber(plan.notes, 2 * e, 2), length, at, e + 1 == count});
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

std::vector<Note> MelodyNotes(const CComposer& c, const PieceTracks&) {
  // The piano track starts earlier than the others, and its samples carry that much before
  // their attack: a melody note sounds on the same grid as the rest, one pad in.
  const long long leadIn = PadTicks(c);
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

std::vector<Note> ChordNotes(const CComposer& c, const PieceTracks&) {
  const CSampleCatalog catalog;
  harmony::CChordPlacer placer = render::ChordPlacer(c, catalog);
  // The chord samples of a scale code ending in "Min" are voiced minor.
  const std::string& scale = c.m_strScaleCode;
  const bool minorSamples = scale.size() >= 3 && scale.compare(scale.size() - 3, 3, "Min") == 0;
  std::vector<Note> notes;
  const long long start = PadTicks(c);
  const auto bars = PlanBars(c);
  for (size_t b = 0; b < bars.size(); ++b) {
    for (const PlanEvent& e : bars[b]) {
      const int variant = placer.Next(render::PitchClass(e.note), e.length);
      if (variant == 0) continue;
      const bool lastOfPiece = b + 1 == bars.size() && e.lastOfBar;
      const long long held = (lastOfPiece ? e.length : e.length + 1) * kTicksPerEighth;
      const std::vector<int> keys = music::ChordKeys(render::PitchClass(e.note), minorSamples, variant);
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
std::vector<Note> LowNotes(const CComposer& c, const PieceTracks&) {
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
std::vector<Note> DrumNotes(const CComposer& c, const PieceTracks&) {
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
    const int loop = index < CComposer::kMaxSections ? c.m_sectionChoice[index] : 0;
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
bool Bass(const PieceTracks& t) { return t.rhythm.find('B') != std::string::npos; }
bool Strings(const PieceTracks& t) { return t.harmony.find('S') != std::string::npos; }
bool Voices(const PieceTracks& t) { return t.harmony.find('V') != std::string::npos; }

// The harmony the sustained tracks play, with the chord track's chords when it plays.
std::vector<harmony::Span> SustainedHarmony(const CComposer& c, const PieceTracks& t) {
  const CSampleCatalog catalog;
  return render::PieceHarmony(c, PlanOf(c), FullPiano(t), catalog);
}

// Each note of the sustained tracks sounds its length; the eighth it rings on in the audio is
// a fade, which the synthesizer's own release stands for here.
std::vector<Note> BassNotes(const CComposer& c, const PieceTracks& t) {
  const long long start = PadTicks(c);
  std::vector<Note> notes;
  for (const harmony::BassNote& bass : harmony::BassLine(SustainedHarmony(c, t))) {
    notes.push_back({start + bass.start * kTicksPerEighth, bass.length * kTicksPerEighth,
                     music::MidiOfNote(bass.root + render::kBassLowestNote - 1), music::kBassVelocity});
  }
  return notes;
}

std::vector<Note> PadNotes(const CComposer& c, const PieceTracks& t, int lowestKey, int velocity) {
  const long long start = PadTicks(c);
  std::vector<Note> notes;
  const auto melody = harmony::MelodyNotes(PlanOf(c));
  for (const harmony::PadChord& pad : harmony::PadLine(SustainedHarmony(c, t), kPadHeldEighths, lowestKey, melody)) {
    for (const int key : pad.Keys(lowestKey)) {
      notes.push_back({start + pad.span.start * kTicksPerEighth, pad.span.length * kTicksPerEighth, key, velocity});
    }
  }
  return notes;
}

std::vector<Note> StringNotes(const CComposer& c, const PieceTracks& t) {
  return PadNotes(c, t, render::kStringsLowestKey, music::kStringsVelocity);
}

std::vector<Note> VoiceNotes(const CComposer& c, const PieceTracks& t) {
  return PadNotes(c, t, render::kVoicesLowestKey, music::kVoicesVelocity);
}

// One emitter per part, in track order.
struct PartEmitter {
  const char* name;
  int channel;
  int program;  // General MIDI: 0 acoustic grand piano
  bool (*plays)(const PieceTracks&);
  std::vector<Note> (*notes)(const CComposer&, const PieceTracks&);
};
const PartEmitter kEmitters[] = {
    {"Melody", 0, 0, Always, MelodyNotes},
    {"Chords", 1, 0, FullPiano, ChordNotes},
    {"Low notes", 2, 0, FullPiano, LowNotes},
    {"Drums", kDrumChannel, 0, Drums, DrumNotes},
    {"Bass", 3, music::kPickedBassProgram, Bass, BassNotes},
    {"Strings", 4, music::kStringEnsembleProgram, Strings, StringNotes},
    {"Voices", 5, music::kVoiceOohsProgram, Voices, VoiceNotes},
};

}  // namespace

std::vector<Part> PieceParts(const CComposer& composer, const PieceTracks& tracks) {
  std::vector<Part> parts;
  for (const PartEmitter& emitter : kEmitters) {
    if (!emitter.plays(tracks)) continue;
    parts.push_back({emitter.name, emitter.channel, emitter.program, emitter.notes(composer, tracks)});
  }
  return parts;
}

int WritePieceMidi(const std::string& path, const CComposer& composer, const PieceTracks& tracks) {
  const std::vector<uint8_t> bytes = SmfBytes(composer.m_nTempo, PieceParts(composer, tracks));
  platform::ClearFileFailure();
  // An older file by that name stays whole until the new one is complete.
  platform::FileHandle h = platform::CreateReplacement(path);
  if (!platform::IsOpen(h)) return kMidiFailed;
  const int written = platform::WriteFile(h, bytes.data(), static_cast<int>(bytes.size()));
  if (written != static_cast<int>(bytes.size())) {
    platform::CloseFile(h);
    return kMidiFailed;
  }
  return platform::CommitFile(h) ? kMidiWritten : kMidiFailed;
}

}  // namespace midi
