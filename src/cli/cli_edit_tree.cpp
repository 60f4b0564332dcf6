// SPDX-License-Identifier: MIT
// quorvel-cli edit FILE group ... and command ...: the command tree's operations.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_edit.h"
#include "cli/cli_editsupport.h"
#include "model/fileedit.h"

namespace quorvel::cli::edit {
namespace {

using model::TCopyChoice;
using model::TEditRefusal;
using model::TEditRefused;
using model::TMergeChoice;
using model::TTerminalFileEditor;

int GroupAdd(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 1);
  CheckNameLength(args.Positional[0], "group");
  TTerminalFileEditor(file).AddGroup(args.Positional[0]);
  return 0;
}

int GroupRename(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  CheckNameLength(args.Positional[1], "group");
  TTerminalFileEditor(file).RenameGroup(args.Positional[0], args.Positional[1]);
  return 0;
}

int GroupRemove(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 1);
  TTerminalFileEditor(file).RemoveGroup(args.Positional[0]);
  return 0;
}

int GroupCopy(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 1);
  const auto result = TTerminalFileEditor(file).DuplicateGroup(args.Positional[0]);
  std::printf("%s\n", result.NewGroup.c_str());
  return 0;
}

int GroupMerge(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {"--overwrite", "--skip"});
  RequirePositional(args, 2);
  const bool overwrite = args.Has("--overwrite");
  const bool skip = args.Has("--skip");
  if (overwrite && skip) throw TUsageError("--overwrite and --skip exclude each other");
  TTerminalFileEditor editor(file);
  const std::string& source = args.Positional[0];
  const std::string& target = args.Positional[1];
  editor.MergeGroup(source, target, [&](const std::string&) {
    if (!overwrite && !skip) {
      std::string names;
      for (const std::string& command : editor.ConflictingCommands(source, target)) {
        names += (names.empty() ? "\"" : ", \"") + command + "\"";
      }
      throw TEditRefused(TEditRefusal::ConflictUnanswered,
                         "Group \"" + target + "\" already has the commands " + names +
                             "; choose --overwrite or --skip");
    }
    return overwrite ? TMergeChoice::Overwrite : TMergeChoice::Skip;
  });
  return 0;
}

int CommandAdd(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  CheckNameLength(args.Positional[1], "command");
  TTerminalFileEditor(file).AddCommand(args.Positional[0], args.Positional[1]);
  return 0;
}

int CommandRename(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 3);
  CheckNameLength(args.Positional[2], "command");
  TTerminalFileEditor(file).RenameCommand(args.Positional[0], args.Positional[1], args.Positional[2]);
  return 0;
}

int CommandRemove(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  TTerminalFileEditor(file).RemoveCommand(args.Positional[0], args.Positional[1]);
  return 0;
}

int CommandCopy(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {"--as"}, {}, {"--overwrite"});
  RequirePositional(args, 2);
  const TCommandPath source = ResolveCommandPath(file, args.Positional[0]);
  std::string name;
  if (const std::string* as = args.Value("--as")) {
    name = *as;
    CheckNameLength(name, "command");
    if (name.empty()) throw TEditRefused(TEditRefusal::InvalidName, "The command name is empty");
  }
  const bool overwrite = args.Has("--overwrite");
  TTerminalFileEditor(file).CopyCommandToGroup(
      source.Group, source.Command, args.Positional[1],
      [overwrite](const std::string&) {
        if (!overwrite) {
          throw TEditRefused(TEditRefusal::ConflictUnanswered, std::string(model::kTextCommandExistsChooseAction));
        }
        return TCopyChoice::Overwrite();
      },
      name);
  return 0;
}

}  // namespace

QUORVEL_EDIT_FAMILY(group, {
                               {"add", "group add NAME", GroupAdd},
                               {"rename", "group rename OLD NEW", GroupRename},
                               {"remove", "group remove NAME", GroupRemove},
                               {"copy", "group copy NAME   (prints the new group's name)", GroupCopy},
                               {"merge", "group merge SOURCE TARGET [--overwrite | --skip]", GroupMerge},
                           });

QUORVEL_EDIT_FAMILY(command, {
                                 {"add", "command add GROUP NAME", CommandAdd},
                                 {"rename", "command rename GROUP OLD NEW", CommandRename},
                                 {"remove", "command remove GROUP NAME", CommandRemove},
                                 {"copy", "command copy GROUP/NAME TARGETGROUP [--as NEWNAME] [--overwrite]",
                                  CommandCopy},
                             });

}  // namespace quorvel::cli::edit
