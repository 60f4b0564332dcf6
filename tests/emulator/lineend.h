// SPDX-License-Identifier: MIT
#pragma once
// The host's end of the emulator's line, driven by the test with raw bytes: it opens
// the slave path as a control would and reads what the printer sends.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string>

#include "emulator/wire.h"

namespace quorvel::emulator::testing {

// Builds bytes from hexadecimal text such as "02 20 2A 03".
inline std::string Bytes(const std::string& hex) {
  std::optional<std::string> bytes = wire::ParseHexBytes(hex);
  if (!bytes) throw std::invalid_argument("malformed hex text: " + hex);
  return *bytes;
}

// How many bytes hexadecimal text such as "02 20 2A 03" stands for.
inline std::size_t ByteCount(const std::string& hex) { return Bytes(hex).size(); }

class TLineEnd {
 public:
  enum class TReadEnd { Quiet, Count, HungUp };

  explicit TLineEnd(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  }
  ~TLineEnd() { Close(); }
  TLineEnd(const TLineEnd&) = delete;
  TLineEnd& operator=(const TLineEnd&) = delete;

  int Fd() const { return fd_; }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  void Write(const std::string& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      pollfd pfd{fd_, POLLOUT, 0};
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || ::poll(&pfd, 1, 5000) <= 0)
        throw std::runtime_error("write failed");
    }
  }

  // Reads until `count` bytes arrived, or the line stayed quiet for `quietMs` after a byte
  // (`firstMs` before the first one), or it hung up.
  std::string Read(std::size_t count, int quietMs = 1500, int firstMs = 5000) {
    std::string got;
    lastEnd_ = TReadEnd::Quiet;
    while (got.size() < count) {
      pollfd pfd{fd_, POLLIN, 0};
      const int ready = ::poll(&pfd, 1, got.empty() ? firstMs : quietMs);
      if (ready == 0) return got;
      char buffer[4096];
      const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        lastEnd_ = TReadEnd::HungUp;
        return got;
      }
    }
    lastEnd_ = TReadEnd::Count;
    return got;
  }
  std::string ReadHex(std::size_t count, int quietMs = 1500) { return wire::HexBytes(Read(count, quietMs)); }
  // True when nothing at all arrives for `ms`.
  bool QuietFor(int ms) { return Read(1, ms, ms).empty() && lastEnd_ == TReadEnd::Quiet; }
  TReadEnd LastEnd() const { return lastEnd_; }

 private:
  int fd_ = -1;
  TReadEnd lastEnd_ = TReadEnd::Quiet;
};

}  // namespace quorvel::emulator::testing
