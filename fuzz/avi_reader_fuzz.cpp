// Feeds arbitrary bytes to the AVI reader of the animation panels: any input must be refused or
// read without a crash, a hang or an out-of-bounds access, and a movie that is read must hold
// frames of exactly the size its header gives.
#include <cstdint>
#include <cstdlib>

#include "platform/avi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::AviMovie movie;
  if (platform::ReadAvi(data, size, movie) == platform::AviResult::kOk) {
    if (movie.m_frames.empty() || movie.m_nMicroSecPerFrame <= 0) std::abort();
    for (const auto& frame : movie.m_frames)
      if (frame.size() != movie.FrameBytes()) std::abort();
  } else if (!movie.m_frames.empty()) {
    std::abort();
  }
  return 0;
}
