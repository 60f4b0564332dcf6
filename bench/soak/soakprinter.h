// SPDX-License-Identifier: MIT
// The misbehaving printer of the soak runs: the emulator behind a link, answering each
// command healthily or, at random, with NAK, a bad checksum, a burst of DC2 busy reports,
// silence, or a hang-up after which a new emulator takes the line over (the line comes back).
#pragma once
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "emulator/emulator.h"

namespace quorvel::soak {

using emulator::TEmulator;
using emulator::THostReply;
using emulator::TLine;

enum class TFault { None, Nak, BadChecksum, Busy, Silent, HangUp };

// Mostly healthy answers; silence costs 3.5 s each, so it is the rarest.
inline TFault PickFault(std::mt19937& random) {
  const int roll = static_cast<int>(random() % 1000);
  if (roll < 40) return TFault::Nak;
  if (roll < 80) return TFault::BadChecksum;
  if (roll < 120) return TFault::Busy;
  if (roll < 125) return TFault::Silent;
  if (roll < 128) return TFault::HangUp;
  return TFault::None;
}

inline THostReply ReplyFor(TFault fault) {
  THostReply reply;
  switch (fault) {
    case TFault::Nak: reply.nak = true; break;
    case TFault::BadChecksum: reply.badChecksums = 2; break;
    case TFault::Busy:
      reply.busyReports = 20;
      reply.busyIntervalMs = 2;
      break;
    case TFault::Silent: reply.silent = true; break;
    case TFault::HangUp: reply.hangUpMidAnswer = true; break;
    case TFault::None: break;
  }
  return reply;
}

inline bool EndsWithoutAnswer(TFault fault) {
  return fault == TFault::Nak || fault == TFault::Silent || fault == TFault::HangUp;
}

inline long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The printer: one emulator at a time behind `link`; each command gets the next planned
// reply; after a hang-up a new emulator takes the line over at once.
class TPrinter {
 public:
  // `reportFd`, when not negative, gets one byte per command frame received.
  TPrinter(std::string link, std::vector<TFault> plan, int reportFd = -1)
      : link_(std::move(link)), plan_(std::move(plan)), reportFd_(reportFd) {
    Start();
  }

  // Replaces a hung-up emulator; returns the number of frames received so far.
  std::size_t Tend() {
    std::unique_lock lock(mutex_);
    if (emulator_->IsHungUp()) {
      emulator_.reset();
      ++reconnects_;
      lock.unlock();
      Start();
    }
    return frames_.load();
  }
  int Reconnects() const { return reconnects_; }

 private:
  void Start() {
    auto emulator = std::make_unique<TEmulator>(TLine::Host, link_);
    // Queue the replies of the commands still to come.
    for (std::size_t i = frames_.load(); i < plan_.size(); ++i) emulator->QueueHostReply(ReplyFor(plan_[i]));
    emulator->SetFrameObserver([this](const std::string&) {
      ++frames_;
      if (reportFd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(reportFd_, "f", 1);
      }
    });
    std::lock_guard lock(mutex_);
    emulator_ = std::move(emulator);
  }

  const std::string link_;
  const std::vector<TFault> plan_;
  const int reportFd_;
  std::mutex mutex_;
  std::unique_ptr<TEmulator> emulator_;
  std::atomic<std::size_t> frames_{0};
  int reconnects_ = 0;
};

}  // namespace quorvel::soak
