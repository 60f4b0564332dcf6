// SPDX-License-Identifier: MIT
#include "model/format.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace quorvel::model {
namespace {

int ClampWidth(int width) { return std::clamp(width, 0, MaxPaddedWidth); }

std::string PadLeft(std::string text, int width, char fill) {
  const auto wanted = static_cast<std::size_t>(ClampWidth(width));
  if (text.size() < wanted) text.insert(0, wanted - text.size(), fill);
  return text;
}

std::string UpperHex(std::uint32_t value) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string FourDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d", value);
  return buffer;
}

std::string EncloseHexValue(std::uint32_t value, int digits) {
  return "x'" + PadLeft(UpperHex(value), digits, '0') + "'";
}

// The parts of a date format code, in the order of its wire and display forms.
enum class TDatePart { Day, Month, Year };

struct TDateLayout {
  TDatePart Parts[3];
  bool FourDigitYear;
};

TDateLayout LayoutOf(int code) {
  using P = TDatePart;
  switch (code) {
    case 1: return {{P::Day, P::Month, P::Year}, true};
    case 2: return {{P::Month, P::Day, P::Year}, false};
    case 3: return {{P::Month, P::Day, P::Year}, true};
    case 4: return {{P::Year, P::Day, P::Month}, false};
    case 5: return {{P::Year, P::Day, P::Month}, true};
    case 6: return {{P::Year, P::Month, P::Day}, false};
    case 7: return {{P::Year, P::Month, P::Day}, true};
    default: return {{P::Day, P::Month, P::Year}, false};
  }
}

// The order in which ShowDate reads the three numbers of an input code:
// codes outside 0..7 read as year, month, day.
TDateLayout ReadingLayoutOf(int code) {
  if (code < 0 || code > 7) return LayoutOf(7);
  return LayoutOf(code);
}

std::string DatePartText(const TDate& date, TDatePart part, bool fourDigitYear) {
  switch (part) {
    case TDatePart::Day: return TwoDigits(date.Day);
    case TDatePart::Month: return TwoDigits(date.Month);
    case TDatePart::Year: break;
  }
  return fourDigitYear ? FourDigits(date.Year) : TwoDigits(((date.Year % 100) + 100) % 100);
}

std::string JoinDate(const TDate& date, int code, const char* separator) {
  const TDateLayout layout = LayoutOf(code);
  std::string out;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) out += separator;
    out += DatePartText(date, layout.Parts[i], layout.FourDigitYear);
  }
  return out;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }


// A year of one or two digits, placed in the 100 years from currentYear - 50.
int WindowedYear(int twoDigitYear, int currentYear) {
  const int windowStart = currentYear - 50;
  int year = windowStart - ((windowStart % 100) + 100) % 100 + twoDigitYear;
  if (year < windowStart) year += 100;
  return year;
}

std::vector<std::string> SplitOnSlash(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '/') parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

// A date part: 1 to 4 decimal digits.
std::optional<int> DateNumber(const std::string& part) {
  if (part.empty() || part.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : part) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string WithDateSeparators(const std::string& text, int inputCode) {
  const std::size_t first = (inputCode == 5 || inputCode == 7) ? 4 : 2;
  const std::size_t second = first + 2;
  std::string out = text.substr(0, std::min(first, text.size()));
  out += '/';
  if (text.size() > first) out += text.substr(first, second - first);
  out += '/';
  if (text.size() > second) out += text.substr(second);
  return out;
}

std::optional<TDate> ReadDate(const std::string& separated, int inputCode, int currentYear) {
  const std::vector<std::string> parts = SplitOnSlash(separated);
  if (parts.size() != 3) return std::nullopt;
  const TDateLayout layout = ReadingLayoutOf(inputCode);
  TDate date;
  for (int i = 0; i < 3; ++i) {
    const std::optional<int> number = DateNumber(parts[i]);
    if (!number) return std::nullopt;
    switch (layout.Parts[i]) {
      case TDatePart::Day: date.Day = *number; break;
      case TDatePart::Month: date.Month = *number; break;
      case TDatePart::Year:
        date.Year = parts[i].size() <= 2 ? WindowedYear(*number, currentYear) : *number;
        break;
    }
  }
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

}  // namespace

bool IsValidDate(const TDate& date) {
  static constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.Year < 1 || date.Year > 9999 || date.Month < 1 || date.Month > 12) return false;
  int days = kDaysInMonth[date.Month - 1];
  if (date.Month == 2 && IsLeapYear(date.Year)) days = 29;
  return date.Day >= 1 && date.Day <= days;
}

std::string FormatCurrency(const std::string& text, int width, int decimals) {
  std::size_t separator = text.find(',');
  if (separator == std::string::npos) separator = text.find('.');
  const bool hasSeparator = separator != std::string::npos;
  std::string digits = text;
  if (hasSeparator) digits.erase(separator, 1);
  if (width == 0) return digits;

  width = ClampWidth(width);
  decimals = std::min(decimals, MaxPaddedWidth);
  std::string integerPart = hasSeparator ? digits.substr(0, separator) : digits;
  std::string fraction;
  if (hasSeparator && decimals > 0) fraction = digits.substr(separator, 100);
  const auto fractionWidth = static_cast<std::size_t>(std::max(decimals, 0));
  fraction.resize(fractionWidth, '0');

  const std::optional<std::int32_t> integerValue = ParseDecimalInt32(integerPart);
  if (!integerValue || *integerValue == 0) integerPart.clear();

  if (decimals >= width) return fraction.substr(0, static_cast<std::size_t>(width));
  const auto integerWidth = static_cast<std::size_t>(width - std::max(decimals, 0));
  if (integerPart.size() > integerWidth) integerPart.erase(0, integerPart.size() - integerWidth);
  return PadLeft(integerPart, static_cast<int>(integerWidth), '0') + fraction;
}

std::string FormatDecimal(const std::string& text, int digits) {
  const auto value = static_cast<std::uint32_t>(ParseDecimalInt32(text).value_or(0));
  return EncloseHexValue(value, digits);
}

std::string FormatHexadecimal(const std::string& text) { return "x'" + text + "'"; }

std::string FormatBinary(const std::string& text, int digits) {
  std::uint32_t value = 0;
  for (char c : text) {
    const std::uint32_t digit = (c >= '0' && c <= '9') ? static_cast<std::uint32_t>(c - '0') : 0;
    value = value * 2 + digit;
  }
  return EncloseHexValue(value, digits);
}

std::string FormatDate(const TDate& date, int dateFormatCode) { return JoinDate(date, dateFormatCode, ""); }

std::string FormatTime(const TTimeOfDay& time) {
  return TwoDigits(time.Hour) + TwoDigits(time.Minute) + TwoDigits(time.Second);
}

std::string AppendRepeatNumber(const std::string& text, int n) {
  const std::string number = std::to_string(n);
  return text + (number.size() < 3 ? std::string(3 - number.size(), '0') : std::string()) + number;
}

std::optional<std::string> ExpandHexEscapes(const std::string& text) {
  enum class TState { Plain, Held, Escape };
  TState state = TState::Plain;
  std::string out;
  out.reserve(text.size());
  char heldLetter = 0;
  std::string digits;
  for (char c : text) {
    switch (state) {
      case TState::Plain:
        if (c == 'x' || c == 'X') {
          heldLetter = c;
          state = TState::Held;
        } else {
          out += c;
        }
        break;
      case TState::Held:
        if (c == '\'') {
          digits.clear();
          state = TState::Escape;
        } else {
          out += heldLetter;
          out += c;
          state = TState::Plain;
        }
        break;
      case TState::Escape:
        if (c != '\'') {
          digits += c;
          break;
        }
        if (digits.size() % 2 != 0) digits.insert(0, 1, '0');
        for (std::size_t i = 0; i < digits.size(); i += 2) {
          const int high = HexDigitValue(digits[i]);
          const int low = HexDigitValue(digits[i + 1]);
          if (high < 0 || low < 0) return std::nullopt;
          out += static_cast<char>(high * 16 + low);
        }
        state = TState::Plain;
        break;
    }
  }
  if (state == TState::Held) out += heldLetter;
  if (state == TState::Escape) out += std::string(1, heldLetter) + "'" + digits;
  return out;
}

std::uint32_t BytesToInteger(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > 4) return 0;
  std::uint32_t value = 0;
  for (char c : bytes) value = (value << 8) | static_cast<unsigned char>(c);
  return value;
}

std::string ShowCurrency(const std::string& text, int decimals) {
  if (decimals <= 0 || static_cast<std::size_t>(decimals) >= text.size()) return text;
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return text;
  std::string trimmed = text.substr(first, text.find_last_not_of(' ') - first + 1);
  const std::size_t point = trimmed.size() - std::min(trimmed.size(), static_cast<std::size_t>(decimals));
  trimmed.insert(point, 1, '.');
  return trimmed;
}

std::string ShowDecimal(const std::string& bytes) {
  return std::to_string(static_cast<std::int32_t>(BytesToInteger(bytes)));
}

std::string ShowHexadecimal(const std::string& bytes) {
  return PadLeft(UpperHex(BytesToInteger(bytes)), static_cast<int>(std::min<std::size_t>(bytes.size(), MaxPaddedWidth)), '0');
}

std::string ShowBinary(const std::string& bytes) {
  const std::uint32_t value = BytesToInteger(bytes);
  const std::size_t bits = bytes.size() * 8;
  std::string out(bits, '0');
  for (std::size_t bit = 0; bit < bits && bit < 32; ++bit) {
    if ((value >> bit) & 1U) out[bits - 1 - bit] = '1';
  }
  return out;
}

std::string ShowDate(const std::string& text, int inputCode, int outputCode, int currentYear) {
  const std::string separated = text.find('/') == std::string::npos ? WithDateSeparators(text, inputCode) : text;
  const std::optional<TDate> date = ReadDate(separated, inputCode, currentYear);
  if (!date) return text;
  return JoinDate(*date, outputCode, "/");
}

std::string ShowDate(const std::string& text, int inputCode, int outputCode) {
  const auto today = std::chrono::year_month_day{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
  return ShowDate(text, inputCode, outputCode, static_cast<int>(today.year()));
}

std::string ShowTime(const std::string& text) {
  if (text.empty() || text.find(':') != std::string::npos) return text;
  std::string out = text;
  if (out.size() < 5) {
    out.insert(std::min<std::size_t>(2, out.size()), 1, ':');
  } else {
    out.insert(4, 1, ':');
    out.insert(2, 1, ':');
  }
  return out;
}

std::string DateDisplayForm(int dateFormatCode) {
  static const char* const kForms[] = {"dd/mm/yy",   "dd/mm/yyyy", "mm/dd/yy",   "mm/dd/yyyy",
                                       "yy/dd/mm",   "yyyy/dd/mm", "yy/mm/dd",   "yyyy/mm/dd"};
  if (dateFormatCode < 0 || dateFormatCode > 7) dateFormatCode = 0;
  return kForms[dateFormatCode];
}

}  // namespace quorvel::model
