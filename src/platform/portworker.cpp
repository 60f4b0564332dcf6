// SPDX-License-Identifier: MIT
#include "platform/portworker.h"

#include <algorithm>

namespace quorvel::platform {

namespace {

// Command numbers wrap; "a is at or after b" within half the range.
bool AtOrAfter(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) >= 0; }

}  // namespace

TPortWorker::TPortWorker(TSerialPort& port, TMessageSink& sink, TProtocol& protocol, std::size_t sendBufferSize)
    : port_(port),
      sink_(sink),
      protocol_(protocol),
      sendBufferSize_(sendBufferSize),
      identity_(NewWorkerIdentity()) {
  sendBuffer_.reserve(sendBufferSize_);
}

TPortWorker::~TPortWorker() { Terminate(); }

void TPortWorker::Start() { thread_ = std::thread([this] { Execute(); }); }

void TPortWorker::Terminate() {
  {
    std::lock_guard guard(lock_);
    terminate_ = true;
    pendingCommand_ = false;
    startSignal_ = true;
    port_.Cancel();
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::uint32_t TPortWorker::StartCommand(std::string_view frame) {
  std::lock_guard guard(lock_);
  sendBuffer_.assign(frame.substr(0, std::min(frame.size(), sendBufferSize_)));
  pendingCommand_ = true;
  if (++lastNumber_ == 0) ++lastNumber_;
  return lastNumber_;
}

void TPortWorker::SignalStartCommand() {
  {
    std::lock_guard guard(lock_);
    startSignal_ = true;
  }
  changed_.notify_all();
}

void TPortWorker::SignalEndCommand() {
  // A command handed over in the meantime keeps its wake-up.
  std::lock_guard guard(lock_);
  if (!pendingCommand_) startSignal_ = false;
}

void TPortWorker::AbortSignaledEvents() {
  {
    // Cancel under the lock: a command the worker has already taken is cancelled,
    // one it has not taken yet is dropped, never both or neither.
    std::lock_guard guard(lock_);
    pendingCommand_ = false;
    startSignal_ = true;
    port_.Cancel();
  }
  changed_.notify_all();
}

void TPortWorker::WaitForCycleEnd(std::uint32_t command) {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [&] { return terminate_ || AtOrAfter(finishedNumber_, command); });
}

void TPortWorker::Notify(std::uint32_t code, std::int32_t param) {
  sink_.Post(TNotification{code, param, identity_, currentNumber_});
}

TIoResult TPortWorker::Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) {
  const TIoResult result = port_.Write(bytes, count, timeoutMs);
  if (result == TIoResult::Failed) lineClosed_ = true;
  return result;
}

TIoResult TPortWorker::ReadBurst(std::uint8_t* buffer, std::size_t capacity, int firstByteTimeoutMs, int gapMs,
                                 std::size_t& received) {
  const TIoResult result = port_.ReadBurst(buffer, capacity, firstByteTimeoutMs, gapMs, received);
  if (result == TIoResult::Failed) lineClosed_ = true;
  return result;
}

void TPortWorker::Execute() {
  std::string frame;
  frame.reserve(sendBufferSize_);
  while (TakeCommand(frame)) {
    protocol_.Exchange(frame);
    EndOfCycle();
  }
}

bool TPortWorker::TakeCommand(std::string& frame) {
  std::unique_lock guard(lock_);
  for (;;) {
    changed_.wait(guard, [&] { return startSignal_ || terminate_; });
    if (terminate_) return false;
    guard.unlock();
    protocol_.Woken();
    guard.lock();
    if (terminate_) return false;
    if (!pendingCommand_) {
      // Woken by an abort: nothing to do. A command handed over since is taken.
      startSignal_ = false;
      continue;
    }
    frame = sendBuffer_;
    currentNumber_ = lastNumber_;
    pendingCommand_ = false;
    lineClosed_ = false;
    // A cancel from before this point belonged to an earlier exchange.
    port_.ResetCancel();
    return true;
  }
}

void TPortWorker::EndOfCycle() {
  {
    std::lock_guard guard(lock_);
    finishedNumber_ = currentNumber_;
    // A command handed over during this cycle keeps its signal.
    if (!pendingCommand_) startSignal_ = false;
  }
  changed_.notify_all();
}

}  // namespace quorvel::platform
