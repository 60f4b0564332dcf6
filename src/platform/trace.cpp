// SPDX-License-Identifier: MIT
#include "platform/trace.h"

namespace quorvel::platform {

std::string FormatTraceLine(std::string_view file, int line, std::string_view text) {
  const auto slash = file.find_last_of("/\\");
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  std::string out;
  out.reserve(file.size() + text.size() + 12);
  out.append(file).append(" ").append(std::to_string(line)).append(":").append(text);
  return out;
}

}  // namespace quorvel::platform
