// SPDX-License-Identifier: MIT
#include "model/treeedits.h"

#include <functional>
#include <unordered_map>

#include "model/errors.h"
#include "model/fieldrecords.h"
#include "model/terminalfile.h"

namespace quorvel::model {

namespace {

const char* const kReservedSections[] = {"General", "Return code", "Return codes", "FiscalAnswer",
                                         "PrinterAnswer", "Groups"};

const std::string kGroupExists = "Group already exists";
const std::string kCommandExists = "The command already exists";

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// A name an INI line can hold as a key and, joined to another, as a section name.
void CheckStorableName(const std::string& name) {
  if (name.empty()) throw TEditRefused("A name cannot be empty");
  for (const char c : name) {
    if (c == '=' || c == '[' || c == ']') {
      throw TEditRefused("The name " + Quoted(name) + " cannot hold the character " + Quoted(std::string(1, c)));
    }
    if (c == '\r' || c == '\n') throw TEditRefused("The name " + Quoted(name) + " cannot hold a line break");
  }
  if (name.front() == ';') throw TEditRefused("The name " + Quoted(name) + " cannot start with \";\"");
  if (name.front() == ' ' || name.front() == '\t' || name.back() == ' ' || name.back() == '\t') {
    throw TEditRefused("The name " + Quoted(name) + " cannot start or end with a blank");
  }
}

// Who owns each section of the file, by folded name: the fixed sections, each
// group's own section, and each group and command pair's command section.
class TSectionOwners {
 public:
  explicit TSectionOwners(const TIniFile& file) {
    for (const char* reserved : kReservedSections) Owners_[FoldIniName(reserved)] = {"", ""};
    for (const std::string& group : ReadGroups(file)) {
      Owners_[FoldIniName(group)] = {group, ""};
      for (const std::string& command : ReadGroupCommands(file, group)) {
        Owners_[FoldIniName(CommandSectionName(group, command))] = {group, command};
      }
    }
  }

  // Refuses a section for `group` + `command` that another owner has. Owners
  // whose group is `ignoredGroup` (a group being renamed) do not count.
  void CheckFree(const std::string& group, const std::string& command, const std::string& ignoredGroup = "") const {
    const std::string section = CommandSectionName(group, command);
    const auto found = Owners_.find(FoldIniName(section));
    if (found == Owners_.end()) return;
    const auto& [ownerGroup, ownerCommand] = found->second;
    if (!ignoredGroup.empty() && !ownerGroup.empty() && SameIniName(ownerGroup, ignoredGroup)) return;
    if (SameIniName(ownerGroup, group) && SameIniName(ownerCommand, command)) return;
    if (ownerGroup.empty()) {
      throw TEditRefused("The section " + Quoted(section) + " is a fixed section of the terminal file");
    }
    const std::string owner = ownerCommand.empty() ? "the group " + Quoted(ownerGroup)
                                                   : "the command " + Quoted(ownerGroup + "/" + ownerCommand);
    throw TEditRefused("The section " + Quoted(section) + " would be that of " + owner);
  }

 private:
  std::unordered_map<std::string, std::pair<std::string, std::string>> Owners_;
};

// Copies the keys of one section into another: "Commands" and "Answers" as
// read, every other key between double quotes again. The destination is not
// erased first. A value longer than the reader takes would be cut: refused.
void CopySection(TExtIniFile& file, const std::string& source, const std::string& destination) {
  TIniFile::TKeyValues keys;
  for (const std::string& key : file.ReadSectionKeys(source)) {
    std::string value = file.ReadValue(source, key, "");
    if (value.size() >= TExtIniFile::kValueLimit) {
      throw TEditRefused("The value of " + Quoted(key) + " in section " + Quoted(source) +
                         " is too long to be copied whole");
    }
    if (key != CommandsKey && key != AnswersKey) value = "\"" + value + "\"";
    keys.emplace_back(key, std::move(value));
  }
  if (!keys.empty()) file.WriteKeys(destination, keys);
}

}  // namespace

bool IsReservedSectionName(std::string_view name) {
  for (const char* reserved : kReservedSections) {
    if (SameIniName(name, reserved)) return true;
  }
  return false;
}

TTerminalEditor::TTerminalEditor(std::string fileName)
    : Device_(std::make_shared<TFileDevice>(std::move(fileName))) {}

TTerminalEditor::TTerminalEditor(std::shared_ptr<TIniDevice> device) : Device_(std::move(device)) {}

namespace {

// Runs `change` on the file's bytes in memory and replaces the file once.
TEditResult Compose(TIniDevice& device, const std::function<void(TExtIniFile&)>& change) {
  TEditResult result;
  if (!device.Load(result.Before)) throw TIniError::UnableToWrite(device.Name());
  auto memory = std::make_shared<TMemoryDevice>(result.Before, device.Name());
  TExtIniFile file(memory);
  change(file);
  result.After = memory->Bytes;
  if (result.After != result.Before && !device.Store(result.After)) throw TIniError::UnableToWrite(device.Name());
  return result;
}

void CheckGroupName(const TExtIniFile& file, const std::string& name, const std::string& renamed = "") {
  CheckStorableName(name);
  if (file.ValueExists(kSectionGroups, name) || IsReservedSectionName(name)) throw TEditRefused(kGroupExists);
  // The group's commands and its own section must not land in another's section.
  const TSectionOwners owners(file);
  owners.CheckFree(name, "", renamed);
  for (const std::string& command : renamed.empty() ? std::vector<std::string>{} : ReadGroupCommands(file, renamed)) {
    owners.CheckFree(name, command, renamed);
  }
}

void CheckCommandName(const TExtIniFile& file, const std::string& group, const std::string& name) {
  CheckStorableName(name);
  if (file.ValueExists(group, name)) throw TEditRefused(kCommandExists);
  TSectionOwners(file).CheckFree(group, name);
}

}  // namespace

TEditResult TTerminalEditor::AddGroup(const std::string& name) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    CheckGroupName(file, name);
    file.WriteKey(kSectionGroups, name, "");
  });
}

TEditResult TTerminalEditor::RenameGroup(const std::string& oldName, const std::string& newName) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    CheckGroupName(file, newName, oldName);
    for (const std::string& command : ReadGroupCommands(file, oldName)) {
      file.WriteKey(newName, command, "");
      CopySection(file, CommandSectionName(oldName, command), CommandSectionName(newName, command));
      file.EraseSection(CommandSectionName(oldName, command));
    }
    file.EraseSection(oldName);
    file.DeleteKey(kSectionGroups, oldName);
    file.WriteKey(kSectionGroups, newName, "");
  });
}

TEditResult TTerminalEditor::RemoveGroup(const std::string& name) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    for (const std::string& command : ReadGroupCommands(file, name)) {
      file.EraseSection(CommandSectionName(name, command));
    }
    file.EraseSection(name);
    file.DeleteKey(kSectionGroups, name);
  });
}

TEditResult TTerminalEditor::AddCommand(const std::string& group, const std::string& name) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    CheckCommandName(file, group, name);
    file.WriteKey(group, name, "");
    file.WriteKeys(CommandSectionName(group, name), {{CommandsKey, ""}, {AnswersKey, ""}});
  });
}

TEditResult TTerminalEditor::RenameCommand(const std::string& group, const std::string& oldName,
                                           const std::string& newName) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    CheckCommandName(file, group, newName);
    file.WriteKey(group, newName, "");
    CopySection(file, CommandSectionName(group, oldName), CommandSectionName(group, newName));
    file.EraseSection(CommandSectionName(group, oldName));
    file.DeleteKey(group, oldName);
  });
}

TEditResult TTerminalEditor::RemoveCommand(const std::string& group, const std::string& name) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    file.EraseSection(CommandSectionName(group, name));
    file.DeleteKey(group, name);
  });
}

bool TTerminalEditor::GroupExists(const std::string& group) const {
  return TIniFile(Device_).ValueExists(kSectionGroups, group);
}

bool TTerminalEditor::CommandExists(const std::string& group, const std::string& command) const {
  return TIniFile(Device_).ValueExists(group, command);
}

TEditResult TTerminalEditor::DuplicateGroup(const std::string& source, std::string& newName) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    for (int n = 1;; ++n) {
      newName = source + std::to_string(n);
      if (!file.ValueExists(kSectionGroups, newName)) break;
    }
    const std::vector<std::string> commands = ReadGroupCommands(file, source);
    const TSectionOwners owners(file);
    owners.CheckFree(newName, "");
    for (const std::string& command : commands) owners.CheckFree(newName, command);
    file.WriteKey(kSectionGroups, newName, "");
    for (const std::string& command : commands) {
      file.WriteKey(newName, command, "");
      CopySection(file, CommandSectionName(source, command), CommandSectionName(newName, command));
    }
  });
}

TEditResult TTerminalEditor::MergeGroup(const std::string& source, const std::string& target,
                                        const std::vector<std::string>& commands) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    const TSectionOwners owners(file);
    for (const std::string& command : commands) owners.CheckFree(target, command);
    for (const std::string& command : commands) {
      file.WriteKey(target, command, "");
      CopySection(file, CommandSectionName(source, command), CommandSectionName(target, command));
    }
  });
}

TEditResult TTerminalEditor::CopyCommandToGroup(const std::string& sourceGroup, const std::string& sourceCommand,
                                                const std::string& targetGroup, const std::string& name,
                                                bool overwrite) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    CheckStorableName(name);
    if (!overwrite && file.ValueExists(targetGroup, name)) {
      throw TEditRefused("Command already exists, choose action");
    }
    TSectionOwners(file).CheckFree(targetGroup, name);
    file.WriteKey(targetGroup, name, "");
    CopySection(file, CommandSectionName(sourceGroup, sourceCommand), CommandSectionName(targetGroup, name));
  });
}

// ---- field lists ----

namespace {

const std::string kTooManyFields = "Maximum number of dynamic controls reached!!!";

std::vector<TCommandField> ReadCommandFields(const TExtIniFile& file, const std::string& section) {
  return ParseCommandFieldList(file.ReadValue(section, CommandsKey, ""));
}

std::vector<TAnswerField> ReadAnswerFields(const TExtIniFile& file, const std::string& section) {
  return ParseAnswerFieldList(file.ReadValue(section, AnswersKey, ""));
}

void CheckNumber(int number, std::size_t count) {
  if (number < 1 || static_cast<std::size_t>(number) > count) {
    throw TEditRefused("There is no field number " + std::to_string(number));
  }
}

// A value the reader would cut is not written at all.
void CheckLength(const std::string& key, const std::string& value, std::size_t limit) {
  if (value.size() > limit) {
    throw TEditRefused("The value of " + Quoted(key) + " would be " + std::to_string(value.size()) +
                       " characters long; at most " + std::to_string(limit) + " can be read back");
  }
}

void WriteCommandsValue(TExtIniFile& file, const std::string& section, const std::vector<TCommandField>& fields) {
  const std::string value = AssembleCommands(fields);
  CheckLength(CommandsKey, value, TExtIniFile::kValueLimit);
  file.WriteKey(section, CommandsKey, value);
}

void WriteAnswersValue(TExtIniFile& file, const std::string& section, const std::vector<TAnswerField>& fields) {
  const std::string value = AssembleAnswers(fields);
  CheckLength(AnswersKey, value, TExtIniFile::kValueLimit);
  file.WriteKey(section, AnswersKey, value);
}

// A double quote, the items as a comma list, a double quote; the reader takes
// what is between the quotes.
void WriteList(TExtIniFile& file, const std::string& section, const std::string& key,
               const std::vector<std::string>& items) {
  const std::string value = AssembleStoredItemList(items);
  CheckLength(key, value.substr(1, value.size() - 2), TIniFile::kValueLimit);
  file.WriteKey(section, key, value);
}

// The answer decimals are kept for Currency only.
TAnswerField Stored(TAnswerField field) {
  if (field.Type != kTextCurrency) field.Decimals = 0;
  return field;
}

}  // namespace

TEditResult TTerminalEditor::AddCommandField(const std::string& section, const TCommandFieldRecord& record) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    std::vector<TCommandField> fields = ReadCommandFields(file, section);
    if (fields.size() >= MaxDynamicFields) throw TEditRefused(kTooManyFields);
    fields.push_back(record.Field);
    const int number = static_cast<int>(fields.size());
    if (!record.Items.empty()) WriteList(file, section, ItemListKey(number), record.Items);
    if (number == 1 && !record.Notes.empty()) WriteList(file, section, NotesKey, record.Notes);
    WriteCommandsValue(file, section, fields);
  });
}

TEditResult TTerminalEditor::ModifyCommandField(const std::string& section, int number,
                                                const TCommandFieldRecord& record) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    std::vector<TCommandField> fields = ReadCommandFields(file, section);
    CheckNumber(number, fields.size());
    fields[static_cast<std::size_t>(number - 1)] = record.Field;
    if (record.Items.empty()) {
      file.DeleteKey(section, ItemListKey(number));
    } else {
      WriteList(file, section, ItemListKey(number), record.Items);
    }
    if (number == 1) WriteList(file, section, NotesKey, record.Notes);
    WriteCommandsValue(file, section, fields);
  });
}

TEditResult TTerminalEditor::RemoveCommandField(const std::string& section, int number) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    std::vector<TCommandField> fields = ReadCommandFields(file, section);
    CheckNumber(number, fields.size());
    const int count = static_cast<int>(fields.size());
    fields.erase(fields.begin() + (number - 1));
    for (int i = number; i < count; ++i) {
      const std::string next = ItemListKey(i + 1);
      if (file.ValueExists(section, next)) {
        file.WriteKey(section, ItemListKey(i), "\"" + file.ReadValue(section, next, "") + "\"");
      } else {
        file.DeleteKey(section, ItemListKey(i));
      }
    }
    file.DeleteKey(section, ItemListKey(count));
    file.DeleteKey(section, NotesKey);
    WriteCommandsValue(file, section, fields);
  });
}

TEditResult TTerminalEditor::AddAnswerField(const std::string& section, const TAnswerField& field) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    std::vector<TAnswerField> fields = ReadAnswerFields(file, section);
    if (fields.size() >= MaxDynamicFields) throw TEditRefused(kTooManyFields);
    fields.push_back(Stored(field));
    WriteAnswersValue(file, section, fields);
  });
}

TEditResult TTerminalEditor::ModifyAnswerField(const std::string& section, int number, const TAnswerField& field) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    std::vector<TAnswerField> fields = ReadAnswerFields(file, section);
    CheckNumber(number, fields.size());
    fields[static_cast<std::size_t>(number - 1)] = Stored(field);
    WriteAnswersValue(file, section, fields);
  });
}

TEditResult TTerminalEditor::RemoveAnswerField(const std::string& section, int number) {
  return Compose(*Device_, [&](TExtIniFile& file) {
    std::vector<TAnswerField> fields = ReadAnswerFields(file, section);
    CheckNumber(number, fields.size());
    fields.erase(fields.begin() + (number - 1));
    WriteAnswersValue(file, section, fields);
  });
}

TEditResult TTerminalEditor::RestoreIfUnchanged(const std::string& before, const std::string& after) {
  TEditResult result;
  if (!Device_->Load(result.Before)) throw TIniError::UnableToWrite(Device_->Name());
  if (result.Before != after) {
    throw TEditRefused("The terminal file has been changed by something else since this change was made; "
                       "it cannot be undone");
  }
  if (!Device_->Store(before)) throw TIniError::UnableToWrite(Device_->Name());
  result.After = before;
  return result;
}

}  // namespace quorvel::model
