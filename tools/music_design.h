// The musical constants of the sample archives: note mapping, instruments, velocities and
// levels. Every sound the builder renders takes its numbers from here.
#pragma once

#include "render/sample_music.h"

namespace archives {

// Audio format of the archives: 16-bit mono PCM at 44 100 Hz.
inline constexpr int kSampleRate = 44100;
// The synthesizer processes 64 frames at a time; note-ons and note-offs take effect on these
// block boundaries, so every note is started on one.
inline constexpr int kBlockFrames = 64;

// The notes the samples play (MIDI keys, registers, chord voicings, drum grooves and the
// velocities of the piano families) are shared with the MIDI export.
using music::kMidiOfNoteOne;
using music::MidiOfNote;
using music::kChordLowestRoot;
using music::kFigureLowestRoot;
using music::kRiffLowestRoot;
using music::RootKey;

// A General MIDI sound: SoundFont bank and preset; drums play on the percussion channel.
struct Instrument {
  int bank;
  int program;
  bool drums;
};
inline constexpr Instrument kPiano{0, 0, false};  // "Yamaha Grand Piano"
inline constexpr Instrument kFingeredBass{0, 33, false};
inline constexpr Instrument kPickedBass{0, music::kPickedBassProgram, false};
inline constexpr Instrument kFretlessBass{0, 35, false};
inline constexpr Instrument kDrumKit{128, 0, true};  // GM standard kit
inline constexpr Instrument kStringEnsemble{0, music::kStringEnsembleProgram, false};
inline constexpr Instrument kVoiceOohs{0, music::kVoiceOohsProgram, false};
// The bass riffs use the picked bass: its low octave is cleanly pitched all through (the
// fingered bass has a zone around D2 with a strong component near 40 Hz).
inline constexpr Instrument kRiffBass = kPickedBass;

// Velocities (1..127); those the MIDI export shares are in render/sample_music.h.
using music::kMelodyVelocity;
using music::kChordVelocity;
using music::kChordTopVoiceLift;
using music::kLowNoteVelocity;
using music::kLowNoteSecondTouch;
using music::kBassVelocity;
using music::kStringsVelocity;
using music::kVoicesVelocity;
inline constexpr int kFigureRootVelocity = 78;  // left-hand figures: the root leads
inline constexpr int kFigureOtherVelocity = 64;
inline constexpr int kFigureAccentLift = 8;  // on the first note of every beat
inline constexpr int kBassGhostVelocity = 58;
inline constexpr int kPreviewVelocity = 90;

// Levels: the peak of the loudest sample of each family, in dBFS. The melody is the loudest
// family and must be heard over everything else together: the accompaniment sits well below,
// the more so the later its track is mixed, because the track mixer averages each new track
// into the piece and restores the peak, which lifts a later track against the earlier ones
// (the melody, mixed first, ends up about 7 dB down, the pads hardly at all).
inline constexpr double kMelodyPeakDb = -1.5;
inline constexpr double kChordPeakDb = -17.0;
inline constexpr double kLowNotePeakDb = -17.0;
inline constexpr double kFigurePeakDb = -16.0;
inline constexpr double kRhythmFigurePeakDb = -16.0;
inline constexpr double kBassPeakDb = -20.0;  // sustained, so under the riffs' peak
inline constexpr double kDrumPeakDb = -13.0;
inline constexpr double kPreviewPeakDb = -6.0;
// The pads sound all the time, so their peaks sit well under the chords'.
inline constexpr double kStringsPeakDb = -26.0;
inline constexpr double kVoicesPeakDb = -28.0;

// Evening: the SoundFont's piano zones differ by up to 8 dB in loudness between neighbouring
// keys. Each sample of a piano family is moved this fraction of the way towards its family's
// median loudness (the RMS of its first eighth), by at most kEvenMaxDb, before the family's
// level is set. The figures and drums keep their designed dynamics.
inline constexpr double kMelodyEvenness = 0.7;
inline constexpr double kLowNoteEvenness = 0.7;
inline constexpr double kChordEvenness = 0.5;
inline constexpr double kFigureEvenness = 0.5;
inline constexpr double kPadEvenness = 0.5;
inline constexpr double kEvenMaxDb = 6.0;

// Chokes (a hi-hat closed, a riff note damped) fade over this long.
inline constexpr int kEndFadeFrames = 441;  // 10 ms
// Every sample ends with this much silence after its release, and starts with a fade-in this
// short over what a note struck before the sample's start left there.
inline constexpr int kEndSilentFrames = 441;  // 10 ms
inline constexpr int kStartFadeFrames = 44;   // 1 ms: the attack itself lies just after it
// The pads enter softly: a raised-cosine fade-in over this share of an eighth.
inline constexpr double kPadEntryEighths = 0.5;

// Bass riff notes are held this long, released, and damped to silence by the next sixteenth,
// so a riff cut on any sixteenth does not click. At other tempos than 60 the gate is scaled with
// the sixteenth (4 096 frames at 90).
inline constexpr int kBassGateFrames = 6144;  // 139 ms at tempo 60
inline constexpr int kEighthFramesAt60 = 22050;

// Preview sounds: the twelve note sounds are piano notes from middle C up, held for a second
// and ringing out for half a second; the click is a wood block at 16 000 Hz.
inline constexpr int kPreviewFirstMidi = 60;
inline constexpr int kPreviewNoteFrames = 66150;  // 1.5 s
inline constexpr int kPreviewHoldFrames = 44100;  // 1.0 s
inline constexpr int kClickSampleRate = 16000;
inline constexpr int kClickKey = 76;  // Hi Wood Block
inline constexpr int kClickVelocity = 90;
inline constexpr int kClickFrames = 1280;     // 80 ms
inline constexpr int kClickFadeFrames = 320;  // 20 ms

}  // namespace archives
