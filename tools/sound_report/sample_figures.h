// Figures of one recorded sample as the archives hold it: its DC, its end level, where its
// attack falls and how far each of its notes is from the equal-tempered pitch (A = 440 Hz).
// The sound report prints them for the whole catalog; the archive tests hold them to limits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace report {

struct SampleFigures {
  double dc = 0.0;               // mean, full scale 1
  double endDb = -200.0;         // peak of the last 10 ms, dBFS
  double ringFallDb = 0.0;       // its release: the largest fall of the 10 ms level within 50 ms
                                 // in the last eighth, from levels within 30 dB of its loudest
                                 // and above -60 dBFS (analysis::LargestFallDb)
  double attackMs = 0.0;         // the attack (analysis::HalfRiseFrame) after the sample's start
  double expectedAttackMs = 0.0; // where the design puts it
  bool timed = false;            // whether the attack is held to a place (pads enter softly)
  double worstCents = 0.0;       // the largest tuning error among its notes
  bool pitched = false;          // whether it has notes to tune (not drums, figures or riffs)
  std::vector<std::pair<int, double>> keyCents;  // each note's MIDI key and its tuning
};

// The MIDI keys a sample sounds together for its whole length: a melody, low or bass note, a
// chord's voicing, a pad's triad; empty for silence, drums and the figures.
std::vector<int> SustainedKeys(const std::string& name);

// Where the attack of a sample of this name must fall after its start, in ms, and whether it is
// held to that place.
double ExpectedAttackMs(const std::string& name, bool& timed);

// Every figure of the sample name whose samples are pcm (44 100 Hz mono).
SampleFigures MeasureSample(const std::string& name, const std::vector<int16_t>& pcm);

}  // namespace report
