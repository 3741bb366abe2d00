#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/mci.h"
#include "platform/message_pump.h"
#include "platform/timer_service.h"
#include "platform/ui_queue.h"
#include "platform/virtual_clock.h"
#include "support/fixtures.h"

namespace {

// Records what reaches the UI thread, with the virtual time it arrived at.
class RecordingHandler : public platform::IUiMessageHandler {
 public:
  explicit RecordingHandler(platform::CVirtualClock& clock) : m_clock(clock) {}
  void OnTimer(int id) override { events.push_back(Stamp("timer " + std::to_string(id))); }
  void OnMciNotify(int code, const std::string& alias) override {
    events.push_back(Stamp("notify " + std::to_string(code) + " " + alias));
  }
  std::vector<std::string> events;

 private:
  std::string Stamp(const std::string& what) { return std::to_string(m_clock.NowMs()) + " " + what; }
  platform::CVirtualClock& m_clock;
};

class MciInterpreter : public ::testing::Test {
 protected:
  void SetUp() override {
    // 2.5 s at 44 100 Hz mono and 1 s at 16 000 Hz, named in capitals as the program folder has them.
    fixtures::WriteAll(dir.File("PIECE.WAV"), fixtures::WaveBytes(44100, 1, 16, 110250));
    fixtures::WriteAll(dir.File("WAV_U.WAV"), fixtures::WaveBytes(16000, 1, 16, 16000));
  }
  std::string Status(const std::string& alias, const std::string& item) {
    char text[128];
    const int result = platform::MciSendString("status " + alias + " " + item + " wait", text, sizeof text);
    return result == platform::kMciOk ? text : "error " + std::to_string(result);
  }
  int Send(const std::string& command) { return platform::MciSendString(command); }
  // Sends and lets the UI thread see at once what the command posted.
  int Do(const std::string& command) {
    const int result = Send(command);
    mm.RunFor(0, handler);
    return result;
  }

  fixtures::ScratchDir dir;
  platform::CVirtualMultimedia mm;
  RecordingHandler handler{mm.Clock()};
};

struct ScriptStep {
  const char* command;  // "%s" stands for the scratch folder
  int result;
  const char* text;     // the text result, when not null
};

// Result codes and text results of one session of commands, in order.
const ScriptStep kScript[] = {
    {"open \"%s/missing.wav\" type waveaudio alias vk wait", platform::kMciErrFileNotFound, nullptr},
    {"set vk time format MS wait", platform::kMciErrNotOpen, nullptr},
    {"open \"%s/piece.wav\" type waveaudio alias vk wait", platform::kMciOk, nullptr},
    {"open \"%s/piece.wav\" type waveaudio alias VK wait", platform::kMciErrAlreadyOpen, nullptr},
    {"set vk time format MS wait", platform::kMciOk, ""},
    {"status vk length wait", platform::kMciOk, "2500"},
    {"status vk position wait", platform::kMciOk, "0"},
    {"seek vk to 2501", platform::kMciErrOutOfRange, nullptr},
    {"seek vk to 2500 wait", platform::kMciOk, ""},
    {"status Vk position wait", platform::kMciOk, "2500"},
    {"seek vk to 1234", platform::kMciOk, nullptr},
    {"status vk position wait", platform::kMciOk, "1234"},
    {"rewind vk", platform::kMciErrUnknownCommand, nullptr},
    {"status vk", platform::kMciErrBadSyntax, nullptr},
    {"open \"%s/WAV_u.wav\" alias vknote", platform::kMciOk, nullptr},
    {"status vknote length", platform::kMciOk, "1000"},
    {"close vknote ", platform::kMciOk, nullptr},
    {"status vknote length", platform::kMciErrNotOpen, nullptr},
    {"close vknote ", platform::kMciErrNotOpen, nullptr},
    {"close all wait", platform::kMciOk, nullptr},
    {"status vk length", platform::kMciErrNotOpen, nullptr},
};

TEST_F(MciInterpreter, AnswersEachCommandWithItsResultAndText) {
  for (const ScriptStep& step : kScript) {
    std::string command = step.command;
    if (const size_t at = command.find("%s"); at != std::string::npos) command.replace(at, 2, dir.Path());
    SCOPED_TRACE(command);
    char text[16] = "stale";
    EXPECT_EQ(platform::MciSendString(command, text, sizeof text), step.result);
    if (step.text) {
      EXPECT_STREQ(text, step.text);
    }
  }
  EXPECT_EQ(mm.Interpreter().OpenCount(), 0);
  // A text result that does not fit is cut and reported.
  ASSERT_EQ(Send("open \"" + dir.File("PIECE.WAV") + "\" alias vk"), platform::kMciOk);
  char small[3];
  EXPECT_EQ(platform::MciSendString("status vk length", small, sizeof small), platform::kMciErrBufferTooSmall);
  EXPECT_STREQ(small, "25");
}

TEST_F(MciInterpreter, PositionsAndNotificationsFollowTheVirtualClock) {
  ASSERT_EQ(Do("open \"" + dir.File("piece.wav") + "\" type waveaudio alias vk wait"), platform::kMciOk);
  Do("play vk notify");
  mm.RunFor(700, handler);
  EXPECT_EQ(Status("vk", "position"), "700");
  Do("pause vk");  // aborts the play
  mm.RunFor(300, handler);
  EXPECT_EQ(Status("vk", "position"), "700");
  Do("play vk notify");
  mm.RunFor(100, handler);
  Do("play vk notify");  // supersedes the play before
  mm.RunFor(100, handler);
  EXPECT_EQ(Status("vk", "position"), "900");
  Do("stop vk wait");
  Do("seek vk to 2000");
  Do("play vk notify");
  mm.RunFor(499, handler);
  EXPECT_EQ(handler.events.size(), 3u);
  mm.RunFor(5000, handler);  // the end falls at 1200 + 500
  EXPECT_EQ(Status("vk", "position"), "2500");
  // A play from the end ends at once; a play without notify tells nothing.
  Do("play vk notify");
  Do("seek vk to 0");
  Do("play vk");
  mm.RunFor(3000, handler);
  EXPECT_EQ(Status("vk", "position"), "2500");
  EXPECT_EQ(handler.events, (std::vector<std::string>{"700 notify 4 vk", "1100 notify 2 vk",
                                                      "1200 notify 4 vk", "1700 notify 1 vk",
                                                      "6699 notify 1 vk"}));
}

TEST_F(MciInterpreter, AliasesPlayIndependentlyAndCloseAbortsAPendingNotification) {
  ASSERT_EQ(Send("open \"" + dir.File("PIECE.WAV") + "\" alias vk wait"), platform::kMciOk);
  ASSERT_EQ(Send("open \"" + dir.File("WAV_U.wav") + "\" alias vknote wait"), platform::kMciOk);
  Send("play vk notify");
  mm.RunFor(400, handler);
  Send("play vknote");
  mm.RunFor(200, handler);
  EXPECT_EQ(Status("vk", "position"), "600");
  EXPECT_EQ(Status("vknote", "position"), "200");
  Send("close vknote ");  // a second preview replaces the first
  ASSERT_EQ(Send("open \"" + dir.File("WAV_U.wav") + "\" alias vknote wait"), platform::kMciOk);
  Send("play vknote");
  mm.RunFor(1500, handler);
  EXPECT_EQ(Status("vknote", "position"), "1000");
  EXPECT_EQ(Status("vk", "position"), "2100");
  Send("close vk wait");
  EXPECT_EQ(handler.events, std::vector<std::string>{});
  mm.RunFor(0, handler);
  EXPECT_EQ(handler.events, std::vector<std::string>{"2100 notify 4 vk"});
  // Closing releases the file: it can be replaced and reopened with its new length.
  fixtures::WriteAll(dir.File("PIECE.WAV"), fixtures::WaveBytes(44100, 1, 16, 44100));
  ASSERT_EQ(Send("open \"" + dir.File("PIECE.WAV") + "\" alias vk wait"), platform::kMciOk);
  EXPECT_EQ(Status("vk", "length"), "1000");
}

TEST_F(MciInterpreter, TimersTickAtTheirPeriodUntilKilledAndNeverPileUp) {
  ASSERT_TRUE(platform::SetTimer(1, 100));
  EXPECT_FALSE(platform::SetTimer(3, 0));
  mm.RunFor(250, handler);
  ASSERT_TRUE(platform::SetTimer(2, 5333));
  mm.Clock().Advance(1000);  // no dispatch: one tick of timer 1 waits, however many fell due
  mm.RunFor(0, handler);
  EXPECT_TRUE(platform::KillTimer(1));
  EXPECT_FALSE(platform::KillTimer(1));
  mm.RunFor(5333, handler);
  EXPECT_EQ(handler.events, (std::vector<std::string>{"100 timer 1", "200 timer 1",
                                                      "1250 timer 1", "5583 timer 2"}));
}

}  // namespace

namespace {

TEST(UiQueuePump, DispatchesOneMessagePerPumpAndPollsOnlyDueTimers) {
  platform::CVirtualClock clock;
  RecordingHandler handler(clock);
  platform::CPolledTimerService timers;
  platform::CUiQueuePump pump(handler, &timers);
  platform::SetMessagePump(&pump);
  platform::UiQueue().Clear();
  EXPECT_EQ(timers.MsUntilNextTick(), -1);
  ASSERT_TRUE(timers.SetTimer(1, 60000));
  EXPECT_GT(timers.MsUntilNextTick(), 59000);
  platform::UiQueue().PostMciNotify(platform::kMciNotifySuccessful, "vk");
  platform::UiQueue().PostTimer(2);
  platform::UiQueue().PostTimer(2);  // waits already: dropped
  platform::PumpOneMessage();
  EXPECT_EQ(handler.events, std::vector<std::string>{"0 notify 1 vk"});
  platform::PumpOneMessage();
  platform::PumpOneMessage();  // the polled timer is far from due
  EXPECT_EQ(handler.events, (std::vector<std::string>{"0 notify 1 vk", "0 timer 2"}));
  EXPECT_TRUE(timers.KillTimer(1));
  EXPECT_EQ(timers.MsUntilNextTick(), -1);
  platform::SetMessagePump(nullptr);
}

TEST(MciSendString, TheBuiltInDeviceIsTheInterpreterOverTheSilentOutput) {
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("Mix.wav"), fixtures::WaveBytes(44100, 2, 16, 88200));
  char text[16] = "stale";
  EXPECT_EQ(platform::MciSendString("close vk wait", text, sizeof text), platform::kMciErrNotOpen);
  EXPECT_STREQ(text, "");
  ASSERT_EQ(platform::MciSendString("open \"" + dir.File("mix.wav") + "\" type waveaudio alias vk wait"),
            platform::kMciOk);
  EXPECT_EQ(platform::MciSendString("status vk length wait", text, sizeof text), platform::kMciOk);
  EXPECT_STREQ(text, "2000");
  EXPECT_EQ(platform::MciSendString("close all wait"), platform::kMciOk);
  EXPECT_EQ(platform::MciSendString("close vk wait"), platform::kMciErrNotOpen);
}

}  // namespace
