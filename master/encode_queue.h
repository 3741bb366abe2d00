// EncodeQueue: hands the encoder's work to a thread of its own, so that a lossy encoder
// (Vorbis, Opus, MP3: most of a master's time) runs beside the room and the limiter instead of
// after them. Blocks are copied into a queue of at most kMaxBlocks and encoded in order.
// The object is used from one thread; the encoder it is given must not be touched until
// Finish or Abandon has returned.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "master/encoder.h"

namespace master {

class EncodeQueue {
 public:
  static constexpr size_t kMaxBlocks = 8;

  explicit EncodeQueue(Encoder& encoder);
  ~EncodeQueue();  // abandons what still waits
  EncodeQueue(const EncodeQueue&) = delete;
  EncodeQueue& operator=(const EncodeQueue&) = delete;

  // Queues count interleaved stereo frames, waiting while the queue is full; false once a
  // write has failed (nothing more is taken).
  bool Push(const float* frames, size_t count);
  // Waits until every queued block is encoded and ends the thread; false with the cause of
  // the first failed write in error.
  bool Finish(std::string& error);
  // Drops what waits and ends the thread.
  void Abandon();

 private:
  void Work();
  void Stop(bool bDrop);

  Encoder& m_encoder;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::vector<float>> m_blocks;
  bool m_bClosing = false, m_bFailed = false;
  std::string m_error;
  std::thread m_thread;
};

}  // namespace master
