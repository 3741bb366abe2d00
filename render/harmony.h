// The harmony of a plan: which diatonic triad sounds from which eighth. The bass, strings and
// voices tracks play it; any other reader of the plan (an exporter) can ask the same question
// and gets the same answer.
//
// Rules:
//  - The chord track decides first. From each chord it places until its next one, the harmony
//    is the diatonic triad on that chord's root: I, IV or V in a major key, i or the diminished
//    ii in a minor one.
//  - A bar in which the chord track places nothing (or a piece without the chord track) takes
//    the triad that covers most of the bar's melody by duration; ties go to the earlier of
//    I, IV, V, vi (major) or i, iv, v, VI, VII (minor).
//  - Before the first chord of a bar the harmony of the previous bar's end carries on; in the
//    first bar it is the melody's triad of that bar.
// Equal neighbouring spans are merged, so a span ends only where the triad changes.
//
// Pure functions and value types: no file, no pump, any thread.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "render/render_support.h"

namespace harmony {

enum class Quality { kMajor, kMinor, kDiminished };
// "maj", "min" or "dim", as the sample names spell the quality.
const char* QualityCode(Quality quality);

struct Triad {
  int root = 1;  // pitch class 1 (C) .. 12 (B)
  Quality quality = Quality::kMajor;
  bool operator==(const Triad&) const = default;
  std::array<int, 3> PitchClasses() const;  // root, third, fifth; each 1..12
  bool Contains(int pitchClass) const;
};

struct Key {
  int root = 0;  // 1 (C) .. 12 (B); 0 when the note code is unknown (the chord track is then silent)
  bool major = true;
};
// From the Note and Scale option codes: "C", "CD" ... and "Maj", "PMaj", "Min", "PMin".
Key KeyOf(const std::string& noteCode, const std::string& scaleCode);

// Pitch class p + semitones, wrapped into 1..12.
int Transpose(int p, int semitones);

// The pitch classes on which the chord track places a chord: r, r+5, r+7 (major), r, r+2 (minor).
bool IsChordDegree(int p, const Key& key);
// The diatonic triad on such a pitch class.
Triad ChordTriad(int p, const Key& key);
// The melody's candidates, in tie order.
std::vector<Triad> MelodyTriads(const Key& key);

// The chord track's sample name: "CH%.2d_%s%s_%.3d_L%d_%d.wav" from the pitch class, its root,
// the scale code's last three characters, the tempo, the length and the variant.
std::string ChordSampleName(int p, const std::string& scaleCode, int tempo, int len, int variant);

// Which melody events the chord track puts a chord under, event by event in plan order: a note
// on a chord degree, 3 to 7 eighths long, whose sample (pitch class, length and the variant
// counter of both) exists; that counter then moves on (1..5, round). RenderCH decides with it,
// so anyone who asks the same placer in plan order hears of the same chords.
class CChordPlacer {
 public:
  using Lookup = std::function<bool(int p, int len, int variant)>;
  CChordPlacer(const Key& key, Lookup exists);
  // The variant of the chord placed under the next event, or 0 when it gets none.
  int Next(int p, int len);

 private:
  static constexpr int kLengths = 7;
  static constexpr int kVariants = 5;
  static constexpr int kShortestChord = 3;
  Key m_key;
  Lookup m_exists;
  std::array<std::array<int, kLengths + 1>, 13> m_counters;
};

// A stretch of the piece under one triad, in eighths from the first bar's start.
struct Span {
  int start = 0;
  int length = 0;
  Triad triad;
  bool operator==(const Span&) const = default;
};

// The harmony of the plan's bars, spans covering 8 x bars.size() eighths. chords is the chord
// track's placer, or null when the piece has no chord track. A chord's triad rules from its note
// until the next chord; a bar without chords takes the melody triad covering most of it. Away
// from a chord being held (on any note that does not carry one), a melody note of two eighths
// or more that the triad lacks moves the harmony to the melody triad holding it that shares
// most with the one before, until the next chord or move: the low note track doubles such notes
// in the bass register, where a triad without them would clash.
std::vector<Span> AnalysePlan(const std::vector<render::PlanBar>& bars, const Key& key, CChordPlacer* chords);

// The triad sounding longest in bar (ties to the earlier one).
Triad BarHarmony(const std::vector<Span>& spans, int bar);

// The spans cut so that none is longer than maxLength eighths (a pad speaks again then).
std::vector<Span> SplitSpans(const std::vector<Span>& spans, int maxLength);

// Close-position voicings of a triad: inversion 0 has the root at the bottom, 1 the third, 2
// the fifth. The lowest key is the first MIDI key at or above lowestKey with that pitch class;
// the other two follow upwards within the octave.
std::array<int, 3> VoicingKeys(const Triad& triad, int inversion, int lowestKey);
// A note of the plan's melody: eighths from the first bar's start, its length and MIDI key.
struct MelodyNote {
  int start = 0;
  int length = 0;
  int key = 0;
  bool operator==(const MelodyNote&) const = default;
};
// The plan's melody notes (rests left out), in start order.
std::vector<MelodyNote> MelodyNotes(const std::vector<render::PlanBar>& bars);
// The inversion for each span that moves the voices least from the span before (summed key
// distances) and stands least in the melody's way: every eighth of melody no more than a whole
// tone above the voicing's top counts as three semitones of movement. Ties go to the lower
// inversion.
std::vector<int> LeadVoices(const std::vector<Span>& spans, int lowestKey, const std::vector<MelodyNote>& melody = {});

// One chord of a pad line: a span no longer than the pad's held length, voiced.
struct PadChord {
  Span span;
  int inversion = 0;
  std::array<int, 3> Keys(int lowestKey) const { return VoicingKeys(span.triad, inversion, lowestKey); }
};
// The pad line over the harmony: the spans split at maxLength eighths, each led from the one
// before and out of the melody's way (LeadVoices). The strings and voices tracks and their MIDI
// parts both lay it out.
std::vector<PadChord> PadLine(const std::vector<Span>& spans, int maxLength, int lowestKey,
                              const std::vector<MelodyNote>& melody);

// One note of the bass line: the root of the harmony, held length eighths (2 .. 5).
struct BassNote {
  int start = 0;
  int length = 0;
  int root = 1;
  bool operator==(const BassNote&) const = default;
};
// The bass line: a note on every harmony change and on beats 1 and 3 of every bar. A note that
// would last a single eighth gives way: a repeated root on a beat is dropped, a change that
// lasts one eighth lets the note before it ring on.
std::vector<BassNote> BassLine(const std::vector<Span>& spans);

}  // namespace harmony
