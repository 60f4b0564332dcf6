#pragma once
// Numbered notifications from a worker thread to its owner's thread.
#include <cstdint>
#include <functional>
#include <memory>

namespace quorvel::platform {

struct TNotification {
  std::uint32_t code = 0;      // message number, 0x400 and up
  std::int32_t param = 0;      // first message parameter; the host worker puts the number of
                               // the command the notification belongs to here
  std::uint64_t worker = 0;    // identity of the worker that posted it
};

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
