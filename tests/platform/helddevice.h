// SPDX-License-Identifier: MIT
#pragma once
// A device held by another process, as a second program on the same port would hold
// it: a child process opens it and takes its exclusive lock until this object ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace quorvel::testing {

class THeldDevice {
 public:
  explicit THeldDevice(const std::string& path) {
    int ready[2];
    int release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (::pipe2(release, O_CLOEXEC) != 0) {
      ::close(ready[0]);
      ::close(ready[1]);
      throw std::runtime_error("pipe failed");
    }
    const char* const device = path.c_str();
    child_ = ::fork();
    if (child_ == 0) {
      // Only async-signal-safe calls here: the test may have other threads.
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK);
      const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
      [[maybe_unused]] const auto wrote = ::write(ready[1], &ok, 1);
      char c;
      [[maybe_unused]] const auto got = ::read(release[0], &c, 1);  // the end of the write side
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    if (child_ < 0) {
      ::close(ready[0]);
      Release();
      throw std::runtime_error("fork failed");
    }
    char ok = 0;
    held_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';  // 0 bytes if the child died first
    ::close(ready[0]);
  }
  ~THeldDevice() { Release(); }
  THeldDevice(const THeldDevice&) = delete;
  THeldDevice& operator=(const THeldDevice&) = delete;

  // True while the child has the device open and locked.
  bool Held() const { return held_; }

  // Ends the hold: the child closes the device and has exited when this returns.
  void Release() {
    if (release_ >= 0) ::close(release_);
    release_ = -1;
    if (child_ > 0) ::waitpid(child_, nullptr, 0);
    child_ = -1;
    held_ = false;
  }

 private:
  pid_t child_ = -1;
  int release_ = -1;
  bool held_ = false;
};

}  // namespace quorvel::testing
