// The SDL sound output under the dummy audio driver, which consumes sound at real-time pace:
// these are the only tests that wait on the real clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class Notifications : public platform::IUiMessageHandler {
 public:
  void OnTimer(int) override {}
  void OnMciNotify(int code, const std::string& alias) override {
    received.push_back(std::to_string(code) + " " + alias);
  }
  // Dispatches the UI queue until a notification arrives or timeoutMs pass.
  bool WaitForOne(int timeoutMs) {
    const Clock::time_point start = Clock::now();
    const size_t before = received.size();
    while (received.size() == before && MsSince(start) < timeoutMs) {
      if (platform::UiQueue().WaitForMessage(10)) platform::UiQueue().DispatchOne(*this);
    }
    return received.size() > before;
  }
  std::vector<std::string> received;
};

// The driver is chosen when the backend opens its device.
struct DriverChoice {
  explicit DriverChoice(const char* driver) { ::setenv("SDL_AUDIODRIVER", driver, 1); }
};

class SdlAudioBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UiQueue().Clear();
    fixtures::WriteAll(dir.File("Mix.wav"), fixtures::WaveBytes(44100, 1, 16, 88200));      // 2 s
    fixtures::WriteAll(dir.File("WAV_U.WAV"), fixtures::WaveBytes(48000, 2, 16, 72000));    // 1.5 s
  }
  void TearDown() override { platform::UiQueue().Clear(); }
  long long PositionMs(const std::string& alias) {
    char text[32];
    if (interpreter.Send("status " + alias + " position wait", text, sizeof text, nullptr) != 0) return -1;
    return std::stoll(text);
  }
  int Send(const std::string& command) { return interpreter.Send(command, nullptr, 0, nullptr); }

  DriverChoice driver{"dummy"};
  fixtures::ScratchDir dir;
  std::vector<std::string> notices;
  vorsk_sdl::CSdlAudioBackend backend{[this](const std::string& text) { notices.push_back(text); }};
  platform::CMciInterpreter interpreter{backend};
  Notifications handler;
};

TEST_F(SdlAudioBackend, PlaysTwoAliasesAtRealSpeedNotifiesTheEndAndReleasesTheFile) {
  const int descriptors = fixtures::OpenDescriptors();
  ASSERT_EQ(Send("open \"" + dir.File("MIX.WAV") + "\" type waveaudio alias vk wait"), platform::kMciOk);
  ASSERT_TRUE(backend.HasDevice()) << "the dummy audio driver did not open";
  EXPECT_TRUE(notices.empty());
  ASSERT_EQ(Send("open \"" + dir.File("WAV_U.wav") + "\" alias vknote wait"), platform::kMciOk);

  // Over a stretch of playing, each position moves as the real clock does. A loaded machine
  // can starve the audio thread for a while (the device then really plays late), so the best
  // of five stretches counts.
  Send("play vk notify");
  Send("play vknote");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  long long vkError = 1000, vknoteError = 1000;
  for (int stretch = 0; stretch < 5 && std::max(vkError, vknoteError) > 30; ++stretch) {
    const Clock::time_point start = Clock::now();
    const long long vk = PositionMs("vk"), vknote = PositionMs("vknote");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long long vkMoved = PositionMs("vk") - vk, vknoteMoved = PositionMs("vknote") - vknote;
    const long long elapsed = MsSince(start);
    vkError = std::min(vkError, std::abs(vkMoved - elapsed));
    vknoteError = std::min(vknoteError, std::abs(vknoteMoved - elapsed));
  }
  EXPECT_LE(vkError, 30);
  EXPECT_LE(vknoteError, 30);

  // Paused, the position holds; resumed, it moves on from there.
  Send("pause vk");
  const long long paused = PositionMs("vk");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(PositionMs("vk"), paused);
  Send("play vk notify");
  const Clock::time_point resumed = Clock::now();

  ASSERT_TRUE(handler.WaitForOne(3000));
  EXPECT_EQ(handler.received, std::vector<std::string>{"4 vk"});  // the pause
  ASSERT_TRUE(handler.WaitForOne(3000));
  EXPECT_EQ(handler.received.back(), "1 vk");
  // Not before the rest has been heard (later by a buffer, or more when the machine is busy
  // and the device thread plays late).
  EXPECT_GE(MsSince(resumed), 2000 - paused - 30);
  EXPECT_EQ(PositionMs("vk"), 2000);

  EXPECT_EQ(Send("close all wait"), platform::kMciOk);
  EXPECT_EQ(fixtures::OpenDescriptors(), descriptors);
}

TEST_F(SdlAudioBackend, SeeksAndStopsKeepThePositionExact) {
  ASSERT_EQ(Send("open \"" + dir.File("Mix.wav") + "\" alias vk"), platform::kMciOk);
  ASSERT_TRUE(backend.HasDevice());
  for (const long long target : {0LL, 501LL, 999LL, 250LL}) {
    SCOPED_TRACE(target);
    EXPECT_EQ(Send("seek vk to " + std::to_string(target) + " wait"), platform::kMciOk);
    EXPECT_EQ(PositionMs("vk"), target);
  }
  const Clock::time_point start = Clock::now();
  Send("play vk notify");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Send("stop vk wait");
  const long long stopped = PositionMs("vk");
  EXPECT_GT(stopped, 250);
  // The device takes its sound a callback ahead, so the position may lead the clock by one buffer.
  const long long oneBufferMs = (vorsk_sdl::kDeviceBufferFrames * 1000 + 44099) / 44100;
  EXPECT_LE(stopped, 250 + MsSince(start) + oneBufferMs);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(PositionMs("vk"), stopped);
  EXPECT_EQ(handler.received.size(), 0u);
  ASSERT_TRUE(handler.WaitForOne(100));
  EXPECT_EQ(handler.received.back(), "4 vk");
}

TEST(SdlAudioBackendWithoutDevice, PlaysSilentlyAndSaysSoOnce) {
  platform::UiQueue().Clear();
  DriverChoice driver("no-such-driver");
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("Mix.wav"), fixtures::WaveBytes(16000, 1, 16, 1600));  // 0.1 s
  std::vector<std::string> notices;
  vorsk_sdl::CSdlAudioBackend backend([&notices](const std::string& text) { notices.push_back(text); });
  platform::CMciInterpreter interpreter(backend);
  ASSERT_EQ(interpreter.Send("open \"" + dir.File("Mix.wav") + "\" alias vk", nullptr, 0, nullptr), 0);
  ASSERT_EQ(interpreter.Send("open \"" + dir.File("Mix.wav") + "\" alias vk2", nullptr, 0, nullptr), 0);
  EXPECT_FALSE(backend.HasDevice());
  EXPECT_EQ(notices, std::vector<std::string>{platform::kNoSoundNotice});
  interpreter.Send("play vk notify", nullptr, 0, nullptr);
  Notifications handler;
  ASSERT_TRUE(handler.WaitForOne(2000));
  EXPECT_EQ(handler.received, std::vector<std::string>{"1 vk"});
  platform::UiQueue().Clear();
}

}  // namespace
