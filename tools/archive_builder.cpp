#include "tools/archive_builder.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/music_design.h"
#include "tools/output_file.h"
#include "tools/sample_designs.h"

namespace archives {

namespace {

double RmsDb(const std::vector<int16_t>& pcm) {
  if (pcm.empty()) return -200.0;
  double sum = 0.0;
  for (const int16_t v : pcm) sum += static_cast<double>(v) * v;
  return 10.0 * std::log10(sum / static_cast<double>(pcm.size()) / (32767.0 * 32767.0) + 1e-20);
}

// Loudness of a sample for evening: the RMS of its first eighth, dB re full scale.
double AttackLoudnessDb(const Sound& sound, const SampleRequest& request) {
  const size_t n = std::min(sound.size(), static_cast<size_t>(request.eighthFrames));
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) sum += static_cast<double>(sound[i]) * sound[i];
  return 10.0 * std::log10(sum / static_cast<double>(std::max<size_t>(n, 1)) + 1e-20);
}

// Moves every sample of family towards the family's median loudness (FamilyEvenness).
void EvenOut(std::vector<Sound>& sounds, const std::vector<SampleRequest>& requests, Family family) {
  const double evenness = FamilyEvenness(family);
  if (evenness <= 0.0) return;
  std::vector<size_t> members;
  std::vector<double> loudness;
  for (size_t i = 0; i < sounds.size(); ++i) {
    if (requests[i].family != family) continue;
    members.push_back(i);
    loudness.push_back(AttackLoudnessDb(sounds[i], requests[i]));
  }
  if (members.empty()) return;
  std::vector<double> sorted = loudness;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
  const double median = sorted[sorted.size() / 2];
  for (size_t k = 0; k < members.size(); ++k) {
    const double db = std::clamp(evenness * (median - loudness[k]), -kEvenMaxDb, kEvenMaxDb);
    const auto gain = static_cast<float>(DbToGain(db));
    for (float& v : sounds[members[k]]) v *= gain;
  }
}

}  // namespace

std::string LittleEndianBytes(const std::vector<int16_t>& pcm) {
  std::string bytes(pcm.size() * 2, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) {
    const auto v = static_cast<uint16_t>(pcm[i]);
    bytes[2 * i] = static_cast<char>(v & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(v >> 8);
  }
  return bytes;
}

bool BuildArchive(CNoteSynth& synth, const SampleGroup& group, const std::string& path, ArchiveReport& report,
                  std::string& error) {
  report = ArchiveReport{};
  if (group.m_names.size() != group.m_sizes.size()) {
    error = path + ": the catalog group has names and sizes of different counts";
    return false;
  }
  // Render everything first: a family's level depends on its loudest member.
  std::vector<SampleRequest> requests(group.m_names.size());
  std::vector<Sound> sounds(group.m_names.size());
  for (size_t i = 0; i < group.m_names.size(); ++i) {
    if (!ParseSampleName(group.m_names[i], group.m_sizes[i], requests[i], error)) return false;
    sounds[i] = RenderSample(synth, requests[i]);
    RemoveMean(sounds[i]);
    if (!synth.Error().empty()) {
      error = group.m_names[i] + ": " + synth.Error();
      return false;
    }
    ++report.entries[requests[i].family];
  }
  for (const auto& [family, count] : report.entries) EvenOut(sounds, requests, family);
  for (size_t i = 0; i < sounds.size(); ++i) {
    const Family family = requests[i].family;
    report.rawPeak[family] = std::max<double>(report.rawPeak[family], Peak(sounds[i]));
  }

  COutputFile out(path);
  if (!out.Open(error)) return false;
  std::map<Family, double> rmsSum;
  for (size_t i = 0; i < sounds.size(); ++i) {
    const Family family = requests[i].family;
    const double peak = report.rawPeak[family];
    const double gain = peak > 0.0 ? DbToGain(FamilyPeakDb(family)) / peak : 1.0;
    const std::vector<int16_t> pcm = ToPcm16(sounds[i], gain);
    sounds[i] = Sound();  // done with it
    if (pcm.size() * 2 != static_cast<size_t>(group.m_sizes[i])) {
      error = group.m_names[i] + ": rendered " + std::to_string(pcm.size() * 2) + " bytes instead of " +
              std::to_string(group.m_sizes[i]);
      return false;
    }
    if (!out.Write(LittleEndianBytes(pcm).data(), pcm.size() * 2, error)) return false;
    report.bytes += static_cast<long long>(pcm.size()) * 2;
    rmsSum[family] += RmsDb(pcm);
  }
  for (const auto& [family, sum] : rmsSum) report.meanRmsDb[family] = sum / report.entries[family];
  return out.Commit(error);
}

}  // namespace archives
