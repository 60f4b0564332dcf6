// SPDX-License-Identifier: MIT
#pragma once
// A point in time after which a wait gives up, measured on the monotonic clock.
#include <chrono>

namespace quorvel::platform {

class TDeadline {
 public:
  using TClock = std::chrono::steady_clock;

  // `timeoutMs` < 0 means "never".
  explicit TDeadline(int timeoutMs);
  static TDeadline Never() { return TDeadline(-1); }

  bool IsNever() const { return never_; }
  bool Expired() const;
  // Milliseconds left, rounded up so that a poll() never wakes before the deadline;
  // 0 once expired, -1 for "never" (poll()'s own meaning of both).
  int RemainingMs() const;
  // The smaller of RemainingMs() and `capMs` (capMs >= 0).
  int RemainingMsCapped(int capMs) const;

 private:
  bool never_;
  TClock::time_point at_;
};

}  // namespace quorvel::platform
