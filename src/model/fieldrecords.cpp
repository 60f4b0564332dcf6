// SPDX-License-Identifier: MIT
#include "model/fieldrecords.h"

#include <algorithm>

#include "model/commalist.h"
#include "model/errors.h"
#include "model/format.h"

namespace quorvel::model {
namespace {

int StrictInteger(const std::string& text) {
  const std::optional<std::int32_t> value = ParseDecimalInt32(text);
  if (!value) throw TConvertError(text);
  return *value;
}

int LenientInteger(const std::string& text) { return ParseDecimalInt32(text).value_or(0); }

int KnownOr(int code, int lastKnown, int fallback) { return code >= 0 && code <= lastKnown ? code : fallback; }

// Values 2 to 12 of a command field record; `item` points at its caption.
TCommandField ParseCommandField(const std::string* item, int mode) {
  TCommandField field;
  field.Mode = mode;
  field.Caption = item[0];
  field.Hint = item[1];
  field.TextType = KnownOr(StrictInteger(item[2]), kTextTime, 0);
  field.DefaultText = item[3];
  field.ControlType = KnownOr(StrictInteger(item[4]), kControlTime, 0);
  field.MaxLength = LenientInteger(item[5]);
  field.Required = StrictInteger(item[6]) != 0;
  field.ReadOnly = StrictInteger(item[7]) != 0;
  field.MinLength = LenientInteger(item[8]);
  field.Decimals = LenientInteger(item[9]);
  field.AutoIncrement = LenientInteger(item[10]) != 0;
  return field;
}

std::string Flag(bool value) { return value ? "1" : "0"; }

// Joins the values of one record line with ",".
void AppendValues(std::string& line, std::initializer_list<std::string> values) {
  for (const std::string& value : values) {
    if (!line.empty()) line += ',';
    line += value;
  }
}

std::vector<std::string> DropFirstAndLast(const std::string& stored) {
  if (stored.size() < 2) return {};
  return DecodeCommaList(std::string_view(stored).substr(1, stored.size() - 2));
}

}  // namespace

TCommandDefinition ParseCommandDefinition(const std::string& commandsValue) {
  // Only the fields the model holds are decoded; the others are counted.
  std::size_t itemCount = 0;
  const std::vector<std::string> items =
      DecodeCommaList(commandsValue, MaxDynamicFields * CommandFieldValueCount, itemCount);
  const std::size_t complete = itemCount / CommandFieldValueCount;
  TCommandDefinition definition;
  if (complete == 0) return definition;
  definition.Mode = StrictInteger(items[0]) == 0 ? 0 : 1;
  const std::size_t held = std::min(complete, MaxDynamicFields);
  definition.FieldsBeyondLimit = complete - held;
  definition.Fields.reserve(held);
  for (std::size_t i = 0; i < held; ++i)
    definition.Fields.push_back(ParseCommandField(&items[i * CommandFieldValueCount + 1], definition.Mode));
  return definition;
}

TAnswerDefinition ParseAnswerDefinition(const std::string& answersValue) {
  std::size_t itemCount = 0;
  const std::vector<std::string> items =
      DecodeCommaList(answersValue, MaxDynamicFields * AnswerFieldValueCount, itemCount);
  const std::size_t complete = itemCount / AnswerFieldValueCount;
  const std::size_t held = std::min(complete, MaxDynamicFields);
  TAnswerDefinition definition;
  definition.FieldsBeyondLimit = complete - held;
  definition.Fields.reserve(held);
  for (std::size_t i = 0; i < held; ++i) {
    const std::string* item = &items[i * AnswerFieldValueCount];
    definition.Fields.push_back(TAnswerField{item[0], KnownOr(StrictInteger(item[1]), kTextTime, 0), LenientInteger(item[2])});
  }
  return definition;
}

std::vector<std::string> ParseStoredItemList(const std::string& storedValue) { return DropFirstAndLast(storedValue); }

std::string AssembleCommands(const std::vector<TCommandField>& fields) {
  std::string line;
  for (const TCommandField& f : fields) {
    AppendValues(line, {std::to_string(f.Mode), QuoteRecordText(f.Caption), QuoteRecordText(f.Hint),
                        std::to_string(f.TextType), QuoteRecordText(f.DefaultText), std::to_string(f.ControlType),
                        std::to_string(f.MaxLength), Flag(f.Required), Flag(f.ReadOnly), std::to_string(f.MinLength),
                        std::to_string(f.Decimals), Flag(f.AutoIncrement)});
  }
  return line;
}

std::string AssembleAnswers(const std::vector<TAnswerField>& fields) {
  std::string line;
  for (const TAnswerField& f : fields) {
    const int decimals = f.Type == kTextCurrency ? f.Decimals : 0;  // decimal digits belong to Currency only
    AppendValues(line, {QuoteRecordText(f.Caption), std::to_string(f.Type), std::to_string(decimals)});
  }
  return line;
}

std::string AssembleStoredItemList(const std::vector<std::string>& items) {
  return "\"" + EncodeCommaList(items) + "\"";
}

std::string ItemListKey(int fieldNumber) { return "CL" + std::to_string(fieldNumber); }

TCommandDefinition ReadCommandDefinition(const TIniReader& file, std::string_view section) {
  try {
    return ParseCommandDefinition(file.ReadValue(section, CommandsKey, ""));
  } catch (const TConvertError& error) {
    throw error.At(file.FileName(), std::string(section), std::string(CommandsKey));
  }
}

TAnswerDefinition ReadAnswerDefinition(const TIniReader& file, std::string_view section) {
  try {
    return ParseAnswerDefinition(file.ReadValue(section, AnswersKey, ""));
  } catch (const TConvertError& error) {
    throw error.At(file.FileName(), std::string(section), std::string(AnswersKey));
  }
}

std::vector<std::string> ReadItemList(const TIniMemory& copy, std::string_view section, int fieldNumber) {
  return DropFirstAndLast(copy.ReadValue(section, ItemListKey(fieldNumber), ""));
}

std::vector<std::string> ReadNotes(const TIniMemory& copy, std::string_view section) {
  return DropFirstAndLast(copy.ReadValue(section, NotesKey, ""));
}

std::vector<std::string> ReadItemListForEditing(const TIniFile& file, std::string_view section, int fieldNumber) {
  return DecodeCommaList(file.ReadValue(section, ItemListKey(fieldNumber), ""));
}

std::vector<std::string> ReadNotesForEditing(const TIniFile& file, std::string_view section) {
  return DecodeCommaList(file.ReadValue(section, NotesKey, ""));
}

void WriteCommands(TIniFile& file, std::string_view section, const std::vector<TCommandField>& fields) {
  file.WriteKey(section, CommandsKey, AssembleCommands(fields));
}

void WriteAnswers(TIniFile& file, std::string_view section, const std::vector<TAnswerField>& fields) {
  file.WriteKey(section, AnswersKey, AssembleAnswers(fields));
}

void WriteItemList(TIniFile& file, std::string_view section, int fieldNumber, const std::vector<std::string>& items) {
  if (items.empty()) {
    file.DeleteKey(section, ItemListKey(fieldNumber));
    return;
  }
  file.WriteKey(section, ItemListKey(fieldNumber), AssembleStoredItemList(items));
}

void WriteNotes(TIniFile& file, std::string_view section, const std::vector<std::string>& lines) {
  file.WriteKey(section, NotesKey, AssembleStoredItemList(lines));
}

}  // namespace quorvel::model
