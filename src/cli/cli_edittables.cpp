// SPDX-License-Identifier: MIT
// quorvel-cli edit FILE rc ... and fixed ...: the return-code and fixed-answer tables
// changed as their editors change them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_edit.h"
#include "model/answertables.h"
#include "model/colors.h"
#include "model/fileedit.h"
#include "model/textnumbers.h"

namespace quorvel::cli::edit {
namespace {

using model::TEditRefusal;
using model::TEditRefused;

// The editors change a terminal file that exists; a mistyped path is not made a new file.
void CheckReadable(const std::string& file) {
  if (std::FILE* probe = std::fopen(file.c_str(), "rb")) {
    std::fclose(probe);
    return;
  }
  throw TEditRefused(TEditRefusal::NotFound, "cannot read " + file + ": " + std::strerror(errno));
}

// ---- rc ----

int RcAdd(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  CheckReadable(file);
  model::TReturnCodeTable(file).Add(args.Positional[0], args.Positional[1]);
  return 0;
}

// The row of CODE: by its number, or as written for a stored code that is no number.
std::size_t RowOf(const model::TReturnCodeTable& table, const std::string& code, const std::string& file) {
  const std::optional<std::size_t> row = table.Find(code);
  if (!row) throw TEditRefused(TEditRefusal::NotFound, "There is no return code " + code + " in " + file);
  return *row;
}

int RcModify(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 3);
  CheckReadable(file);
  model::TReturnCodeTable table(file);
  table.Modify(RowOf(table, args.Positional[0], file), args.Positional[1], args.Positional[2]);
  return 0;
}

int RcRemove(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 1);
  CheckReadable(file);
  model::TReturnCodeTable table(file);
  table.Remove(RowOf(table, args.Positional[0], file));
  return 0;
}

// ---- fixed ----

const std::set<std::string> kRecordOptions{"--panel", "--mask", "--result", "--text", "--color"};

std::string SectionOf(const std::string& word) {
  if (word == "fiscal") return std::string(model::kSectionFiscalAnswer);
  if (word == "printer") return std::string(model::kSectionPrinterAnswer);
  throw TUsageError("fiscal or printer, not " + word);
}

// N, the record's position from 1.
std::size_t IndexOf(const std::string& number) {
  const auto value = model::ParseDecimalInt32(number);
  if (!value || *value < 1) throw TUsageError("a record number counts from 1, not " + number);
  return static_cast<std::size_t>(*value - 1);
}

// A colour as the file writes it: one of the sixteen standard names (any case), or
// "$" and 8 hexadecimal digits.
model::TColor ColorFromText(const std::string& text) {
  for (const model::TColorName& color : model::StandardColors())
    if (model::SameIniName(color.Name, text)) return color.Value;
  if (text.size() == 9 && text[0] == '$')
    if (const auto value = model::ParseHexDigits(std::string_view(text).substr(1), 0xFFFFFFFF)) return *value;
  throw TEditRefused(TEditRefusal::InvalidValue,
                     "Unknown colour '" + text + "': clBlack ... clWhite, or $ and 8 hexadecimal digits");
}

// The record from `row` with the options given put in its place, checked as the
// record dialog checks it.
model::TFixedAnswerRow ChangedRow(const model::TFixedAnswerRow& row, const TEditArgs& args) {
  const auto value = [&](const char* option, const std::string& kept) {
    const std::string* given = args.Value(option);
    return given ? *given : kept;
  };
  const std::string* color = args.Value("--color");
  return model::MakeFixedAnswerRow(value("--panel", row.Panel), value("--mask", row.Mask),
                                   value("--result", row.Result), value("--text", row.Text),
                                   color ? ColorFromText(*color) : model::StringToColor(row.Color));
}

int FixedAdd(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, kRecordOptions, {}, {});
  RequirePositional(args, 1);
  const std::string section = SectionOf(args.Positional[0]);
  for (const char* option : {"--panel", "--mask", "--result", "--text"})
    if (!args.Has(option)) throw TUsageError("fixed add needs --panel, --mask, --result and --text");
  CheckReadable(file);
  model::TFixedAnswerSection table(file, section);
  table.Add(ChangedRow({"", "", "", "", "clBlack"}, args));
  return 0;
}

int FixedModify(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, kRecordOptions, {}, {});
  RequirePositional(args, 2);
  const std::string section = SectionOf(args.Positional[0]);
  const std::size_t index = IndexOf(args.Positional[1]);
  CheckReadable(file);
  model::TFixedAnswerSection table(file, section);
  table.Modify(index, ChangedRow(table.Row(index), args));
  return 0;
}

int FixedRemove(const std::string& file, const std::vector<std::string>& raw) {
  const TEditArgs args = ReadEditArgs(raw, {}, {}, {});
  RequirePositional(args, 2);
  const std::string section = SectionOf(args.Positional[0]);
  const std::size_t index = IndexOf(args.Positional[1]);
  CheckReadable(file);
  model::TFixedAnswerSection(file, section).Remove(index);
  return 0;
}

}  // namespace

QUORVEL_EDIT_FAMILY(rc, {
                            {"add", "rc add CODE TEXT", RcAdd},
                            {"modify", "rc modify CODE NEWCODE TEXT", RcModify},
                            {"remove", "rc remove CODE", RcRemove},
                        });

QUORVEL_EDIT_FAMILY(fixed, {
                               {"add",
                                "fixed add fiscal|printer --panel N --mask HEX --result HEX --text TEXT "
                                "[--color NAME]",
                                FixedAdd},
                               {"modify", "fixed modify fiscal|printer N [--panel N] [--mask HEX] ...", FixedModify},
                               {"remove", "fixed remove fiscal|printer N", FixedRemove},
                           });

}  // namespace quorvel::cli::edit
