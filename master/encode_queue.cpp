#include "master/encode_queue.h"

namespace master {

EncodeQueue::EncodeQueue(Encoder& encoder) : m_encoder(encoder), m_thread([this] { Work(); }) {}

EncodeQueue::~EncodeQueue() { Abandon(); }

void EncodeQueue::Work() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (true) {
    m_changed.wait(lock, [this] { return !m_blocks.empty() || m_bClosing; });
    if (m_blocks.empty()) return;  // closing, nothing left
    std::vector<float> block = std::move(m_blocks.front());
    m_blocks.pop_front();
    m_changed.notify_all();
    lock.unlock();
    std::string error;
    const bool bWritten = m_encoder.Write(block.data(), block.size() / 2, error);
    lock.lock();
    if (!bWritten) {
      m_bFailed = true;
      m_error = error;
      m_blocks.clear();
      m_changed.notify_all();
      return;
    }
  }
}

bool EncodeQueue::Push(const float* frames, size_t count) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return m_blocks.size() < kMaxBlocks || m_bFailed; });
  if (m_bFailed || m_bClosing) return false;
  m_blocks.emplace_back(frames, frames + count * 2);
  m_changed.notify_all();
  return true;
}

void EncodeQueue::Stop(bool bDrop) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bDrop) m_blocks.clear();
    m_bClosing = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

bool EncodeQueue::Finish(std::string& error) {
  Stop(false);
  if (!m_bFailed) return true;
  error = m_error;
  return false;
}

void EncodeQueue::Abandon() { Stop(true); }

}  // namespace master
