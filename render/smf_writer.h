// A Standard MIDI File writer: type 1, kTicksPerQuarter ticks per quarter note, a conductor
// track with the tempo and a 4/4 time signature, then one track per part, each on its own
// channel with its name and program.
//
// Notes are given with absolute times in ticks. Two notes of one key that overlap in a part are
// cut where the second begins, so every note-off ends the note it belongs to. Plain data; no
// state, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace midi {

inline constexpr int kTicksPerQuarter = 480;
inline constexpr int kTicksPerEighth = kTicksPerQuarter / 2;
inline constexpr int kDrumChannel = 9;  // channel 10 as players count: General MIDI drums

struct Note {
  long long tick;    // start
  long long length;  // ticks; a note that ends up 0 ticks long is left out
  int key;           // 0..127
  int velocity;      // 1..127
};

struct Part {
  std::string name;
  int channel = 0;  // 0..15
  int program = 0;  // General MIDI program 0..127; not sent on the drum channel
  std::vector<Note> notes;
};

// The bytes of the file for a piece at tempo quarter notes per minute.
std::vector<uint8_t> SmfBytes(int tempo, const std::vector<Part>& parts);

}  // namespace midi
