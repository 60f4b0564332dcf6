// SPDX-License-Identifier: MIT
#pragma once
// What Send and Repeat hand to the controls: the wire text of each command field
// by its control type and text type, the bytes after escape expansion, the DGI
// frame text, the repetition number of Repeat. Shared by the terminal window and
// the command line, so both send exactly the same bytes. Qt-free.
#include <optional>
#include <string>
#include <vector>

#include "model/fieldrecords.h"
#include "model/format.h"

namespace quorvel::model {

// What the user entered in the field's control: the text of a combo box, or the
// date or time picked in a date or time control.
struct TFieldEntry {
  std::string text;  // bytes (Latin-1 at the Qt edge)
  TDate date;
  TTimeOfDay time;
};

// Repetition number for Send: no repetition number is appended.
inline constexpr int kNoRepetition = 0;

// The wire text of one field, by its control type, text type, min length, decimal
// digits and autoincrement flag, before escape expansion. `repetition` is the step of
// Repeat (1 ... n) or kNoRepetition; in Repeat an AlphaNumeric field with the
// autoincrement flag gets the step number appended.
std::string WireText(const TCommandField& field, const TFieldEntry& entry, int inputDateFormat,
                     int repetition = kNoRepetition);

// The bytes of one field as AddField hands them over: its wire text after escape
// expansion; nullopt when the escapes are bad.
std::optional<std::string> FieldBytes(const TCommandField& field, const TFieldEntry& entry, int inputDateFormat,
                                      int repetition = kNoRepetition);

// The bytes of every field, in order, after escape expansion; stops at the first
// field whose escapes are bad and names it (0-based).
struct TWireFields {
  std::vector<std::string> fields;
  std::optional<std::size_t> badField;
};
TWireFields BuildWireFields(const std::vector<TCommandField>& fields, const std::vector<TFieldEntry>& entries,
                            int inputDateFormat, int repetition = kNoRepetition);

// A DGI command is one text: its fields' bytes joined together.
std::string DgiFrameText(const std::vector<std::string>& fields);

// Repeat asks "Enter times to repeat the command"; the answer is read as a decimal
// integer (0 when it is not one). Only 1 ... kMaxRepeatCount repetitions run.
inline constexpr int kMaxRepeatCount = 9999;
int ParseRepeatCount(const std::string& answer);
bool IsRepeatCountValid(int count);

// The command line's forms of a date (YYYY-MM-DD) and a time of day (HH:MM:SS);
// nullopt unless they name a real date or time.
std::optional<TDate> ParseIsoDate(const std::string& text);
std::optional<TTimeOfDay> ParseIsoTime(const std::string& text);

}  // namespace quorvel::model
