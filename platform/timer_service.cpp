#include "platform/timer_service.h"

#include <algorithm>

#include "platform/ui_queue.h"

namespace platform {
namespace {
ITimerService* g_service = nullptr;
}

void SetTimerService(ITimerService* service) { g_service = service; }

bool SetTimer(int id, int periodMs) { return g_service && g_service->SetTimer(id, periodMs); }

bool KillTimer(int id) { return g_service && g_service->KillTimer(id); }

bool CPolledTimerService::SetTimer(int id, int periodMs) {
  if (periodMs < 1) return false;
  const std::chrono::milliseconds period(periodMs);
  m_timers[id] = {period, Clock::now() + period};
  return true;
}

bool CPolledTimerService::KillTimer(int id) { return m_timers.erase(id) > 0; }

void CPolledTimerService::Poll() {
  const Clock::time_point now = Clock::now();
  for (auto& [id, timer] : m_timers) {
    if (timer.next > now) continue;
    UiQueue().PostTimer(id);
    while (timer.next <= now) timer.next += timer.period;
  }
}

int CPolledTimerService::MsUntilNextTick() const {
  if (m_timers.empty()) return -1;
  Clock::time_point next = Clock::time_point::max();
  for (const auto& entry : m_timers) next = std::min(next, entry.second.next);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
  return wait < 0 ? 0 : static_cast<int>(wait);
}

}  // namespace platform
