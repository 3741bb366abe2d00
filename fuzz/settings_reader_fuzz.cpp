// Feeds arbitrary bytes as Vorsk.INI to the settings reader and applies them to an option set:
// any file must load without a crash, a hang or an out-of-bounds access.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "options/option_set.h"
#include "options/settings_file.h"

namespace {
std::string ScratchPath() {
  static const std::string path = [] {
    char folder[] = "/tmp/vorsk-fuzz-settings-XXXXXX";
    const char* made = mkdtemp(folder);
    return std::string(made ? made : "/tmp") + "/Vorsk.INI";
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
