// Multimedia on a virtual clock, for tests: time moves only when the test advances it, so
// positions, timer ticks and end notifications come out the same on every run.
//
//   CVirtualClock         the time in milliseconds, from 0; Advance/RunFor move it
//   CVirtualTimerService  SetTimer/KillTimer whose ticks fall at exact multiples of the period
//   CVirtualAudioBackend  voices whose position follows the clock (no sound, no threads)
//   CVirtualMultimedia    all three with an interpreter, installed as the process's
//                         MciSendString device and timer service for its lifetime
//
// Everything here runs on the test's (the UI) thread; the ticks and notifications are posted
// to the UI queue and reach a handler when the queue is dispatched.
#pragma once

#include <map>
#include <vector>

#include "platform/clocked_backend.h"
#include "platform/mci_interpreter.h"
#include "platform/timer_service.h"
#include "platform/ui_queue.h"

namespace platform {

class CVirtualClock {
 public:
  // Something that happens at times of the clock.
  class IListener {
   public:
    virtual ~IListener() = default;
    // The next time (ms) at which the listener has something to do, or -1.
    virtual long long NextDueMs() const = 0;
    // The clock stands at nowMs; do what is due.
    virtual void OnTime(long long nowMs) = 0;
  };

  long long NowMs() const { return m_nNowMs; }
  // Moves the time forward by ms. Whatever falls due on the way happens at its own time and
  // in time order (the clock stands at that time meanwhile); the messages wait in the queue.
  void Advance(long long ms);
  // As Advance, and after each moment at which something fell due, and at the end, dispatches
  // the UI queue to handler, so that the handler sees each tick and notification at its time
  // and what it does there (a status read, a seek) takes effect before the clock moves on.
  void RunFor(long long ms, IUiMessageHandler& handler);

  // Listeners are not owned; each detaches itself before it goes.
  void Attach(IListener* listener);
  void Detach(IListener* listener);

 private:
  void Run(long long ms, IUiMessageHandler* handler);
  long long m_nNowMs = 0;
  std::vector<IListener*> m_listeners;
};

class CVirtualTimerService : public ITimerService, private CVirtualClock::IListener {
 public:
  explicit CVirtualTimerService(CVirtualClock& clock);
  ~CVirtualTimerService() override;
  // The first tick comes periodMs after the call, then every periodMs.
  bool SetTimer(int id, int periodMs) override;
  bool KillTimer(int id) override;
  bool IsRunning(int id) const { return m_timers.count(id) > 0; }

 private:
  long long NextDueMs() const override;
  void OnTime(long long nowMs) override;
  struct Timer {
    long long nPeriodMs;
    long long nNextMs;
  };
  CVirtualClock& m_clock;
  std::map<int, Timer> m_timers;
};

class CVirtualAudioBackend : public CClockedBackend, private CVirtualClock::IListener {
 public:
  explicit CVirtualAudioBackend(CVirtualClock& clock);
  ~CVirtualAudioBackend() override;

 protected:
  long long NowMs() const override { return m_clock.NowMs(); }

 private:
  long long NextDueMs() const override { return NextEndMs(); }
  void OnTime(long long) override { EndDueVoices(); }
  CVirtualClock& m_clock;
};

// The test's whole multimedia: clears the UI queue, installs the interpreter as the
// MciSendString device and the timers as the timer service; the destructor undoes both and
// clears the queue again. One at a time.
class CVirtualMultimedia {
 public:
  CVirtualMultimedia();
  ~CVirtualMultimedia();
  CVirtualMultimedia(const CVirtualMultimedia&) = delete;
  CVirtualMultimedia& operator=(const CVirtualMultimedia&) = delete;

  CVirtualClock& Clock() { return m_clock; }
  CVirtualTimerService& Timers() { return m_timers; }
  CMciInterpreter& Interpreter() { return m_interpreter; }
  void RunFor(long long ms, IUiMessageHandler& handler) { m_clock.RunFor(ms, handler); }

 private:
  CVirtualClock m_clock;
  CVirtualTimerService m_timers{m_clock};
  CVirtualAudioBackend m_backend{m_clock};
  CMciInterpreter m_interpreter{m_backend};
};

}  // namespace platform
