// SPDX-License-Identifier: MIT
// quorvel-cli inspect FILE: prints what the terminal window reads from a
// terminal file, one line per item. A file that cannot be read completely, or a
// value the window could not read, gives status 1 and no output at all.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <set>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "model/commalist.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

namespace quorvel::cli {
namespace {

using namespace quorvel::model;

constexpr const char* kInspectHelp =
    "Prints what the terminal window reads from a terminal file.\n"
    "One line per item; stops with status 1 at the first value the window could not read.\n"
    "  FILE  the terminal file (.qvl)";

constexpr const char* kInspectUsage = "inspect FILE";

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

std::string Bit(bool value) { return value ? "1" : "0"; }

// The output, printed only once the whole file has been read.
using TLines = std::vector<std::string>;

// The code of a key "RC" + n that a look-up of code n finds: n in decimal
// without leading zeros, as a 16-bit return code.
bool ReturnCodeOfKey(const std::string& key, unsigned& code) {
  if (key.size() < 3 || key.size() > 7 || !SameIniName(key.substr(0, 2), "RC")) return false;
  const std::string digits = key.substr(2);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
  if (digits.size() > 1 && digits[0] == '0') return false;
  code = static_cast<unsigned>(std::stoul(digits));
  return code <= 0xFFFF;
}

void PrintReturnCodes(const TIniMemory& copy, TLines& out) {
  std::set<unsigned> printed;
  for (const std::string& key : copy.ReadSectionKeys(kSectionReturnCodes)) {
    unsigned code = 0;
    if (!ReturnCodeOfKey(key, code) || !printed.insert(code).second) continue;
    out.push_back("returncode " + std::to_string(code) + " " + ReadReturnCodeDescription(copy, code));
  }
}

void PrintFixedAnswers(const TIniMemory& copy, std::string_view section, const std::string& word, TLines& out) {
  for (const TFixedAnswer& record : ReadFixedAnswers(copy, section).Records) {
    out.push_back("fixed " + word + " panel=" + std::to_string(record.Panel) + " mask=" + Hex(record.Mask, 4) +
              " result=" + Hex(record.Result, 4) + " color=" + Hex(record.Color, 8) + " " + record.Text);
  }
}

void WarnBeyondLimit(const std::string& command, std::size_t count, const char* kind) {
  if (count == 0) return;
  std::fprintf(stderr, "warning: %s: %zu %s fields beyond the first %zu are not read\n", command.c_str(), count,
               kind, MaxDynamicFields);
}

void PrintCommand(const TIniMemory& copy, const std::string& group, const std::string& command, TLines& out) {
  const std::string section = CommandSectionName(group, command);
  const std::string name = group + "/" + command;
  const TCommandDefinition definition = ReadCommandDefinition(copy, section);
  const TAnswerDefinition answers = ReadAnswerDefinition(copy, section);
  out.push_back("command " + name + " mode=" + std::to_string(definition.Mode) +
            " fields=" + std::to_string(definition.Fields.size()) + " answers=" + std::to_string(answers.Fields.size()));
  WarnBeyondLimit(name, definition.FieldsBeyondLimit, "command");
  WarnBeyondLimit(name, answers.FieldsBeyondLimit, "answer");

  int number = 0;
  for (const TCommandField& f : definition.Fields) {
    ++number;
    out.push_back("cmdfield " + std::to_string(number) + " caption=" + f.Caption + " type=" + std::to_string(f.TextType) +
              " control=" + std::to_string(f.ControlType) + " max=" + std::to_string(f.MaxLength) +
              " required=" + Bit(f.Required) + " readonly=" + Bit(f.ReadOnly) + " min=" + std::to_string(f.MinLength) +
              " decimals=" + std::to_string(f.Decimals) + " autoinc=" + Bit(f.AutoIncrement) +
              " default=" + f.DefaultText + " items=" + EncodeCommaList(ReadItemList(copy, section, number)));
  }
  number = 0;
  for (const TAnswerField& f : answers.Fields) {
    ++number;
    out.push_back("ansfield " + std::to_string(number) + " caption=" + f.Caption + " type=" + std::to_string(f.Type) +
              " decimals=" + std::to_string(f.Decimals));
  }
  const std::vector<std::string> notes = ReadNotes(copy, section);
  if (!notes.empty()) out.push_back("notes " + EncodeCommaList(notes));
}

TLines Inspect(const std::string& path) {
  TLines out;
  // First the whole file: one that cannot be read completely is refused before anything.
  const TIniMemory copy(path);
  const TGeneralSettings general = ReadGeneral(TIniFile(path));
  out.push_back("general protocol=" + std::to_string(general.Protocol) + " input=" +
                std::to_string(general.InputDateFormat) + " output=" + std::to_string(general.OutputDateFormat));
  PrintReturnCodes(copy, out);
  PrintFixedAnswers(copy, kSectionFiscalAnswer, "fiscal", out);
  PrintFixedAnswers(copy, kSectionPrinterAnswer, "printer", out);
  for (const std::string& group : ReadGroups(copy)) {
    out.push_back("group " + group);
    for (const std::string& command : ReadGroupCommands(copy, group)) PrintCommand(copy, group, command, out);
  }
  return out;
}

int RunInspect(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("", kInspectUsage);
  const std::string& path = args[0];
  // The program reads a missing file as empty; a tool asked to check a file
  // must not report a mistyped name as a valid, empty terminal file.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "Cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  TLines lines;
  try {
    lines = Inspect(path);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  for (const std::string& line : lines) WriteLine(line);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

QUORVEL_CLI_COMMAND(inspect, kInspectUsage, RunInspect, kInspectHelp);

}  // namespace quorvel::cli
