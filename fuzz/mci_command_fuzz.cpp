// Feeds arbitrary text, one command per line, to the multimedia command interpreter on the
// virtual clock, with a short wave file open as "vk": any text must come back with a result
// code, never a crash, a hang or an out-of-bounds access. Every "open" is sent for the one
// scratch file, so the fuzzer never reads the files of the machine.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/mci_command.h"
#include "platform/ui_queue.h"
#include "platform/virtual_clock.h"

namespace {

// A quarter of a second of 16-bit mono sound at 8 000 Hz.
std::string ScratchWave() {
  static const std::string path = [] {
    char folder[] = "/tmp/vorsk-fuzz-mci-XXXXXX";
    const char* made = mkdtemp(folder);
    const std::string file = std::string(made ? made : "/tmp") + "/Fuzz.wav";
    const uint32_t frames = 2000, rate = 8000, bytes = frames * 2;
    const uint32_t header[] = {0x46464952, 36 + bytes, 0x45564157, 0x20746d66, 16,
                               0x00010001, rate,       rate * 2,   0x00100002, 0x61746164, bytes};
    if (FILE* out = std::fopen(file.c_str(), "wb")) {
      std::fwrite(header, sizeof header, 1, out);
      std::vector<int16_t> samples(frames, 1000);
      std::fwrite(samples.data(), 2, frames, out);
      std::fclose(out);
    }
    return file;
  }();
  return path;
}

class NullHandler : public platform::IUiMessageHandler {
  void OnTimer(int) override {}
  void OnMciNotify(int, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string wave = ScratchWave();
  const std::string text(reinterpret_cast<const char*>(data), size);
  platform::CVirtualMultimedia mm;
  NullHandler handler;
  platform::MciSendString("open \"" + wave + "\" type waveaudio alias vk wait");
  size_t start = 0;
  for (int line = 0; start <= text.size() && line < 16; ++line) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string command = text.substr(start, end - start);
    start = end + 1;
    platform::MciCommand parsed;
    if (platform::ParseMciCommand(command, parsed) == 0 && parsed.verb == platform::MciVerb::Open) {
      command = "open \"" + wave + "\" alias " + (parsed.alias.empty() ? "x" : "\"" + parsed.alias + "\"");
    }
    char answer[8];
    platform::MciSendString(command, answer, static_cast<int>(line % 3 == 0 ? 0 : sizeof answer));
    mm.RunFor(static_cast<long long>(command.size()) * 37, handler);
  }
  return 0;
}
