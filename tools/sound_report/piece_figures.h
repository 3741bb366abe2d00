// Figures of a generated piece, from its stems, Mix.wav and MIDI export.
#pragma once

#include <string>
#include <vector>

namespace report {

struct TrackFigures {
  std::string name;      // the stem's track name (Melody, Bass, ...)
  int attacks = 0;       // attacks measured
  double medianAttackMs = 0.0;  // median offset of its attacks from the sixteenth grid
  int tunedNotes = 0;    // sustained notes whose tuning was measured
  double medianCents = 0.0, worstCents = 0.0;
  double dc = 0.0;       // mean of the stem, full scale 1
  double gain = 0.0;     // the stem's gain in Mix.wav, fitted
  double endStepDb = 0.0;  // its largest fall within 50 ms in the last 2 s, as in Mix.wav
  double endStepAt = 0.0;  // where that fall starts, seconds before the end
};

struct PieceFigures {
  int tempo = 60;
  std::vector<TrackFigures> tracks;
  double melodyToBassMs = 0.0;  // median, on shared beats
  int sharedBeats = 0;
  double mixDc = 0.0;
  double worstEndStepDb = 0.0;   // the largest fall within 50 ms in the last 2 s (above -50 dBFS)
  double worstEndStepAt = 0.0;   // where it starts, seconds before the end
  double tailStepDb = 0.0;       // the same from the music's last eighth on: where it stops
  double barsMelodyOnTop = 0.0;  // share of bars where the melody is at or over the rest
  double medianMarginDb = 0.0;   // melody over the rest, per bar
  double medianAccompanimentDb = 0.0;  // the rest under the melody, per bar (median, dB)
  double maskedShare = 0.0;      // melody notes less than 6 dB over the rest in their bands
  int melodyNotes = 0;
  int heldBeats = 0;             // beats where two or more accompaniment parts are held
  int clashBeats = 0;            // of them, with a semitone clash that involves bass, strings or voices
  int pianoClashBeats = 0;       // with a clash between chords and low notes alone
};

// Measures the session (path up to its name) with its MIDI export; false with error when a
// file cannot be read.
bool MeasurePiece(const std::string& session, const std::string& midiPath, PieceFigures& figures,
                  std::string& error);
// The figures as the report prints them.
std::string FormatPiece(const PieceFigures& figures);

}  // namespace report
