// Feeds arbitrary bytes as a wave file to the reader of the sound output: any bytes must be
// refused with a result code or read to their end, never a crash, a hang or an out-of-bounds
// access; the frames read never exceed the length the reader announced.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/wave_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<platform::CWaveSource> source;
  if (platform::CWaveSource::OpenMemory(data, static_cast<long long>(size), source) != 0) return 0;
  std::vector<int16_t> buffer(512 * 2);
  long long total = 0;
  for (long long got; (got = source->Read(buffer.data(), 512)) > 0;) total += got;
  if (total > source->Frames()) std::abort();
  if (source->Seek(source->Frames() / 2)) source->Read(buffer.data(), 512);
  return 0;
}
