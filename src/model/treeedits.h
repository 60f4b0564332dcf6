// SPDX-License-Identifier: MIT
#pragma once
// The structure of a terminal file as the command tree edits it: groups and
// commands added, renamed, removed, duplicated, merged and copied, and a change
// put back (Undo).
//
// Each operation reads the file once, makes the whole change in memory with the
// INI layer's own write rules (so the bytes are those its writes one by one would
// give) and replaces the file once: a refused write leaves the file exactly as
// it was. A refused name throws TEditRefused with the message to show and
// writes nothing; a refused write throws TIniError ("Unable to write to %s").
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/extinifile.h"
#include "model/fieldrecords.h"

namespace quorvel::model {

// A name or value the file cannot take; the message names the reason.
class TEditRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's bytes before and after one operation.
struct TEditResult {
  std::string Before;
  std::string After;
};

// The fixed section names a group may not take (letter case aside).
bool IsReservedSectionName(std::string_view name);

// One command field with its drop-down items and, for field 1, the command's notes.
struct TCommandFieldRecord {
  TCommandField Field;
  std::vector<std::string> Items;
  std::vector<std::string> Notes;
};

class TTerminalEditor {
 public:
  explicit TTerminalEditor(std::string fileName);
  explicit TTerminalEditor(std::shared_ptr<TIniDevice> device);

  // Group names: not in use ("Group already exists", letter case aside, also for
  // the group's own name on a rename), not a fixed section name, storable in an
  // INI line, and their command sections not those of another group and command.
  TEditResult AddGroup(const std::string& name);
  // The commands and their sections move to the new name; the group is listed
  // last in "Groups" afterwards.
  TEditResult RenameGroup(const std::string& oldName, const std::string& newName);
  TEditResult RemoveGroup(const std::string& name);

  // Command names: not in use in the group ("The command already exists"),
  // storable, and their section not that of another pair or a fixed section.
  TEditResult AddCommand(const std::string& group, const std::string& name);
  TEditResult RenameCommand(const std::string& group, const std::string& oldName, const std::string& newName);
  TEditResult RemoveCommand(const std::string& group, const std::string& name);

  bool GroupExists(const std::string& group) const;
  bool CommandExists(const std::string& group, const std::string& command) const;

  // A copy of the group under its name followed by the smallest free number;
  // `newName` receives it.
  TEditResult DuplicateGroup(const std::string& source, std::string& newName);
  // Copies the listed commands of `source` into `target` (a command the target
  // has is overwritten: keys only the target's section has stay).
  TEditResult MergeGroup(const std::string& source, const std::string& target,
                         const std::vector<std::string>& commands);
  // Copies one command into `targetGroup` as `name`. Without `overwrite`, a name
  // the group has is refused ("Command already exists, choose action").
  TEditResult CopyCommandToGroup(const std::string& sourceGroup, const std::string& sourceCommand,
                                 const std::string& targetGroup, const std::string& name, bool overwrite);

  // ---- the field lists of one command section ----
  // Field numbers count from 1. A list that already holds 70 fields takes no
  // more ("Maximum number of dynamic controls reached!!!"); a "Commands" or
  // "Answers" value longer than 8191 characters, or an item list or notes longer
  // than 2047, would be cut when read back and is refused. Each writes the whole
  // list again.
  // Appends a field: its items under "CL" + n when it has any, the notes when it
  // is field 1 and has any.
  TEditResult AddCommandField(const std::string& section, const TCommandFieldRecord& record);
  // Replaces field `number`: its items written or (none) deleted; for field 1 the notes written.
  TEditResult ModifyCommandField(const std::string& section, int number, const TCommandFieldRecord& record);
  // Removes field `number`: the later fields' item lists move down one number,
  // and the command's notes are deleted.
  TEditResult RemoveCommandField(const std::string& section, int number);
  TEditResult AddAnswerField(const std::string& section, const TAnswerField& field);
  TEditResult ModifyAnswerField(const std::string& section, int number, const TAnswerField& field);
  TEditResult RemoveAnswerField(const std::string& section, int number);

  // Puts `before` back when the file still holds exactly `after`; otherwise
  // throws TEditRefused and changes nothing.
  TEditResult RestoreIfUnchanged(const std::string& before, const std::string& after);

 private:
  std::shared_ptr<TIniDevice> Device_;
};

}  // namespace quorvel::model
