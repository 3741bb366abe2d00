#include "render_test_support.h"

#include <cmath>
#include <cstdio>

#include <dirent.h>

#include <ostream>

#include "render/wave_format.h"
#include "support/fixtures.h"

namespace rendertest {

std::ostream& operator<<(std::ostream& os, const Run& run) {
  return os << "{entry " << run.entry << ", " << run.bytes << " bytes, from " << run.startPos
            << "}";
}

std::vector<Run> DecodeRuns(const std::string& path) {
  const std::vector<uint16_t> samples = fixtures::ReadSamples(path);
  std::vector<Run> runs;
  int lastPos = 0;
  for (const uint16_t v : samples) {
    const int entry = v == 0 ? 0 : fixtures::MarkerEntry(v);
    const int pos = fixtures::MarkerPosition(v);
    const bool continues = !runs.empty() && runs.back().entry == entry &&
                           (entry == 0 || pos == ((lastPos + 1) & fixtures::kMarkerPositionMask));
    if (continues) {
      runs.back().bytes += 2;
    } else {
      runs.push_back({entry, 2, entry == 0 ? 0 : pos});
    }
    lastPos = pos;
  }
  return runs;
}

std::vector<Run> DecodeRunsReleased(const std::string& path, long long from, long long bytes,
                                    int entry, long long entryFrom, double gain, std::string& fault) {
  fault.clear();
  std::vector<uint16_t> samples = fixtures::ReadSamples(path);
  const size_t first = static_cast<size_t>(from / 2), count = static_cast<size_t>(bytes / 2);
  if (first == 0 || first + count > samples.size()) {
    fault = "the release lies outside the track";
    return {};
  }
  const auto startPos = static_cast<int>(entryFrom / 2);
  double lastRatio = gain;
  for (size_t k = 0; k < count && fault.empty(); ++k) {
    const double marker = static_cast<int16_t>(fixtures::MarkerSample(entry, startPos + static_cast<int>(k)));
    const double got = static_cast<int16_t>(samples[first + k]);
    const double ratio = got / marker;
    const double slack = 2.0 / std::abs(marker);  // truncation of the scaled sample
    const double halfway = gain * std::pow(10.0, wave::ReleaseDb(0.5) / 20.0);
    if (k == 0 && std::abs(ratio - gain) > slack) fault = "does not start at the note's level";
    if (ratio > lastRatio + slack || ratio < -slack) fault = "rises or changes sign";
    if (k == count / 2 && (ratio > 1.1 * halfway + slack || ratio < 0.9 * halfway - slack))
      fault = "is not on the release curve halfway";
    if (k + 1 == count && std::abs(got) > 1.0) fault = "does not end at 0";
    if (!fault.empty()) fault = "release sample " + std::to_string(k) + " " + fault;
    lastRatio = ratio;
    samples[first + k] = 0;
  }
  const std::string copy = path + ".decoded";
  std::vector<unsigned char> raw(44, 0);
  for (const uint16_t v : samples) {
    raw.push_back(static_cast<unsigned char>(v & 0xFF));
    raw.push_back(static_cast<unsigned char>(v >> 8));
  }
  fixtures::WriteAll(copy, raw);
  std::vector<Run> runs = DecodeRuns(copy);
  std::remove(copy.c_str());
  return runs;
}

std::vector<Run> Layout(std::initializer_list<std::pair<int, long long>> runs) {
  std::vector<Run> layout;
  for (const auto& [entry, bytes] : runs) {
    if (bytes <= 0) continue;
    if (entry == 0 && !layout.empty() && layout.back().entry == 0) {
      layout.back().bytes += bytes;
    } else {
      layout.push_back({entry, bytes, 0});
    }
  }
  return layout;
}

int Entry(const SampleGroup& group, const std::string& name) {
  for (size_t i = 0; i < group.m_names.size(); ++i)
    if (group.m_names[i] == name) return static_cast<int>(i);
  return -1;
}

namespace {
const CSampleCatalog& Catalog() {
  static const CSampleCatalog catalog;
  return catalog;
}
}  // namespace

int PianoEntry(const std::string& name) { return Entry(Catalog().m_pianoGroup, name); }
int ChordEntry(const std::string& name) { return Entry(Catalog().m_chordGroup, name); }
int AccompEntry(const std::string& name) { return Entry(Catalog().m_accompGroup, name); }
int RhythmEntry(const std::string& name) { return Entry(Catalog().m_rhythmGroup, name); }

uint32_t HeaderDataSize(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  if (bytes.size() < 44) return 0;
  return bytes[40] | (bytes[41] << 8) | (bytes[42] << 16) |
         (static_cast<uint32_t>(bytes[43]) << 24);
}

long long FileBytes(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  const long long size = std::ftell(f);
  std::fclose(f);
  return size;
}

long long DataBytes(const std::string& path) { return FileBytes(path) - 44; }

std::string MarkerArchive(const std::string& name) {
  return fixtures::SharedMarkerArchives() + "/" + name;
}


void SetPlan(CComposer& c, const std::vector<std::pair<std::string, std::string>>& bars, int tempo,
             const std::string& tempDir) {
  c.m_barNotes.clear();
  c.m_barRhythms.clear();
  size_t notes = 0;
  for (const auto& [barNotes, rhythm] : bars) {
    c.m_barNotes.push_back(barNotes);
    c.m_barRhythms.push_back(rhythm);
    notes += rhythm.size();
  }
  c.m_nBars = static_cast<int>(bars.size());
  c.m_nPlanCursor = 0;
  c.m_nTempo = tempo;
  c.m_dEighthMs = 30000 / tempo;
  c.m_strPianoInt.assign(1, 'C');  // (assigning the literal trips a g++ 12 -Wrestrict false alarm)
  c.m_bComplex = 0;
  c.m_strVelocities.clear();
  for (size_t i = 0; i < notes; ++i) c.m_strVelocities += "01";
  c.m_strTempDir = tempDir;
  c.m_strTempDir.push_back('/');
  c.m_bAbort = 0;
}

CountingPump::CountingPump(int k, std::function<void()> onCall)
    : m_k(k), m_onCall(std::move(onCall)) {
  platform::SetMessagePump(this);
}

CountingPump::~CountingPump() { platform::SetMessagePump(nullptr); }

void CountingPump::PumpOneMessage() {
  if (++m_calls == m_k && m_onCall) m_onCall();
}

}  // namespace rendertest
