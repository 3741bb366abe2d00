#include "tools/sound_report/sample_figures.h"

#include <algorithm>
#include <cmath>

#include "render/harmony.h"
#include "render/sample_music.h"
#include "render/sustained_tracks.h"
#include "render/wave_format.h"
#include "tools/analysis/audio_analysis.h"

namespace report {

namespace {

constexpr double kRate = analysis::kRate;

int Digits(const std::string& s, size_t pos, size_t count) {
  if (pos + count > s.size()) return -1;
  int v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

int TempoOf(const std::string& name) {
  const std::string tag = name.substr(0, 2);
  int tempo = -1;
  if (tag == "TP") tempo = Digits(name, 9, 3);
  if (tag == "CH" || tag == "ST" || tag == "VO") tempo = Digits(name, 11, 3);
  if (tag == "BS") tempo = 10 * Digits(name, 7, 2);
  if (tag == "DL") tempo = Digits(name, 3, 3);
  if (tag == "PP") tempo = Digits(name, 7, 3);
  if (tag == "TA" || tag == "TF") tempo = Digits(name, 6, 3);
  return tempo > 0 ? tempo : 60;
}

double EighthFrames(const std::string& name) { return kRate * 30.0 / TempoOf(name); }

// Eighths a sample's notes are held before they ring out.
int HeldEighths(const std::string& name) {
  const std::string tag = name.substr(0, 2);
  if (tag == "TP") return Digits(name, 14, 1);
  if (tag == "CH") return Digits(name, 16, 1);
  if (tag == "ST" || tag == "VO") return Digits(name, 16, 2);
  if (tag == "BS") return Digits(name, 9, 2);
  return 1;  // PP
}

}  // namespace

std::vector<int> SustainedKeys(const std::string& name) {
  const std::string tag = name.substr(0, 2);
  if (tag == "TP" || tag == "PP" || tag == "BS") return {music::MidiOfNote(Digits(name, 2, 2))};
  if (tag == "CH") return music::ChordKeys(Digits(name, 2, 2), name.compare(7, 3, "min") == 0, Digits(name, 18, 1));
  if (tag == "ST" || tag == "VO") {
    harmony::Quality quality = harmony::Quality::kMajor;
    for (const auto q : {harmony::Quality::kMajor, harmony::Quality::kMinor, harmony::Quality::kDiminished})
      if (name.compare(7, 3, harmony::QualityCode(q)) == 0) quality = q;
    const auto keys = harmony::VoicingKeys({Digits(name, 2, 2), quality}, Digits(name, 20, 1),
                                           tag == "ST" ? render::kStringsLowestKey : render::kVoicesLowestKey);
    return {keys.begin(), keys.end()};
  }
  return {};
}

namespace {

// The sample's release: in its last eighth, the largest fall of the 10 ms level within 50 ms,
// from any level above -60 dBFS and no more than 30 dB under the loudest of that eighth.
double RingFallDb(const std::vector<double>& x, size_t eighth) {
  constexpr double kRange = 30.0, kFloorDb = -60.0;
  if (x.size() < eighth + analysis::kLevelWindow) return 0.0;
  const std::vector<double> levels = analysis::LevelsDb(x, x.size() - eighth);
  const double loudest = *std::max_element(levels.begin(), levels.end());
  return analysis::LargestFallDb(levels, std::max(kFloorDb, loudest - kRange));
}

}  // namespace

double ExpectedAttackMs(const std::string& name, bool& timed) {
  const std::string tag = name.substr(0, 2);
  timed = tag != "ST" && tag != "VO" && tag != "AA";
  if (tag != "TP") return 0.0;
  const int tempo = TempoOf(name);
  const int lead = wave::MsToEvenBytes(tempo == 60 ? wave::kPianoLeadInMs60 : wave::kPianoLeadInMs90);
  return (wave::PadBytes(30000.0 / tempo) - lead) / wave::kBytesPerMs;
}

SampleFigures MeasureSample(const std::string& name, const std::vector<int16_t>& pcm) {
  SampleFigures f;
  if (pcm.empty()) return f;
  std::vector<double> x(pcm.size());
  for (size_t i = 0; i < pcm.size(); ++i) x[i] = pcm[i] / 32768.0;
  f.dc = analysis::Mean(x);
  const size_t tail = std::min<size_t>(x.size(), 441);
  double peak = 0.0;
  for (size_t i = x.size() - tail; i < x.size(); ++i) peak = std::max(peak, std::fabs(x[i]));
  f.endDb = peak > 0.0 ? 20.0 * std::log10(peak) : -200.0;
  f.ringFallDb = RingFallDb(x, static_cast<size_t>(EighthFrames(name)));
  // The first note's attack: the half of its rise to the loudest moment within 60 ms of where
  // it should fall (the next note of a figure may be louder).
  f.expectedAttackMs = ExpectedAttackMs(name, f.timed);
  const auto searched = static_cast<size_t>((f.expectedAttackMs + 60.0) / 1000.0 * kRate);
  const size_t attack = analysis::HalfRiseFrame(x, searched);
  f.attackMs = 1000.0 * static_cast<double>(attack) / kRate;

  const std::vector<int> keys = SustainedKeys(name);
  if (keys.empty()) return f;
  // The held stretch from 100 to 400 ms after the attack; a pad's from 100 ms after its soft
  // entry for 3.4 s, as its vibrato and drifting layers need.
  const bool pad = !f.timed;
  const double from = (pad ? EighthFrames(name) : static_cast<double>(attack)) + 0.100 * kRate;
  const double heldEnd = std::min(static_cast<double>(attack) + HeldEighths(name) * EighthFrames(name),
                                  static_cast<double>(x.size()));
  const double to = std::min(from + (pad ? 3.4 : 0.300) * kRate, heldEnd);
  // A note held too briefly for a steady reading (a low note of one short eighth) is read at
  // its longer lengths, which sound the same key.
  if (to - from < 0.25 * kRate) return f;
  const std::vector<double> stretch(x.begin() + static_cast<long>(from), x.begin() + static_cast<long>(to));
  f.pitched = true;
  for (const int key : keys) {
    const double cents = analysis::KeyCents(stretch, key);
    f.keyCents.emplace_back(key, cents);
    if (std::fabs(cents) > std::fabs(f.worstCents)) f.worstCents = cents;
  }
  return f;
}

}  // namespace report
