// SPDX-License-Identifier: MIT
#pragma once
// TPortWorker: the thread on which a protocol control carries out its commands, one
// exchange at a time, on an open port. It owns what every protocol needs around an
// exchange: the thread and its end, the command-start signal and the pending
// command, the cancel of a wait on the line, the lock, the texts handed over to the
// owner's thread in posting order, the identity that every notification carries
// so that those of a replaced worker can be told apart, and whether the line was
// found closed. The protocol itself (what is written, how the answer is read and
// what is posted) is a TProtocol. OpenWorkerPort opens a port and starts a
// protocol's worker on it.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/messagesink.h"
#include "platform/serialport.h"

namespace quorvel::platform {

class TPortWorker {
 public:
  // What a protocol does on the worker's thread.
  class TProtocol {
   public:
    virtual ~TProtocol() = default;
    // The start signal woke the worker, before it looks for a command (a wake-up may
    // also come from an abort, which leaves no command to carry out).
    virtual void Woken() {}
    // Carries out one command: writes `frame` and reads the answer. Every wait on the
    // line returns Cancelled at once when the command is aborted or the worker ends.
    virtual void Exchange(const std::string& frame) = 0;
  };

  // Texts (or field lists) the worker hands to the owner's thread, one per
  // notification, under the worker's lock: the worker puts one before it posts the
  // notification that announces it, the owner takes one while handling that
  // notification, so a notification handled late still gets its own text. Taking
  // from an empty hand-over gives T{}.
  template <typename T>
  class THandOver {
   public:
    explicit THandOver(TPortWorker& worker) : lock_(worker.lock_) {}
    void Put(T value) {
      std::lock_guard guard(lock_);
      queue_.push_back(std::move(value));
    }
    T Take() {
      std::lock_guard guard(lock_);
      return TakeFront(queue_);
    }

   private:
    std::mutex& lock_;
    std::deque<T> queue_;
  };

  // The worker posts to `sink` and cancels waits on `port`; both must outlive it. A
  // frame handed over is cut to `sendBufferSize` bytes.
  TPortWorker(TSerialPort& port, TMessageSink& sink, TProtocol& protocol, std::size_t sendBufferSize);
  // Terminate().
  ~TPortWorker();
  TPortWorker(const TPortWorker&) = delete;
  TPortWorker& operator=(const TPortWorker&) = delete;

  // Starts the thread. Throws std::system_error when it cannot be created.
  void Start();
  // Asks the thread to end, cancels its wait on the line, wakes it and waits until it
  // has left its loop. A command not taken yet is dropped. Safe to call twice.
  void Terminate();

  // The identity carried by every notification of this worker, never 0 and never
  // shared with another worker of this process.
  std::uint64_t Identity() const { return identity_; }
  // True when this worker posted `n`; false for a notification of a replaced worker.
  bool IsOwn(const TNotification& n) const { return n.worker == identity_; }

  // Owner's thread. Hands `frame` over as the pending command and returns its number
  // (never 0), which every notification of its exchange carries.
  std::uint32_t StartCommand(std::string_view frame);
  // Owner's thread. Sets the command-start signal: the worker takes the pending command.
  void SignalStartCommand();
  // Owner's thread. Clears the command-start signal unless a command is pending.
  void SignalEndCommand();
  // Owner's thread. Drops the pending command, cancels the exchange in progress (its
  // wait on the line returns at once) and wakes the worker. An exchange that starts
  // afterwards is not affected.
  void AbortSignaledEvents();
  // Owner's thread. Waits until the worker has finished the cycle of command
  // `command` (or a later one), or has been asked to end.
  void WaitForCycleEnd(std::uint32_t command);

  // Worker's thread. Posts `code` with `param`, this worker's identity and the number
  // of the command in progress.
  void Notify(std::uint32_t code, std::int32_t param = 0);

  // Worker's thread. The port's own Write and ReadBurst; a result of Failed (hang-up,
  // unplugged device, I/O error) is remembered for LineClosed.
  TIoResult Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs);
  TIoResult ReadBurst(std::uint8_t* buffer, std::size_t capacity, int firstByteTimeoutMs, int gapMs,
                      std::size_t& received);
  // Any thread. True when the line failed during the exchange in progress or the last
  // one finished; a silent printer leaves it false.
  bool LineClosed() const { return lineClosed_.load(); }

 private:
  void Execute();
  bool TakeCommand(std::string& frame);
  void EndOfCycle();

  TSerialPort& port_;
  TMessageSink& sink_;
  TProtocol& protocol_;
  const std::size_t sendBufferSize_;
  const std::uint64_t identity_;

  // Guards the state below and every THandOver of this worker.
  std::mutex lock_;
  std::condition_variable changed_;
  bool startSignal_ = false;
  bool pendingCommand_ = false;
  bool terminate_ = false;
  std::string sendBuffer_;
  std::uint32_t lastNumber_ = 0;      // of the command handed over last
  std::uint32_t finishedNumber_ = 0;  // of the last cycle finished

  // Worker's thread only.
  std::uint32_t currentNumber_ = 0;
  std::atomic<bool> lineClosed_{false};

  std::thread thread_;
};

// How opening a port for a protocol's worker ended.
enum class TPortOpening { Opened, NoSuchDevice, CannotOpen, CannotStart };

// A control's own error codes for the ways an opening ends.
template <typename TError>
struct TOpeningErrors {
  TError opened, noSuchDevice, cannotOpen, cannotStart;
  TError operator()(TPortOpening opening) const {
    switch (opening) {
      case TPortOpening::Opened: return opened;
      case TPortOpening::NoSuchDevice: return noSuchDevice;
      case TPortOpening::CannotOpen: return cannotOpen;
      case TPortOpening::CannotStart: break;
    }
    return cannotStart;
  }
};

// Opens the device with `open(error, osError)` (TSerialPort::Open or a protocol's own
// way of finding its device), lets `prepare(port)` set the line up, then makes the
// protocol's worker with `make(port)` (a std::unique_ptr to a class with Start()) and
// starts its thread. On Opened, `port` and `worker` hold them; on anything else both
// are left as they were, and a worker made is stopped before its device is closed
// again. `osError` is the system's reason for a failed open (an errno), 0 otherwise.
template <typename TWorker, typename TOpen, typename TPrepare, typename TMake>
TPortOpening OpenWorkerPort(TOpen&& open, TPrepare&& prepare, TMake&& make, std::unique_ptr<TSerialPort>& port,
                            std::unique_ptr<TWorker>& worker, int& osError) {
  osError = 0;
  TOpenError error = TOpenError::None;
  std::unique_ptr<TSerialPort> opened = open(error, osError);
  if (!opened) return error == TOpenError::NoSuchDevice ? TPortOpening::NoSuchDevice : TPortOpening::CannotOpen;
  prepare(*opened);
  std::unique_ptr<TWorker> started;  // goes before `opened`, whose device it uses
  try {
    started = make(*opened);
    started->Start();
  } catch (const std::exception&) {
    return TPortOpening::CannotStart;
  }
  port = std::move(opened);
  worker = std::move(started);
  return TPortOpening::Opened;
}

}  // namespace quorvel::platform
