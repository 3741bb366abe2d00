#include "platform/clock.h"

#include <time.h>

#include <vector>

namespace platform {
namespace {
const IClock* g_clock = nullptr;
}

void SetClock(const IClock* clock) { g_clock = clock; }

std::time_t Now() { return g_clock ? g_clock->Now() : std::time(nullptr); }

void IClock::WaitUntil(std::time_t t) const {
  while (Now() < t) {
    const timespec pause{0, 20 * 1000 * 1000};  // 20 ms
    ::nanosleep(&pause, nullptr);
  }
}

void WaitUntil(std::time_t t) {
  if (g_clock) {
    g_clock->WaitUntil(t);
    return;
  }
  while (std::time(nullptr) < t) {
    const timespec pause{0, 20 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
}

std::string FormatLocalTime(std::time_t t, const char* format, size_t bufferSize) {
  std::tm local {};
  if (!localtime_r(&t, &local)) return {};
  std::vector<char> buffer(bufferSize);
  const size_t n = std::strftime(buffer.data(), buffer.size(), format, &local);
  return std::string(buffer.data(), n);
}

}  // namespace platform
