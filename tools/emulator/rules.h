// SPDX-License-Identifier: MIT
#pragma once
// Command line of the quorvel-emulator program: where its lines go and how the
// printer answers each command.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/emulator.h"

namespace quorvel::emulator {

struct TOptions {
  std::string link;
  std::string dgiLink;
  THostProtocol protocol = THostProtocol::Compatible;
  std::optional<THostReply> hostDefault;         // from the command "*"
  std::map<std::string, THostReply> hostRules;   // by field 1 of the command
  std::optional<TDgiReply> dgiDefault;           // from the data "*"
  std::map<std::string, TDgiReply> dgiRules;     // by the command's data
  bool help = false;
  bool version = false;
};

// Bad input: std::invalid_argument with a message that names the offending text.
TOptions ParseOptions(const std::vector<std::string>& args);
void ApplyHostBehaviour(THostReply& reply, std::string_view behaviour);
void ApplyDgiBehaviour(TDgiReply& reply, std::string_view behaviour);

// Texts on the command line: "\xHH" is the byte HH and "\\" a backslash; anything else as is.
std::string UnescapeText(std::string_view text);
// The reverse for output: printable ASCII as is, every other byte, '"' and '\' as "\xHH".
std::string PrintableText(std::string_view bytes);

std::string UsageText();

}  // namespace quorvel::emulator
