// The MIDI export of a composed piece: a Standard MIDI File (render/smf_writer.h) at the piece's
// tempo with one track per part, its notes placed where the renderers place their samples, so
// that the file lines up with the piece's "Mix.wav", lead-in included.
//
// Parts, each from one emitter (the table in midi_export.cpp) and each only when the options
// render its track:
//  - Melody (always): every plan note where it sounds, one pad in like the other tracks (the
//    piano track starts earlier, and its samples carry that much before their attack), held as the piano track
//    holds it (one eighth into the next note, the last note of the piece its own length); its
//    velocity follows the plan's level as the piano track scales it (intensity on), else full;
//  - Chords (Hand "F"): the chord track's chords, in the voicing of the sample that plays;
//  - Low notes (Hand "F"): the low piano note track's notes, from its two-pad lead-in;
//  - Drums (Rhythm with "D"): each section's drum loop as General MIDI drums on channel 10;
//  - Bass (Rhythm with "B"), Strings and Voices (Harmony with "S", "V"): the sustained tracks'
//    notes, laid out over the harmony by the same functions (render/harmony.h) the tracks use,
//    each sounding its length from one pad after the start.
// A note stands in the file even where the archives should lack its recording: the file holds
// the music, the archives only play it. Where a renderer's placement itself depends on the
// catalog (the chord track's variant turns, the drum track's loops) the catalog decides here too.
//
// Reads theComposer's plan fields after Compose (it does not move the plan cursor). UI thread.
#pragma once

#include <string>
#include <vector>

#include "compose/composer.h"
#include "render/smf_writer.h"

namespace midi {

// The options that decide which tracks a piece has (the option codes as the board stores them).
struct PieceTracks {
  std::string hand;     // "F": chords and low notes
  std::string rhythm;   // letters; "D": drums, "B": bass
  std::string harmony;  // letters; "S": strings, "V": voices
};

std::vector<Part> PieceParts(const CComposer& composer, const PieceTracks& tracks);

// Results of WritePieceMidi.
inline constexpr int kMidiWritten = 0;
inline constexpr int kMidiFailed = 1;  // platform::LastFileFailure names the file and the cause

// Writes the piece as a MIDI file to path (created, or replaced through a fresh file renamed over
// it: on any failure an older file by that name is kept as it was).
int WritePieceMidi(const std::string& path, const CComposer& composer, const PieceTracks& tracks);

}  // namespace midi
