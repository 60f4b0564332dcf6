// SPDX-License-Identifier: MIT
#include "model/sendtext.h"

#include <cstdio>

namespace quorvel::model {
namespace {

// Exactly `digits` decimal digits from `text` at `pos`, or -1.
int DigitsAt(const std::string& text, std::size_t pos, std::size_t digits) {
  if (pos + digits > text.size()) return -1;
  int value = 0;
  for (std::size_t i = pos; i < pos + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::string WireText(const TCommandField& field, const TFieldEntry& entry, int inputDateFormat, int repetition) {
  switch (field.ControlType) {
    case kControlDate: return FormatDate(entry.date, inputDateFormat);
    case kControlTime: return FormatTime(entry.time);
    default: break;
  }
  switch (field.TextType) {
    case kTextCurrency: return FormatCurrency(entry.text, field.MinLength, field.Decimals);
    case kTextDecimal: return FormatDecimal(entry.text, field.MinLength);
    case kTextHexa: return FormatHexadecimal(entry.text);
    case kTextBinary: return FormatBinary(entry.text, field.MinLength);
    case kTextAlphaNumeric:
      if (repetition != kNoRepetition && field.AutoIncrement) return AppendRepeatNumber(entry.text, repetition);
      return entry.text;
    default: return entry.text;
  }
}

std::optional<std::string> FieldBytes(const TCommandField& field, const TFieldEntry& entry, int inputDateFormat,
                                      int repetition) {
  return ExpandHexEscapes(WireText(field, entry, inputDateFormat, repetition));
}

TWireFields BuildWireFields(const std::vector<TCommandField>& fields, const std::vector<TFieldEntry>& entries,
                            int inputDateFormat, int repetition) {
  TWireFields result;
  const std::size_t count = std::min(fields.size(), entries.size());
  result.fields.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<std::string> bytes = FieldBytes(fields[i], entries[i], inputDateFormat, repetition);
    if (!bytes) {
      result.badField = i;
      break;
    }
    result.fields.push_back(std::move(*bytes));
  }
  return result;
}

std::string DgiFrameText(const std::vector<std::string>& fields) {
  std::string text;
  for (const std::string& field : fields) text += field;
  return text;
}

int ParseRepeatCount(const std::string& answer) { return ParseDecimalInt32(TrimBlanks(answer)).value_or(0); }

bool IsRepeatCountValid(int count) { return count >= 1 && count <= kMaxRepeatCount; }

std::optional<TDate> ParseIsoDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const TDate date{DigitsAt(text, 0, 4), DigitsAt(text, 5, 2), DigitsAt(text, 8, 2)};
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::optional<TTimeOfDay> ParseIsoTime(const std::string& text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
  const int hour = DigitsAt(text, 0, 2), minute = DigitsAt(text, 3, 2), second = DigitsAt(text, 6, 2);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
  return TTimeOfDay{hour, minute, second};
}

}  // namespace quorvel::model
