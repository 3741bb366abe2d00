// Window timers: SetTimer(id, periodMs) makes timer id tick every periodMs milliseconds until
// KillTimer(id); every tick reaches the UI thread as IUiMessageHandler::OnTimer(id) through the
// UI queue (ui_queue.h). Setting an id that runs already restarts it with the new period.
// Ids are the program's (1 the playback display, 2 the user manual).
//
// The service behind the functions is installed by the program: the window's SDL timers
// (sdl/sdl_timer_service.h), the command line's CPolledTimerService, a test's
// CVirtualTimerService (virtual_clock.h). With none installed, SetTimer fails and does nothing.
// UI thread only; the ticks themselves may be posted from any thread.
#pragma once

#include <chrono>
#include <map>

namespace platform {

class ITimerService {
 public:
  virtual ~ITimerService() = default;
  // False when the timer cannot be made (no service, period below 1 ms).
  virtual bool SetTimer(int id, int periodMs) = 0;
  // False when the id does not run.
  virtual bool KillTimer(int id) = 0;
};

// Installs the service (not owned); nullptr removes it.
void SetTimerService(ITimerService* service);
bool SetTimer(int id, int periodMs);
bool KillTimer(int id);

// Timers for a plain loop (the command line): Poll() posts the ticks that are due on the
// steady clock; the loop calls it between waits of at most MsUntilNextTick().
class CPolledTimerService : public ITimerService {
 public:
  bool SetTimer(int id, int periodMs) override;
  bool KillTimer(int id) override;
  // Posts one tick for each timer whose time has come (a timer late by several periods ticks
  // once) and schedules its next tick one period after its last one.
  void Poll();
  // Milliseconds until the next tick is due (0 when overdue), or -1 when no timer runs.
  int MsUntilNextTick() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point next;
  };
  std::map<int, Timer> m_timers;
};

}  // namespace platform
