#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"

namespace {

// Runs the test in a fixed time zone and restores the old one.
class TimeZoneGuard {
 public:
  explicit TimeZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TimeZoneGuard() {
    if (m_old) {
      ::setenv("TZ", m_old->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> m_old;
};

// 2024-01-02 03:04:05 UTC.
constexpr std::time_t kFixed = 1704164645;

TEST(Clock, FixedClockIsReadUntilRemoved) {
  platform::CFixedClock clock(kFixed);
  platform::SetClock(&clock);
  EXPECT_EQ(platform::Now(), kFixed);
  clock.Set(kFixed + 61);
  EXPECT_EQ(platform::Now(), kFixed + 61);
  platform::SetClock(nullptr);

  const std::time_t before = std::time(nullptr);
  const std::time_t now = platform::Now();
  EXPECT_GE(now, before);
  EXPECT_LE(now, std::time(nullptr));
}

TEST(Clock, FormatsLocalTime) {
  TimeZoneGuard utc("UTC");
  EXPECT_EQ(platform::FormatLocalTime(kFixed, "%y%m%d_%H%M%S_"), "240102_030405_");
  {
    TimeZoneGuard east("UTC-2");  // POSIX sign: two hours east of UTC
    EXPECT_EQ(platform::FormatLocalTime(kFixed, "%H:%M"), "05:04");
  }
  // A buffer too small for the text gives "".
  EXPECT_EQ(platform::FormatLocalTime(kFixed, "%y%m%d_%H%M%S_", 10), "");
  EXPECT_EQ(platform::FormatLocalTime(kFixed, "%y%m%d_%H%M%S_", 15), "240102_030405_");
}

struct RecordingBoxes : platform::IMessageBoxes {
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons buttons) override {
    shown.push_back(caption + "|" + text);
    lastIcon = icon;
    lastButtons = buttons;
    return answer;
  }
  std::vector<std::string> shown;
  platform::MbIcon lastIcon = platform::MbIcon::Information;
  platform::MbButtons lastButtons = platform::MbButtons::Ok;
  int answer = platform::IDRETRY;
};

TEST(MessageBoxes, InstalledBoxesGetEveryCallAndDefaultAnswersSafely) {
  RecordingBoxes boxes;
  platform::SetMessageBoxes(&boxes);
  EXPECT_EQ(platform::MessageBox("Can't delete file x", "Vorsk - File Error",
                                 platform::MbIcon::Exclamation, platform::MbButtons::RetryCancel),
            platform::IDRETRY);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{"Vorsk - File Error|Can't delete file x"});
  EXPECT_EQ(boxes.lastIcon, platform::MbIcon::Exclamation);
  EXPECT_EQ(boxes.lastButtons, platform::MbButtons::RetryCancel);
  platform::SetMessageBoxes(nullptr);

  // Without a window: printed, OK for notices, Cancel for Retry/Cancel so no loop hangs.
  testing::internal::CaptureStderr();
  EXPECT_EQ(platform::MessageBox("t", "Vorsk - Error", platform::MbIcon::Error), platform::IDOK);
  EXPECT_EQ(platform::MessageBox("u", "Vorsk - File Error", platform::MbIcon::Exclamation,
                                 platform::MbButtons::RetryCancel),
            platform::IDCANCEL);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Vorsk - Error: t\nVorsk - File Error: u\n");
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(MessagePump, DispatchesToTheInstalledPumpOnly) {
  struct CountingPump : platform::IMessagePump {
    void PumpOneMessage() override { ++calls; }
    int calls = 0;
  } pump;
  platform::PumpOneMessage();  // nothing installed: nothing happens
  platform::SetMessagePump(&pump);
  platform::PumpOneMessage();
  platform::PumpOneMessage();
  platform::SetMessagePump(nullptr);
  platform::PumpOneMessage();
  EXPECT_EQ(pump.calls, 2);
}

}  // namespace
