// Playback benchmark: a 15-minute piece (44.1 kHz mono 16-bit, 79 MB, written in chunks into a
// scratch folder) played through the SDL sound output under the dummy driver, which consumes
// sound at real-time pace. Figures, each beside a baseline measured in the same run:
//   CPU per second of playback over SECONDS seconds (default 10) at the start, the middle and
//   the end of the piece, beside the open device with nothing playing;
//   peak memory (maximum resident set) while playing, beside the peak before the device opened;
//   time from "play" to the callback that hands the first frames to the device, over 20 plays
//   at positions spread over the piece, beside the device's buffer period;
//   the end notification of the last seconds.
// Aims: under 2 % of one core, under 16 MB, under 50 ms.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/mci.h"
#include "platform/mci_interpreter.h"
#include "platform/ui_queue.h"
#include "sdl/sdl_audio_backend.h"
#include "support/fixtures.h"

namespace {

constexpr int kPieceSeconds = 15 * 60;
constexpr int kRate = 44100;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// The piece, written a second at a time so that writing it does not raise the peak memory.
void WritePiece(const std::string& path) {
  const long long frames = 1LL * kPieceSeconds * kRate;
  std::vector<unsigned char> header = fixtures::WaveBytes(kRate, 1, 16, 0, frames * 2);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::exit(1);
  std::fwrite(header.data(), 1, header.size(), out);
  std::vector<int16_t> second(kRate);
  for (int s = 0; s < kPieceSeconds; ++s) {
    for (int i = 0; i < kRate; ++i) second[i] = static_cast<int16_t>((i * 37 + s) % 8000 - 4000);
    std::fwrite(second.data(), 2, second.size(), out);
  }
  std::fclose(out);
}

class NullHandler : public platform::IUiMessageHandler {
 public:
  void OnTimer(int) override {}
  void OnMciNotify(int code, const std::string&) override { last = code; }
  int last = 0;
};

int Send(platform::CMciInterpreter& mci, const std::string& command) {
  return mci.Send(command, nullptr, 0, nullptr);
}

long long Position(platform::CMciInterpreter& mci) {
  char text[32] = "0";
  mci.Send("status vk position", text, sizeof text, nullptr);
  return std::atoll(text);
}

// CPU share of one core (percent) over seconds of wall time.
double CpuShare(double seconds) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return 100.0 * (CpuSeconds() - cpu) / wall;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  fixtures::ScratchDir dir;
  const std::string piece = dir.File("Mix.wav");
  WritePiece(piece);
  const double peakBefore = PeakMb();

  vorsk_sdl::CSdlAudioBackend backend;
  platform::CMciInterpreter mci(backend);
  if (Send(mci, "open \"" + piece + "\" type waveaudio alias vk wait") != platform::kMciOk ||
      !backend.HasDevice()) {
    std::fprintf(stderr, "no audio device (SDL_AUDIODRIVER=%s)\n", std::getenv("SDL_AUDIODRIVER"));
    return 1;
  }
  std::printf("piece: %d s, %lld bytes of sound\n", kPieceSeconds, 2LL * kPieceSeconds * kRate);

  // Start latency: plays from 20 places over the piece.
  std::vector<double> latencies;
  for (int i = 0; i < 20; ++i) {
    Send(mci, "seek vk to " + std::to_string(i * 44000) + " wait");
    const long long before = backend.LastStartLatencyUs();
    Send(mci, "play vk notify");
    for (int wait = 0; wait < 500 && backend.LastStartLatencyUs() == before; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    latencies.push_back(backend.LastStartLatencyUs() / 1000.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    Send(mci, "stop vk wait");
  }
  std::sort(latencies.begin(), latencies.end());
  std::printf("play to first frames handed over: median %.1f ms, max %.1f ms (buffer period %.1f ms)\n",
              latencies[latencies.size() / 2], latencies.back(),
              1000.0 * vorsk_sdl::kDeviceBufferFrames / vorsk_sdl::kDeviceRate);

  const double idle = CpuShare(seconds / 2);
  double worst = 0;
  for (const long long at : {0LL, 450000LL, 880000LL}) {
    Send(mci, "seek vk to " + std::to_string(at));
    Send(mci, "play vk notify");
    const double share = CpuShare(seconds);
    const long long heard = Position(mci) - at;
    Send(mci, "stop vk wait");
    worst = std::max(worst, share);
    std::printf("CPU while playing from %4lld s: %.2f %% of a core (%.2f s heard in %.2f s)\n",
                at / 1000, share, heard / 1000.0, seconds);
  }
  std::printf("CPU: worst %.2f %% of a core playing, %.2f %% with the device idle\n", worst, idle);
  std::printf("peak memory: %.1f MB playing, %.1f MB before the device opened\n", PeakMb(), peakBefore);

  NullHandler handler;
  platform::UiQueue().Clear();
  Send(mci, "seek vk to " + std::to_string(kPieceSeconds * 1000 - 1500));
  Send(mci, "play vk notify");
  const auto start = std::chrono::steady_clock::now();
  while (handler.last == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    if (platform::UiQueue().WaitForMessage(10)) platform::UiQueue().DispatchOne(handler);
  }
  std::printf("end notification %d after %.0f ms for the last 1500 ms\n", handler.last,
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
