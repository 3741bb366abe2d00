// The master chain on small made-up stems: the limiter's ceiling, refused jobs, and cancelling
// at every step of the progress.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "master/master.h"
#include "master/peak_limiter.h"
#include "master_audio.h"
#include "platform/file_io.h"
#include "support/fixtures.h"

namespace {

std::vector<float> Tone(double seconds, double hz, double amplitude, double burstHz = 0.0) {
  std::vector<float> s(static_cast<size_t>(seconds * 44100));
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double gate = burstHz > 0.0 ? (std::sin(2 * M_PI * burstHz * t) > 0.0 ? 1.0 : 0.0) : 1.0;
    s[i] = static_cast<float>(amplitude * gate * std::sin(2 * M_PI * hz * t));
  }
  return s;
}

// Stems of a short piece: a melody, a bass and a chord line.
std::vector<std::pair<std::string, std::string>> WriteStems(const fixtures::ScratchDir& dir, double seconds) {
  const std::vector<std::pair<std::string, std::vector<float>>> tracks = {
      {"Melody", Tone(seconds, 660.0, 0.5, 2.0)}, {"Bass", Tone(seconds, 55.0, 0.6)},
      {"Chords", Tone(seconds, 330.0, 0.3, 0.5)}};
  std::vector<std::pair<std::string, std::string>> stems;
  for (const auto& [name, samples] : tracks) {
    const std::string path = dir.File("s_Stem_" + name + ".wav");
    mastertest::WriteStem(path, samples);
    stems.emplace_back(name, path);
  }
  return stems;
}

TEST(PeakLimiter, KeepsTheTruePeakUnderTheCeilingAndTheFramesInLine) {
  struct Case {
    const char* what;
    double hz, amplitude, gain;
  };
  // Sines near a quarter of the rate peak between samples; the gains push them 6 to 12 dB over.
  const Case cases[] = {{"low tone", 100.0, 0.9, 2.0}, {"tone between samples", 11025.0 * 0.99, 0.9, 4.0},
                        {"high tone", 15000.0, 0.5, 3.0}, {"quiet tone", 440.0, 0.1, 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<float> in(44100 * 2);
    for (size_t i = 0; i < in.size() / 2; ++i) {
      const float v = static_cast<float>(c.amplitude * std::sin(2 * M_PI * c.hz * static_cast<double>(i) / 44100.0 + 0.3));
      in[2 * i] = v;
      in[2 * i + 1] = -v;
    }
    master::PeakLimiter limiter(-1.0, 44100);
    std::vector<float> out;
    for (size_t at = 0; at < in.size() / 2; at += 1000) {
      limiter.Process(in.data() + 2 * at, std::min<size_t>(1000, in.size() / 2 - at), static_cast<float>(c.gain), out);
    }
    limiter.Flush(out);
    ASSERT_EQ(out.size(), in.size());
    mastertest::Audio audio;
    audio.rate = 44100;
    audio.channels = 2;
    audio.samples = out;
    EXPECT_LE(mastertest::MeasureAudio(audio).truePeakDbtp, -1.0);
    // A signal that never reaches the ceiling passes unchanged, frame for frame.
    if (c.amplitude * c.gain < 0.5) {
      for (size_t i = 0; i < out.size(); i += 997) ASSERT_FLOAT_EQ(out[i], in[i] * static_cast<float>(c.gain)) << i;
    }
  }
}

TEST(Master, RefusesWhatItCannotMasterWithAMessageAndWritesNothing) {
  fixtures::ScratchDir dir;
  const auto stems = WriteStems(dir, 1.0);
  mastertest::WriteStem(dir.File("silent.wav"), std::vector<float>(44100, 0.0f));
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> stems;
    double lufs;
    int result;
  };
  const Case cases[] = {
      {"no stems", {}, -14.0, master::kMasterBadJob},
      {"unknown track", {{"Kazoo", stems[0].second}}, -14.0, master::kMasterBadJob},
      {"loudness too high", stems, -8.0, master::kMasterBadJob},
      {"loudness too low", stems, -31.0, master::kMasterBadJob},
      {"missing stem", {{"Melody", dir.File("none.wav")}}, -14.0, master::kMasterStemUnreadable},
      {"not a wave file", {{"Melody", dir.File("s_Stem_Melody.wav.txt")}}, -14.0, master::kMasterStemUnreadable},
      {"silent stems", {{"Melody", dir.File("silent.wav")}}, -14.0, master::kMasterSilent},
  };
  fixtures::WriteAll(dir.File("s_Stem_Melody.wav.txt"), {'n', 'o', 't', ' ', 'w', 'a', 'v', 'e'});
  const auto before = platform::ListFolder(dir.Path(), "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    master::Job job;
    job.stems = c.stems;
    job.targetLufs = c.lufs;
    job.outPath = dir.File("s_Master.flac");
    const master::Report report = master::MasterStems(job);
    EXPECT_EQ(report.result, c.result);
    EXPECT_FALSE(report.error.empty());
    EXPECT_EQ(platform::ListFolder(dir.Path(), ""), before);
  }
}

TEST(Master, CancelAtEveryProgressStepLeavesTheOlderMasterAndNothingElse) {
  fixtures::ScratchDir dir;
  master::Job job;
  job.stems = WriteStems(dir, 2.0);
  job.pieceFrames = 2 * 44100;
  job.format = master::Format::kOgg;
  job.outPath = dir.File("s_Master.ogg");
  const std::vector<unsigned char> older = {'o', 'l', 'd'};
  fixtures::WriteAll(job.outPath, older);
  const auto before = platform::ListFolder(dir.Path(), "");

  // A run to the end counts the steps.
  int total = 0;
  std::vector<int> seen;
  master::Hooks count;
  count.progress = [&](int done, int steps) {
    seen.push_back(done);
    total = steps;
  };
  fixtures::ScratchDir other;
  master::Job whole = job;
  whole.outPath = other.File("s_Master.ogg");
  ASSERT_EQ(master::MasterStems(whole, count).result, master::kMasterOk);
  ASSERT_GT(total, 0);
  ASSERT_EQ(seen.back(), total);

  for (int step : seen) {
    SCOPED_TRACE(step);
    int at = -1;
    master::Hooks hooks;
    hooks.progress = [&](int done, int) { at = done; };
    hooks.cancelled = [&] { return at >= step; };
    const master::Report report = master::MasterStems(job, hooks);
    if (step == total) {
      // The last step comes after the file is in place: nothing is left to cancel.
      EXPECT_EQ(report.result, master::kMasterOk);
      break;
    }
    EXPECT_EQ(report.result, master::kMasterCancelled);
    EXPECT_EQ(platform::ListFolder(dir.Path(), ""), before);
    EXPECT_EQ(fixtures::ReadAll(job.outPath), older);
  }
}

}  // namespace
