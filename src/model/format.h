// SPDX-License-Identifier: MIT
#pragma once
// Field values in both directions: typed text -> protocol field text (Format*),
// answer field bytes -> display text (Show*). All routines are pure functions;
// texts are byte strings.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/textnumbers.h"

namespace quorvel::model {

// A calendar date and a time of day as picked in a date or time control.
struct TDate {
  int Year = 2000;
  int Month = 1;  // 1..12
  int Day = 1;    // 1..31
  friend bool operator==(const TDate&, const TDate&) = default;
};

struct TTimeOfDay {
  int Hour = 0;  // 0..23
  int Minute = 0;
  int Second = 0;
  friend bool operator==(const TTimeOfDay&, const TTimeOfDay&) = default;
};

// Widths and digit counts taken from a terminal file are capped at this many
// characters: a field longer than any frame can carry is refused when sent,
// and a hand-edited width of two billion must not exhaust memory here.
inline constexpr int MaxPaddedWidth = 8192;

// Year 1 to 9999, month 1 to 12, a day that month has.
bool IsValidDate(const TDate& date);

// ---- wire direction ----

// Digits only, exactly `width` long (`width` 0: the text minus its first separator).
std::string FormatCurrency(const std::string& text, int width, int decimals);
// "x'" + upper-case hex of the signed 32-bit decimal value (0 if none), >= digits digits, + "'".
std::string FormatDecimal(const std::string& text, int digits);
// "x'" + text + "'".
std::string FormatHexadecimal(const std::string& text);
// The text's digits read in base 2 (32-bit wrap), then as FormatDecimal.
std::string FormatBinary(const std::string& text, int digits);
// The date in the wire form of a date format code 0..7 (others: code 0).
std::string FormatDate(const TDate& date, int dateFormatCode);
// hhmmss.
std::string FormatTime(const TTimeOfDay& time);
// The text followed by n, zero-padded to 3 digits when shorter.
std::string AppendRepeatNumber(const std::string& text, int n);

// Expands x'..' / X'..' escapes into bytes; nullopt when a pair inside x'...' is
// not hexadecimal. An escape left open at the end of the text is sent as typed
// (the letter, the apostrophe and what follows).
std::optional<std::string> ExpandHexEscapes(const std::string& text);

// ---- display direction ----

// 1 to 4 bytes as an unsigned big-endian number; any other length gives 0.
std::uint32_t BytesToInteger(std::string_view bytes);
// The text with "." before its last `decimals` characters (trimmed first).
std::string ShowCurrency(const std::string& text, int decimals);
// BytesToInteger as a signed 32-bit decimal number.
std::string ShowDecimal(const std::string& bytes);
// BytesToInteger in upper-case hex, at least as many digits as there are bytes.
std::string ShowHexadecimal(const std::string& bytes);
// BytesToInteger as 8 binary digits per byte.
std::string ShowBinary(const std::string& bytes);
// The date read in the input code's form, shown in the output code's display
// form; the text unchanged when it is not a valid date. Years of one or two
// digits fall into the 100 years that begin 50 years before currentYear.
std::string ShowDate(const std::string& text, int inputCode, int outputCode, int currentYear);
// The same with the current year of the clock.
std::string ShowDate(const std::string& text, int inputCode, int outputCode);
// The text with ":" inserted (hh:mm or hh:mm:ss); unchanged when it holds ":".
std::string ShowTime(const std::string& text);

// Display form of a date format code ("dd/mm/yy" ...); codes outside 0..7 give code 0's.
std::string DateDisplayForm(int dateFormatCode);

}  // namespace quorvel::model
