// SPDX-License-Identifier: MIT
#pragma once
// Numbers in terminal-file texts and on the wire: digits, words and blanks.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::model {

// The value of one hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(char c);
// One or more hexadecimal digits and nothing else, no larger than `max`.
std::optional<std::uint32_t> ParseHexDigits(std::string_view digits, std::uint32_t max);
// A decimal integer with an optional sign and nothing else, in signed 32-bit range.
std::optional<std::int32_t> ParseDecimalInt32(std::string_view text);
// The word as 4 upper-case hexadecimal digits ("00A1").
std::string Hex4(std::uint16_t value);
// The text without the blanks and tabs at both ends.
std::string_view TrimBlanks(std::string_view text);

}  // namespace quorvel::model
