// What the recorded samples play, as notes: the MIDI key of a plan note, the voicings of the
// chord samples, the grooves of the drum loops and the velocities they are struck with.
//
// The archive builder (tools/) records the samples from these numbers and the MIDI export
// (render/midi_export.h) writes the same notes, so the two cannot drift apart. Plain data, no
// state; any thread.
#pragma once

#include <vector>

namespace music {

// Note numbers 01..48 (the composer's "C_1" .. "B_4") sound as MIDI 36..83: note 01 is C two
// octaves below middle C (C2, 65.4 Hz), note 25 is middle C (MIDI 60), note 48 is B5.
inline constexpr int kMidiOfNoteOne = 36;
inline constexpr int MidiOfNote(int note) { return kMidiOfNoteOne + note - 1; }

// Registers of the pitch-class families (CH, TA, TF): the lowest MIDI key a root may take; the
// root of pitch class p is the first key from there up whose pitch class is p.
inline constexpr int kChordLowestRoot = 53;   // F3: close chords F3..E4, C major on middle C
inline constexpr int kFigureLowestRoot = 36;  // C2: left-hand figures rooted C2..B2
inline constexpr int kRiffLowestRoot = 28;    // E1: bass riffs rooted E1..D#2, the bass's low octave
// MIDI key of pitch class 1 (C) .. 12 (B) at or above lowest.
inline constexpr int RootKey(int pitchClass, int lowest) {
  return lowest + ((pitchClass - 1) - lowest % 12 + 24) % 12;
}

// Velocities (1..127). The melody is struck firmly; the accompaniment is played softer, which
// also darkens its tone (the synthesizer closes its filter with lower velocities).
inline constexpr int kMelodyVelocity = 100;
inline constexpr int kChordVelocity = 64;
inline constexpr int kChordTopVoiceLift = 8;  // the top note of a chord sings a little
inline constexpr int kLowNoteVelocity = 80;
inline constexpr int kLowNoteSecondTouch = 12;  // variant 2 of a low note: this much softer
inline constexpr int kBassVelocity = 96;
inline constexpr int kStringsVelocity = 70;
inline constexpr int kVoicesVelocity = 76;

// General MIDI programs of the sustained tracks' timbres.
inline constexpr int kPickedBassProgram = 34;
inline constexpr int kStringEnsembleProgram = 48;
inline constexpr int kVoiceOohsProgram = 53;

// The MIDI keys of chord sample variant 1..5 on pitch class 1..12, lowest first (the last one
// is the top voice): five voicings of a major triad, or of root, minor third and octave.
std::vector<int> ChordKeys(int pitchClass, bool minor, int variant);

// The drum loops: eight bars of a groove on the GM standard kit with a fill in the second half
// of bar 8, then a bar that only carries the ring-out. Steps are sixteenths.
inline constexpr int kGrooveBars = 8;
inline constexpr int kStepsPerBar = 16;
struct DrumHit {
  int bar;
  int step;
  int key;  // GM percussion key
  int velocity;
  int chokeStep = -1;  // absolute sixteenth where an open hi-hat is closed again
};
// Loop 7 is a calm ballad groove in eighths, loop 9 (and any higher) a busier one in sixteenths.
const std::vector<DrumHit>& DrumGroove(int loop);

}  // namespace music
