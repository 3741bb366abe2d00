// The names of pitch classes and notes as the plan, the sample names and the harmony spell
// them: naturals carry "_" between letter and octave ("C_1"), sharps carry "#" ("C#1"). Pure
// values, any thread.
#pragma once

#include <string>

namespace pitch {

inline constexpr const char* kClassNames[12] = {"C_", "C#", "D_", "D#", "E_", "F_",
                                                "F#", "G_", "G#", "A_", "A#", "B_"};

// "C_" .. "B_" for pitch classes 1..12; "" for any other number.
constexpr const char* ClassName(int pitchClass) {
  return pitchClass >= 1 && pitchClass <= 12 ? kClassNames[pitchClass - 1] : "";
}

// "C_1", "C#1" .. "B_4" for note numbers 1..48 (octave = (n - 1) / 12 + 1).
inline std::string NoteName(int n) {
  if (n < 1) return "";
  return ClassName((n - 1) % 12 + 1) + std::to_string((n - 1) / 12 + 1);
}

}  // namespace pitch
