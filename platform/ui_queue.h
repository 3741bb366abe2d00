// The UI thread's message queue: how timer ticks and multimedia notifications reach the one
// user-interface thread.
//
// Any thread may post (the audio thread, an SDL timer thread, a waiting thread of the silent
// output); only the UI thread dispatches, and the handlers run there and nowhere else. The pump
// of the program (the window's event loop, the command line's loop, a test) drains the queue
// with DispatchOne or DispatchAll.
//
// A timer tick is not queued twice: while a tick of a timer id waits in the queue, further
// ticks of that id are dropped, so a slow UI thread sees one late tick instead of a burst.
// Tasks are internal work that a device needs done on the UI thread (looking at a voice that
// reached its end); they run during dispatch and never reach the handler.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "platform/message_pump.h"

namespace platform {

class CPolledTimerService;

// Receiver of the queued messages. Called on the UI thread only, from DispatchOne/DispatchAll.
class IUiMessageHandler {
 public:
  virtual ~IUiMessageHandler() = default;
  // A tick of the window timer id (SetTimer in timer_service.h).
  virtual void OnTimer(int id) = 0;
  // A multimedia notification (kMciNotify* in mci.h) for the alias that asked for it.
  virtual void OnMciNotify(int code, const std::string& alias) = 0;
};

class CUiQueue {
 public:
  // Any thread. The wake-up hook (if any) runs after the message is queued, on the posting
  // thread, without the queue's lock held.
  void PostTimer(int id);
  void PostMciNotify(int code, const std::string& alias);
  void PostTask(std::function<void()> task);

  // UI thread. Handles the oldest message: a tick or a notification goes to handler, a task
  // runs. Returns false when the queue was empty. A handler may post; that message waits for
  // a later call.
  bool DispatchOne(IUiMessageHandler& handler);
  // UI thread. Dispatches until the queue is empty (including what the handlers posted);
  // returns the number of messages handled.
  int DispatchAll(IUiMessageHandler& handler);
  // Any thread. Waits up to timeoutMs for a message to be queued; true when one is waiting.
  bool WaitForMessage(int timeoutMs);
  bool Empty() const;
  // Drops everything queued (a test's fresh start, the end of a program).
  void Clear();

  // Installed by the window so that a post wakes its event loop (it pushes an SDL event).
  // Set it while no other thread posts; nullptr removes it.
  void SetWakeup(std::function<void()> wakeup);

 private:
  enum class Kind { Timer, MciNotify, Task };
  struct Message {
    Kind kind;
    int value;
    std::string alias;
    std::function<void()> task;
  };
  void Post(Message message);

  mutable std::mutex m_mutex;
  std::condition_variable m_posted;
  std::deque<Message> m_messages;
  std::function<void()> m_wakeup;
};

// The process-wide queue that the devices and the timer services post to.
CUiQueue& UiQueue();

// The message pump of a program without a window (install it with SetMessagePump): each
// PumpOneMessage polls the timers, if given, and dispatches at most one message of UiQueue()
// to the handler. Neither is owned. UI thread only.
class CUiQueuePump : public IMessagePump {
 public:
  explicit CUiQueuePump(IUiMessageHandler& handler, CPolledTimerService* timers = nullptr)
      : m_handler(handler), m_timers(timers) {}
  void PumpOneMessage() override;

 private:
  IUiMessageHandler& m_handler;
  CPolledTimerService* m_timers;
};

}  // namespace platform
