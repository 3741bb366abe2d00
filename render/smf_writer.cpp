#include "render/smf_writer.h"

#include <algorithm>
#include <map>
#include <utility>

namespace midi {

namespace {

constexpr uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kProgramChange = 0xC0, kMeta = 0xFF;
constexpr uint8_t kMetaTrackName = 0x03, kMetaEndOfTrack = 0x2F, kMetaTempo = 0x51,
                  kMetaTimeSignature = 0x58;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// A delta time as a variable-length quantity: 7 bits a byte, high bit set on all but the last.
void PutVarLength(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t bytes[5];
  int n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(bytes[--n] | 0x80));
  out.push_back(bytes[0]);
}

uint8_t Clamp7(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 127)); }

// One track chunk under construction: events with absolute ticks, written in time order.
class TrackChunk {
 public:
  void Meta(long long tick, uint8_t type, const std::string& data) {
    std::vector<uint8_t> bytes = {kMeta, type};
    PutVarLength(bytes, static_cast<uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    Add(tick, kOrderMeta, std::move(bytes));
  }
  void Channel(long long tick, int order, std::vector<uint8_t> bytes) {
    Add(tick, order, std::move(bytes));
  }
  // The chunk: "MTrk", length, the events in time order (note-offs before note-ons at one tick,
  // so a key struck again right away sounds again), then the end of the track.
  void AppendTo(std::vector<uint8_t>& out) {
    std::stable_sort(m_events.begin(), m_events.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    long long now = 0;
    for (const Event& e : m_events) {
      PutVarLength(body, static_cast<uint32_t>(e.tick - now));
      now = e.tick;
      body.insert(body.end(), e.bytes.begin(), e.bytes.end());
    }
    body.insert(body.end(), {0x00, kMeta, kMetaEndOfTrack, 0x00});
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
  }

  static constexpr int kOrderMeta = 0, kOrderProgram = 1, kOrderOff = 2, kOrderOn = 3;

 private:
  struct Event {
    long long tick;
    int order;
    std::vector<uint8_t> bytes;
  };
  void Add(long long tick, int order, std::vector<uint8_t> bytes) {
    m_events.push_back({std::max(tick, 0LL), order, std::move(bytes)});
  }
  std::vector<Event> m_events;
};

// The part's notes in time order, each cut where the next note of its key begins.
std::vector<Note> Untangled(const std::vector<Note>& notes) {
  std::vector<Note> sorted = notes;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Note& a, const Note& b) { return a.tick < b.tick; });
  std::map<int, size_t> lastOfKey;
  for (size_t i = 0; i < sorted.size(); ++i) {
    const auto last = lastOfKey.find(sorted[i].key);
    if (last != lastOfKey.end()) {
      Note& before = sorted[last->second];
      before.length = std::min(before.length, sorted[i].tick - before.tick);
    }
    lastOfKey[sorted[i].key] = i;
  }
  std::erase_if(sorted, [](const Note& n) { return n.length <= 0; });
  return sorted;
}

}  // namespace

std::vector<uint8_t> SmfBytes(int tempo, const std::vector<Part>& parts) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
  const size_t tracks = parts.size() + 1;
  out.push_back(static_cast<uint8_t>(tracks >> 8));
  out.push_back(static_cast<uint8_t>(tracks));
  out.push_back(static_cast<uint8_t>(kTicksPerQuarter >> 8));
  out.push_back(static_cast<uint8_t>(kTicksPerQuarter & 0xFF));

  TrackChunk conductor;
  conductor.Meta(0, kMetaTrackName, "Vorsk");
  const uint32_t microseconds = tempo > 0 ? static_cast<uint32_t>((60000000LL + tempo / 2) / tempo) : 1000000;
  conductor.Meta(0, kMetaTempo,
                 std::string{static_cast<char>(microseconds >> 16), static_cast<char>(microseconds >> 8),
                             static_cast<char>(microseconds)});
  // 4/4, a click every quarter, eight 32nds to the quarter.
  conductor.Meta(0, kMetaTimeSignature, std::string{4, 2, 24, 8});
  conductor.AppendTo(out);

  for (const Part& part : parts) {
    TrackChunk track;
    const uint8_t channel = static_cast<uint8_t>(part.channel & 0x0F);
    track.Meta(0, kMetaTrackName, part.name);
    if (channel != kDrumChannel) {
      track.Channel(0, TrackChunk::kOrderProgram,
                    {static_cast<uint8_t>(kProgramChange | channel), Clamp7(part.program)});
    }
    for (const Note& note : Untangled(part.notes)) {
      const uint8_t key = Clamp7(note.key);
      track.Channel(note.tick, TrackChunk::kOrderOn,
                    {static_cast<uint8_t>(kNoteOn | channel), key, Clamp7(std::max(note.velocity, 1))});
      track.Channel(note.tick + note.length, TrackChunk::kOrderOff,
                    {static_cast<uint8_t>(kNoteOff | channel), key, 0});
    }
    track.AppendTo(out);
  }
  return out;
}

}  // namespace midi
