#include "master/encoder.h"

#include <cerrno>
#include <cstring>

namespace master {

namespace {

struct Settings {
  int major, subtype;
  int bitrateMode;     // -1: leave as is
  double compression;  // -1: leave as is; 0 best quality .. 1 smallest
};

Settings SettingsOf(Format format) {
  switch (format) {
    case Format::kFlac:
      return {SF_FORMAT_FLAC, SF_FORMAT_PCM_24, -1, -1.0};
    case Format::kWav:
      return {SF_FORMAT_WAV, SF_FORMAT_PCM_24, -1, -1.0};
    case Format::kOgg:  // Vorbis quality 6, about 160 kbit/s here
      return {SF_FORMAT_OGG, SF_FORMAT_VORBIS, -1, 0.4};
    case Format::kOpus:  // variable, about 160 kbit/s
      return {SF_FORMAT_OGG, SF_FORMAT_OPUS, SF_BITRATE_MODE_VARIABLE, 0.69};
    case Format::kMp3:  // variable, about 190 kbit/s
      return {SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, SF_BITRATE_MODE_VARIABLE, 0.2};
  }
  return {SF_FORMAT_FLAC, SF_FORMAT_PCM_24, -1, -1.0};
}

constexpr float kLsb24 = 1.0f / 8388608.0f;

}  // namespace

Encoder::~Encoder() {
  if (m_file) sf_close(m_file);
}

bool Encoder::Open(int fd, const FormatInfo& format, const Tags& tags, std::string& error) {
  const Settings s = SettingsOf(format.format);
  SF_INFO info{};
  info.samplerate = format.sampleRate;
  info.channels = 2;
  info.format = s.major | s.subtype;
  if (!sf_format_check(&info)) {
    error = std::string("libsndfile cannot write ") + format.name;
    return false;
  }
  m_file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
  if (!m_file) {
    error = std::string("libsndfile cannot start the ") + format.name + " file: " + sf_strerror(nullptr);
    return false;
  }
  if (s.bitrateMode >= 0) {
    int mode = s.bitrateMode;
    sf_command(m_file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
  }
  if (s.compression >= 0.0) {
    double level = s.compression;
    sf_command(m_file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
  }
  sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  // A format that has no place for a tag refuses it; the others keep it.
  const std::pair<int, const std::string*> strings[] = {
      {SF_STR_TITLE, &tags.title},   {SF_STR_ARTIST, &tags.artist},   {SF_STR_SOFTWARE, &tags.software},
      {SF_STR_DATE, &tags.date},     {SF_STR_COMMENT, &tags.comment},
  };
  for (const auto& [type, text] : strings) {
    if (!text->empty()) sf_set_string(m_file, type, text->c_str());
  }
  m_bDither = s.subtype == SF_FORMAT_PCM_24;
  return true;
}

bool Encoder::Write(float* frames, size_t count, std::string& error) {
  if (!m_file) return false;
  if (m_bDither) {
    // Triangular dither of one step of the 24-bit result: two uniform values per sample.
    for (size_t i = 0; i < count * 2; ++i) {
      m_seed = m_seed * 1664525u + 1013904223u;
      const float a = static_cast<float>(m_seed >> 8) / 16777216.0f;
      m_seed = m_seed * 1664525u + 1013904223u;
      const float b = static_cast<float>(m_seed >> 8) / 16777216.0f;
      frames[i] += (a - b) * kLsb24;
    }
  }
  errno = 0;
  const sf_count_t written = sf_writef_float(m_file, frames, static_cast<sf_count_t>(count));
  if (written == static_cast<sf_count_t>(count) && sf_error(m_file) == SF_ERR_NO_ERROR) return true;
  // The system's cause (a full disk) says more than libsndfile's own text, which some
  // encoders leave at "Unspecified internal error".
  const int cause = errno;
  error = cause != 0 ? std::strerror(cause) : sf_error(m_file) != SF_ERR_NO_ERROR ? sf_strerror(m_file) : "short write";
  return false;
}

bool Encoder::Close(std::string& error) {
  if (!m_file) return false;
  sf_write_sync(m_file);
  const int failed = sf_error(m_file);
  const std::string text = failed ? sf_strerror(m_file) : "";
  const int closed = sf_close(m_file);
  m_file = nullptr;
  if (failed == SF_ERR_NO_ERROR && closed == 0) return true;
  error = failed ? text : sf_error_number(closed);
  return false;
}

}  // namespace master
