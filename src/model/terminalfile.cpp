// SPDX-License-Identifier: MIT
#include "model/terminalfile.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "model/commalist.h"
#include "model/textnumbers.h"

namespace quorvel::model {
namespace {

// The new-file template, one entry per line; lines end with CR LF and six empty lines
// follow the last one.
constexpr std::array<std::string_view, 142> kTemplateLines{{
    ";",
    "; Brief format descriptions",
    ";",
    ";==================",
    "; General settings",
    ";==================",
    ";[General]",
    ";Protocol=",
    "; 0 = Compatibility protocol",
    "; 1 = Extended protocol",
    ";InputDateFormat= ",
    "; 0 = Format date as \"ddmmyy\"",
    "; 1 = Format date as \"ddmmyyyy\"",
    "; 2 = Format date as \"mmddyy\"",
    "; 3 = Format date as \"mmddyyyy\"",
    "; 4 = Format date as \"yyddmm\"",
    "; 5 = Format date as \"yyyyddmm\"",
    "; 6 = Format date as \"yymmdd\"",
    "; 7 = Format date as \"yyyymmdd\"",
    "",
    ";OutputDateFormat= ",
    "; 0 = Format date as \"ddmmyy\"",
    "; 1 = Format date as \"ddmmyyyy\"",
    "; 2 = Format date as \"mmddyy\"",
    "; 3 = Format date as \"mmddyyyy\"",
    "; 4 = Format date as \"yyddmm\"",
    "; 5 = Format date as \"yyyyddmm\"",
    "; 6 = Format date as \"yymmdd\"",
    "; 7 = Format date as \"yyyymmdd\"",
    "",
    ";====================",
    "; Fixed answer setup ",
    ";====================",
    ";[FiscalAnswer]",
    ";Record1=1,1,FF11,0011,\"Message1\",clRed",
    "; Valid paremeters are 2, 3, 4, 5, 6",
    "; Parameter2 = Panel number ( 16 Max )",
    "; Parameter3 = Mask value ( Hexa format )",
    "; Parameter4 = Comparation value ( Hexa format )",
    "; Parameter5 = Message on true ",
    "; Parameter6 = Panel ( TColor type )",
    "",
    ";[PrinterAnswer]",
    ";Record1=1,1,FF11,0011,\"Message1\",clRed",
    "; Valid paremeters are 2, 3, 4, 5, 6",
    "; Parameter2 = Panel number ( 16 Max )",
    "; Parameter3 = Mask value ( Hexa format )",
    "; Parameter4 = Comparation value ( Hexa format )",
    "; Parameter5 = Message on true ",
    "; Parameter6 = Panel ( TColor type )",
    "",
    ";=============================================",
    "; Extendend protocol return codes definitions ",
    ";=============================================",
    ";[Return codes]",
    ";RCNNN1=Description1",
    ";RCNNN2=Description2",
    "; For each return code defined assign the appropiate text definition",
    "",
    ";============================",
    "; Commands and Answer fields ",
    ";============================",
    ";[Groups]",
    "; List all active Groups",
    "; Group1=",
    "; Group2=",
    "; Group3=",
    "",
    ";[Group1]",
    "; List all active Commands Groups",
    "; Command1=",
    "; Command2=",
    "; Command3=",
    "",
    ";[Group1Command1]",
    ";For each command in the group add specific \"Commands\" and \"Answers\" fields.",
    "; Commands=0,\"Descripcion\",\"Description Hint\",0,\"F0\",1,25,0,0,0,0,0...",
    ";",
    "; Value1 ==> Command Mode ",
    ";  0 = Host port",
    ";  1 = DGI port",
    "; Value2 ==> Caption control",
    ";  Specify caption text, insert \"&\" for accelerator key",
    "; Value3 ==> Hint",
    ";  Specify hint ",
    "; Value4 ==> User input text type ",
    ";  0 = AlphaNumeric format ( All ASCII codes )",
    ";  1 = Alpha format ( a..z A..Z )",
    ";  2 = Currency format ( 0..9 ',' '.' ) ",
    ";  3 = Numeric format ( 0..9 )",
    ";  4 = Decimal format ( 0..9 )",
    ";  5 = Hexadecimal format ( 0..9 a..f A..F )",
    ";  6 = Binary format ( 0..1 )",
    ";  7 = Boolean format ( S s N n Y y )",
    ";  8 = Date format",
    ";  9 = Time format",
    "; Value5 ==> Default text in control",
    ";  Specify the default text in the control. Only apply in \"Simple\" control type",
    "; Value6 ==> Control type ",
    ";  Visual control type",
    ";  0 = Simple       -> Simple Edit Box",
    ";  1 = DropDown     -> Combo box with edit enable",
    ";  2 = DropDownList -> Combo box with edit disable",
    ";  3 = Date         -> Edit with calendar format ",
    ";  4 = Time         -> Edit with time format",
    "; Value7 ==> Max lenght ",
    ";  Specify max length user input text",
    "; Value8 ==> Required user input text control",
    ";  0 = No required",
    ";  1 = Required",
    "; Value9 ==> Read only control",
    ";  0 = The user can edit the control",
    ";  1 = Read only. The user cannot be edit the control",
    "; Value10 ==> Minimun length",
    ";  Specify the minimun amount length of text control",
    "; Value11 ==> Decimal digits",
    ";  Specify the quantity of decimal digits ",
    "; Value12 ==> Autoincrement field",
    ";  The field Text is appended with arbitrary value. Used in \"Repeat\" commands ",
    "",
    "; Answer=\"XXXXX\",3,0",
    "; Value1 ==> Caption text assigned to control",
    "; Value2 ==> Field type, apply same that \"Commands\" definitions",
    "; Value3 ==> Decimal digits. Apply only in the \"Currency format\"",
    ";",
    "; CL1=\"1\",\"2\",\"3\"",
    "; Save user input \"ComoboBox\" items",
    "; Notes=\"XXXXX\"",
    "; Save \"Notes\" memo lines",
    "",
    "[General]",
    "Protocol=0",
    "InputDateFormat=0",
    "OutputDateFormat=0",
    "",
    "[Return codes]",
    "",
    "[FiscalAnswer]",
    "",
    "[PrinterAnswer]",
    "",
    "[Groups]",
}};

std::string BuildTemplate() {
  std::string text;
  for (const std::string_view line : kTemplateLines) {
    text += line;
    text += "\r\n";
  }
  for (int i = 0; i < 6; ++i) text += "\r\n";
  return text;
}

int StrictInteger(std::string_view text) {
  int value = 0;
  if (!ParseIniInteger(text, value)) throw TConvertError(std::string(text));
  return value;
}

std::uint16_t StrictHexWord(std::string_view text) {
  const std::optional<std::uint32_t> value = ParseHexDigits(text, 0xFFFF);
  if (!value) throw TConvertError(std::string(text));
  return static_cast<std::uint16_t>(*value);
}

std::string Item(const std::vector<std::string>& items, std::size_t index) {
  return index < items.size() ? items[index] : std::string();
}

TFixedAnswer DecodeFixedAnswer(std::string_view value) {
  const auto items = DecodeCommaList(value);
  TFixedAnswer record;
  record.Panel = StrictInteger(Item(items, 1));
  record.Mask = StrictHexWord(Item(items, 2));
  record.Result = StrictHexWord(Item(items, 3));
  record.Text = Item(items, 4);
  record.Color = StringToColor(Item(items, 5));
  return record;
}

}  // namespace

// ---- [General] ----

TGeneralSettings ReadGeneral(const TIniFile& file) {
  TGeneralSettings settings;
  settings.Protocol = file.ReadInteger(kSectionGeneral, kKeyProtocol, 0);
  settings.InputDateFormat = file.ReadInteger(kSectionGeneral, kKeyInputDateFormat, 0);
  settings.OutputDateFormat = file.ReadInteger(kSectionGeneral, kKeyOutputDateFormat, 0);
  return settings;
}

void WriteGeneral(TIniFile& file, const TGeneralSettings& settings) {
  file.WriteKeys(kSectionGeneral, {{std::string(kKeyProtocol), std::to_string(settings.Protocol)},
                                   {std::string(kKeyInputDateFormat), std::to_string(settings.InputDateFormat)},
                                   {std::string(kKeyOutputDateFormat), std::to_string(settings.OutputDateFormat)}});
}

// ---- [Return codes] ----

std::string ReturnCodeKey(unsigned code) { return "RC" + std::to_string(code); }

std::string ReadReturnCodeDescription(const TIniReader& file, unsigned code) {
  return file.ReadValue(kSectionReturnCodes, ReturnCodeKey(code), "");
}

std::vector<TReturnCodeEntry> ReadReturnCodes(const TIniFile& file) {
  std::vector<TReturnCodeEntry> entries;
  for (const std::string& line : file.ReadSectionLines(kSectionReturnCodes)) {
    const std::size_t equals = line.find('=');
    const std::string_view key = std::string_view(line).substr(0, equals);
    entries.push_back({std::string(key.substr(std::min<std::size_t>(2, key.size()))), line.substr(equals + 1)});
  }
  return entries;
}

void WriteReturnCodes(TIniFile& file, const std::vector<TReturnCodeEntry>& entries) {
  TIniFile::TKeyValues keys;
  for (const TReturnCodeEntry& entry : entries) keys.emplace_back("RC" + entry.Code, entry.Description);
  file.ReplaceSection(kSectionReturnCodes, keys);
}

// ---- fixed answers ----

TFixedAnswerTable ReadFixedAnswers(const TIniReader& file, std::string_view section) {
  TFixedAnswerTable table;
  for (const std::string& key : file.ReadSectionKeys(section)) {
    if (table.Records.size() == kMaxFixedAnswerRecords) break;
    TFixedAnswer record;
    try {
      record = DecodeFixedAnswer(file.ReadValue(section, key, ""));
    } catch (const TConvertError& error) {
      throw error.At(file.FileName(), std::string(section), key);
    }
    if (record.Panel < 1 || record.Panel > kMaxStatusPanels) continue;
    table.Records.push_back(std::move(record));
  }
  return table;
}

TFixedAnswerRow FixedAnswerRowOf(const TFixedAnswer& record) {
  return {std::to_string(record.Panel), Hex4(record.Mask), Hex4(record.Result), record.Text,
          ColorToString(record.Color)};
}

std::string FixedAnswerRowValue(int number, const TFixedAnswerRow& row) {
  return std::to_string(number) + "," + row.Panel + "," + row.Mask + "," + row.Result + "," +
         QuoteRecordText(row.Text) + "," + row.Color;
}

std::string FixedAnswerRecordValue(int number, const TFixedAnswer& record) {
  return FixedAnswerRowValue(number, FixedAnswerRowOf(record));
}

void WriteFixedAnswerRows(TIniFile& file, std::string_view section, const std::vector<TFixedAnswerRow>& rows) {
  TIniFile::TKeyValues keys;
  keys.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int number = static_cast<int>(i + 1);
    keys.emplace_back("Record" + std::to_string(number), FixedAnswerRowValue(number, rows[i]));
  }
  file.ReplaceSection(section, keys);
}

void WriteFixedAnswers(TIniFile& file, std::string_view section, const std::vector<TFixedAnswer>& records) {
  std::vector<TFixedAnswerRow> rows;
  rows.reserve(records.size());
  for (const TFixedAnswer& record : records) rows.push_back(FixedAnswerRowOf(record));
  WriteFixedAnswerRows(file, section, rows);
}

// ---- the command tree ----

std::vector<std::string> ReadGroups(const TIniReader& file) { return file.ReadSectionKeys(kSectionGroups); }

std::vector<std::string> ReadGroupCommands(const TIniReader& file, std::string_view group) {
  return file.ReadSectionKeys(group);
}

std::string CommandSectionName(std::string_view group, std::string_view command) {
  std::string name(group);
  name += command;
  return name;
}

// ---- the new-file template ----

std::string_view NewFileTemplate() {
  static const std::string text = BuildTemplate();
  return text;
}

void WriteTemplate(const std::string& fileName) {
  TFileDevice device(fileName);
  WriteTemplate(device);
}

void WriteTemplate(TIniDevice& device) {
  if (!device.Store(std::string(NewFileTemplate()))) throw TIniError::UnableToWrite(device.Name(), device.FailureReason());
}

}  // namespace quorvel::model
