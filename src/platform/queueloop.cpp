// SPDX-License-Identifier: MIT
#include "platform/queueloop.h"

#include <utility>

namespace quorvel::platform {

namespace {

// What a sink and the queue share: the handler, and whether the sink still exists.
struct TSinkCore {
  TEventLoop::THandler handler;
  bool alive = true;  // guarded by TQueueCore::mutex
};

// The queue, shared by the loop and its sinks (which may outlive the loop).
struct TQueueCore {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<std::pair<std::shared_ptr<TSinkCore>, TNotification>> queue;

  // Takes the next deliverable entry, skipping those of destroyed sinks.
  bool Pop(TEventLoop::THandler& handler, TNotification& n) {
    while (!queue.empty()) {
      auto [core, note] = std::move(queue.front());
      queue.pop_front();
      if (!core->alive) continue;
      handler = core->handler;
      n = note;
      return true;
    }
    return false;
  }
};

class TQueueSink : public TMessageSink {
 public:
  TQueueSink(std::shared_ptr<TQueueCore> state, std::shared_ptr<TSinkCore> core)
      : state_(std::move(state)), core_(std::move(core)) {}
  ~TQueueSink() override {
    std::lock_guard lock(state_->mutex);
    core_->alive = false;
  }
  void Post(const TNotification& n) override {
    {
      std::lock_guard lock(state_->mutex);
      if (!core_->alive) return;
      state_->queue.emplace_back(core_, n);
    }
    state_->posted.notify_all();
  }

 private:
  std::shared_ptr<TQueueCore> state_;
  std::shared_ptr<TSinkCore> core_;
};

}  // namespace

struct TQueueLoop::TState : TQueueCore {};

TQueueLoop::TQueueLoop() : state_(std::make_shared<TState>()) {}
TQueueLoop::~TQueueLoop() = default;

std::unique_ptr<TMessageSink> TQueueLoop::CreateSink(THandler handler) {
  auto core = std::make_shared<TSinkCore>();
  core->handler = std::move(handler);
  return std::make_unique<TQueueSink>(state_, std::move(core));
}

int TQueueLoop::ProcessPending() {
  int delivered = 0;
  for (;;) {
    THandler handler;
    TNotification n;
    {
      std::lock_guard lock(state_->mutex);
      if (!state_->Pop(handler, n)) return delivered;
    }
    if (handler) handler(n);
    ++delivered;
  }
}

bool TQueueLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    THandler handler;
    TNotification n;
    {
      std::unique_lock lock(state_->mutex);
      while (!state_->Pop(handler, n)) {
        if (state_->posted.wait_until(lock, deadline) == std::cv_status::timeout && state_->queue.empty())
          return done();
      }
    }
    if (handler) handler(n);
  }
  return true;
}

}  // namespace quorvel::platform
