// The sound of every sample family, designed for the tracks that cut and overlap them.
//
// Each design renders one catalog entry from its request (sample_request.h) into a float sound
// of exactly request.frames frames, at the synthesizer's own level; the archive builder then
// sets each family's level (FamilyPeakDb). Every sample has the attack of its first note at
// frame 0 (the melody notes a little later, where the piano track's earlier start puts the
// beat): notes that speak slowly are struck before the sample begins and kept from there. Every
// sample ends in silence: its last eighth only rings out (the synthesizer's release), never
// slower than a steady fall in dB to nothing (ReleaseEnd), and its last 10 ms are zeros.
// Mapping of note numbers and the instruments: music_design.h.
#pragma once

#include "tools/note_synth.h"
#include "tools/sample_request.h"

namespace archives {

// Piano families (piano_samples.cpp).
// TP: the note of its number, struck firmly, held L eighths, released to ring out in the last.
Sound RenderMelodyNote(CNoteSynth& synth, const SampleRequest& request);
// CH: a soft chord on its root in one of five voicings, held L eighths, ringing out in the last:
// a major triad, or a minor chord of root, minor third and octave without the fifth.
Sound RenderChord(CNoteSynth& synth, const SampleRequest& request);
// PP: the note of its number (C2 .. B3), held one eighth and ringing out in the next; variant 2
// is played a little lighter and shorter.
Sound RenderLowNote(CNoteSynth& synth, const SampleRequest& request);

// Figures (figure_samples.cpp).
// TA: a left-hand piano figure of root, fifth and octave, one rhythm per variant.
Sound RenderFigure(CNoteSynth& synth, const SampleRequest& request);
// TF: a short-note bass riff on the root, one rhythm per variant, over its own length; clean to
// cut at its length and half an eighth later, where the track cuts it.
Sound RenderRhythmFigure(CNoteSynth& synth, const SampleRequest& request);
// BS: a plain bass note, held for its code in eighths, one bass sound per variant digit.
Sound RenderBassNote(CNoteSynth& synth, const SampleRequest& request);

// Pads (pad_samples.cpp), held L eighths and ringing out in the last, entering softly, in close
// position on the voicing of their inversion (render/harmony.h).
// ST: a string-ensemble chord from E3 up.
Sound RenderStrings(CNoteSynth& synth, const SampleRequest& request);
// VO: a choir "ooh" chord from A2 up.
Sound RenderVoices(CNoteSynth& synth, const SampleRequest& request);

// DL: eight bars of a groove with a fill in bar 8 and a ninth bar of ring-out (drum_loops.cpp).
Sound RenderDrumLoop(CNoteSynth& synth, const SampleRequest& request);

// Mixes note into out so that its attack (CNoteSynth::AttackFrames) falls on frame beat: it
// starts that much earlier (and request.attackShift more), before the sample's start if need
// be. stopAt chokes it as MixIn does.
void PlaceNote(Sound& out, CNoteSynth& synth, const SampleRequest& request, long beat, const NoteSpec& note,
               long stopAt = -1, int fadeFrames = kEndFadeFrames);
// Gives a sample its start and end: a fade-in of kStartFadeFrames over whatever a note struck
// before the start left there, and its last eighth a release (ReleaseEnd: the synthesizer's
// own, held under a steady fall to nothing) ending in kEndSilentFrames of silence. A track that
// lets a sample's last eighth ring into the tail of a piece thus ends it without a cut. Pads
// keep their own soft entry.
void FinishSample(Sound& out, const SampleRequest& request);
// Frames between a melody sample's start and its attack: the piano track starts its samples one
// pad minus its own lead-in (31 ms at tempo 60, 21 ms at 90) before the other tracks.
int MelodyPreRollFrames(int tempo);

// Any request: the family's design, or zeros for silence. A sample whose notes together speak
// later than where its attack must fall (several notes of a chord peak at different moments) is
// rendered again with its notes struck that much earlier.
Sound RenderSample(CNoteSynth& synth, const SampleRequest& request);
// The level of a family: the peak of its loudest sample, in dBFS.
double FamilyPeakDb(Family family);

// How far a family's samples are evened towards its median loudness (0: not at all).
double FamilyEvenness(Family family);

// Frames a note of a sample of frames frames is held so that its last eighth rings out:
// lengthEighths eighths, and never into the last eighth.
int HoldFrames(const SampleRequest& request, int lengthEighths);

}  // namespace archives
