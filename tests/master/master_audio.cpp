#include "master_audio.h"

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace mastertest {

Audio ReadAudio(const std::string& path) {
  Audio audio;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return audio;
  audio.rate = info.samplerate;
  audio.channels = info.channels;
  auto text = [file](int type) {
    const char* s = sf_get_string(file, type);
    return std::string(s ? s : "");
  };
  audio.comment = text(SF_STR_COMMENT);
  audio.title = text(SF_STR_TITLE);
  audio.artist = text(SF_STR_ARTIST);
  std::vector<float> block(8192 * static_cast<size_t>(info.channels));
  sf_count_t got = 0;
  while ((got = sf_readf_float(file, block.data(), 8192)) > 0) {
    audio.samples.insert(audio.samples.end(), block.begin(), block.begin() + got * info.channels);
  }
  audio.bRead = sf_error(file) == SF_ERR_NO_ERROR;
  sf_close(file);
  return audio;
}

Measure MeasureAudio(const Audio& audio) {
  Measure m;
  if (audio.channels != 2 || audio.samples.empty()) return m;
  ebur128_state* st = ebur128_init(2, static_cast<unsigned long>(audio.rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_float(st, audio.samples.data(), static_cast<size_t>(audio.Frames()));
  ebur128_loudness_global(st, &m.lufs);
  double peak = 0.0;
  for (unsigned c = 0; c < 2; ++c) {
    double p = 0.0;
    ebur128_true_peak(st, c, &p);
    peak = std::max(peak, p);
  }
  ebur128_destroy(&st);
  m.truePeakDbtp = 20.0 * std::log10(std::max(peak, 1e-12));
  double ll = 0.0, rr = 0.0, lr = 0.0;
  const long long frames = audio.Frames();
  for (long long i = 0; i < frames; ++i) {
    const double l = audio.samples[2 * i], r = audio.samples[2 * i + 1];
    ll += l * l;
    rr += r * r;
    lr += l * r;
    m.dc[0] += l;
    m.dc[1] += r;
  }
  m.dc[0] /= static_cast<double>(frames);
  m.dc[1] /= static_cast<double>(frames);
  m.correlation = lr / std::sqrt(std::max(ll * rr, 1e-30));
  float endPeak = 0.0f;
  const size_t from = audio.samples.size() - std::min(audio.samples.size(), static_cast<size_t>(0.3 * audio.rate) * 2);
  for (size_t i = from; i < audio.samples.size(); ++i) endPeak = std::max(endPeak, std::fabs(audio.samples[i]));
  m.endPeakDbfs = 20.0 * std::log10(std::max<double>(endPeak, 1e-12));
  return m;
}

void WriteStem(const std::string& path, const std::vector<float>& samples) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return;
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
}

}  // namespace mastertest
