// SPDX-License-Identifier: MIT
#pragma once
// The field records of a command section: "Commands" (12 values per command
// field), "Answers" (3 values per answer field), "CL" + n (drop-down items of
// field n) and "Notes". Parsers and assemblers work on value texts; the
// readers and writers at the end go through the terminal file.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/extinifile.h"
#include "model/inimemory.h"

namespace quorvel::model {

// The terminal window builds at most this many controls of each kind.
inline constexpr std::size_t MaxDynamicFields = 70;
inline constexpr std::size_t CommandFieldValueCount = 12;
inline constexpr std::size_t AnswerFieldValueCount = 3;

inline constexpr const char* CommandsKey = "Commands";
inline constexpr const char* AnswersKey = "Answers";
inline constexpr const char* NotesKey = "Notes";

// Text type and control type codes as stored in a command field record.
enum TTextTypeCode : int {
  kTextAlphaNumeric = 0, kTextAlpha, kTextCurrency, kTextNumeric, kTextDecimal,
  kTextHexa, kTextBinary, kTextBoolean, kTextDate, kTextTime,
};
enum TControlTypeCode : int {
  kControlSimple = 0, kControlDropDown, kControlDropDownList, kControlDate, kControlTime,
};

// One command field. Mode is written for every field but only the first
// field's mode is read: it is the mode of the whole command.
struct TCommandField {
  int Mode = 0;  // 0 host port, 1 DGI port
  std::string Caption;
  std::string Hint;
  int TextType = 0;     // 0..9
  std::string DefaultText;
  int ControlType = 0;  // 0..4
  int MaxLength = 0;    // 0 = no limit
  bool Required = false;
  bool ReadOnly = false;
  int MinLength = 0;
  int Decimals = 0;
  bool AutoIncrement = false;
  friend bool operator==(const TCommandField&, const TCommandField&) = default;
};

// What the terminal window holds for the selected command. Every field's Mode
// is the command's mode.
struct TCommandDefinition {
  int Mode = 0;
  std::vector<TCommandField> Fields;  // at most MaxDynamicFields
  std::size_t FieldsBeyondLimit = 0;  // complete fields past the 70th, not held
};

// Mode 0 sends a command on the host port; any other mode on the DGI port.
inline constexpr int kModeHost = 0;
inline bool IsDgiCommand(const TCommandDefinition& definition) { return definition.Mode != kModeHost; }

struct TAnswerField {
  std::string Caption;
  int Type = 0;  // a text type code 0..9
  int Decimals = 0;
  friend bool operator==(const TAnswerField&, const TAnswerField&) = default;
};

struct TAnswerDefinition {
  std::vector<TAnswerField> Fields;   // at most MaxDynamicFields
  std::size_t FieldsBeyondLimit = 0;
};

// ---- parsing value texts (as stored; the "Commands"/"Answers" values are bare) ----
//
// Mode, text type, control type, required, read-only and the answer type are
// strict integers: anything else throws TConvertError ("'%s' is not a valid
// integer value"). Max length, min length, decimal digits and autoincrement
// are lenient: anything else reads as 0. Items past the last complete record
// are ignored. Codes no editor writes are read as the nearest sound meaning: a
// nonzero mode is the DGI port, a text type outside 0..9 AlphaNumeric, a
// control type outside 0..4 Simple.
TCommandDefinition ParseCommandDefinition(const std::string& commandsValue);
TAnswerDefinition ParseAnswerDefinition(const std::string& answersValue);

// A "CL" + n or "Notes" value as the terminal window reads it from its
// in-memory copy: the first and the last character are dropped, the rest is a
// comma list. Empty or absent gives no items.
std::vector<std::string> ParseStoredItemList(const std::string& storedValue);

// ---- assembling value texts (the editors write them after every change) ----
//
// Texts go between double quotes; a double quote inside a text is doubled, so
// it reads back whole instead of splitting the record.
std::string AssembleCommands(const std::vector<TCommandField>& fields);
std::string AssembleAnswers(const std::vector<TAnswerField>& fields);
// A double quote, the items as a comma list, a double quote.
std::string AssembleStoredItemList(const std::vector<std::string>& items);

// "CL" followed by the 1-based field number.
std::string ItemListKey(int fieldNumber);

// ---- reading a command section ----
//
// The command definition and the answer definition from "Commands" and
// "Answers" (default empty). The terminal window reads its in-memory copy; the
// editors and tools may pass a TExtIniFile. Throws TConvertError as above, saying where
// (file, section, key).
TCommandDefinition ReadCommandDefinition(const TIniReader& file, std::string_view section);
TAnswerDefinition ReadAnswerDefinition(const TIniReader& file, std::string_view section);

// "CL" + n and "Notes" as the terminal window reads them from its in-memory copy.
std::vector<std::string> ReadItemList(const TIniMemory& copy, std::string_view section, int fieldNumber);
std::vector<std::string> ReadNotes(const TIniMemory& copy, std::string_view section);

// The same keys as the editors read them: through the INI layer's read value,
// which removes the enclosing quotes itself.
std::vector<std::string> ReadItemListForEditing(const TIniFile& file, std::string_view section,
                                                int fieldNumber);
std::vector<std::string> ReadNotesForEditing(const TIniFile& file, std::string_view section);

// ---- writing a command section (each a single write key; TIniError when refused) ----
void WriteCommands(TIniFile& file, std::string_view section, const std::vector<TCommandField>& fields);
void WriteAnswers(TIniFile& file, std::string_view section, const std::vector<TAnswerField>& fields);
// Writes "CL" + n when there is at least one item and deletes the key otherwise.
void WriteItemList(TIniFile& file, std::string_view section, int fieldNumber,
                   const std::vector<std::string>& items);
void WriteNotes(TIniFile& file, std::string_view section, const std::vector<std::string>& lines);

}  // namespace quorvel::model
