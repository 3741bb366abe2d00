// The sound of every sample family, designed for the tracks that cut and overlap them.
//
// Each design renders one catalog entry from its request (sample_request.h) into a float sound
// of exactly request.frames frames, at the synthesizer's own level; the archive builder then
// sets each family's level (FamilyPeakDb). Every sample starts with its first note at frame 0
// and ends quiet: the last eighth (the last bar of a drum loop) only rings out, and the very end
// is faded. Mapping of note numbers and the instruments: music_design.h.
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
// TF: a short-note bass riff on the root, one rhythm per variant, clean to cut on any sixteenth.
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

// Any request: the family's design, or zeros for silence.
Sound RenderSample(CNoteSynth& synth, const SampleRequest& request);
// The level of a family: the peak of its loudest sample, in dBFS.
double FamilyPeakDb(Family family);

// How far a family's samples are evened towards its median loudness (0: not at all).
double FamilyEvenness(Family family);

// Frames a note of a sample of frames frames is held so that its last eighth rings out:
// lengthEighths eighths, and never into the last eighth.
int HoldFrames(const SampleRequest& request, int lengthEighths);

}  // namespace archives
