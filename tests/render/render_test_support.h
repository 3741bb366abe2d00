// Helpers for the renderer tests: plan set-up on a CComposer, decoding of rendered tracks cut
// from the marker archives, and a message pump that cancels at a chosen call.
#pragma once

#include "support/fixtures.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "compose/composer.h"
#include "platform/message_pump.h"
#include "render/sample_catalog.h"

namespace rendertest {

constexpr int kEighth60 = 44100;
constexpr int kBar60 = 352800;
constexpr int kEighth90 = 29400;
constexpr int kPad60 = 44100;
constexpr int kPad90 = 29370;

// A stretch of a track: consecutive samples of one catalog entry (0 = silence, zeros) that
// follow each other as they do in the entry, starting at entry position startPos (modulo
// the marker position range).
struct Run {
  int entry;
  long long bytes;
  int startPos = 0;
  bool operator==(const Run&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Run& run);

// The runs of a track's data (from byte 44), adjacent silences merged.
std::vector<Run> DecodeRuns(const std::string& path);

// For a track whose last sound is released into its tail: bytes [from, from + bytes) of its
// data must be entry's samples from its byte entryFrom on, scaled by gain and by a fall
// that starts at 1, never rises, stands on the release curve (wave::ReleaseDb, +-10 %) halfway
// and ends at 0. fault names the
// first sample that breaks this (empty when none). Returns the runs of the data with that
// stretch read as silence, so that a Layout pins the rest of the track.
std::vector<Run> DecodeRunsReleased(const std::string& path, long long from, long long bytes,
                                    int entry, long long entryFrom, double gain, std::string& fault);

// An expected run list from {entry, bytes} pairs (0 = silence); adjacent silences merge as in
// DecodeRuns and empty runs vanish.
std::vector<Run> Layout(std::initializer_list<std::pair<int, long long>> runs);

// Index of name in group (the marker entry it was cut from), -1 when absent.
int Entry(const SampleGroup& group, const std::string& name);
int PianoEntry(const std::string& name);
int ChordEntry(const std::string& name);
int AccompEntry(const std::string& name);
int RhythmEntry(const std::string& name);

// Data size promised by the header of a track, and the data bytes actually there.
uint32_t HeaderDataSize(const std::string& path);
long long DataBytes(const std::string& path);
long long FileBytes(const std::string& path);  // -1 when missing

// Archive paths in the shared marker folder.
std::string MarkerArchive(const std::string& name);

// Number of open descriptors of this process.
using fixtures::OpenDescriptors;

// Puts a plan straight into the composer: bars as {notes, rhythm}; tempo sets the eighth;
// PianoInt "C", simple variants, velocities all "01", temporary folder tempDir ("/" added).
void SetPlan(CComposer& c, const std::vector<std::pair<std::string, std::string>>& bars, int tempo,
             const std::string& tempDir);

// A message pump that counts its calls and runs onCall(k) at call k (1-based); k = 0 never.
class CountingPump : public platform::IMessagePump {
 public:
  CountingPump(int k, std::function<void()> onCall);
  ~CountingPump() override;
  void PumpOneMessage() override;
  int Calls() const { return m_calls; }

 private:
  int m_k;
  int m_calls = 0;
  std::function<void()> m_onCall;
};

}  // namespace rendertest
