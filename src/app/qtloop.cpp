// SPDX-License-Identifier: MIT
#include "app/qtloop.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>

namespace quorvel::app {
namespace {

// Shared between the sink and its queued deliveries, so that a delivery that
// was queued before the sink went away finds it gone and does nothing.
struct TSinkState {
  explicit TSinkState(platform::TEventLoop::THandler h) : handler(std::move(h)) {}
  platform::TEventLoop::THandler handler;
  std::atomic<bool> alive{true};
};

class TQtSink : public platform::TMessageSink {
 public:
  explicit TQtSink(platform::TEventLoop::THandler handler)
      : state_(std::make_shared<TSinkState>(std::move(handler))) {}
  // Destroyed on the GUI thread, where the deliveries run.
  ~TQtSink() override { state_->alive = false; }

  void Post(const platform::TNotification& n) override {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    // Every delivery goes to the application object, one queue of the GUI
    // thread, so they arrive in posting order.
    QMetaObject::invokeMethod(
        app,
        [state = state_, n] {
          if (state->alive) state->handler(n);
        },
        Qt::QueuedConnection);
  }

 private:
  std::shared_ptr<TSinkState> state_;
};

}  // namespace

std::unique_ptr<platform::TMessageSink> TQtLoop::CreateSink(THandler handler) {
  return std::make_unique<TQtSink>(std::move(handler));
}

}  // namespace quorvel::app
