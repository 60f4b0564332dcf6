// SPDX-License-Identifier: MIT
#pragma once
// Debug trace lines: "file line:text". The program routes them to a logging
// category that is off by default; tests collect them.
#include <string>
#include <string_view>

namespace quorvel::platform {

class TTraceSink {
 public:
  virtual ~TTraceSink() = default;
  // Any thread.
  virtual void Write(const std::string& line) = 0;
};

// "fiscalcontrol.cpp 123:Execute: Send Frame ok" (file name without folders).
std::string FormatTraceLine(std::string_view file, int line, std::string_view text);

}  // namespace quorvel::platform

// Writes a trace line to `sink` (a TTraceSink*, may be null).
#define QUORVEL_TRACE(sink, text)                                                              \
  do {                                                                                         \
    if (auto* quorvel_trace_sink_ = (sink))                                                    \
      quorvel_trace_sink_->Write(::quorvel::platform::FormatTraceLine(__FILE__, __LINE__, text)); \
  } while (0)
