#include "tools/sample_request.h"

#include <cctype>

#include "tools/music_design.h"

namespace archives {

namespace {

// The number written by count digits at pos, or -1.
int Digits(const std::string& s, size_t pos, size_t count) {
  if (pos + count > s.size()) return -1;
  int v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Reads the fields of one grammar; false when a field is missing or out of range.
bool ReadFields(const std::string& name, SampleRequest& r) {
  const std::string tag = name.substr(0, 2);
  if (tag == "TP") {  // "TP" nn note-name "_T" ttt "_L" L "_" mask(5) ".wav"
    r.family = Family::kMelodyNote;
    r.note = Digits(name, 2, 2);
    r.tempo = Digits(name, 9, 3);
    r.length = Digits(name, 14, 1);
    return name.size() == 25 && name.compare(7, 2, "_T") == 0 && name.compare(12, 2, "_L") == 0 &&
           InRange(r.note, 1, 48) && InRange(r.length, 1, 9);
  }
  if (tag == "CH") {  // "CH" kk "_" root(2) scale(3) "_" ttt "_L" L "_" v ".wav"
    r.family = Family::kChord;
    if (name.size() != 23) return false;
    r.pitchClass = Digits(name, 2, 2);
    r.tempo = Digits(name, 11, 3);
    r.length = Digits(name, 16, 1);
    r.variant = Digits(name, 18, 1);
    r.minor = name.compare(7, 3, "min") == 0;
    return name.compare(14, 2, "_L") == 0 && (r.minor || name.compare(7, 3, "maj") == 0) &&
           InRange(r.pitchClass, 1, 12) && InRange(r.length, 1, 9) && InRange(r.variant, 1, 9);
  }
  if (tag == "BS") {  // "BS" nn note-name "06" code "_" v ".wav"
    r.family = Family::kBassNote;
    r.note = Digits(name, 2, 2);
    r.tempo = 10 * Digits(name, 7, 2);  // "06": tempo 060 without its last digit
    r.length = Digits(name, 9, 2);
    r.variant = Digits(name, 12, 1);
    return name.size() == 17 && InRange(r.note, 1, 48) && InRange(r.length, 1, 9) && InRange(r.variant, 1, 9);
  }
  if (tag == "DL") {  // "DL_" ttt "_" nn ".wav"
    r.family = Family::kDrumLoop;
    r.tempo = Digits(name, 3, 3);
    r.loop = Digits(name, 7, 2);
    return name.size() == 13 && r.loop >= 0;
  }
  if (tag == "PP") {  // "PP" nn note-name ttt "_" v ".wav"
    r.family = Family::kLowNote;
    r.note = Digits(name, 2, 2);
    r.tempo = Digits(name, 7, 3);
    r.variant = Digits(name, 11, 1);
    return name.size() == 16 && InRange(r.note, 1, 48) && InRange(r.variant, 1, 9);
  }
  if (tag == "ST" || tag == "VO") {  // tag kk "_" root(2) quality(3) "_" ttt "_L" LL "_I" i ".wav"
    r.family = tag == "ST" ? Family::kStrings : Family::kVoices;
    if (name.size() != 25) return false;
    r.pitchClass = Digits(name, 2, 2);
    r.tempo = Digits(name, 11, 3);
    r.length = Digits(name, 16, 2);
    r.inversion = Digits(name, 20, 1);
    const std::string quality = name.substr(7, 3);
    bool known = false;
    for (const auto q : {harmony::Quality::kMajor, harmony::Quality::kMinor, harmony::Quality::kDiminished}) {
      if (quality == harmony::QualityCode(q)) {
        r.quality = q;
        known = true;
      }
    }
    return known && name.compare(14, 2, "_L") == 0 && name.compare(18, 2, "_I") == 0 &&
           InRange(r.pitchClass, 1, 12) && InRange(r.length, 1, 99) && InRange(r.inversion, 0, 2);
  }
  if (tag == "TA" || tag == "TF") {  // tag kk root(2) ttt L vv ".wav"
    r.family = tag == "TA" ? Family::kFigure : Family::kRhythmFigure;
    r.pitchClass = Digits(name, 2, 2);
    r.tempo = Digits(name, 6, 3);
    r.length = Digits(name, 9, 1);
    r.variant = Digits(name, 10, 2);
    return name.size() == 16 && InRange(r.pitchClass, 1, 12) && InRange(r.length, 1, 9) &&
           InRange(r.variant, 1, 99);
  }
  return false;
}

}  // namespace

bool ParseSampleName(const std::string& name, int bytes, SampleRequest& request, std::string& error) {
  request = SampleRequest{};
  if (bytes <= 0 || bytes % 2 != 0) {
    error = name + ": size " + std::to_string(bytes) + " is not a positive even byte count";
    return false;
  }
  request.frames = bytes / 2;
  if (name == "AA_silence.wav") return true;
  if (name.size() < 6 || !EndsWith(name, ".wav") || !ReadFields(name, request) || request.tempo <= 0) {
    error = name + ": not a sample name the builder knows";
    return false;
  }
  // One eighth at the tempo: 22 050 frames at 60.
  request.eighthFrames = kSampleRate * 30 / request.tempo;
  return true;
}

const char* FamilyTag(Family family) {
  switch (family) {
    case Family::kSilence:
      return "AA";
    case Family::kMelodyNote:
      return "TP";
    case Family::kChord:
      return "CH";
    case Family::kBassNote:
      return "BS";
    case Family::kDrumLoop:
      return "DL";
    case Family::kLowNote:
      return "PP";
    case Family::kFigure:
      return "TA";
    case Family::kRhythmFigure:
      return "TF";
    case Family::kStrings:
      return "ST";
    case Family::kVoices:
      return "VO";
  }
  return "??";
}

}  // namespace archives
