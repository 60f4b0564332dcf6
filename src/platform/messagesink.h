// SPDX-License-Identifier: MIT
#pragma once
// Numbered notifications from a worker thread to its owner's thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

namespace quorvel::platform {

struct TNotification {
  std::uint32_t code = 0;      // message number, 0x400 and up
  std::int32_t param = 0;      // first message parameter (the DGI answer's final flag)
  std::uint64_t worker = 0;    // identity of the worker that posted it
  std::uint32_t command = 0;   // number of the command whose exchange it belongs to
};

// A new worker identity, never 0 and never given out twice in this process, so
// the notifications of a replaced worker can be told apart.
std::uint64_t NewWorkerIdentity();

// Texts a worker hands over with its notifications wait in a queue, one per
// notification, and are taken in posting order; an empty queue gives T{}.
template <typename T>
T TakeFront(std::deque<T>& queue) {
  if (queue.empty()) return T{};
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

class TMessageSink {
 public:
  virtual ~TMessageSink() = default;
  // Any thread. Queues `n` for the owner's thread; delivered in posting order.
  // Nothing is delivered once the sink has been destroyed.
  virtual void Post(const TNotification& n) = 0;
};

// The owner's event loop: the user-interface thread of the program, or a plain
// queue drained by the caller (command line, tests).
class TEventLoop {
 public:
  using THandler = std::function<void(const TNotification&)>;
  virtual ~TEventLoop() = default;
  virtual std::unique_ptr<TMessageSink> CreateSink(THandler handler) = 0;
};

}  // namespace quorvel::platform
