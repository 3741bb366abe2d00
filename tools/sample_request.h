// What a catalog entry asks for: its family and the musical fields read from its name, plus its
// length. The builder learns every name and size from the sample catalog; this module only
// reads the fields the name grammars put at fixed places.
#pragma once

#include <string>

#include "render/harmony.h"

namespace archives {

enum class Family {
  kSilence, kMelodyNote, kChord, kBassNote, kDrumLoop, kLowNote, kFigure, kRhythmFigure, kStrings, kVoices
};

struct SampleRequest {
  Family family = Family::kSilence;
  int note = 0;          // note number 01..48: TP, BS, PP
  int pitchClass = 0;    // 1 (C) .. 12 (B): CH, TA, TF, ST, VO
  int length = 0;        // length code in eighths: TP, CH, TA, TF, ST, VO; BS: the code 02..05
  int variant = 0;       // CH 1..5, TA 1..5, TF 1..7, BS 1..3, PP 1..2
  bool minor = false;    // CH: "min" instead of "maj"
  harmony::Quality quality = harmony::Quality::kMajor;  // ST, VO
  int inversion = 0;     // ST, VO: 0 root, 1 third, 2 fifth at the bottom
  int loop = 0;          // DL loop number
  int tempo = 0;         // quarter notes per minute, from the name (060)
  int frames = 0;        // catalog size / 2
  int eighthFrames = 0;  // one eighth at the tempo
  // Frames every note of the sample is struck earlier than its place: set by the builder when
  // the notes together speak later than each alone (sample_designs.h, RenderSample).
  int attackShift = 0;

  int BeatFrames() const { return 2 * eighthFrames; }
  int BarFrames() const { return 8 * eighthFrames; }
};

// Reads name (a catalog entry of bytes bytes) into request; false with a reason in error when
// the name follows none of the grammars or its fields are out of range.
bool ParseSampleName(const std::string& name, int bytes, SampleRequest& request, std::string& error);

// Short family tag as the names start ("TP", "CH", ...; "AA" for silence).
const char* FamilyTag(Family family);

}  // namespace archives
