// The built archives against the catalog: sizes, entry boundaries, silence, levels, tails.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "render/sample_catalog.h"
#include "tools/analysis/audio_analysis.h"
#include "tools/built_archives.h"

namespace {

constexpr int kMinus1Dbfs = 29204;  // 32767 x 10^(-1/20)
constexpr size_t kFiveMs = 220;

TEST(BuiltArchives, EveryArchiveHoldsItsGroupBackToBackFromItsCatalogOffsets) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    SCOPED_TRACE(archive.fileName);
    std::error_code ec;
    const auto size = std::filesystem::file_size(built::ProgramFile(archive.fileName), ec);
    ASSERT_FALSE(ec) << "missing " << built::ProgramFile(archive.fileName);
    EXPECT_EQ(size, static_cast<uintmax_t>(archive.group->TotalSize()));
    // Every third entry, first and last included: strides of 3 meet every length and variant.
    for (const built::Entry* e : built::SampledArchive(archive.fileName, 3)) {
      SCOPED_TRACE(e->name);
      ASSERT_EQ(e->pcm.size() * 2, static_cast<size_t>(e->size));
      const int peak = analysis::PeakAbs(e->pcm);
      if (e->name == kSilenceName) {
        EXPECT_EQ(peak, 0);
        continue;
      }
      // The accompaniment sits 15 dB and more under the melody, the pads farther, and they
      // enter softly, over half an eighth.
      const bool pad = e->name.rfind("ST", 0) == 0 || e->name.rfind("VO", 0) == 0;
      ASSERT_GT(peak, pad ? 500 : 1500) << "an entry that hardly sounds";
      // Each sample starts from silence with its first note at its first frame: cut at
      // another offset, it would start in the middle of a sound or with a gap.
      EXPECT_LE(std::abs(e->pcm.front()), peak / 50);
      const size_t attack = pad ? built::EighthFrames(e->name) : 2205;
      EXPECT_GE(analysis::PeakAbs(e->pcm, 0, attack), peak / 4) << "hardly anything sounds at the start";
    }
  }
}

TEST(BuiltArchives, NoSampleClipsAndEverySampleEndsQuiet) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  for (const char* file : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat"}) {
    for (const built::Entry* e : built::SampledArchive(file, 2)) {
      if (e->name == kSilenceName) continue;
      SCOPED_TRACE(e->name);
      const int peak = analysis::PeakAbs(e->pcm);
      EXPECT_LE(peak, kMinus1Dbfs);
      // The last 5 ms at least 40 dB under the peak: a cut at the full length does not click.
      EXPECT_LE(analysis::PeakAbs(e->pcm, e->pcm.size() - kFiveMs), peak / 100);
    }
  }
}

// Median over every fourth sample of a family of the RMS of its first eighth (at the sample's
// tempo), in dB re full scale.
double MedianAttackRmsDb(const std::string& prefix) {
  std::vector<double> rms;
  for (const built::Entry* e : built::Sampled(prefix, 0, 4)) {
    double sum = 0.0;
    const size_t n = std::min<size_t>(e->pcm.size(), e->name.rfind("BS", 0) == 0 ? 22050 : built::EighthFrames(e->name));
    for (size_t i = 0; i < n; ++i) sum += static_cast<double>(e->pcm[i]) * e->pcm[i];
    rms.push_back(10.0 * std::log10(sum / static_cast<double>(n) / (32767.0 * 32767.0) + 1e-20));
  }
  std::sort(rms.begin(), rms.end());
  return rms.empty() ? -200.0 : rms[rms.size() / 2];
}

TEST(BuiltArchives, TheMelodyIsTheLoudestFamily) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const double melody = MedianAttackRmsDb("TP");
  int melodyPeak = 0;
  for (const built::Entry* e : built::Sampled("TP", 0, 4))
    melodyPeak = std::max(melodyPeak, analysis::PeakAbs(e->pcm));
  for (const char* family : {"CH", "PP", "TA", "TF", "DL_", "BS"}) {
    SCOPED_TRACE(family);
    EXPECT_GE(melody - MedianAttackRmsDb(family), 5.0);
    for (const built::Entry* e : built::Sampled(family, 0, 4))
      EXPECT_LT(analysis::PeakAbs(e->pcm), melodyPeak);
  }
}

}  // namespace
