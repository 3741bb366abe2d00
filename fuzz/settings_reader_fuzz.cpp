// Feeds arbitrary bytes as Vorsk.INI to the settings reader and applies them to an option set:
// any file must load without a crash, a hang or an out-of-bounds access.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "options/option_set.h"
#include "options/settings_file.h"

namespace {
// The file is rewritten for every input: in memory (/dev/shm) when the system has it, since a
// disk file system flushes a truncated-and-rewritten file on close (milliseconds per input).
std::string ScratchPath() {
  static const std::string path = [] {
    char inMemory[] = "/dev/shm/vorsk-fuzz-settings-XXXXXX";
    char onDisk[] = "/tmp/vorsk-fuzz-settings-XXXXXX";
    const char* made = mkdtemp(inMemory);
    if (!made) made = mkdtemp(onDisk);
    static const std::string folder = made ? made : "";
    // The folder goes with the process.
    std::atexit([] {
      if (!folder.empty()) {
        std::remove((folder + "/Vorsk.INI").c_str());
        ::rmdir(folder.c_str());
      }
    });
    return (folder.empty() ? std::string("/tmp") : folder) + "/Vorsk.INI";
  }();
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchPath();
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  CSettingsFile settings(path);
  settings.ReadSetting("Note", "C");
  COptionSet options;
  options.SetDefaults();
  settings.LoadSettings(options);
  return 0;
}
