#include "playback/note_preview.h"

#include <cstdio>

#include "platform/mci.h"
#include "platform/system_paths.h"

int PlayPreviewSound(int nSound, const std::string& tempFolder) {
  char path[1024];
  // In double quotes, so a folder with blanks stays one argument.
  if (nSound != 0) {
    std::snprintf(path, sizeof path, "\"%sWAV_%.2d.wav\"", tempFolder.c_str(), nSound);
  } else {
    std::snprintf(path, sizeof path, "\"%sWAV_U.wav\"", tempFolder.c_str());
  }
  platform::MciSendString("close vknote ", nullptr, 512);
  if (platform::MciSendString(std::string("open ") + path + " type waveaudio alias vknote wait",
                              nullptr, 512) == platform::kMciOk) {
    platform::MciSendString("play vknote", nullptr, 512);
  }
  return 0;
}

int PlayPreviewSound(int nSound) { return PlayPreviewSound(nSound, platform::TempFolder()); }
