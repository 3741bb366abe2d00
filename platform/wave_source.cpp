#include "platform/wave_source.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/file_io.h"
#include "platform/mci.h"

namespace platform {

// The rates a wave file may have to be played.
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 96000;

struct CWaveSource::Memory {
  const unsigned char* data;
  sf_count_t size;
  sf_count_t position = 0;
};

namespace {

sf_count_t MemoryLength(void* user) { return static_cast<CWaveSource::Memory*>(user)->size; }

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
  auto* m = static_cast<CWaveSource::Memory*>(user);
  sf_count_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
  const sf_count_t target = base + offset;
  if (target < 0 || target > m->size) return -1;
  m->position = target;
  return m->position;
}

sf_count_t MemoryRead(void* buffer, sf_count_t count, void* user) {
  auto* m = static_cast<CWaveSource::Memory*>(user);
  const sf_count_t n = std::max<sf_count_t>(0, std::min(count, m->size - m->position));
  if (n > 0) std::memcpy(buffer, m->data + m->position, static_cast<size_t>(n));
  m->position += n;
  return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t MemoryTell(void* user) { return static_cast<CWaveSource::Memory*>(user)->position; }

}  // namespace

int CWaveSource::Open(const std::string& path, std::unique_ptr<CWaveSource>& source) {
  source.reset();
  const std::string resolved = ResolveExisting(path);
  if (resolved.empty()) return kMciErrFileNotFound;
  // Only a regular file is opened, and the open never waits on a pipe.
  const int fd = OpenRegularDescriptor(resolved);
  if (fd < 0) return kMciErrFileNotFound;
  SF_INFO info{};
  SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);  // closes fd when it fails
  if (!file) return kMciErrBadFile;
  source.reset(new CWaveSource);
  return Adopt(file, &info, source);
}

int CWaveSource::OpenMemory(const void* data, long long size, std::unique_ptr<CWaveSource>& source) {
  source.reset(new CWaveSource);
  source->m_memory.reset(new Memory{static_cast<const unsigned char*>(data), size});
  SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
  SF_INFO info{};
  SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, source->m_memory.get());
  if (!file) {
    source.reset();
    return kMciErrBadFile;
  }
  return Adopt(file, &info, source);
}

int CWaveSource::Adopt(void* file, const void* sfInfo, std::unique_ptr<CWaveSource>& source) {
  const SF_INFO& info = *static_cast<const SF_INFO*>(sfInfo);
  source->m_file = file;
  source->m_nRate = info.samplerate;
  source->m_nChannels = info.channels;
  source->m_nFrames = info.frames;
  const int type = info.format & SF_FORMAT_TYPEMASK;
  const bool pcm16 = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
  if ((type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) || !pcm16 || info.channels < 1 ||
      info.channels > 2 || info.samplerate < kMinRate || info.samplerate > kMaxRate ||
      info.frames < 0) {
    source.reset();
    return kMciErrBadFile;
  }
  return kMciOk;
}

CWaveSource::~CWaveSource() {
  if (m_file) sf_close(static_cast<SNDFILE*>(m_file));
}

long long CWaveSource::Read(int16_t* samples, long long frames) {
  if (frames <= 0) return 0;
  const sf_count_t got = sf_readf_short(static_cast<SNDFILE*>(m_file), samples, frames);
  if (got <= 0 && sf_error(static_cast<SNDFILE*>(m_file)) != SF_ERR_NO_ERROR) return -1;
  return got;
}

bool CWaveSource::Seek(long long frame) {
  if (frame < 0 || frame > m_nFrames) return false;
  return sf_seek(static_cast<SNDFILE*>(m_file), frame, SEEK_SET) == frame;
}

}  // namespace platform
