// Window timers on SDL: each SetTimer(id, ms) is an SDL timer whose callback (on SDL's timer
// thread) posts the tick of id to the UI queue; the ticks are handled on the UI thread when the
// queue is dispatched. Install with platform::SetTimerService. Initialises SDL's timer
// subsystem for its lifetime. UI thread only.
#pragma once

#include <map>

#include "platform/timer_service.h"

namespace vorsk_sdl {

class CSdlTimerService : public platform::ITimerService {
 public:
  CSdlTimerService();
  // Removes every timer (a tick already being posted may still arrive).
  ~CSdlTimerService() override;
  CSdlTimerService(const CSdlTimerService&) = delete;
  CSdlTimerService& operator=(const CSdlTimerService&) = delete;

  bool SetTimer(int id, int periodMs) override;
  bool KillTimer(int id) override;

 private:
  bool m_bInitialised = false;
  std::map<int, int> m_timers;  // id -> SDL_TimerID
};

// Makes every post to the UI queue also push an SDL user event, so that a window's
// SDL_WaitEvent wakes to dispatch the queue. Returns the event type (0 when SDL has none left).
unsigned int InstallUiQueueWakeup();

}  // namespace vorsk_sdl
