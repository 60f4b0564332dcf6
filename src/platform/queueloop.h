// SPDX-License-Identifier: MIT
#pragma once
// An event loop without a GUI: notifications wait in a queue until the owning
// thread drains it. Used by the command line and by the tests.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/messagesink.h"

namespace quorvel::platform {

class TQueueLoop : public TEventLoop {
 public:
  TQueueLoop();
  ~TQueueLoop() override;
  std::unique_ptr<TMessageSink> CreateSink(THandler handler) override;

  // Delivers every queued notification (on the calling thread). Returns how many.
  int ProcessPending();
  // Delivers notifications as they come until `done()` is true (checked after each
  // delivery and at the start) or `timeout` passes; sleeps while the queue is empty.
  // Returns done().
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 private:
  struct TState;
  std::shared_ptr<TState> state_;
};

}  // namespace quorvel::platform
