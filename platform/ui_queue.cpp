#include "platform/ui_queue.h"

#include <chrono>
#include <utility>

#include "platform/timer_service.h"

namespace platform {

void CUiQueue::PostTimer(int id) {
  {
    std::lock_guard lock(m_mutex);
    for (const Message& m : m_messages) {
      if (m.kind == Kind::Timer && m.value == id) return;
    }
  }
  Post({Kind::Timer, id, {}, {}});
}

void CUiQueue::PostMciNotify(int code, const std::string& alias) {
  Post({Kind::MciNotify, code, alias, {}});
}

void CUiQueue::PostTask(std::function<void()> task) { Post({Kind::Task, 0, {}, std::move(task)}); }

void CUiQueue::Post(Message message) {
  std::function<void()> wakeup;
  {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(std::move(message));
    wakeup = m_wakeup;
  }
  m_posted.notify_all();
  if (wakeup) wakeup();
}

bool CUiQueue::DispatchOne(IUiMessageHandler& handler) {
  Message message;
  {
    std::lock_guard lock(m_mutex);
    if (m_messages.empty()) return false;
    message = std::move(m_messages.front());
    m_messages.pop_front();
  }
  switch (message.kind) {
    case Kind::Timer:
      handler.OnTimer(message.value);
      break;
    case Kind::MciNotify:
      handler.OnMciNotify(message.value, message.alias);
      break;
    case Kind::Task:
      if (message.task) message.task();
      break;
  }
  return true;
}

int CUiQueue::DispatchAll(IUiMessageHandler& handler) {
  int count = 0;
  while (DispatchOne(handler)) ++count;
  return count;
}

bool CUiQueue::WaitForMessage(int timeoutMs) {
  std::unique_lock lock(m_mutex);
  return m_posted.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_messages.empty(); });
}

bool CUiQueue::Empty() const {
  std::lock_guard lock(m_mutex);
  return m_messages.empty();
}

void CUiQueue::Clear() {
  std::deque<Message> dropped;
  std::lock_guard lock(m_mutex);
  dropped.swap(m_messages);
}

void CUiQueue::SetWakeup(std::function<void()> wakeup) {
  std::lock_guard lock(m_mutex);
  m_wakeup = std::move(wakeup);
}

void CUiQueuePump::PumpOneMessage() {
  if (m_timers) m_timers->Poll();
  UiQueue().DispatchOne(m_handler);
}

CUiQueue& UiQueue() {
  static CUiQueue queue;
  return queue;
}

}  // namespace platform
