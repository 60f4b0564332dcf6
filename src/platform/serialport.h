// SPDX-License-Identifier: MIT
#pragma once
// A serial line (or a USB printer node) opened for exclusive, non-blocking use.
// All waits sleep in poll(); Cancel() from another thread wakes them at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvel::platform {

enum class TOpenError { None, NoSuchDevice, CannotOpen };

enum class TIoResult {
  Ok,         // read: at least one byte arrived; write: all bytes written (and drained)
  TimedOut,   // nothing arrived / the write did not finish within its limit
  Cancelled,  // Cancel() was called
  Failed      // hang-up, unplug, I/O error
};

struct TLineSettings {
  int bitsPerSecond = 19200;   // unknown speeds are taken as 19200
  bool dtrOn = true;           // false: DTR held off
  bool rtsOn = true;           // false: RTS held off
  bool dsrOutputFlow = false;  // send only while DSR is asserted (where the device has modem lines)
};

// How an errno from opening or locking a device maps onto the two open failures.
TOpenError ClassifyOpenErrno(int err);

// The operating system's reason for a failed open, in plain words for the user:
// EACCES/EPERM "Permission denied: add the user to the dialout group"; ENOENT, ENODEV
// and ENXIO "No such device"; EBUSY/EAGAIN "Device or resource busy: another program
// holds the port"; any other errno its system text. 0 (no reason known) gives "".
std::string OpenFailureText(int err);

class TSerialPort {
 public:
  virtual ~TSerialPort() = default;

  // Opens `path` exclusively (flock + TIOCEXCL), non-blocking; only a character device
  // (a serial line, a pseudo-terminal, a USB printer node) is opened: any other path is
  // CannotOpen, and nothing is written to it. On failure returns nullptr, sets `error` and
  // puts the operating system's reason in `osError` (an errno; ENODEV for an empty path,
  // EBUSY for a port another program has locked, ENOTTY for a path that is not a character
  // device). Missing device (ENOENT, ENODEV, ENXIO) -> NoSuchDevice; anything else ->
  // CannotOpen. On success `osError` is 0.
  static std::unique_ptr<TSerialPort> Open(const std::string& path, TOpenError& error, int& osError);

  // True when the device is a terminal (serial line or pty); false for a USB printer node.
  virtual bool IsTerminal() const = 0;

  // Raw 8N1 at the given speed; modem-line settings are skipped where the device has none.
  virtual void Configure(const TLineSettings& settings) = 0;
  // Raise or drop DTR / RTS (no-op without modem lines).
  virtual void SetDtr(bool on) = 0;
  virtual void SetRts(bool on) = 0;

  // Reads one burst into buf: waits up to firstByteTimeoutMs (< 0: no limit) for the
  // first byte, then returns once gapMs pass without a new byte or `capacity` bytes are in.
  // `received` holds the count. Ok only when at least one byte arrived.
  virtual TIoResult ReadBurst(std::uint8_t* buf, std::size_t capacity, int firstByteTimeoutMs, int gapMs,
                              std::size_t& received) = 0;

  // Writes all bytes and waits until they have left the driver, within timeoutMs.
  // On a time-out the unsent output is discarded.
  virtual TIoResult Write(const std::uint8_t* data, std::size_t count, int timeoutMs) = 0;

  virtual void DiscardInput() = 0;
  virtual void DiscardOutput() = 0;

  // Thread-safe. Makes the wait in progress, and every later one, return Cancelled
  // until ResetCancel() is called (the worker does so when it starts a command).
  virtual void Cancel() = 0;
  virtual void ResetCancel() = 0;
};

}  // namespace quorvel::platform
