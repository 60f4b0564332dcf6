// SPDX-License-Identifier: MIT
#pragma once
// A raw pseudo-terminal for tests of the serial layer: the test plays the far end
// on the master; the port under test opens the slave by its path.
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace quorvel::testing {

class TPtyPair {
 public:
  TPtyPair() {
    termios raw{};
    ::cfmakeraw(&raw);
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
    path_ = name;
  }
  ~TPtyPair() {
    CloseMaster();
    if (slave_ >= 0) ::close(slave_);
  }
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  const std::string& SlavePath() const { return path_; }
  int Slave() const { return slave_; }

  void Send(const std::string& bytes) const {
    if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("write to pty master failed");
  }
  // Everything the port wrote so far (waits up to timeoutMs for the first byte).
  std::string Receive(int timeoutMs) const;

  // Hangs the line up as an unplugged cable would: the slave side sees POLLHUP / EIO.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

}  // namespace quorvel::testing

#include <poll.h>

inline std::string quorvel::testing::TPtyPair::Receive(int timeoutMs) const {
  std::string out;
  pollfd fd{master_, POLLIN, 0};
  int wait = timeoutMs;
  while (::poll(&fd, 1, wait) > 0 && (fd.revents & POLLIN)) {
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    wait = 50;
  }
  return out;
}
