// SPDX-License-Identifier: MIT
#pragma once
// Small helpers of the benchmarks: figures, memory and CPU time of the process, and
// a printer emulator in a child process.
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "emulator/emulator.h"

namespace quorvel::bench {

inline void Report(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  std::printf("%-40s median %9.4f ms   max %9.3f ms   (%zu samples)\n", what, ms[ms.size() / 2],
              ms.back(), ms.size());
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in MiB; -1 when unknown.
inline double StatusMiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return -1;
}

inline double Ms(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

// User and system CPU time of this process so far.
inline double CpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return Ms(usage.ru_utime) + Ms(usage.ru_stime);
}

// The printer emulator on the host line, in a child process of its own so that its CPU
// time is not counted here, linked as a pid-named path in the temporary folder. It answers
// every command at once, except `silentCommand`, which it never answers. Start it before
// any thread of this process exists; it ends with this object and its link is removed.
class TForkedPrinter {
 public:
  TForkedPrinter(const std::string& name, const std::string& silentCommand)
      : link_((std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))).string()) {
    pid_ = ::fork();
    if (pid_ == 0) {
      emulator::TEmulator printer(emulator::TLine::Host, link_);
      emulator::THostReply silent;
      silent.silent = true;
      printer.SetHostReplyFor(silentCommand, silent);
      for (;;) ::pause();
    }
    for (int i = 0; pid_ > 0 && i < 100 && !std::filesystem::exists(link_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~TForkedPrinter() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove(link_, ignored);  // the child ends by the signal, without removing it
  }
  TForkedPrinter(const TForkedPrinter&) = delete;
  TForkedPrinter& operator=(const TForkedPrinter&) = delete;

  const std::string& Link() const { return link_; }

 private:
  std::string link_;
  pid_t pid_ = -1;
};

}  // namespace quorvel::bench
