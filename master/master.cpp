#include "master/master.h"

#include <ebur128.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "master/encode_queue.h"
#include "master/encoder.h"
#include "master/master_file.h"
#include "master/peak_limiter.h"
#include "master/room_chain.h"
#include "master/stem_mix.h"

namespace master {

const TrackPlacement kTrackPlacements[9] = {
    {"Melody", 0.0, 0.0},         {"Figures", -0.7, -2.0},  {"LowNotes", 0.3, -3.0},
    {"Chords", 0.7, -3.0},        {"Drums", 0.0, -4.0},     {"RhythmFigures", 0.8, -4.0},
    {"Bass", 0.0, -3.0},          {"Strings", -0.8, -5.0},  {"Voices", 0.8, -5.0},
};

const FormatInfo* FormatByName(const std::string& name) {
  for (const FormatInfo& f : kFormats) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

const FormatInfo& InfoOf(Format format) {
  for (const FormatInfo& f : kFormats) {
    if (f.format == format) return f;
  }
  return kFormats[0];
}

namespace {

// Longest the room may ring on after the piece before it is cut.
constexpr double kMaxTailSeconds = 20.0;
// The tail is cut once it stays this far under the floor, and runs on this long after.
constexpr double kTailMarginDb = 6.0;
constexpr double kQuietEndSeconds = 0.3;
constexpr int kEnvelopeFrames = 441;  // 10 ms
constexpr int kStepsPerPass = 10;
constexpr int kProgressSteps = 3 * kStepsPerPass;  // pass 1, pass 2 and one correction

struct StateFree {
  void operator()(ebur128_state* s) const { ebur128_destroy(&s); }
};
using Meter = std::unique_ptr<ebur128_state, StateFree>;
struct ResamplerFree {
  void operator()(soxr* r) const { soxr_delete(r); }
};
using Resampler = std::unique_ptr<soxr, ResamplerFree>;

// Steps of the progress and the cancel question, shared by the passes.
class Progress {
 public:
  explicit Progress(const Hooks& hooks) : m_hooks(hooks) {}
  // Reports the steps of a pass that position of extent frames has reached.
  void At(int base, long long position, long long extent) {
    const long long steps = extent > 0 ? position * kStepsPerPass / extent : kStepsPerPass;
    Report(std::min(base + static_cast<int>(std::min<long long>(steps, kStepsPerPass)), kProgressSteps - 1));
  }
  void Report(int done) {
    if (done <= m_done) return;
    m_done = done;
    if (m_hooks.progress) m_hooks.progress(done, kProgressSteps);
  }
  bool Cancelled() {
    if (!m_bCancelled && m_hooks.cancelled) m_bCancelled = m_hooks.cancelled();
    return m_bCancelled;
  }

 private:
  const Hooks& m_hooks;
  int m_done = -1;
  bool m_bCancelled = false;
};

Report Failed(Report report, int result, const std::string& error) {
  report.result = result;
  report.error = error;
  return report;
}

struct FirstPass {
  double lufs = 0.0;
  std::vector<float> tailPeaks;  // peak of every 10 ms after the input's end
};

// Pass 1: placement, room and high-pass, measured. Returns kMasterOk or a failure.
int MeasureFirstPass(const Job& job, long long inputEnd, Progress& progress, FirstPass& pass, std::string& error) {
  StemMix mix;
  bool bBadTrack = false;
  if (!mix.Open(job.stems, error, bBadTrack)) return bBadTrack ? kMasterBadJob : kMasterStemUnreadable;
  Meter meter(ebur128_init(2, kStemRate, EBUR128_MODE_I));
  if (!meter) {
    error = "libebur128 could not start";
    return kMasterEffectFailed;
  }
  const long long limit = inputEnd + static_cast<long long>(kMaxTailSeconds * kStemRate);
  pass.tailPeaks.assign(static_cast<size_t>((limit - inputEnd) / kEnvelopeFrames + 1), 0.0f);
  long long position = 0;
  const int room = RunRoom(
      [&](float* frames, size_t max) { return mix.Read(frames, max, limit); },
      [&](const float* frames, size_t count) {
        ebur128_add_frames_float(meter.get(), frames, count);
        for (size_t i = 0; i < count; ++i, ++position) {
          if (position < inputEnd) continue;
          float& peak = pass.tailPeaks[static_cast<size_t>((position - inputEnd) / kEnvelopeFrames)];
          peak = std::max({peak, std::fabs(frames[2 * i]), std::fabs(frames[2 * i + 1])});
        }
        progress.At(0, position, limit);
        return !progress.Cancelled();
      },
      error);
  if (progress.Cancelled()) return kMasterCancelled;
  if (mix.Failed()) {
    error = mix.Failure();
    return kMasterStemUnreadable;
  }
  if (room != kRoomDone) return kMasterEffectFailed;
  if (ebur128_loudness_global(meter.get(), &pass.lufs) != EBUR128_SUCCESS || !std::isfinite(pass.lufs)) {
    error = "the stems are silent: there is nothing to master";
    return kMasterSilent;
  }
  return kMasterOk;
}

// Frames of the master: until the room stays under the floor at this gain, then
// kQuietEndSeconds more, and at least kMinTailSeconds after the piece.
long long MasterFrames(const FirstPass& pass, long long inputEnd, long long pieceFrames, double gain) {
  const double floor = std::pow(10.0, (kTailFloorDbfs - kTailMarginDb) / 20.0);
  long long loudEnd = inputEnd;
  for (size_t b = 0; b < pass.tailPeaks.size(); ++b) {
    if (pass.tailPeaks[b] * gain > floor) loudEnd = inputEnd + static_cast<long long>(b + 1) * kEnvelopeFrames;
  }
  const long long ringing = loudEnd + static_cast<long long>(kQuietEndSeconds * kStemRate);
  return std::max(ringing, pieceFrames + static_cast<long long>(kMinTailSeconds * kStemRate));
}

struct EncodePass {
  double lufs = 0.0, peakDbfs = 0.0;
  long long frames = 0;
};

// Pass 2: gain, limiter, resampling for the file's rate, encoding into file, measured.
int EncodeOnce(const Job& job, const FormatInfo& format, long long frames, double gain, MasterFile& file,
               Progress& progress, int progressBase, EncodePass& pass, std::string& error) {
  StemMix mix;
  bool bBadTrack = false;
  if (!mix.Open(job.stems, error, bBadTrack)) return bBadTrack ? kMasterBadJob : kMasterStemUnreadable;
  if (!file.Create(job.outPath, error)) return kMasterWriteFailed;
  Encoder encoder;
  if (!encoder.Open(file.Descriptor(), format, job.tags, error)) return kMasterWriteFailed;
  Meter meter(ebur128_init(2, static_cast<unsigned long>(format.sampleRate), EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
  Resampler resampler;
  if (format.sampleRate != kStemRate) {
    soxr_error_t failure = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    resampler.reset(soxr_create(kStemRate, format.sampleRate, 2, &failure, &io, &quality, nullptr));
    if (!resampler || failure) {
      error = std::string("libsoxr could not start: ") + (failure ? failure : "no resampler");
      return kMasterEffectFailed;
    }
  }
  if (!meter) {
    error = "libebur128 could not start";
    return kMasterEffectFailed;
  }
  PeakLimiter limiter(kCeilingDbtp, kStemRate);
  std::vector<float> limited, resampled;
  bool bWriteFailed = false;
  EncodeQueue queue(encoder);
  // Measures and encodes what is ready; input nullptr with a resampler drains it.
  auto emit = [&](std::vector<float>& ready, bool bLast) {
    float* out = ready.data();
    size_t count = ready.size() / 2;
    if (resampler) {
      const size_t room = count * format.sampleRate / kStemRate + 4096;
      resampled.resize(room * 2);
      size_t done = 0;
      soxr_process(resampler.get(), bLast ? nullptr : ready.data(), bLast ? 0 : count, nullptr, resampled.data(),
                   room, &done);
      out = resampled.data();
      count = done;
    }
    if (count > 0) {
      ebur128_add_frames_float(meter.get(), out, count);
      pass.frames += static_cast<long long>(count);
      if (!queue.Push(out, count)) bWriteFailed = true;
    }
    ready.clear();
    return !bWriteFailed;
  };
  long long position = 0;
  const int room = RunRoom(
      [&](float* block, size_t max) { return mix.Read(block, max, frames); },
      [&](const float* block, size_t count) {
        limiter.Process(block, count, static_cast<float>(gain), limited);
        position += static_cast<long long>(count);
        progress.At(progressBase, position, frames);
        return emit(limited, false) && !progress.Cancelled();
      },
      error);
  if (progress.Cancelled()) return kMasterCancelled;
  if (mix.Failed()) {
    error = mix.Failure();
    return kMasterStemUnreadable;
  }
  if (room != kRoomDone && !bWriteFailed) return kMasterEffectFailed;
  // A write that failed is named by the queue.
  auto writeFailed = [&] {
    queue.Finish(error);
    error = "cannot write " + job.outPath + ": " + error;
    return kMasterWriteFailed;
  };
  if (bWriteFailed) return writeFailed();
  limiter.Flush(limited);
  if (!emit(limited, false)) return writeFailed();
  if (resampler) {
    // Drain the resampler: it gives what it still holds in a few calls.
    for (int i = 0; i < 64; ++i) {
      const long long before = pass.frames;
      if (!emit(limited, true)) return writeFailed();
      if (pass.frames == before) break;
    }
  }
  if (!queue.Finish(error) || !encoder.Close(error)) {
    error = "cannot write " + job.outPath + ": " + error;
    return kMasterWriteFailed;
  }
  double peak = 0.0;
  for (unsigned c = 0; c < 2; ++c) {
    double p = 0.0;
    ebur128_sample_peak(meter.get(), c, &p);
    peak = std::max(peak, p);
  }
  pass.peakDbfs = peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
  ebur128_loudness_global(meter.get(), &pass.lufs);
  return kMasterOk;
}

}  // namespace

Report MasterStems(const Job& job, const Hooks& hooks) {
  Report report;
  const FormatInfo& format = InfoOf(job.format);
  report.sampleRate = format.sampleRate;
  if (job.stems.empty()) return Failed(report, kMasterBadJob, "no stems to master");
  if (!(job.targetLufs >= kMinLoudness && job.targetLufs <= kMaxLoudness)) {
    return Failed(report, kMasterBadJob, "the loudness must lie between -30 and -9 LUFS");
  }
  if (job.outPath.empty()) return Failed(report, kMasterBadJob, "no file name for the master");
  Progress progress(hooks);
  progress.Report(0);

  long long stemFrames = 0;
  {
    StemMix probe;
    std::string error;
    bool bBadTrack = false;
    if (!probe.Open(job.stems, error, bBadTrack)) {
      return Failed(report, bBadTrack ? kMasterBadJob : kMasterStemUnreadable, error);
    }
    stemFrames = probe.Frames();
  }
  const long long inputEnd = std::max(stemFrames, job.pieceFrames);
  FirstPass first;
  std::string error;
  int result = MeasureFirstPass(job, inputEnd, progress, first, error);
  if (result != kMasterOk) return Failed(report, result, error);
  report.firstPassLufs = first.lufs;

  double gainDb = job.targetLufs - first.lufs;
  const long long frames = MasterFrames(first, inputEnd, job.pieceFrames, std::pow(10.0, gainDb / 20.0));
  for (int attempt = 1; attempt <= kMaxEncodePasses; ++attempt) {
    MasterFile file;
    EncodePass pass;
    result = EncodeOnce(job, format, frames, std::pow(10.0, gainDb / 20.0), file, progress,
                        std::min(attempt, 2) * kStepsPerPass, pass, error);
    if (result != kMasterOk) return Failed(report, result, error);
    report.encodePasses = attempt;
    report.lufs = pass.lufs;
    report.peakDbfs = pass.peakDbfs;
    report.frames = pass.frames;
    const double miss = job.targetLufs - pass.lufs;
    if (std::fabs(miss) <= kLoudnessTolerance || attempt == kMaxEncodePasses) {
      // The last attempt is kept even when it still misses: it is the closest there is.
      if (progress.Cancelled()) return Failed(report, kMasterCancelled, "");
      if (!file.Commit(error)) return Failed(report, kMasterWriteFailed, error);
      break;
    }
    gainDb += miss;
  }
  progress.Report(kProgressSteps);
  return report;
}

}  // namespace master
