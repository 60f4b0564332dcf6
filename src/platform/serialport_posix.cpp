// SPDX-License-Identifier: MIT
// TSerialPort on POSIX: termios on a non-blocking descriptor; every wait is a poll()
// on the device and an eventfd, so Cancel() from another thread wakes it at once.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/deadline.h"
#include "platform/serialport.h"

namespace quorvel::platform {

TOpenError ClassifyOpenErrno(int err) {
  switch (err) {
    case 0:
      return TOpenError::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return TOpenError::NoSuchDevice;
    default:
      return TOpenError::CannotOpen;
  }
}

std::string OpenFailureText(int err) {
  switch (err) {
    case 0:
      return {};
    case EACCES:
    case EPERM:
      return "Permission denied: add the user to the dialout group";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "No such device";
    case EBUSY:
    case EAGAIN:
      return "Device or resource busy: another program holds the port";
    case ENOTTY:
      return "Not a device: a port is a serial line or a USB printer";
    default: {
      char buf[256];
      // The GNU strerror_r may return a static text instead of filling buf.
      return ::strerror_r(err, buf, sizeof buf);
    }
  }
}

namespace {

constexpr int kDsrRecheckMs = 5;           // how often a write held off by DSR looks again
constexpr std::size_t kDsrChunkBytes = 16;  // output between two DSR checks

speed_t SpeedFor(int bitsPerSecond) {
  switch (bitsPerSecond) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B19200;
  }
}

bool NoModemLines(int err) { return err == ENOTTY || err == EINVAL; }

class TPosixSerialPort final : public TSerialPort {
 public:
  TPosixSerialPort(int fd, int wakeFd, bool terminal) : fd_(fd), wakeFd_(wakeFd), terminal_(terminal) {}

  ~TPosixSerialPort() override {
    // The exclusive flag lives on the tty, not on this descriptor: drop it so that
    // the device can be opened again while another descriptor keeps it alive.
    if (terminal_) ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    ::close(wakeFd_);
  }

  bool IsTerminal() const override { return terminal_; }

  void Configure(const TLineSettings& settings) override {
    bitsPerSecond_ = settings.bitsPerSecond;
    if (terminal_) {
      termios tio{};
      if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD | CS8;
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS | PARENB);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        const speed_t speed = SpeedFor(settings.bitsPerSecond);
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        ::tcsetattr(fd_, TCSANOW, &tio);
      }
    }
    SetDtr(settings.dtrOn);
    SetRts(settings.rtsOn);
    dsrOutputFlow_ = settings.dsrOutputFlow;
  }

  void SetDtr(bool on) override { SetModemLine(TIOCM_DTR, on); }
  void SetRts(bool on) override { SetModemLine(TIOCM_RTS, on); }

  TIoResult ReadBurst(std::uint8_t* buf, std::size_t capacity, int firstByteTimeoutMs, int gapMs,
                      std::size_t& received) override {
    received = 0;
    if (capacity == 0) return TIoResult::TimedOut;
    TDeadline deadline(firstByteTimeoutMs);
    for (;;) {
      const int waitMs = received == 0 ? deadline.RemainingMs() : gapMs;
      const TWaitResult waited = WaitFor(POLLIN, waitMs);
      if (waited == TWaitResult::Cancelled) return TIoResult::Cancelled;
      if (waited == TWaitResult::TimedOut) return received > 0 ? TIoResult::Ok : TIoResult::TimedOut;
      const ssize_t n = ::read(fd_, buf + received, capacity - received);
      if (n > 0) {
        received += static_cast<std::size_t>(n);
        if (received == capacity) return TIoResult::Ok;
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR) && waited == TWaitResult::Ready) continue;
      // End of file or an error (EIO after a hang-up): hand over what came first;
      // the next read reports the failure.
      return received > 0 ? TIoResult::Ok : TIoResult::Failed;
    }
  }

  TIoResult Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override {
    TDeadline deadline(timeoutMs);
    std::size_t sent = 0;
    while (sent < count) {
      std::size_t chunk = count - sent;
      if (dsrOutputFlow_ && hasModemLines_) {
        const TIoResult held = WaitForDsr(deadline);
        if (held != TIoResult::Ok) return EndWrite(held);
        chunk = std::min(chunk, kDsrChunkBytes);
      }
      const TWaitResult waited = WaitFor(POLLOUT, deadline.RemainingMs());
      if (waited == TWaitResult::Cancelled) return EndWrite(TIoResult::Cancelled);
      if (waited == TWaitResult::TimedOut) return EndWrite(TIoResult::TimedOut);
      if (waited == TWaitResult::HungUp) return EndWrite(TIoResult::Failed);
      const ssize_t n = ::write(fd_, data + sent, chunk);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      return EndWrite(TIoResult::Failed);
    }
    return EndWrite(Drain(deadline));
  }

  void DiscardInput() override {
    if (terminal_) ::tcflush(fd_, TCIFLUSH);
  }
  void DiscardOutput() override {
    if (terminal_) ::tcflush(fd_, TCOFLUSH);
  }

  void Cancel() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
  }
  void ResetCancel() override {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
  }

 private:
  enum class TWaitResult { Ready, HungUp, TimedOut, Cancelled };

  // Sleeps until the device is ready for `events` or reports a hang-up or error,
  // Cancel() is called, or timeoutMs passes (< 0: no limit).
  TWaitResult WaitFor(short events, int timeoutMs) {
    TDeadline deadline(timeoutMs);
    for (;;) {
      pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
      const int r = ::poll(fds, 2, deadline.RemainingMs());
      if (r < 0) {
        if (errno == EINTR) continue;
        return TWaitResult::HungUp;
      }
      if (fds[1].revents & POLLIN) return TWaitResult::Cancelled;
      if (r == 0) return TWaitResult::TimedOut;
      if (fds[0].revents & events) return TWaitResult::Ready;
      return TWaitResult::HungUp;  // POLLHUP, POLLERR or POLLNVAL without data
    }
  }

  // Sleeps (cancellably) while the printer holds DSR low, until the deadline.
  TIoResult WaitForDsr(const TDeadline& deadline) {
    for (;;) {
      int lines = 0;
      if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
        if (NoModemLines(errno)) hasModemLines_ = false;
        return TIoResult::Ok;
      }
      if (lines & TIOCM_DSR) return TIoResult::Ok;
      if (deadline.Expired()) return TIoResult::TimedOut;
      pollfd fd{wakeFd_, POLLIN, 0};
      if (::poll(&fd, 1, deadline.RemainingMsCapped(kDsrRecheckMs)) > 0) return TIoResult::Cancelled;
    }
  }

  // Waits until the driver's output queue is empty; devices without one (a
  // pseudo-terminal reads 0, a USB printer node fails) count as drained.
  TIoResult Drain(const TDeadline& deadline) {
    if (!terminal_) return TIoResult::Ok;
    for (;;) {
      int queued = 0;
      if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) return TIoResult::Ok;
      if (deadline.Expired()) return TIoResult::TimedOut;
      // Sleep about as long as the queued bytes take on the line (10 bits per byte).
      const long long lineMs = static_cast<long long>(queued) * 10000 / std::max(bitsPerSecond_, 1) + 1;
      const int napMs = deadline.RemainingMsCapped(static_cast<int>(std::min<long long>(lineMs, 50)));
      pollfd fd{wakeFd_, POLLIN, 0};
      if (::poll(&fd, 1, napMs) > 0) return TIoResult::Cancelled;
    }
  }

  // A write that did not complete (timed out, cancelled, failed) leaves nothing
  // behind in the driver; a completed one is left to drain.
  TIoResult EndWrite(TIoResult result) {
    if (result != TIoResult::Ok) DiscardOutput();
    return result;
  }

  void SetModemLine(int line, bool on) {
    if (!hasModemLines_) return;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) != 0 && NoModemLines(errno)) hasModemLines_ = false;
  }

  const int fd_;
  const int wakeFd_;
  const bool terminal_;
  int bitsPerSecond_ = 19200;
  bool hasModemLines_ = true;
  bool dsrOutputFlow_ = false;
};

}  // namespace

std::unique_ptr<TSerialPort> TSerialPort::Open(const std::string& path, TOpenError& error, int& osError) {
  error = TOpenError::None;
  osError = 0;
  if (path.empty()) {
    error = TOpenError::NoSuchDevice;
    osError = ENODEV;
    return nullptr;
  }
  // Only a character device is a port: a regular file, a folder or a FIFO would take
  // the command frame as data. Looked at before opening, and again on what was opened.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISCHR(info.st_mode)) {
    error = TOpenError::CannotOpen;
    osError = ENOTTY;
    return nullptr;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    osError = errno;
    error = ClassifyOpenErrno(osError);
    return nullptr;
  }
  auto fail = [&](int err) -> std::unique_ptr<TSerialPort> {
    osError = err;
    error = ClassifyOpenErrno(err);
    if (error == TOpenError::None) error = TOpenError::CannotOpen;
    ::close(fd);
    return nullptr;
  };
  if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return fail(ENOTTY);
  // flock also keeps out a second opener running as root, which TIOCEXCL does not.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  termios tio{};
  const bool terminal = ::tcgetattr(fd, &tio) == 0;
  if (terminal && ::ioctl(fd, TIOCEXCL) != 0) return fail(errno);
  const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd < 0) return fail(errno);
  return std::make_unique<TPosixSerialPort>(fd, wakeFd, terminal);
}

}  // namespace quorvel::platform
