// SPDX-License-Identifier: MIT
#pragma once
// Elapsed time for the tests that check the protocol's own time limits.
#include <chrono>

namespace quorvel::testing {

// Milliseconds on the steady clock since `start`.
inline double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace quorvel::testing
