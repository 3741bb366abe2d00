// The sustained tracks: bass (CComposer::RenderBS), strings (RenderST) and voices (RenderVO).
//
// All three play the harmony of render/harmony.h, so they agree with the chord track where it
// plays and with the melody where it does not, and they draw no random numbers: the plan and
// every other track stay as they are for a session id. Each reads the plan through NextBar
// (the caller rewinds it), pumping once per bar; then writes its notes alternately into two
// voice files, pumping once per bar of each voice, with the pad of silence before the first
// bar. A note sounds its length and rings one more eighth into the next note of the other
// voice, released over that eighth (falling at a steady rate in dB to nothing), so a cut never
// clicks nor drops suddenly. What follows a voice's last
// note is silence, up to the length its header announces. The three temporary names (the
// third for the two-voice mix) are taken first; results as render/render_codes.h.
//
// Bass, Rhythm "B", Data2.dat: the root of the harmony in the register C2..B2, struck on every
// harmony change and on beats 1 and 3, held 2 to 5 eighths: sustained under the picked-bass
// riffs of the rhythm figures (E1..D#2, short notes) rather than a second riff. One timbre, the
// picked bass. Names "BS" nn note-name tt cc "_" v ".wav": nn 01..12 and its note name ("C_1"),
// tt the tempo divided by ten ("06", "09"), cc the held eighths 02..05, v = 2. Size: 5, 6, 6 or 7
// eighths for cc 02..05 (BassNoteEighths). The original entries that fit are used; the other
// roots and tempo 90 follow the drum loops of tempo 90.
//
// Strings, Harmony "S", data4.dat: a string-ensemble chord of the harmony in close position,
// its lowest note from E3 up (kStringsLowestKey), the inversion that moves the voices least
// from the chord before. It enters softly and speaks again where the harmony changes, or after
// two bars of the same harmony.
//
// Voices, Harmony "V", data4.dat: a choir "ooh" on the same harmony and rules, its lowest note
// from A2 up (kVoicesLowestKey), below the melody so that it does not mask it.
//
// Pad names (both families): family kk "_" root qqq "_" ttt "_L16_I" i ".wav", for example
// "ST01_C_maj_060_L16_I0.wav": kk 01..12 and its root ("C_" .. "B_"), qqq "maj", "min" or
// "dim", ttt the tempo (060, 090), i the inversion (0 root, 1 third, 2 fifth at the bottom).
// Size: 17 eighths at the tempo (16 held, one to ring out). data4.dat holds, after its
// silence, ST at tempo 60 then 90, then VO at tempo 60 then 90; each root, then quality, then
// inversion.
//
// Levels (set by the archive builder): each family well under the melody; the pads under the
// chords, the bass beside the rhythm figures.
#pragma once

#include <vector>

#include "render/harmony.h"
#include "render/render_support.h"

class CComposer;
class CSampleCatalog;

namespace render {

inline constexpr int kStringsLowestKey = 52;  // E3
inline constexpr int kVoicesLowestKey = 45;   // A2
inline constexpr int kBassLowestNote = 1;     // note number of C_1 (C2), the bass's low octave


// The chord track's placer for the composer's key, scale and tempo: a chord needs its sample in
// catalog, which the placer refers to (catalog must outlive it).
harmony::CChordPlacer ChordPlacer(const CComposer& c, const CSampleCatalog& catalog);

// The harmony the sustained tracks play over the plan's bars, taking the chord track's chords
// when withChords (Hand "F"). The MIDI export asks the same question.
std::vector<harmony::Span> PieceHarmony(const CComposer& c, const std::vector<PlanBar>& bars, bool withChords,
                                        const CSampleCatalog& catalog);

}  // namespace render
