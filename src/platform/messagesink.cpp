// SPDX-License-Identifier: MIT
#include "platform/messagesink.h"

#include <atomic>

namespace quorvel::platform {

std::uint64_t NewWorkerIdentity() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

}  // namespace quorvel::platform
