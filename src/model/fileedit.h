// SPDX-License-Identifier: MIT
#pragma once
// The edit operations of a terminal file: groups and commands of the command
// tree, and the command and answer field lists of one command. The tree's
// handlers, the field list editor, its record dialogs and `quorvel-cli edit`
// all change the file through these, and only through these.
//
// Every operation loads the file once, checks its input, computes the new
// content in memory with the INI layer's own write rules (the bytes are exactly
// those the operation's sequence of key writes, key deletions and section
// erasures would give) and replaces the file once. So an operation is all or
// nothing: a refused name or value (TEditRefused) or a refused write (TIniError
// "Unable to write to <file>") leaves the file exactly as it was.
//
// Each operation returns the file's bytes before and after, which is what an
// Undo needs; RestoreBytes puts earlier bytes back.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/extinifile.h"
#include "model/fieldrecords.h"
#include "model/inputfilter.h"

namespace quorvel::model {

// ---- the system's texts ----
inline constexpr std::string_view kTextGroupExists = "Group already exists";
inline constexpr std::string_view kTextCommandExists = "The command already exists";
inline constexpr std::string_view kTextCommandExistsChooseAction = "Command already exists, choose action";
inline constexpr std::string_view kTextMaximumFieldsReached = "Maximum number of dynamic controls reached!!!";

// Why an edit was refused. The exception's message is the text to show.
enum class TEditRefusal {
  GroupExists,        // "Group already exists" (also a fixed section name)
  CommandExists,      // "The command already exists"
  InvalidName,        // a character an INI line cannot hold, or an empty name
  SectionCollision,   // the command section would be another pair's section or a fixed one
  NotFound,           // no such group, command or field
  ValueTooLong,       // the value would be cut when read back
  TooManyFields,      // "Maximum number of dynamic controls reached!!!"
  InvalidValue,       // a field value the record rules refuse
  ConflictUnanswered, // a merge or copy met an existing command and nobody chose
  FileChanged,        // RestoreBytes: the file no longer holds the expected bytes
  ReturnCodeExists,   // "The return codes already exits !!!"
};

class TEditRefused : public std::runtime_error {
 public:
  TEditRefused(TEditRefusal reason, const std::string& message)
      : std::runtime_error(message), Reason_(reason) {}
  TEditRefusal Reason() const { return Reason_; }

 private:
  TEditRefusal Reason_;
};

// The file's bytes before and after one operation; equal when it changed nothing
// (then the file was not replaced at all).
struct TEditResult {
  std::string Before;
  std::string After;
  bool Changed() const { return Before != After; }
};

// ---- names ----

// The fixed section names a group may not take, compared without regard to case:
// "General", "Return code", "Return codes", "FiscalAnswer", "PrinterAnswer", "Groups".
bool IsReservedSectionName(std::string_view name);

// Nullopt when the name can be a key and part of a section name; else a message
// naming the offending character: empty, "=", "[", "]", a leading ";", leading or
// trailing blanks, a line break or another control character. `what` is
// "group" or "command" and starts the message ("The group name ...").
std::optional<std::string> CheckEditName(std::string_view name, std::string_view what);

// The window's limits, which the command line enforces by refusing longer texts:
// a prompted name is cut to 25 characters, a command field's caption and hint
// boxes hold 35.
inline constexpr std::size_t kEditNameMaxLength = 25;
inline constexpr std::size_t kFieldCaptionMaxLength = 35;

// The longest value that reads back whole: "Commands" and "Answers" through the
// extended reader, "CL" lists and "Notes" (between their quotes) through the
// standard one.
inline constexpr std::size_t kFieldListValueLimit = 8191;
inline constexpr std::size_t kItemListValueLimit = 2047;

// ---- answers the operations ask for ----

// MergeGroup: what to do with a source command whose name the target already has.
enum class TMergeChoice { Overwrite, Skip };
using TMergeAsk = std::function<TMergeChoice(const std::string& command)>;

// CopyCommandToGroup: what to do while the target group has a command of the
// copy's name (the window shows TFormOverwriteNewCommand, then the name prompt).
struct TCopyChoice {
  enum class TAction { Overwrite, NewName, Cancel };
  TAction Action = TAction::Cancel;
  std::string NewName;  // for NewName; an empty name cancels
  static TCopyChoice Overwrite() { return {TAction::Overwrite, {}}; }
  static TCopyChoice Rename(std::string name) { return {TAction::NewName, std::move(name)}; }
  static TCopyChoice Cancel() { return {TAction::Cancel, {}}; }
};
using TCopyAsk = std::function<TCopyChoice(const std::string& existingName)>;

struct TDuplicateResult : TEditResult {
  std::string NewGroup;               // the source name followed by the smallest free number
  std::vector<std::string> Commands;  // the commands copied, in order
};

struct TMergeResult : TEditResult {
  std::vector<std::string> Added;        // commands new in the target, in order (new tree nodes)
  std::vector<std::string> Overwritten;  // commands written over a command of the same name
};

struct TCopyResult : TEditResult {
  bool Cancelled = false;    // the ask said Cancel (or an empty new name): nothing written
  std::string Name;          // the copy's name in the target group
  bool Overwritten = false;  // an existing command of that name was written over (no new node)
};

// A command field as the record dialog hands it over: the record, its drop-down
// items and, for field 1, the command's notes (ignored for other fields).
struct TCommandFieldEntry {
  TCommandField Field;
  std::vector<std::string> Items;
  std::vector<std::string> Notes;
};

// ---- the record dialog's type rule, shared by the dialog and the command line ----

// Which boxes of the command field dialog are enabled and what the rule puts in
// them, for a text type and a control type. `opening` is the variant applied once
// when an existing field is opened (its stored values stay in the enabled boxes,
// and Min length is enabled for Hexa and Binary with either control kind).
struct TFieldBoxes {
  int TextType = kTextAlphaNumeric;  // a Date or Time control forces Date or Time
  bool TextTypeEnabled = true;
  TFldType DefaultTextFilter = ftdAlphaNumeric;
  int DefaultTextMaxLength = 0;  // 0 = no limit
  bool DefaultTextEnabled = true;
  bool ItemsEnabled = false;  // Combo box lines
  int MaxLength = 0;          // the value a reset puts in Max length
  bool MaxLengthEnabled = true;
  bool MinLengthEnabled = false;
  bool DecimalsEnabled = false;
};
TFieldBoxes CommandFieldBoxes(int textType, int controlType, bool opening);

// ---- the operations ----

class TTerminalFileEditor {
 public:
  explicit TTerminalFileEditor(std::string fileName);
  explicit TTerminalFileEditor(std::shared_ptr<TIniDevice> device);

  std::string FileName() const;

  // -- groups and commands --
  // Names are refused (TEditRefused, nothing written) when CheckEditName refuses
  // them, when a group name exists (without regard to case) or is a fixed section
  // name ("Group already exists"), when a command name exists in its group ("The
  // command already exists"), and when a command section (group name followed by
  // command name) would be a fixed section, a group's section or the section of
  // another group and command. Renaming to the same name in another case is
  // refused like any existing name. Names are not cut here: the window cuts the
  // prompt's answer to 25 characters itself.
  TEditResult AddGroup(std::string_view name);
  // Moves every command section to the new name; the group goes to the end of "Groups".
  TEditResult RenameGroup(std::string_view oldName, std::string_view newName);
  // Erases the command sections, the group section and the key in "Groups".
  TEditResult RemoveGroup(std::string_view name);
  // Writes the key into the group section and "Commands" and "Answers" (empty)
  // into the new command section.
  TEditResult AddCommand(std::string_view group, std::string_view name);
  TEditResult RenameCommand(std::string_view group, std::string_view oldName, std::string_view newName);
  TEditResult RemoveCommand(std::string_view group, std::string_view name);

  // A copy of the group under the source name followed by the smallest number
  // 1, 2, ... that is not a group yet, with copies of all its command sections.
  TDuplicateResult DuplicateGroup(std::string_view source);
  // The source group's commands that the target group already has (ignoring case),
  // in the source's order: the ones MergeGroup will ask about.
  std::vector<std::string> ConflictingCommands(std::string_view source, std::string_view target) const;
  // Copies every command of the source into the target; `ask` is called for each
  // command the target already has, in order, before anything is written.
  TMergeResult MergeGroup(std::string_view source, std::string_view target, const TMergeAsk& ask);
  // Copies one command into a group under `name` (empty: the source command's
  // name); while the target has a command of that name, `ask` decides (Overwrite,
  // a new name tested again, or Cancel). A name that is not yet a command of the
  // target is refused like a new command name.
  TCopyResult CopyCommandToGroup(std::string_view sourceGroup, std::string_view sourceCommand,
                                 std::string_view targetGroup, const TCopyAsk& ask,
                                 std::string_view name = {});
  // Writes every key of the source section into the destination section ("CL"
  // lists and "Notes" with their quotes); keys only the destination has stay.
  TEditResult CopySection(std::string_view source, std::string_view destination);

  // -- the field lists of one command section --
  // Read as the field list editor's grids show them: numbers that are not integers
  // read as 0, a code out of range as the first name's code, a flag is set only
  // when stored as 1; items past the last complete record are dropped.
  std::vector<TCommandField> ReadCommandFields(std::string_view section) const;
  std::vector<TAnswerField> ReadAnswerFields(std::string_view section) const;
  // "CL" + n and "Notes" through the INI layer's read value, split as comma lists.
  std::vector<std::string> ReadItemList(std::string_view section, int fieldNumber) const;
  std::vector<std::string> ReadNotes(std::string_view section) const;

  // Appends a field (refused with "Maximum number of dynamic controls reached!!!"
  // at 70); writes its "CL" list when it has items and, for field 1, "Notes" when
  // there are notes. A field after the first takes field 1's mode.
  TEditResult AddCommandField(std::string_view section, const TCommandFieldEntry& entry);
  // Replaces field `number` (1-based); writes or deletes its "CL" list; for field 1
  // writes "Notes" (two quotes when empty). Other fields keep their mode.
  TEditResult ModifyCommandField(std::string_view section, int number, const TCommandFieldEntry& entry);
  // Removes field `number`: later "CL" lists move down one number, the last is
  // deleted, and "Notes" is deleted.
  TEditResult RemoveCommandField(std::string_view section, int number);
  // The answer decimal digits are kept for Currency only, 0 for every other type.
  TEditResult AddAnswerField(std::string_view section, const TAnswerField& field);
  TEditResult ModifyAnswerField(std::string_view section, int number, const TAnswerField& field);
  TEditResult RemoveAnswerField(std::string_view section, int number);
  // Writes a whole list as it stands (the grid's rows); no other key is touched.
  TEditResult WriteCommandFields(std::string_view section, const std::vector<TCommandField>& fields);
  TEditResult WriteAnswerFields(std::string_view section, const std::vector<TAnswerField>& fields);

  // -- undo --
  // Replaces the file's content by `bytes`, but only while it still holds exactly
  // `expected` (what the operation being undone wrote); otherwise refused with
  // TEditRefusal::FileChanged and nothing is written.
  TEditResult RestoreBytes(const std::string& expected, const std::string& bytes);

 private:
  std::shared_ptr<TIniDevice> Device_;
};

}  // namespace quorvel::model
