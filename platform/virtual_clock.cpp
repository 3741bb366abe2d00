#include "platform/virtual_clock.h"

#include <algorithm>

namespace platform {

void CVirtualClock::Advance(long long ms) { Run(ms, nullptr); }

void CVirtualClock::RunFor(long long ms, IUiMessageHandler& handler) { Run(ms, &handler); }

void CVirtualClock::Run(long long ms, IUiMessageHandler* handler) {
  const long long target = m_nNowMs + std::max(0LL, ms);
  for (;;) {
    long long next = -1;
    for (const IListener* listener : m_listeners) {
      const long long due = listener->NextDueMs();
      if (due >= 0 && (next < 0 || due < next)) next = due;
    }
    if (next < 0 || next > target) break;
    m_nNowMs = std::max(m_nNowMs, next);
    // A copy: a listener may detach another while it runs.
    const std::vector<IListener*> listeners = m_listeners;
    for (IListener* listener : listeners) {
      if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) {
        listener->OnTime(m_nNowMs);
      }
    }
    if (handler) UiQueue().DispatchAll(*handler);
  }
  m_nNowMs = target;
  if (handler) UiQueue().DispatchAll(*handler);
}

void CVirtualClock::Attach(IListener* listener) { m_listeners.push_back(listener); }

void CVirtualClock::Detach(IListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                    m_listeners.end());
}

CVirtualTimerService::CVirtualTimerService(CVirtualClock& clock) : m_clock(clock) {
  m_clock.Attach(this);
}

CVirtualTimerService::~CVirtualTimerService() { m_clock.Detach(this); }

bool CVirtualTimerService::SetTimer(int id, int periodMs) {
  if (periodMs < 1) return false;
  m_timers[id] = {periodMs, m_clock.NowMs() + periodMs};
  return true;
}

bool CVirtualTimerService::KillTimer(int id) { return m_timers.erase(id) > 0; }

long long CVirtualTimerService::NextDueMs() const {
  long long next = -1;
  for (const auto& entry : m_timers) {
    if (next < 0 || entry.second.nNextMs < next) next = entry.second.nNextMs;
  }
  return next;
}

void CVirtualTimerService::OnTime(long long nowMs) {
  for (auto& [id, timer] : m_timers) {
    if (timer.nNextMs > nowMs) continue;
    UiQueue().PostTimer(id);
    while (timer.nNextMs <= nowMs) timer.nNextMs += timer.nPeriodMs;
  }
}

CVirtualAudioBackend::CVirtualAudioBackend(CVirtualClock& clock) : m_clock(clock) {
  m_clock.Attach(this);
}

CVirtualAudioBackend::~CVirtualAudioBackend() { m_clock.Detach(this); }

CVirtualMultimedia::CVirtualMultimedia() {
  UiQueue().Clear();
  SetMciDevice(&m_interpreter);
  SetTimerService(&m_timers);
}

CVirtualMultimedia::~CVirtualMultimedia() {
  SetMciDevice(nullptr);
  SetTimerService(nullptr);
  UiQueue().Clear();
}

}  // namespace platform
