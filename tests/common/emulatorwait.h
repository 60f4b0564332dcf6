// SPDX-License-Identifier: MIT
#pragma once
// Waiting on the printer emulator from the test's own thread, without running any
// event loop: whatever the test's thread would handle stays queued meanwhile.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <thread>

#include "emulator/emulator.h"

namespace quorvel::testing {

// True once the emulator has received `byte` at least `count` times in all.
inline bool WaitForReceivedBytes(const emulator::TEmulator& printer, char byte, std::size_t count,
                                 int timeoutMs = 5000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::string bytes = printer.ReceivedBytes();
    if (static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), byte)) >= count) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace quorvel::testing
