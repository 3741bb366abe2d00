// vorsk-cli plan --midi, read back by an independent parser (python3-mido) and checked against
// the plan printed by the same run: tracks, tempo, and where each part's notes fall.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "test_paths.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";

// Prints the file as mido reads it: the tracks, the tempo and every note with its absolute
// start, length, key and velocity.
constexpr const char* kDumpScript = R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
print("FILE", f.type, f.ticks_per_beat)
for t in f.tracks:
    print("TRACK", t.name)
    now, held = 0, {}
    for m in t:
        now += m.time
        if m.type == "set_tempo":
            print("TEMPO", m.tempo)
        elif m.type == "note_on" and m.velocity > 0:
            held[(m.channel, m.note)] = (now, m.velocity)
        elif m.type in ("note_on", "note_off"):
            start, velocity = held.pop((m.channel, m.note))
            print("NOTE", m.channel, start, now - start, m.note, velocity)
    if held:
        print("UNENDED", len(held))
)";

struct MidiNote {
  int channel;
  long tick, length;
  int key, velocity;
};

struct MidiDump {
  int type = -1, division = 0;
  long tempo = 0;
  std::vector<std::string> tracks;  // names, conductor first
  std::map<std::string, std::vector<MidiNote>> notes;  // by track name, in start order
  int unended = 0;
};

std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

MidiDump ParseDump(const std::string& text) {
  MidiDump dump;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    if (word == "FILE") {
      in >> dump.type >> dump.division;
    } else if (word == "TEMPO") {
      in >> dump.tempo;
    } else if (word == "TRACK") {
      std::string name;
      std::getline(in, name);
      dump.tracks.push_back(name.empty() ? name : name.substr(1));
    } else if (word == "NOTE") {
      MidiNote n{};
      in >> n.channel >> n.tick >> n.length >> n.key >> n.velocity;
      dump.notes[dump.tracks.back()].push_back(n);
    } else if (word == "UNENDED") {
      in >> dump.unended;
    }
  }
  for (auto& [name, notes] : dump.notes) {
    std::stable_sort(notes.begin(), notes.end(), [](const MidiNote& a, const MidiNote& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.key < b.key;
    });
  }
  return dump;
}

struct PlanNote {
  int note, length;
  long eighth;  // start, in eighths from the first bar
  bool lastOfBar;
};

std::vector<PlanNote> ParsePlan(const std::string& out, int& bars) {
  std::vector<PlanNote> plan;
  std::istringstream in(out);
  std::string line;
  long at = 0;
  bars = 0;
  while (std::getline(in, line) && line.rfind("CHOICES", 0) != 0) {
    const size_t blank = line.find(' ');
    const std::string rhythm = line.substr(blank + 1);
    for (size_t i = 0; i < rhythm.size(); ++i) {
      const int len = rhythm[i] - '0';
      plan.push_back({std::stoi(line.substr(2 * i, 2)), len, at, i + 1 == rhythm.size()});
      at += len;
    }
    ++bars;
  }
  return plan;
}

std::vector<int> Velocities(const std::string& out) {
  const size_t at = out.find("VELOCITIES ");
  std::vector<int> levels;
  for (size_t i = at + 11; i + 1 < out.size() && out[i] != '\n'; i += 2) {
    levels.push_back(std::stoi(out.substr(i, 2)));
  }
  return levels;
}

struct MidiCase {
  const char* label;
  std::vector<std::string> args;
  long tempo;  // microseconds per quarter
  std::vector<std::string> tracks;
  bool bScaled;  // piano intensity on
};

void PrintTo(const MidiCase& c, std::ostream* out) { *out << c.label; }

class MidiExport : public ::testing::TestWithParam<MidiCase> {};

constexpr long kEighth = 240;  // ticks at 480 per quarter
constexpr long kBar = 8 * kEighth;
constexpr long kPad = 240;  // one eighth of silence before every track

// The notes of a part that sound at tick, by key.
std::vector<int> SoundingAt(const std::vector<MidiNote>& part, long tick) {
  std::vector<int> keys;
  for (const MidiNote& n : part) {
    if (n.tick <= tick && tick < n.tick + n.length) keys.push_back(n.key);
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

// Bass, strings and voices in C major over the chord track (pitch classes 0 = C): each part
// fills the piece from one pad after the start without a gap, on the eighth grid; the pads
// are close major or minor triads on I, IV, V or vi from their lowest key up, the same in both
// families; a bass note is the root of the pad chord it is struck under, held 2 to 5 eighths;
// under every chord the pads sound that chord's triad.
void CheckSustainedParts(const MidiDump& dump, const std::map<long, int>& chordRoots, int bars) {
  const std::vector<int> kRoots = {0, 5, 7, 9};
  struct PartRule {
    const char* name;
    int lowestKey, highestKey;
    long longest;  // eighths
  };
  const PartRule rules[] = {{"Bass", 36, 47, 5}, {"Strings", 52, 52 + 23, 16}, {"Voices", 45, 45 + 23, 16}};
  for (const PartRule& rule : rules) {
    if (!dump.notes.count(rule.name)) continue;
    SCOPED_TRACE(rule.name);
    long end = kPad;  // where the part's last onset so far stops sounding
    for (const MidiNote& n : dump.notes.at(rule.name)) {
      if (n.tick != end - n.length) {  // not a further key of the onset before
        EXPECT_EQ(n.tick, end) << "gap or overlap";
        end = n.tick + n.length;
      }
      EXPECT_EQ(n.tick % kEighth, 0);
      EXPECT_EQ(n.length % kEighth, 0);
      EXPECT_LE(n.length, rule.longest * kEighth);
      if (rule.longest == 5) {
        EXPECT_GE(n.length, 2 * kEighth);
      }
      EXPECT_TRUE(n.key >= rule.lowestKey && n.key <= rule.highestKey) << n.key;
    }
    EXPECT_EQ(end, kPad + bars * kBar);
  }
  if (!dump.notes.count("Strings")) return;
  std::map<long, std::vector<int>> strings, voices;
  for (const MidiNote& n : dump.notes.at("Strings")) strings[n.tick].push_back(n.key);
  for (const MidiNote& n : dump.notes.at("Voices")) voices[n.tick].push_back(n.key % 12);
  ASSERT_EQ(strings.size(), voices.size());
  std::map<long, int> padRoots;  // onset -> root
  for (const auto& [tick, keys] : strings) {
    ASSERT_EQ(keys.size(), 3u) << tick;
    EXPECT_LT(keys[2] - keys[0], 12) << "not close at " << tick;
    int root = -1;
    for (const int k : keys) {
      const int r = k % 12;
      const std::vector<int> major = {r, (r + 4) % 12, (r + 7) % 12}, minor = {r, (r + 3) % 12, (r + 7) % 12};
      for (const auto& triad : {major, minor}) {
        if (std::all_of(keys.begin(), keys.end(),
                        [&](int key) { return std::count(triad.begin(), triad.end(), key % 12) == 1; }))
          root = r;
      }
    }
    EXPECT_NE(std::count(kRoots.begin(), kRoots.end(), root), 0) << "no triad on I, IV, V, vi at " << tick;
    padRoots[tick] = root;
    std::vector<int> classes = voices.count(tick) ? voices.at(tick) : std::vector<int>();
    std::vector<int> stringClasses;
    for (const int k : keys) stringClasses.push_back(k % 12);
    std::sort(classes.begin(), classes.end());
    std::sort(stringClasses.begin(), stringClasses.end());
    EXPECT_EQ(classes, stringClasses) << "voices and strings differ at " << tick;
  }
  const auto rootAt = [&padRoots](long tick) { return std::prev(padRoots.upper_bound(tick))->second; };
  for (const MidiNote& n : dump.notes.at("Bass")) EXPECT_EQ(n.key % 12, rootAt(n.tick)) << "bass at " << n.tick;
  for (const auto& [tick, root] : chordRoots) {
    std::vector<int> sounding;
    for (const int k : SoundingAt(dump.notes.at("Strings"), tick)) sounding.push_back(k % 12);
    std::vector<int> triad = {root, (root + 4) % 12, (root + 7) % 12};
    std::sort(sounding.begin(), sounding.end());
    std::sort(triad.begin(), triad.end());
    EXPECT_EQ(sounding, triad) << "pads under the chord at " << tick;
  }
}

TEST_P(MidiExport, PartsFallWhereTheTracksPlaceTheirSamples) {
  if (::access(kPython, X_OK) != 0) GTEST_SKIP() << kPython << " is missing";
  int status = -1;
  RunCommand(std::string(kPython) + " -c 'import mido' 2>/dev/null", status);
  if (status != 0) GTEST_SKIP() << "python3-mido is not installed (scripts/test.sh installs it)";

  const MidiCase& c = GetParam();
  const fixtures::ScratchDir dir;
  const std::string midi = dir.File("piece.mid");
  std::string command = "TMPDIR=" + dir.Path() + " " VORSK_PROGRAM_DIR "/vorsk-cli plan --midi " + midi;
  for (const std::string& arg : c.args) command += " '" + arg + "'";
  const std::string planOut = RunCommand(command + " 2>&1", status);
  ASSERT_EQ(status, 0) << planOut;
  const std::string script = dir.File("dump.py");
  fixtures::WriteAll(script, std::vector<unsigned char>(kDumpScript, kDumpScript + std::string(kDumpScript).size()));
  const std::string dumpOut = RunCommand(std::string(kPython) + " " + script + " " + midi + " 2>&1", status);
  ASSERT_EQ(status, 0) << dumpOut;
  const MidiDump dump = ParseDump(dumpOut);

  EXPECT_EQ(dump.type, 1);
  EXPECT_EQ(dump.division, 480);
  EXPECT_EQ(dump.tempo, c.tempo);
  EXPECT_EQ(dump.unended, 0);
  std::vector<std::string> expectedTracks = {"Vorsk"};
  expectedTracks.insert(expectedTracks.end(), c.tracks.begin(), c.tracks.end());
  EXPECT_EQ(dump.tracks, expectedTracks);

  int bars = 0;
  const std::vector<PlanNote> plan = ParsePlan(planOut, bars);
  const std::vector<int> levels = Velocities(planOut);

  // Melody: every plan note on the same grid as the other tracks (the piano samples carry the
  // piano track's earlier start before their attack), ringing one eighth into the next note
  // (the last note of the piece only its own length), cut where the same key is struck again.
  const auto& melody = dump.notes.at("Melody");
  ASSERT_EQ(melody.size(), plan.size());
  for (size_t i = 0; i < plan.size(); ++i) {
    const PlanNote& p = plan[i];
    const long start = kPad + p.eighth * kEighth;
    long end = start + (i + 1 == plan.size() ? p.length : p.length + 1) * kEighth;
    if (i + 1 < plan.size() && plan[i + 1].note == p.note) end = std::min(end, start + p.length * kEighth);
    const int gainVelocity = levels[i] >= 2 ? static_cast<int>(std::lround(100 * std::sqrt(1 - 0.08 * (levels[i] - 1)))) : 100;
    EXPECT_EQ(melody[i].channel, 0);
    EXPECT_EQ(melody[i].tick, start) << "note " << i;
    EXPECT_EQ(melody[i].length, end - start) << "note " << i;
    EXPECT_EQ(melody[i].key, 35 + p.note) << "note " << i;
    EXPECT_EQ(melody[i].velocity, c.bScaled ? gainVelocity : 100) << "note " << i;
  }
  const auto has = [&dump](const char* part) { return dump.notes.count(part) != 0; };
  if (!has("Chords")) return;

  // Chords (key C major: C, F and G take one): under every such note of three to seven eighths,
  // one pad after the piece starts, its notes the triad of the melody note's pitch class.
  std::map<long, std::vector<int>> chords;
  for (const MidiNote& n : dump.notes.at("Chords")) chords[n.tick].push_back(n.key % 12);
  std::vector<long> expectedChords;
  std::map<long, int> chordRoots;  // chord onset -> the melody note's pitch class
  for (const PlanNote& p : plan) {
    const int pc = (p.note - 1) % 12;  // 0 = C
    if (p.length >= 3 && p.length <= 7 && (pc == 0 || pc == 5 || pc == 7)) {
      const long start = kPad + p.eighth * kEighth;
      expectedChords.push_back(start);
      chordRoots[start] = pc;
      if (!chords.count(start)) continue;
      for (const int k : chords[start]) {
        EXPECT_TRUE(k == pc || k == (pc + 4) % 12 || k == (pc + 7) % 12) << "chord at " << start;
      }
    }
  }
  std::vector<long> chordStarts;
  for (const auto& [tick, keys] : chords) chordStarts.push_back(tick);
  EXPECT_EQ(chordStarts, expectedChords);

  // Low notes: the melody note's pitch class in the two lowest octaves, sounding over the last
  // two eighths of every note of two eighths or more, two pads after the start; nothing for a
  // note of two eighths that ends its bar.
  std::vector<std::pair<long, int>> expectedLow;
  for (const PlanNote& p : plan) {
    if (p.length < 2 || (p.length == 2 && p.lastOfBar)) continue;
    expectedLow.push_back({2 * kPad + (p.eighth + p.length - 2) * kEighth, (p.note + 35) % 12});
  }
  std::vector<std::pair<long, int>> low;
  for (const MidiNote& n : dump.notes.at("Low notes")) {
    low.push_back({n.tick, n.key % 12});
    EXPECT_TRUE(n.key >= 36 && n.key <= 59) << n.key;
    EXPECT_EQ(n.length, 2 * kEighth);
  }
  EXPECT_EQ(low, expectedLow);

  CheckSustainedParts(dump, chordRoots, bars);
  if (!has("Drums")) return;

  // Drums on channel 10: each 8-bar section opens with a crash one pad after the start.
  std::vector<long> crashes;
  for (const MidiNote& n : dump.notes.at("Drums")) {
    EXPECT_EQ(n.channel, 9);
    EXPECT_LT(n.tick, kPad + bars * kBar);
    if (n.key == 49) crashes.push_back(n.tick);
  }
  std::vector<long> sections;
  for (int s = 0; s < bars / 8; ++s) sections.push_back(kPad + s * 8 * kBar);
  EXPECT_EQ(crashes, sections);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MidiExport,
    ::testing::Values(
        MidiCase{"CMajorFullWithDrums",
                 {"--session-id", "4242", "--length", "2", "--hand", "F", "--rhythm", "D"},
                 1000000, {"Melody", "Chords", "Low notes", "Drums"}, false},
        MidiCase{"Tempo90IntensityOn",
                 {"--session-id", "77", "--tempo", "90", "--length", "1", "--hand", "F",
                  "--rhythm", "BD", "--pianoint", "P", "--pci", "Com"},
                 666667, {"Melody", "Chords", "Low notes", "Drums", "Bass"}, true},
        MidiCase{"BassStringsVoicesOverChords",
                 {"--session-id", "4242", "--length", "2", "--hand", "F", "--rhythm", "B", "--harmony", "SV"},
                 1000000, {"Melody", "Chords", "Low notes", "Bass", "Strings", "Voices"}, false},
        MidiCase{"RightHandOnlyMelody",
                 {"--session-id", "9", "--note", "DE", "--scale", "Min", "--hand", "R", "--rhythm", ""},
                 1000000, {"Melody"}, false}),
    [](const ::testing::TestParamInfo<MidiCase>& info) { return std::string(info.param.label); });

}  // namespace
