// SPDX-License-Identifier: MIT
#pragma once
// Reading the host command frames the printer emulator received.
#include <optional>
#include <string>
#include <vector>

#include "emulator/wire.h"

namespace quorvel::testing {

// The data fields of one host command frame (STX SEQ fields ETX checksum), read as
// the printer reads them: escapes removed, a frame without data has one empty field.
// Empty when the bytes are not one whole frame.
inline std::vector<std::string> HostFrameFields(const std::string& frame) {
  emulator::wire::THostCommandReader reader;
  for (const char byte : frame) {
    if (std::optional<emulator::wire::THostCommand> command = reader.Feed(byte)) return command->fields;
  }
  return {};
}

}  // namespace quorvel::testing
