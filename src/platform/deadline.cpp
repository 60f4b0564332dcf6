// SPDX-License-Identifier: MIT
#include "platform/deadline.h"

#include <algorithm>
#include <limits>

namespace quorvel::platform {

TDeadline::TDeadline(int timeoutMs)
    : never_(timeoutMs < 0), at_(TClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0))) {}

bool TDeadline::Expired() const { return !never_ && TClock::now() >= at_; }

int TDeadline::RemainingMs() const {
  if (never_) return -1;
  const auto left = at_ - TClock::now();
  if (left <= TClock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max()));
}

int TDeadline::RemainingMsCapped(int capMs) const {
  const int left = RemainingMs();
  return left < 0 ? capMs : std::min(left, capMs);
}

}  // namespace quorvel::platform
