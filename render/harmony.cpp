#include "render/harmony.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "compose/pitch_names.h"
#include "render/sample_music.h"

namespace harmony {

namespace {

constexpr int kEighthsPerBar = 8;
constexpr int kBeatEighths = 4;     // the bass's strong beats: 1 and 3
constexpr int kShortestBass = 2;    // eighths
constexpr int kLongestBass = 5;
constexpr int kBassRestrike = 4;    // a longer note is struck again after this many eighths
// A pad voicing stands in the melody's way while the melody note is no more than a whole tone
// above its top voice; each such eighth of melody weighs as much as this many semitones of
// voice movement when the pads choose their inversion.
constexpr int kMaskReach = 2;
constexpr int kMaskCost = 3;

int KeyRoot(const std::string& noteCode) {
  if (noteCode.empty()) return 0;
  static const int kLetterRoots[7] = {10, 12, 1, 3, 5, 6, 8};  // A .. G
  const char letter = noteCode[0];
  if (letter < 'A' || letter > 'G') return 0;
  const int root = kLetterRoots[letter - 'A'];
  return noteCode.size() > 1 ? root + 1 : root;  // the black keys: "CD", "DE" ...
}

int PitchClassOfKey(int key) { return key % 12 + 1; }

// The first MIDI key at or above from with pitch class p.
int KeyAtOrAbove(int from, int p) {
  int key = from;
  while (PitchClassOfKey(key) != p) ++key;
  return key;
}

}  // namespace

const char* QualityCode(Quality quality) {
  switch (quality) {
    case Quality::kMajor:
      return "maj";
    case Quality::kMinor:
      return "min";
    case Quality::kDiminished:
      return "dim";
  }
  return "";
}

int Transpose(int p, int semitones) { return ((p - 1 + semitones) % 12 + 12) % 12 + 1; }

std::array<int, 3> Triad::PitchClasses() const {
  const int third = quality == Quality::kMajor ? 4 : 3;
  const int fifth = quality == Quality::kDiminished ? 6 : 7;
  return {root, Transpose(root, third), Transpose(root, fifth)};
}

bool Triad::Contains(int pitchClass) const {
  const auto pcs = PitchClasses();
  return std::find(pcs.begin(), pcs.end(), pitchClass) != pcs.end();
}

Key KeyOf(const std::string& noteCode, const std::string& scaleCode) {
  return {KeyRoot(noteCode), scaleCode.find("Maj") != std::string::npos};
}

bool IsChordDegree(int p, const Key& key) {
  if (p < 1 || p > 12) return false;
  if (p == key.root) return true;
  return key.major ? (p == Transpose(key.root, 5) || p == Transpose(key.root, 7)) : p == Transpose(key.root, 2);
}

Triad ChordTriad(int p, const Key& key) {
  if (key.major) return {p, Quality::kMajor};
  return {p, p == key.root ? Quality::kMinor : Quality::kDiminished};
}

std::vector<Triad> MelodyTriads(const Key& key) {
  const int r = key.root == 0 ? 1 : key.root;
  if (key.major) {
    return {{r, Quality::kMajor},
            {Transpose(r, 5), Quality::kMajor},
            {Transpose(r, 7), Quality::kMajor},
            {Transpose(r, 9), Quality::kMinor}};
  }
  return {{r, Quality::kMinor},
          {Transpose(r, 5), Quality::kMinor},
          {Transpose(r, 7), Quality::kMinor},
          {Transpose(r, 8), Quality::kMajor},
          {Transpose(r, 10), Quality::kMajor}};
}

std::string ChordSampleName(int p, const std::string& scaleCode, int tempo, int len, int variant) {
  const std::string scale = scaleCode.size() > 3 ? scaleCode.substr(scaleCode.size() - 3) : scaleCode;
  return render::Format("CH%.2d_%s%s_%.3d_L%d_%d.wav", p, pitch::ClassName(p), scale.c_str(), tempo, len, variant);
}

CChordPlacer::CChordPlacer(const Key& key, Lookup exists) : m_key(key), m_exists(std::move(exists)) {
  for (auto& row : m_counters) row.fill(1);
}

int CChordPlacer::Next(int p, int len) {
  if (p < 1 || p > 12 || len < 1 || len > kLengths) return 0;
  int& counter = m_counters[p][len];
  const int variant = counter;
  if (!IsChordDegree(p, m_key) || len < kShortestChord || !m_exists(p, len, variant)) return 0;
  if (++counter == kVariants + 1) counter = 1;
  return variant;
}

std::vector<Span> AnalysePlan(const std::vector<render::PlanBar>& bars, const Key& key, CChordPlacer* chords) {
  const std::vector<Triad> candidates = MelodyTriads(key);
  std::vector<Span> spans;
  auto add = [&spans](int start, int length, const Triad& triad) {
    if (length <= 0) return;
    if (!spans.empty() && spans.back().triad == triad) {
      spans.back().length += length;
    } else {
      spans.push_back({start, length, triad});
    }
  };
  for (size_t b = 0; b < bars.size(); ++b) {
    const render::PlanBar& plan = bars[b];
    const int barStart = static_cast<int>(b) * kEighthsPerBar;
    std::vector<int> covered(candidates.size(), 0);
    struct Event {
      int at, len, p;
      bool chord;
    };
    std::vector<Event> events;
    std::vector<std::pair<int, Triad>> placed;  // eighth in the bar, triad
    int at = 0;
    for (size_t i = 0; i < plan.Events(); ++i) {
      const int p = render::PitchClass(render::ParseNumber(plan.notes, 2 * i, 2));
      const int len = plan.lengths[i] - '0';
      const int heard = std::max(0, std::min(len, kEighthsPerBar - at));
      for (size_t t = 0; t < candidates.size(); ++t) {
        if (candidates[t].Contains(p)) covered[t] += heard;
      }
      const bool chord = chords != nullptr && chords->Next(p, len) != 0 && at < kEighthsPerBar;
      if (chord) placed.emplace_back(at, ChordTriad(p, key));
      if (at < kEighthsPerBar) events.push_back({at, len, p, chord});
      at += std::max(0, len);
    }
    const size_t best = static_cast<size_t>(std::max_element(covered.begin(), covered.end()) - covered.begin());
    const Triad melody = candidates[best];
    // The triad of each eighth: a chord rules until the next one, the bar's melody triad where
    // the bar has none.
    std::array<Triad, kEighthsPerBar> eighths;
    eighths.fill(placed.empty() || spans.empty() ? melody : spans.back().triad);
    for (size_t k = 0; k < placed.size(); ++k) {
      const int end = k + 1 < placed.size() ? placed[k + 1].first : kEighthsPerBar;
      for (int e = placed[k].first; e < end; ++e) eighths[static_cast<size_t>(e)] = placed[k].second;
    }
    // Away from a chord being held, a melody note of two eighths or more that the triad lacks
    // (the low note track doubles it) moves the harmony to the nearest triad that holds it,
    // until the harmony changes again.
    for (const Event& e : events) {
      const Triad now = eighths[static_cast<size_t>(e.at)];
      if (e.chord || e.len < 2 || now.Contains(e.p)) continue;
      const Triad* nearest = nullptr;
      int shared = -1;
      for (const Triad& t : candidates) {
        if (!t.Contains(e.p)) continue;
        int common = 0;
        for (const int pc : t.PitchClasses()) common += now.Contains(pc) ? 1 : 0;
        if (common > shared) {
          shared = common;
          nearest = &t;
        }
      }
      if (nearest == nullptr) continue;
      const auto nextChord = std::find_if(placed.begin(), placed.end(), [&e](const auto& c) { return c.first > e.at; });
      const int until = nextChord == placed.end() ? kEighthsPerBar : nextChord->first;
      for (int k = e.at; k < until && eighths[static_cast<size_t>(k)] == now; ++k)
        eighths[static_cast<size_t>(k)] = *nearest;
    }
    for (int k = 0; k < kEighthsPerBar; ++k) add(barStart + k, 1, eighths[static_cast<size_t>(k)]);
  }
  return spans;
}

Triad BarHarmony(const std::vector<Span>& spans, int bar) {
  const int from = bar * kEighthsPerBar, to = from + kEighthsPerBar;
  Triad best;
  int longest = 0;
  for (const Span& span : spans) {
    const int heard = std::min(to, span.start + span.length) - std::max(from, span.start);
    if (heard > longest) {
      longest = heard;
      best = span.triad;
    }
  }
  return best;
}

std::vector<Span> SplitSpans(const std::vector<Span>& spans, int maxLength) {
  std::vector<Span> out;
  for (Span span : spans) {
    while (span.length > maxLength) {
      out.push_back({span.start, maxLength, span.triad});
      span.start += maxLength;
      span.length -= maxLength;
    }
    out.push_back(span);
  }
  return out;
}

std::array<int, 3> VoicingKeys(const Triad& triad, int inversion, int lowestKey) {
  const auto pcs = triad.PitchClasses();
  std::array<int, 3> keys{};
  int from = lowestKey;
  for (int i = 0; i < 3; ++i) {
    keys[i] = KeyAtOrAbove(from, pcs[(inversion + i) % 3]);
    from = keys[i] + 1;
  }
  return keys;
}

std::vector<MelodyNote> MelodyNotes(const std::vector<render::PlanBar>& bars) {
  std::vector<MelodyNote> notes;
  for (size_t b = 0; b < bars.size(); ++b) {
    int at = static_cast<int>(b) * kEighthsPerBar;
    for (size_t i = 0; i < bars[b].Events(); ++i) {
      const int n = render::ParseNumber(bars[b].notes, 2 * i, 2);
      const int len = std::max(0, bars[b].lengths[i] - '0');
      if (n > 0 && len > 0) notes.push_back({at, len, music::MidiOfNote(n)});
      at += len;
    }
  }
  return notes;
}

namespace {

// Eighths of melody that a voicing of span stands in the way of. The melody is in start order
// and a note lasts at most one length digit (9 eighths): only the notes from there can overlap.
int MaskedEighths(const Span& span, const std::array<int, 3>& keys, const std::vector<MelodyNote>& melody) {
  constexpr int kLongestNote = 9;
  const int end = span.start + span.length;
  auto note = std::partition_point(melody.begin(), melody.end(),
                                   [&span](const MelodyNote& n) { return n.start + kLongestNote <= span.start; });
  int masked = 0;
  for (; note != melody.end() && note->start < end; ++note) {
    const int overlap = std::min(note->start + note->length, end) - std::max(note->start, span.start);
    if (overlap > 0 && note->key <= keys[2] + kMaskReach) masked += overlap;
  }
  return masked;
}

}  // namespace

std::vector<int> LeadVoices(const std::vector<Span>& spans, int lowestKey, const std::vector<MelodyNote>& melody) {
  std::vector<int> inversions;
  std::array<int, 3> previous{};
  for (size_t i = 0; i < spans.size(); ++i) {
    int chosen = 0;
    int least = -1;
    for (int inversion = 0; inversion < 3; ++inversion) {
      const auto keys = VoicingKeys(spans[i].triad, inversion, lowestKey);
      int cost = kMaskCost * MaskedEighths(spans[i], keys, melody);
      for (int v = 0; i > 0 && v < 3; ++v) cost += std::abs(keys[v] - previous[v]);
      if (least < 0 || cost < least) {
        least = cost;
        chosen = inversion;
      }
    }
    inversions.push_back(chosen);
    previous = VoicingKeys(spans[i].triad, chosen, lowestKey);
  }
  return inversions;
}

std::vector<PadChord> PadLine(const std::vector<Span>& spans, int maxLength, int lowestKey,
                              const std::vector<MelodyNote>& melody) {
  const std::vector<Span> pads = SplitSpans(spans, maxLength);
  const std::vector<int> inversions = LeadVoices(pads, lowestKey, melody);
  std::vector<PadChord> line;
  for (size_t i = 0; i < pads.size(); ++i) line.push_back({pads[i], inversions[i]});
  return line;
}

std::vector<BassNote> BassLine(const std::vector<Span>& spans) {
  struct Strike {
    int start;
    int root;
    bool change;
  };
  std::vector<Strike> strikes;
  int end = 0;
  for (const Span& span : spans) {
    end = span.start + span.length;
    const Strike change{span.start, span.triad.root, true};
    if (!strikes.empty() && change.start - strikes.back().start < kShortestBass) strikes.pop_back();
    strikes.push_back(change);
    const int firstBeat = (span.start / kBeatEighths + 1) * kBeatEighths;
    for (int beat = firstBeat; beat < end; beat += kBeatEighths) {
      if (beat - strikes.back().start >= kShortestBass) strikes.push_back({beat, span.triad.root, false});
    }
  }
  // A last strike of a single eighth lets the one before it ring to the end.
  if (strikes.size() > 1 && end - strikes.back().start < kShortestBass) strikes.pop_back();

  std::vector<BassNote> notes;
  for (size_t i = 0; i < strikes.size(); ++i) {
    int start = strikes[i].start;
    int length = (i + 1 < strikes.size() ? strikes[i + 1].start : end) - start;
    while (length > kLongestBass) {
      notes.push_back({start, kBassRestrike, strikes[i].root});
      start += kBassRestrike;
      length -= kBassRestrike;
    }
    if (length > 0) notes.push_back({start, length, strikes[i].root});
  }
  return notes;
}

}  // namespace harmony
