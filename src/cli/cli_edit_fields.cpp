// SPDX-License-Identifier: MIT
// quorvel-cli edit FILE field ... and answer ...: the field lists of a command,
// each record built by the rules of its dialog.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_edit.h"
#include "cli/cli_editsupport.h"
#include "model/convert.h"
#include "model/extinifile.h"
#include "model/fileedit.h"
#include "model/inputfilter.h"
#include "model/textnumbers.h"

namespace quorvel::cli::edit {
namespace {

using model::TAnswerField;
using model::TCommandField;
using model::TCommandFieldEntry;
using model::TEditRefusal;
using model::TEditRefused;
using model::TTerminalFileEditor;

[[noreturn]] void RefuseValue(const std::string& why) { throw TEditRefused(TEditRefusal::InvalidValue, why); }

// A name from `names` without regard to case; its code is its place.
int CodeFromName(const std::string& given, const std::vector<std::string>& names, const char* what) {
  for (std::size_t code = 0; code < names.size(); ++code) {
    if (model::SameIniName(given, names[code])) return static_cast<int>(code);
  }
  std::string known;
  for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
  RefuseValue(std::string("Unknown ") + what + " \"" + given + "\"; one of " + known);
}

// A length or digit count as its box takes it: digits only.
int Digits(const std::string& text, const char* option) {
  bool digits = !text.empty();
  for (const char c : text) digits = digits && c >= '0' && c <= '9';
  const std::optional<std::int32_t> value = digits ? model::ParseDecimalInt32(text) : std::nullopt;
  if (!value) RefuseValue(std::string(option) + " takes a number of digits 0 to 9, not \"" + text + "\"");
  return *value;
}

int FieldNumber(const std::string& text) {
  const std::optional<std::int32_t> value = model::ParseDecimalInt32(text);
  if (!value || *value < 1) throw TUsageError("the field number must be 1 or more, not \"" + text + "\"");
  return *value;
}

void ExclusiveFlags(const TEditArgs& args, const char* on, const char* off) {
  if (args.Has(on) && args.Has(off)) throw TUsageError(std::string(on) + " and " + off + " exclude each other");
}

void RefuseDisabled(const TEditArgs& args, const char* option, bool enabled, const std::string& why) {
  if (args.Has(option) && !enabled) RefuseValue(std::string(option) + " cannot be given " + why);
}

const std::set<std::string> kFieldValues = {"--caption", "--hint",     "--type", "--control", "--default",
                                            "--max",     "--min",      "--decimals", "--mode"};
const std::set<std::string> kFieldLists = {"--item", "--note"};
const std::set<std::string> kFieldAddFlags = {"--required", "--readonly", "--autoinc"};
const std::set<std::string> kFieldModifyFlags = {"--required",    "--readonly", "--autoinc", "--no-required",
                                                 "--no-readonly", "--no-autoinc", "--no-items", "--no-notes"};

// The record the dialog would hand over for these options, starting from the
// stored field (modify) or a new field (add). `number` is the field's number.
TCommandFieldEntry BuildCommandField(const TEditArgs& args, TCommandFieldEntry entry, int number, bool existing) {
  TCommandField& field = entry.Field;
  const TCommandField stored = field;

  if (const std::string* caption = args.Value("--caption")) field.Caption = *caption;
  if (const std::string* hint = args.Value("--hint")) field.Hint = *hint;
  if (field.Caption.empty()) RefuseValue("The caption must not be empty");
  CheckTextLength(field.Caption, model::kFieldCaptionMaxLength, "caption");
  CheckTextLength(field.Hint, model::kFieldCaptionMaxLength, "hint");

  if (const std::string* mode = args.Value("--mode")) {
    if (number != 1) RefuseValue("--mode can be given for field 1 only: the command has one mode");
    field.Mode = CodeFromName(*mode, {"host", "fiscal"}, "mode");
  }
  if (args.Has("--note") && number != 1) RefuseValue("--note can be given for field 1 only: the notes are the command's");
  if (args.Has("--no-notes") && number != 1) RefuseValue("--no-notes can be given for field 1 only");

  const std::string* type = args.Value("--type");
  const std::string* control = args.Value("--control");
  if (type) field.TextType = CodeFromName(*type, model::TextTypeNames(), "text type");
  if (control) field.ControlType = CodeFromName(*control, model::ControlTypeNames(), "control type");
  const model::TFieldBoxes boxes =
      model::CommandFieldBoxes(field.TextType, field.ControlType, false);
  if (type && boxes.TextType != field.TextType) {
    RefuseValue("The " + model::ControlTypeName(field.ControlType) + " control takes the text type " +
                model::TextTypeName(boxes.TextType));
  }
  field.TextType = boxes.TextType;
  // An existing field whose types stay opens with its stored values in place.
  const bool opening = existing && field.TextType == stored.TextType && field.ControlType == stored.ControlType;
  const model::TFieldBoxes rule = model::CommandFieldBoxes(field.TextType, field.ControlType, opening);
  const std::string forType = "for text type " + model::TextTypeName(field.TextType) + " with control " +
                              model::ControlTypeName(field.ControlType);

  RefuseDisabled(args, "--default", rule.DefaultTextEnabled, forType);
  RefuseDisabled(args, "--max", rule.MaxLengthEnabled, forType);
  RefuseDisabled(args, "--min", rule.MinLengthEnabled, forType);
  RefuseDisabled(args, "--decimals", rule.DecimalsEnabled, forType);
  RefuseDisabled(args, "--item", rule.ItemsEnabled, forType);

  // Default text.
  if (!rule.DefaultTextEnabled) {
    field.DefaultText.clear();
  } else if (const std::string* text = args.Value("--default")) {
    field.DefaultText = *text;
  } else if (!opening) {
    field.DefaultText.clear();
  }
  if (!model::TextFits(rule.DefaultTextFilter, field.DefaultText)) {
    RefuseValue("The default text \"" + field.DefaultText + "\" does not fit text type " +
                model::TextTypeName(field.TextType));
  }
  if (rule.DefaultTextMaxLength > 0 && field.DefaultText.size() > static_cast<std::size_t>(rule.DefaultTextMaxLength)) {
    RefuseValue("The default text \"" + field.DefaultText + "\" is longer than " +
                std::to_string(rule.DefaultTextMaxLength) + " characters for text type " +
                model::TextTypeName(field.TextType));
  }

  // Lengths and digits: an enabled box keeps what it shows unless given; a
  // disabled one shows the rule's value (the opening keeps some stored ones).
  const bool keepsDisabledNumbers = opening && field.TextType == model::kTextNumeric;
  const bool keepsDisabledDecimals = opening && (field.TextType == model::kTextNumeric || field.TextType == model::kTextDecimal);
  auto number_box = [&](int& value, const char* option, bool enabled, int ruleValue, bool keepDisabled) {
    if (!enabled) {
      value = keepDisabled ? value : ruleValue;
    } else if (const std::string* text = args.Value(option)) {
      value = Digits(*text, option);
    } else if (!opening) {
      value = ruleValue;
    }
  };
  number_box(field.MaxLength, "--max", rule.MaxLengthEnabled, rule.MaxLength, false);
  number_box(field.MinLength, "--min", rule.MinLengthEnabled, 0, keepsDisabledNumbers);
  number_box(field.Decimals, "--decimals", rule.DecimalsEnabled, 0, keepsDisabledDecimals);

  if (args.Has("--required")) field.Required = true;
  if (args.Has("--no-required")) field.Required = false;
  if (args.Has("--readonly")) field.ReadOnly = true;
  if (args.Has("--no-readonly")) field.ReadOnly = false;
  if (args.Has("--autoinc")) field.AutoIncrement = true;
  if (args.Has("--no-autoinc")) field.AutoIncrement = false;

  if (!rule.ItemsEnabled || args.Has("--no-items")) entry.Items.clear();
  if (const auto items = args.Values.find("--item"); items != args.Values.end()) entry.Items = items->second;
  if (args.Has("--no-notes")) entry.Notes.clear();
  if (const auto notes = args.Values.find("--note"); notes != args.Values.end()) entry.Notes = notes->second;
  return entry;
}

int FieldAdd(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, kFieldValues, kFieldLists, kFieldAddFlags);
  RequirePositional(args, 1);
  if (!args.Has("--caption")) throw TUsageError("--caption is required");
  const TCommandPath path = ResolveCommandPath(file, args.Positional[0]);
  TTerminalFileEditor editor(file);
  const std::vector<TCommandField> fields = editor.ReadCommandFields(path.Section());
  TCommandFieldEntry entry;
  if (!fields.empty()) entry.Field.Mode = fields.front().Mode;
  const int number = static_cast<int>(fields.size()) + 1;
  editor.AddCommandField(path.Section(), BuildCommandField(args, entry, number, false));
  return 0;
}

int FieldModify(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, kFieldValues, kFieldLists, kFieldModifyFlags);
  RequirePositional(args, 2);
  ExclusiveFlags(args, "--required", "--no-required");
  ExclusiveFlags(args, "--readonly", "--no-readonly");
  ExclusiveFlags(args, "--autoinc", "--no-autoinc");
  ExclusiveFlags(args, "--item", "--no-items");
  ExclusiveFlags(args, "--note", "--no-notes");
  const int number = FieldNumber(args.Positional[1]);
  const TCommandPath path = ResolveCommandPath(file, args.Positional[0]);
  TTerminalFileEditor editor(file);
  const std::vector<TCommandField> fields = editor.ReadCommandFields(path.Section());
  if (static_cast<std::size_t>(number) > fields.size()) {
    throw TEditRefused(TEditRefusal::NotFound, "There is no command field number " + std::to_string(number));
  }
  TCommandFieldEntry entry{fields[static_cast<std::size_t>(number - 1)], editor.ReadItemList(path.Section(), number),
                           number == 1 ? editor.ReadNotes(path.Section()) : std::vector<std::string>{}};
  editor.ModifyCommandField(path.Section(), number, BuildCommandField(args, entry, number, true));
  return 0;
}

int FieldRemove(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  const int number = FieldNumber(args.Positional[1]);
  TTerminalFileEditor(file).RemoveCommandField(ResolveCommandPath(file, args.Positional[0]).Section(), number);
  return 0;
}

// The answer dialog: Decimal digits is a box of Currency fields only.
TAnswerField BuildAnswerField(const TEditArgs& args, TAnswerField field, bool existing) {
  const int storedType = field.Type;
  if (const std::string* caption = args.Value("--caption")) field.Caption = *caption;
  if (const std::string* type = args.Value("--type")) field.Type = CodeFromName(*type, model::TextTypeNames(), "text type");
  if (field.Type != model::kTextCurrency) {
    RefuseDisabled(args, "--decimals", false, "for text type " + model::TextTypeName(field.Type));
    field.Decimals = 0;
  } else if (const std::string* decimals = args.Value("--decimals")) {
    field.Decimals = Digits(*decimals, "--decimals");
  } else if (!existing || storedType != model::kTextCurrency) {
    field.Decimals = 0;
  }
  return field;
}

int AnswerAdd(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {"--caption", "--type", "--decimals"}, {}, {});
  RequirePositional(args, 1);
  if (!args.Has("--caption")) throw TUsageError("--caption is required");
  const TCommandPath path = ResolveCommandPath(file, args.Positional[0]);
  TTerminalFileEditor(file).AddAnswerField(path.Section(), BuildAnswerField(args, {}, false));
  return 0;
}

int AnswerModify(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {"--caption", "--type", "--decimals"}, {}, {});
  RequirePositional(args, 2);
  const int number = FieldNumber(args.Positional[1]);
  const TCommandPath path = ResolveCommandPath(file, args.Positional[0]);
  TTerminalFileEditor editor(file);
  const std::vector<TAnswerField> fields = editor.ReadAnswerFields(path.Section());
  if (static_cast<std::size_t>(number) > fields.size()) {
    throw TEditRefused(TEditRefusal::NotFound, "There is no answer field number " + std::to_string(number));
  }
  editor.ModifyAnswerField(path.Section(), number,
                           BuildAnswerField(args, fields[static_cast<std::size_t>(number - 1)], true));
  return 0;
}

int AnswerRemove(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  const int number = FieldNumber(args.Positional[1]);
  TTerminalFileEditor(file).RemoveAnswerField(ResolveCommandPath(file, args.Positional[0]).Section(), number);
  return 0;
}


}  // namespace

QUORVEL_EDIT_FAMILY(field, {
    {"add", "field add GROUP/COMMAND --caption TEXT [--hint TEXT] [--type NAME] [--control NAME] [--default TEXT] "
            "[--max N] [--min N] [--decimals N] [--required] [--readonly] [--autoinc] [--mode host|fiscal] "
            "[--item TEXT]... [--note LINE]...", FieldAdd},
    {"modify", "field modify GROUP/COMMAND N [the options of add] [--no-required] [--no-readonly] [--no-autoinc] "
               "[--no-items] [--no-notes]", FieldModify},
    {"remove", "field remove GROUP/COMMAND N", FieldRemove},
});

QUORVEL_EDIT_FAMILY(answer, {
    {"add", "answer add GROUP/COMMAND --caption TEXT [--type NAME] [--decimals N]", AnswerAdd},
    {"modify", "answer modify GROUP/COMMAND N [--caption TEXT] [--type NAME] [--decimals N]", AnswerModify},
    {"remove", "answer remove GROUP/COMMAND N", AnswerRemove},
});

}  // namespace quorvel::cli::edit
