// SPDX-License-Identifier: MIT
#include "model/fileedit.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/commalist.h"
#include "model/errors.h"
#include "model/inidocument.h"
#include "model/terminalfile.h"
#include "model/textnumbers.h"

namespace quorvel::model {
namespace {

constexpr std::string_view kGroupsSection = kSectionGroups;

// The fixed sections of a terminal file; no command section may take their names.
constexpr std::array<std::string_view, 5> kFixedSections = {
    kSectionGeneral, kSectionReturnCodes, kSectionFiscalAnswer, kSectionPrinterAnswer, kSectionGroups};

[[noreturn]] void Refuse(TEditRefusal reason, const std::string& message) { throw TEditRefused(reason, message); }

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// How a character is named in a message.
std::string DescribeCharacter(unsigned char c) {
  if (c == '\r' || c == '\n') return "a line break";
  if (c < 0x20 || c == 0x7F) {
    static const char* digits = "0123456789ABCDEF";
    return std::string("the control character 0x") + digits[c >> 4] + digits[c & 0xF];
  }
  return "\"" + std::string(1, static_cast<char>(c)) + "\"";
}

// A value that the record and list writers put on one line: no line break, no
// other control character the reader would stop at (NUL ends a comma list).
void CheckFieldText(std::string_view text, std::string_view what) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\r' || c == '\n' || c == 0) {
      Refuse(TEditRefusal::InvalidValue, "The " + std::string(what) + " holds " + DescribeCharacter(c));
    }
  }
}

void CheckStoredLength(std::string_view value, std::size_t limit, std::string_view key, std::string_view section) {
  if (value.size() <= limit) return;
  Refuse(TEditRefusal::ValueTooLong, "The value of \"" + std::string(key) + "\" in [" + std::string(section) +
                                         "] would be " + std::to_string(value.size()) + " characters long; at most " +
                                         std::to_string(limit) + " can be read back");
}

// The tree as the file holds it, to test new names against.
class TTree {
 public:
  explicit TTree(const TIniDocument& document) : Document_(document) {}

  std::vector<std::string> Groups() const { return Document_.SectionKeys(kGroupsSection); }
  std::vector<std::string> Commands(std::string_view group) const { return Document_.SectionKeys(group); }
  bool GroupExists(std::string_view group) const { return Document_.ValueExists(kGroupsSection, group); }
  bool CommandExists(std::string_view group, std::string_view command) const {
    return Document_.ValueExists(group, command);
  }

  // Whether a section name is taken by the tree: a fixed section, a group's
  // section or a command section of any group and command.
  bool SectionTaken(std::string_view section) const {
    for (const std::string_view fixed : kFixedSections) {
      if (SameIniName(fixed, section)) return true;
    }
    for (const std::string& group : Groups()) {
      if (SameIniName(group, section)) return true;
      // Only groups that are a prefix of the section can form it.
      if (group.size() >= section.size() || !SameIniName(section.substr(0, group.size()), group)) continue;
      if (CommandExists(group, section.substr(group.size()))) return true;
    }
    return false;
  }

 private:
  const TIniDocument& Document_;
};

void RequireGroup(const TTree& tree, std::string_view group) {
  if (!tree.GroupExists(group)) Refuse(TEditRefusal::NotFound, "There is no group " + Quoted(group));
}

void RequireCommand(const TTree& tree, std::string_view group, std::string_view command) {
  RequireGroup(tree, group);
  if (!tree.CommandExists(group, command)) {
    Refuse(TEditRefusal::NotFound, "There is no command " + Quoted(command) + " in group " + Quoted(group));
  }
}

void CheckName(std::string_view name, std::string_view what) {
  if (auto problem = CheckEditName(name, what)) Refuse(TEditRefusal::InvalidName, *problem);
}

void RefuseCollision(std::string_view group, std::string_view command, std::string_view section) {
  Refuse(TEditRefusal::SectionCollision, "Group " + Quoted(group) + " with command " + Quoted(command) +
                                             " would use the section [" + std::string(section) +
                                             "], which the file already uses");
}

// A new group name: storable, not a group yet, not a fixed name, and neither its
// section nor the sections of `commands` under it taken already.
void CheckNewGroup(const TTree& tree, std::string_view name, const std::vector<std::string>& commands) {
  CheckName(name, "group");
  if (tree.GroupExists(name) || IsReservedSectionName(name)) Refuse(TEditRefusal::GroupExists, std::string(kTextGroupExists));
  if (tree.SectionTaken(name)) {
    Refuse(TEditRefusal::SectionCollision,
           "The group name " + Quoted(name) + " is already the name of a command's section");
  }
  for (const std::string& command : commands) {
    const std::string section = CommandSectionName(name, command);
    if (tree.SectionTaken(section)) RefuseCollision(name, command, section);
  }
}

// A new command name in an existing group.
void CheckNewCommand(const TTree& tree, std::string_view group, std::string_view name) {
  CheckName(name, "command");
  if (tree.CommandExists(group, name)) Refuse(TEditRefusal::CommandExists, std::string(kTextCommandExists));
  const std::string section = CommandSectionName(group, name);
  if (tree.SectionTaken(section)) RefuseCollision(group, name, section);
}

bool IsFieldListKey(std::string_view key) { return SameIniName(key, CommandsKey) || SameIniName(key, AnswersKey); }

// The value a key of a command section holds as the extended reader gives it,
// but whole: a copy must not lose what lies past the reader's limit.
std::string ReadWhole(const TIniDocument& document, std::string_view section, std::string_view key) {
  return document.ReadValue(section, key, "", std::string::npos);
}

// Copies every key of the source into the destination. "Commands" and "Answers"
// are written as read; every other key gets back the quotes the read removed.
// The names compare without regard to case like every name of the file: a
// hand-written "commands" key must not come out quoted.
void CopySectionIn(TIniDocument& document, std::string_view source, std::string_view destination) {
  for (const std::string& key : document.SectionKeys(source)) {
    const std::string value = ReadWhole(document, source, key);
    document.WriteKey(destination, key, IsFieldListKey(key) ? value : "\"" + value + "\"");
  }
}

// Erases the command sections of a group, then the group.
void EraseGroupSections(TIniDocument& document, std::string_view group) {
  for (const std::string& command : document.SectionKeys(group)) {
    document.EraseSection(CommandSectionName(group, command));
  }
  document.EraseSection(group);
}

// ---- field lists as the editor's grids read them ----

int GridInteger(const std::string& text) { return ParseDecimalInt32(text).value_or(0); }
int GridCode(const std::string& text, int last) {
  const int code = GridInteger(text);
  return code >= 0 && code <= last ? code : 0;
}
bool GridFlag(const std::string& text) { return GridInteger(text) == 1; }

std::vector<TCommandField> ParseGridCommands(const std::string& value) {
  const std::vector<std::string> items = DecodeCommaList(value);
  std::vector<TCommandField> fields;
  for (std::size_t at = 0; at + CommandFieldValueCount <= items.size(); at += CommandFieldValueCount) {
    const std::string* item = &items[at];
    TCommandField field;
    field.Mode = GridInteger(item[0]) == 0 ? 0 : 1;
    field.Caption = item[1];
    field.Hint = item[2];
    field.TextType = GridCode(item[3], kTextTime);
    field.DefaultText = item[4];
    field.ControlType = GridCode(item[5], kControlTime);
    field.MaxLength = GridInteger(item[6]);
    field.Required = GridFlag(item[7]);
    field.ReadOnly = GridFlag(item[8]);
    field.MinLength = GridInteger(item[9]);
    field.Decimals = GridInteger(item[10]);
    field.AutoIncrement = GridFlag(item[11]);
    fields.push_back(std::move(field));
  }
  return fields;
}

std::vector<TAnswerField> ParseGridAnswers(const std::string& value) {
  const std::vector<std::string> items = DecodeCommaList(value);
  std::vector<TAnswerField> fields;
  for (std::size_t at = 0; at + AnswerFieldValueCount <= items.size(); at += AnswerFieldValueCount) {
    TAnswerField field;
    field.Caption = items[at];
    field.Type = GridCode(items[at + 1], kTextTime);
    field.Decimals = field.Type == kTextCurrency ? GridInteger(items[at + 2]) : 0;
    fields.push_back(std::move(field));
  }
  return fields;
}

// A list value that an edit will rewrite must have been read whole.
std::string ReadListForChange(const TIniDocument& document, std::string_view section, std::string_view key) {
  const std::string value = ReadWhole(document, section, key);
  CheckStoredLength(value, kFieldListValueLimit, key, section);
  return value;
}

std::vector<TCommandField> CommandFieldsForChange(const TIniDocument& document, std::string_view section) {
  return ParseGridCommands(ReadListForChange(document, section, CommandsKey));
}

std::vector<TAnswerField> AnswerFieldsForChange(const TIniDocument& document, std::string_view section) {
  return ParseGridAnswers(ReadListForChange(document, section, AnswersKey));
}

void CheckCommandField(const TCommandField& field) {
  CheckFieldText(field.Caption, "caption");
  CheckFieldText(field.Hint, "hint");
  CheckFieldText(field.DefaultText, "default text");
  if (field.TextType < kTextAlphaNumeric || field.TextType > kTextTime) {
    Refuse(TEditRefusal::InvalidValue, "The text type " + std::to_string(field.TextType) + " is not one of 0 to 9");
  }
  if (field.ControlType < kControlSimple || field.ControlType > kControlTime) {
    Refuse(TEditRefusal::InvalidValue,
           "The control type " + std::to_string(field.ControlType) + " is not one of 0 to 4");
  }
}

TAnswerField NormalisedAnswer(const TAnswerField& field) {
  CheckFieldText(field.Caption, "caption");
  if (field.Type < kTextAlphaNumeric || field.Type > kTextTime) {
    Refuse(TEditRefusal::InvalidValue, "The text type " + std::to_string(field.Type) + " is not one of 0 to 9");
  }
  TAnswerField normalised = field;
  if (normalised.Type != kTextCurrency) normalised.Decimals = 0;
  return normalised;
}

void WriteCommandsIn(TIniDocument& document, std::string_view section, const std::vector<TCommandField>& fields) {
  const std::string value = AssembleCommands(fields);
  CheckStoredLength(value, kFieldListValueLimit, CommandsKey, section);
  document.WriteKey(section, CommandsKey, value);
}

void WriteAnswersIn(TIniDocument& document, std::string_view section, const std::vector<TAnswerField>& fields) {
  const std::string value = AssembleAnswers(fields);
  CheckStoredLength(value, kFieldListValueLimit, AnswersKey, section);
  document.WriteKey(section, AnswersKey, value);
}

// "CL" + n or "Notes": a double quote, the comma list, a double quote.
std::string StoredListValue(const std::vector<std::string>& lines, std::string_view what, std::string_view key,
                            std::string_view section) {
  for (const std::string& line : lines) CheckFieldText(line, what);
  std::string value = AssembleStoredItemList(lines);
  // The reader takes the text between the quotes.
  CheckStoredLength(std::string_view(value).substr(1, value.size() - 2), kItemListValueLimit, key, section);
  return value;
}

void RequireFieldNumber(int number, std::size_t count, std::string_view list) {
  if (number < 1 || static_cast<std::size_t>(number) > count) {
    Refuse(TEditRefusal::NotFound, "There is no " + std::string(list) + " field number " + std::to_string(number));
  }
}

}  // namespace

// ---- names ----

bool IsReservedSectionName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> reserved = {
      "General", "Return code", "Return codes", "FiscalAnswer", "PrinterAnswer", "Groups"};
  return std::any_of(reserved.begin(), reserved.end(),
                     [name](std::string_view fixed) { return SameIniName(fixed, name); });
}

std::optional<std::string> CheckEditName(std::string_view name, std::string_view what) {
  const std::string start = "The " + std::string(what) + " name ";
  if (name.empty()) return start + "is empty";
  if (name.front() == ' ' || name.front() == '\t') return start + Quoted(name) + " starts with a blank";
  if (name.back() == ' ' || name.back() == '\t') return start + Quoted(name) + " ends with a blank";
  if (name.front() == ';') return start + Quoted(name) + " starts with \";\"";
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '=' || c == '[' || c == ']' || c < 0x20 || c == 0x7F) {
      return start + Quoted(name) + " holds " + DescribeCharacter(c) + ", which a line of the file cannot hold";
    }
  }
  return std::nullopt;
}

// ---- the type rule of the command field dialog ----

TFieldBoxes CommandFieldBoxes(int textType, int controlType, bool opening) {
  TFieldBoxes boxes;
  if (controlType == kControlDate) textType = kTextDate;
  if (controlType == kControlTime) textType = kTextTime;
  boxes.TextType = textType;

  static constexpr std::array<TFldType, 10> filters = {
      ftdAlphaNumeric, ftdAlpha, ftdCurrency,  ftdNumerical, ftdDecimal, ftdHexadecimal, ftdBinary, ftdBool,
      ftdAlphaNumeric, ftdAlphaNumeric};
  boxes.DefaultTextFilter = textType >= 0 && textType <= kTextTime ? filters[static_cast<std::size_t>(textType)]
                                                                    : ftdAlphaNumeric;

  const bool dateOrTimeControl = controlType == kControlDate || controlType == kControlTime;
  const bool dropDown = controlType == kControlDropDown || controlType == kControlDropDownList;
  boxes.ItemsEnabled = dropDown;
  boxes.DefaultTextEnabled = !dropDown && !dateOrTimeControl;
  boxes.TextTypeEnabled = !dateOrTimeControl;

  switch (textType) {
    case kTextCurrency:
      boxes.MinLengthEnabled = true;
      boxes.DecimalsEnabled = true;
      break;
    case kTextDecimal:
      boxes.MinLengthEnabled = true;
      break;
    case kTextHexa:
      boxes.MinLengthEnabled = opening || !dropDown;
      break;
    case kTextBinary:
      boxes.MinLengthEnabled = opening;
      break;
    case kTextBoolean:
      boxes.DefaultTextMaxLength = 1;
      boxes.MaxLength = 1;
      boxes.MaxLengthEnabled = false;
      break;
    case kTextDate:
    case kTextTime:
      boxes.DefaultTextMaxLength = dateOrTimeControl ? 0 : 10;
      boxes.MaxLength = 10;
      boxes.MaxLengthEnabled = false;
      break;
    default:
      break;
  }
  return boxes;
}

// ---- the editor ----

namespace {

std::string LoadForEditing(TIniDevice& device) {
  std::string bytes;
  // A file that exists but cannot be read must not be replaced by what we know of it.
  if (!device.Load(bytes)) throw TIniError::UnableToWrite(device.Name(), device.FailureReason());
  return bytes;
}

std::string LoadForReading(const TIniDevice& device) {
  std::string bytes;
  if (!device.Load(bytes)) bytes.clear();
  return bytes;
}

void StoreEdited(TIniDevice& device, TEditResult& result) {
  if (!result.Changed()) return;
  if (!device.Store(result.After)) throw TIniError::UnableToWrite(device.Name(), device.FailureReason());
}

// Loads, lets `change` work on the document, stores the outcome once.
template <typename Result = TEditResult, typename Change>
Result Edit(TIniDevice& device, Change&& change) {
  Result result;
  result.Before = LoadForEditing(device);
  TIniDocument document(result.Before);
  change(document, result);
  result.After = document.Bytes();
  StoreEdited(device, result);
  return result;
}

}  // namespace

TTerminalFileEditor::TTerminalFileEditor(std::string fileName)
    : Device_(std::make_shared<TFileDevice>(std::move(fileName))) {}

TTerminalFileEditor::TTerminalFileEditor(std::shared_ptr<TIniDevice> device) : Device_(std::move(device)) {}

std::string TTerminalFileEditor::FileName() const { return Device_->Name(); }

TEditResult TTerminalFileEditor::AddGroup(std::string_view name) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    CheckNewGroup(TTree(document), name, {});
    document.WriteKey(kGroupsSection, name, "");
  });
}

TEditResult TTerminalFileEditor::RenameGroup(std::string_view oldName, std::string_view newName) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    const TTree tree(document);
    RequireGroup(tree, oldName);
    const std::vector<std::string> commands = tree.Commands(oldName);
    CheckNewGroup(tree, newName, commands);
    for (const std::string& command : commands) {
      const std::string from = CommandSectionName(oldName, command);
      document.WriteKey(newName, command, "");
      CopySectionIn(document, from, CommandSectionName(newName, command));
      document.EraseSection(from);
    }
    document.EraseSection(oldName);
    document.DeleteKey(kGroupsSection, oldName);
    document.WriteKey(kGroupsSection, newName, "");
  });
}

TEditResult TTerminalFileEditor::RemoveGroup(std::string_view name) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    RequireGroup(TTree(document), name);
    EraseGroupSections(document, name);
    document.DeleteKey(kGroupsSection, name);
  });
}

TEditResult TTerminalFileEditor::AddCommand(std::string_view group, std::string_view name) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    const TTree tree(document);
    RequireGroup(tree, group);
    CheckNewCommand(tree, group, name);
    const std::string section = CommandSectionName(group, name);
    document.WriteKey(group, name, "");
    document.WriteKey(section, CommandsKey, "");
    document.WriteKey(section, AnswersKey, "");
  });
}

TEditResult TTerminalFileEditor::RenameCommand(std::string_view group, std::string_view oldName,
                                               std::string_view newName) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    const TTree tree(document);
    RequireCommand(tree, group, oldName);
    CheckNewCommand(tree, group, newName);
    const std::string from = CommandSectionName(group, oldName);
    document.WriteKey(group, newName, "");
    CopySectionIn(document, from, CommandSectionName(group, newName));
    document.EraseSection(from);
    document.DeleteKey(group, oldName);
  });
}

TEditResult TTerminalFileEditor::RemoveCommand(std::string_view group, std::string_view name) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    RequireCommand(TTree(document), group, name);
    document.EraseSection(CommandSectionName(group, name));
    document.DeleteKey(group, name);
  });
}

TDuplicateResult TTerminalFileEditor::DuplicateGroup(std::string_view source) {
  return Edit<TDuplicateResult>(*Device_, [&](TIniDocument& document, TDuplicateResult& result) {
    const TTree tree(document);
    RequireGroup(tree, source);
    result.Commands = tree.Commands(source);
    // The smallest free number; a name whose sections the file already uses is
    // not free either (group "Sales" with a command "1" owns the section "Sales1").
    for (unsigned n = 1;; ++n) {
      std::string name = std::string(source) + std::to_string(n);
      try {
        CheckNewGroup(tree, name, result.Commands);
      } catch (const TEditRefused& refused) {
        if (refused.Reason() == TEditRefusal::GroupExists || refused.Reason() == TEditRefusal::SectionCollision) {
          continue;
        }
        throw;
      }
      result.NewGroup = std::move(name);
      break;
    }
    document.WriteKey(kGroupsSection, result.NewGroup, "");
    for (const std::string& command : result.Commands) {
      document.WriteKey(result.NewGroup, command, "");
      CopySectionIn(document, CommandSectionName(source, command), CommandSectionName(result.NewGroup, command));
    }
  });
}

std::vector<std::string> TTerminalFileEditor::ConflictingCommands(std::string_view source,
                                                                  std::string_view target) const {
  const TIniDocument document(LoadForReading(*Device_));
  const TTree tree(document);
  std::vector<std::string> conflicts;
  for (const std::string& command : tree.Commands(source)) {
    if (tree.CommandExists(target, command)) conflicts.push_back(command);
  }
  return conflicts;
}

TMergeResult TTerminalFileEditor::MergeGroup(std::string_view source, std::string_view target,
                                             const TMergeAsk& ask) {
  return Edit<TMergeResult>(*Device_, [&](TIniDocument& document, TMergeResult& result) {
    std::vector<std::string> commands;
    {
      const TTree tree(document);
      RequireGroup(tree, source);
      RequireGroup(tree, target);
      commands = tree.Commands(source);
      // Ask first and test the new sections against the file as it was.
      for (const std::string& command : commands) {
        if (tree.CommandExists(target, command)) {
          if (ask(command) == TMergeChoice::Overwrite) result.Overwritten.push_back(command);
          continue;
        }
        const std::string section = CommandSectionName(target, command);
        if (tree.SectionTaken(section)) RefuseCollision(target, command, section);
        result.Added.push_back(command);
      }
    }
    for (const std::string& command : commands) {
      const bool added = std::find(result.Added.begin(), result.Added.end(), command) != result.Added.end();
      const bool overwritten =
          std::find(result.Overwritten.begin(), result.Overwritten.end(), command) != result.Overwritten.end();
      if (!added && !overwritten) continue;
      document.WriteKey(target, command, "");
      CopySectionIn(document, CommandSectionName(source, command), CommandSectionName(target, command));
    }
  });
}

TCopyResult TTerminalFileEditor::CopyCommandToGroup(std::string_view sourceGroup, std::string_view sourceCommand,
                                                    std::string_view targetGroup, const TCopyAsk& ask,
                                                    std::string_view name) {
  return Edit<TCopyResult>(*Device_, [&](TIniDocument& document, TCopyResult& result) {
    const TTree tree(document);
    RequireCommand(tree, sourceGroup, sourceCommand);
    RequireGroup(tree, targetGroup);
    result.Name = name.empty() ? std::string(sourceCommand) : std::string(name);
    while (tree.CommandExists(targetGroup, result.Name)) {
      const TCopyChoice choice = ask(result.Name);
      if (choice.Action == TCopyChoice::TAction::Overwrite) {
        result.Overwritten = true;
        break;
      }
      if (choice.Action == TCopyChoice::TAction::Cancel || choice.NewName.empty()) {
        result.Cancelled = true;
        return;
      }
      result.Name = choice.NewName;
    }
    if (!result.Overwritten) CheckNewCommand(tree, targetGroup, result.Name);
    document.WriteKey(targetGroup, result.Name, "");
    CopySectionIn(document, CommandSectionName(sourceGroup, sourceCommand),
                  CommandSectionName(targetGroup, result.Name));
  });
}

TEditResult TTerminalFileEditor::CopySection(std::string_view source, std::string_view destination) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    if (auto problem = CheckEditName(destination, "section")) Refuse(TEditRefusal::InvalidName, *problem);
    CopySectionIn(document, source, destination);
  });
}

// ---- field lists ----

std::vector<TCommandField> TTerminalFileEditor::ReadCommandFields(std::string_view section) const {
  const TIniDocument document(LoadForReading(*Device_));
  return ParseGridCommands(document.ReadValue(section, CommandsKey, "", TExtIniFile::kValueLimit));
}

std::vector<TAnswerField> TTerminalFileEditor::ReadAnswerFields(std::string_view section) const {
  const TIniDocument document(LoadForReading(*Device_));
  return ParseGridAnswers(document.ReadValue(section, AnswersKey, "", TExtIniFile::kValueLimit));
}

std::vector<std::string> TTerminalFileEditor::ReadItemList(std::string_view section, int fieldNumber) const {
  const TIniDocument document(LoadForReading(*Device_));
  return DecodeCommaList(document.ReadValue(section, ItemListKey(fieldNumber), "", TIniFile::kValueLimit));
}

std::vector<std::string> TTerminalFileEditor::ReadNotes(std::string_view section) const {
  const TIniDocument document(LoadForReading(*Device_));
  return DecodeCommaList(document.ReadValue(section, NotesKey, "", TIniFile::kValueLimit));
}

TEditResult TTerminalFileEditor::AddCommandField(std::string_view section, const TCommandFieldEntry& entry) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    std::vector<TCommandField> fields = CommandFieldsForChange(document, section);
    if (fields.size() >= MaxDynamicFields) Refuse(TEditRefusal::TooManyFields, std::string(kTextMaximumFieldsReached));
    TCommandField field = entry.Field;
    CheckCommandField(field);
    field.Mode = fields.empty() ? (field.Mode == 0 ? 0 : 1) : fields.front().Mode;
    fields.push_back(field);
    const int number = static_cast<int>(fields.size());
    if (!entry.Items.empty()) {
      const std::string key = ItemListKey(number);
      document.WriteKey(section, key, StoredListValue(entry.Items, "combo box line", key, section));
    }
    if (number == 1 && !entry.Notes.empty()) {
      document.WriteKey(section, NotesKey, StoredListValue(entry.Notes, "note", NotesKey, section));
    }
    WriteCommandsIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::ModifyCommandField(std::string_view section, int number,
                                                    const TCommandFieldEntry& entry) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    std::vector<TCommandField> fields = CommandFieldsForChange(document, section);
    RequireFieldNumber(number, fields.size(), "command");
    TCommandField field = entry.Field;
    CheckCommandField(field);
    const auto index = static_cast<std::size_t>(number - 1);
    field.Mode = number == 1 ? (field.Mode == 0 ? 0 : 1) : fields[index].Mode;
    fields[index] = field;
    const std::string key = ItemListKey(number);
    if (entry.Items.empty()) {
      document.DeleteKey(section, key);
    } else {
      document.WriteKey(section, key, StoredListValue(entry.Items, "combo box line", key, section));
    }
    if (number == 1) document.WriteKey(section, NotesKey, StoredListValue(entry.Notes, "note", NotesKey, section));
    WriteCommandsIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::RemoveCommandField(std::string_view section, int number) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    std::vector<TCommandField> fields = CommandFieldsForChange(document, section);
    RequireFieldNumber(number, fields.size(), "command");
    const int count = static_cast<int>(fields.size());
    for (int i = number; i < count; ++i) {
      const std::string next = ReadWhole(document, section, ItemListKey(i + 1));
      if (next.empty()) {
        document.DeleteKey(section, ItemListKey(i));
      } else {
        document.WriteKey(section, ItemListKey(i), "\"" + next + "\"");
      }
    }
    document.DeleteKey(section, ItemListKey(count));
    document.DeleteKey(section, NotesKey);
    fields.erase(fields.begin() + (number - 1));
    WriteCommandsIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::AddAnswerField(std::string_view section, const TAnswerField& field) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    std::vector<TAnswerField> fields = AnswerFieldsForChange(document, section);
    if (fields.size() >= MaxDynamicFields) Refuse(TEditRefusal::TooManyFields, std::string(kTextMaximumFieldsReached));
    fields.push_back(NormalisedAnswer(field));
    WriteAnswersIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::ModifyAnswerField(std::string_view section, int number, const TAnswerField& field) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    std::vector<TAnswerField> fields = AnswerFieldsForChange(document, section);
    RequireFieldNumber(number, fields.size(), "answer");
    fields[static_cast<std::size_t>(number - 1)] = NormalisedAnswer(field);
    WriteAnswersIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::RemoveAnswerField(std::string_view section, int number) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    std::vector<TAnswerField> fields = AnswerFieldsForChange(document, section);
    RequireFieldNumber(number, fields.size(), "answer");
    fields.erase(fields.begin() + (number - 1));
    WriteAnswersIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::WriteCommandFields(std::string_view section, const std::vector<TCommandField>& fields) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    if (fields.size() > MaxDynamicFields) Refuse(TEditRefusal::TooManyFields, std::string(kTextMaximumFieldsReached));
    for (const TCommandField& field : fields) CheckCommandField(field);
    WriteCommandsIn(document, section, fields);
  });
}

TEditResult TTerminalFileEditor::WriteAnswerFields(std::string_view section, const std::vector<TAnswerField>& fields) {
  return Edit(*Device_, [&](TIniDocument& document, TEditResult&) {
    if (fields.size() > MaxDynamicFields) Refuse(TEditRefusal::TooManyFields, std::string(kTextMaximumFieldsReached));
    std::vector<TAnswerField> normalised;
    for (const TAnswerField& field : fields) normalised.push_back(NormalisedAnswer(field));
    WriteAnswersIn(document, section, normalised);
  });
}

// ---- undo ----

TEditResult TTerminalFileEditor::RestoreBytes(const std::string& expected, const std::string& bytes) {
  TEditResult result;
  result.Before = LoadForEditing(*Device_);
  if (result.Before != expected) {
    Refuse(TEditRefusal::FileChanged, "Cannot undo: " + Device_->Name() +
                                          " has been changed by something else since the last edit");
  }
  result.After = bytes;
  StoreEdited(*Device_, result);
  return result;
}

}  // namespace quorvel::model
