// SPDX-License-Identifier: MIT
#pragma once
// The tree operations done the long way: one INI layer call (and so one
// replacement of the file) per key written, key deleted or section erased, in
// the order the tree's handlers have always described them. The edit layer
// must leave exactly these bytes; the tests compare both, and the benchmark
// times both. No name checks here: callers pass names the layer accepts.
#include <string>
#include <string_view>
#include <vector>

#include "model/extinifile.h"
#include "model/fieldrecords.h"
#include "model/terminalfile.h"

namespace quorvel::writebywrite {

using model::CommandSectionName;
using model::TExtIniFile;

inline void CopySection(TExtIniFile& file, std::string_view source, std::string_view destination) {
  for (const std::string& key : file.ReadSectionKeys(source)) {
    const std::string value = file.ReadValue(source, key, "");
    const bool fieldList = key == "Commands" || key == "Answers";
    file.WriteKey(destination, key, fieldList ? value : "\"" + value + "\"");
  }
}

inline void AddGroup(TExtIniFile& file, std::string_view name) { file.WriteKey("Groups", name, ""); }

inline void RenameGroup(TExtIniFile& file, std::string_view oldName, std::string_view newName) {
  for (const std::string& command : file.ReadSectionKeys(oldName)) {
    file.WriteKey(newName, command, "");
    CopySection(file, CommandSectionName(oldName, command), CommandSectionName(newName, command));
    file.EraseSection(CommandSectionName(oldName, command));
  }
  file.EraseSection(oldName);
  file.DeleteKey("Groups", oldName);
  file.WriteKey("Groups", newName, "");
}

inline void RemoveGroup(TExtIniFile& file, std::string_view name) {
  for (const std::string& command : file.ReadSectionKeys(name)) file.EraseSection(CommandSectionName(name, command));
  file.EraseSection(name);
  file.DeleteKey("Groups", name);
}

inline void AddCommand(TExtIniFile& file, std::string_view group, std::string_view name) {
  file.WriteKey(group, name, "");
  file.WriteKey(CommandSectionName(group, name), "Commands", "");
  file.WriteKey(CommandSectionName(group, name), "Answers", "");
}

inline void RenameCommand(TExtIniFile& file, std::string_view group, std::string_view oldName,
                          std::string_view newName) {
  file.WriteKey(group, newName, "");
  CopySection(file, CommandSectionName(group, oldName), CommandSectionName(group, newName));
  file.EraseSection(CommandSectionName(group, oldName));
  file.DeleteKey(group, oldName);
}

inline void RemoveCommand(TExtIniFile& file, std::string_view group, std::string_view name) {
  file.EraseSection(CommandSectionName(group, name));
  file.DeleteKey(group, name);
}

inline void DuplicateGroup(TExtIniFile& file, std::string_view source, std::string_view newName) {
  const std::vector<std::string> commands = file.ReadSectionKeys(source);
  file.WriteKey("Groups", newName, "");
  for (const std::string& command : commands) {
    file.WriteKey(newName, command, "");
    CopySection(file, CommandSectionName(source, command), CommandSectionName(newName, command));
  }
}

// Every source command copied, the target's own ones overwritten.
inline void MergeGroup(TExtIniFile& file, std::string_view source, std::string_view target) {
  for (const std::string& command : file.ReadSectionKeys(source)) {
    file.WriteKey(target, command, "");
    CopySection(file, CommandSectionName(source, command), CommandSectionName(target, command));
  }
}

inline void CopyCommandToGroup(TExtIniFile& file, std::string_view sourceGroup, std::string_view sourceCommand,
                               std::string_view targetGroup, std::string_view name) {
  file.WriteKey(targetGroup, name, "");
  CopySection(file, CommandSectionName(sourceGroup, sourceCommand), CommandSectionName(targetGroup, name));
}

}  // namespace quorvel::writebywrite
