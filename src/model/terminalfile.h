// SPDX-License-Identifier: MIT
#pragma once
// Terminal-file access: the [General] values, return-code descriptions, fixed-answer
// records, the command tree, and the new-file template.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/colors.h"
#include "model/extinifile.h"

namespace quorvel::model {

inline constexpr std::string_view kSectionGeneral = "General";
inline constexpr std::string_view kSectionReturnCodes = "Return codes";
inline constexpr std::string_view kSectionFiscalAnswer = "FiscalAnswer";
inline constexpr std::string_view kSectionPrinterAnswer = "PrinterAnswer";
inline constexpr std::string_view kSectionGroups = "Groups";

inline constexpr std::string_view kKeyProtocol = "Protocol";
inline constexpr std::string_view kKeyInputDateFormat = "InputDateFormat";
inline constexpr std::string_view kKeyOutputDateFormat = "OutputDateFormat";

// ---- [General] ----
inline constexpr int kProtocolExtended = 1;
inline bool IsExtendedProtocol(int protocol) { return protocol == kProtocolExtended; }

struct TGeneralSettings {
  int Protocol = 0;          // 0 compatibility, 1 extended
  int InputDateFormat = 0;   // date format code 0..7
  int OutputDateFormat = 0;  // date format code 0..7
  friend bool operator==(const TGeneralSettings&, const TGeneralSettings&) = default;
};

// A missing key or a value that is not a number reads as 0.
TGeneralSettings ReadGeneral(const TIniFile& file);
void WriteGeneral(TIniFile& file, const TGeneralSettings& settings);

// ---- [Return codes] ----
// "RC" and the code in decimal without leading zeros: 33 -> "RC33".
std::string ReturnCodeKey(unsigned code);
// The description of a code, empty when there is none.
std::string ReadReturnCodeDescription(const TIniReader& file, unsigned code);

struct TReturnCodeEntry {
  std::string Code;  // the key without its leading "RC", as stored
  std::string Description;
  friend bool operator==(const TReturnCodeEntry&, const TReturnCodeEntry&) = default;
};
// The entries in file order, read in one pass. The description is the stored text
// without blanks at its ends; quotes are kept, as the terminal window shows them.
std::vector<TReturnCodeEntry> ReadReturnCodes(const TIniFile& file);
// Erases the section and writes the entries in the given order; an empty table leaves
// no section.
void WriteReturnCodes(TIniFile& file, const std::vector<TReturnCodeEntry>& entries);

// ---- [FiscalAnswer] and [PrinterAnswer] ----
inline constexpr std::size_t kMaxFixedAnswerRecords = 70;
inline constexpr int kMaxStatusPanels = 16;

struct TFixedAnswer {
  int Panel = 0;  // 1..16
  std::uint16_t Mask = 0;
  std::uint16_t Result = 0;
  std::string Text;
  TColor Color = clBlack;
  friend bool operator==(const TFixedAnswer&, const TFixedAnswer&) = default;
};

struct TFixedAnswerTable {
  std::vector<TFixedAnswer> Records;  // in key order
};

// Reads the records of one section in key order. The panel number is read as a
// decimal number, mask and result as hexadecimal (at most FFFF), the colour by name or
// number; a value that is none of these throws TConvertError
// that says where (file, section, key). The table holds at most
// 70 records: later keys are ignored, as are records whose panel is outside 1..16.
TFixedAnswerTable ReadFixedAnswers(const TIniReader& file, std::string_view section);

// One record as its editor's grid row shows it and the section line stores it: every
// cell is text, the colour as its name or "$" and 8 hexadecimal digits.
struct TFixedAnswerRow {
  std::string Panel;
  std::string Mask;
  std::string Result;
  std::string Text;
  std::string Color;
  friend bool operator==(const TFixedAnswerRow&, const TFixedAnswerRow&) = default;
};
// The cells of a record: mask and result as 4 upper-case hex digits.
TFixedAnswerRow FixedAnswerRowOf(const TFixedAnswer& record);

// The stored value of record number n: n,panel,mask,result,"text",colour, the cells as
// they are; a double quote in the text is doubled so that the record reads back whole.
std::string FixedAnswerRowValue(int number, const TFixedAnswerRow& row);
std::string FixedAnswerRecordValue(int number, const TFixedAnswer& record);
// Erases the section and writes "Record1", "Record2", ... in order (none: no section),
// in one replacement of the file.
void WriteFixedAnswerRows(TIniFile& file, std::string_view section, const std::vector<TFixedAnswerRow>& rows);
void WriteFixedAnswers(TIniFile& file, std::string_view section,
                       const std::vector<TFixedAnswer>& records);

// ---- The command tree ----
// The group names: the keys of "Groups" in file order.
std::vector<std::string> ReadGroups(const TIniReader& file);
// The command names of a group: the keys of the group's section in file order.
std::vector<std::string> ReadGroupCommands(const TIniReader& file, std::string_view group);
// The command section: the group name followed directly by the command name.
std::string CommandSectionName(std::string_view group, std::string_view command);

// ---- The new-file template ----
// The bytes a new terminal file starts with (CR LF line endings).
std::string_view NewFileTemplate();
// Writes the template into a file, replacing it atomically; throws TIniError
// "Unable to write to <file>: <reason>" when refused.
void WriteTemplate(const std::string& fileName);
void WriteTemplate(TIniDevice& device);

}  // namespace quorvel::model
