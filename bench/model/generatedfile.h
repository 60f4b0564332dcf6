// SPDX-License-Identifier: MIT
#pragma once
// The large terminal file the benchmarks work on: 100 groups x 20 commands x 12
// command fields (plus 6 answer fields, a combo list and notes each). A group
// of more commands can be appended for the operations that move a whole group,
// and the tree editor's benchmark asks for 20 groups of 100.
#include <string>

#include "model/terminalfile.h"

namespace quorvel::bench {

inline constexpr int kGroups = 100;
inline constexpr int kCommandsPerGroup = 20;
inline constexpr int kFieldsPerCommand = 12;
inline constexpr int kAnswersPerCommand = 6;

inline std::string GroupName(int g) { return "Group" + std::to_string(g); }
inline std::string CommandName(int c) { return "Command" + std::to_string(c); }

inline std::string CommandsValue(int seed) {
  std::string value;
  for (int f = 0; f < kFieldsPerCommand; ++f) {
    if (f > 0) value += ',';
    value += "0,\"&Field " + std::to_string(f) + "\",\"Hint of field " + std::to_string(seed) + "\"," +
             std::to_string(f % 10) + ",\"default\"," + std::to_string(f % 3) + ",25," + std::to_string(f % 2) +
             ",0,0,2,0";
  }
  return value;
}

inline std::string AnswersValue() {
  std::string value;
  for (int a = 0; a < kAnswersPerCommand; ++a) {
    if (a > 0) value += ',';
    value += "\"Answer " + std::to_string(a) + "\"," + std::to_string(a % 10) + ",0";
  }
  return value;
}

// A file of `groups` groups of `commandsPerGroup` commands each; with
// bigGroupCommands > 0 a last group "Big" of that many commands follows.
inline std::string GenerateFileOf(int groups, int commandsPerGroup, int bigGroupCommands = 0) {
  using model::CommandSectionName;
  std::string text(model::NewFileTemplate());
  const std::string groupsHeader = "[Groups]\r\n";
  std::string groupList;
  for (int g = 0; g < groups; ++g) groupList += GroupName(g) + "=\r\n";
  if (bigGroupCommands > 0) groupList += "Big=\r\n";
  text.insert(text.find("\r\n" + groupsHeader) + 2 + groupsHeader.size(), groupList);
  const std::string answers = AnswersValue();
  auto addGroup = [&](const std::string& group, int commands, int seed) {
    text += "[" + group + "]\r\n";
    for (int c = 0; c < commands; ++c) text += CommandName(c) + "=\r\n";
    for (int c = 0; c < commands; ++c) {
      text += "[" + CommandSectionName(group, CommandName(c)) + "]\r\n";
      text += "Commands=" + CommandsValue(seed + c) + "\r\n";
      text += "Answers=" + answers + "\r\n";
      text += "CL2=\"\"\"one\"\",two,three\"\r\n";
      text += "Notes=\"\"Line one\",\"Line two\"\"\r\n";
    }
  };
  for (int g = 0; g < groups; ++g) addGroup(GroupName(g), commandsPerGroup, g * commandsPerGroup);
  if (bigGroupCommands > 0) addGroup("Big", bigGroupCommands, 0);
  return text;
}

// The usual large file: kGroups x kCommandsPerGroup, and the optional "Big" group.
inline std::string GenerateFile(int bigGroupCommands = 0) {
  return GenerateFileOf(kGroups, kCommandsPerGroup, bigGroupCommands);
}

}  // namespace quorvel::bench
