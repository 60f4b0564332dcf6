// SPDX-License-Identifier: MIT
#include "cli/cli_edittables.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include "cli/clisupport.h"
#include "model/answertables.h"
#include "model/colors.h"
#include "model/textnumbers.h"

namespace quorvel::cli {
namespace {

constexpr int kExitChangeRefused = 1;

// Says why the change was refused; the file is as it was.
int RefuseChange(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  return kExitChangeRefused;
}

// The editors change a terminal file that exists; a mistyped path is not made a new file.
std::optional<int> CheckReadable(const std::string& file) {
  if (std::FILE* probe = std::fopen(file.c_str(), "rb")) {
    std::fclose(probe);
    return std::nullopt;
  }
  return RefuseChange("cannot read " + file + ": " + std::strerror(errno));
}

// Runs one change of a table; whatever the table or the file system refuses ends here.
template <typename TChange>
int Change(TChange change) {
  try {
    change();
    return kExitOk;
  } catch (const std::exception& error) {
    return RefuseChange(error.what());
  }
}

// ---- rc ----

}  // namespace

int RunEditReturnCodes(const std::string& file, const std::vector<std::string>& args) {
  const auto usage = [](const std::string& why) { return UsageError(why, kEditReturnCodesUsage); };
  if (args.empty()) return usage("rc needs add, modify or remove");
  const std::string& verb = args[0];
  const std::size_t wanted = verb == "add" ? 3 : verb == "modify" ? 4 : verb == "remove" ? 2 : 0;
  if (wanted == 0) return usage("unknown rc change: " + verb);
  if (args.size() != wanted) return usage("rc " + verb + " takes " + std::to_string(wanted - 1) + " arguments");
  if (const auto refused = CheckReadable(file)) return *refused;
  return Change([&] {
    model::TReturnCodeTable table(file);
    if (verb == "add") return table.Add(args[1], args[2]);
    const std::optional<std::size_t> row = table.Find(args[1]);
    if (!row)
      throw model::TEditRefused(model::TEditRefusal::NotFound, "There is no return code " + args[1] + " in " + file);
    if (verb == "modify") return table.Modify(*row, args[2], args[3]);
    table.Remove(*row);
  });
}

namespace {

// ---- fixed ----

// A colour as the file writes it: one of the sixteen standard names (any case), or
// "$" and 8 hexadecimal digits.
std::optional<model::TColor> ColorFromText(const std::string& text) {
  for (const model::TColorName& color : model::StandardColors())
    if (model::SameIniName(color.Name, text)) return color.Value;
  if (text.size() == 9 && text[0] == '$')
    if (const auto value = model::ParseHexDigits(std::string_view(text).substr(1), 0xFFFFFFFF)) return *value;
  return std::nullopt;
}

struct TRecordOptions {
  std::optional<std::string> panel, mask, result, text, color;
};

}  // namespace

int RunEditFixedAnswers(const std::string& file, const std::vector<std::string>& args) {
  const auto usage = [](const std::string& why) { return UsageError(why, kEditFixedAnswersUsage); };
  if (args.size() < 2) return usage("fixed needs a change and fiscal or printer");
  const std::string& verb = args[0];
  if (verb != "add" && verb != "modify" && verb != "remove") return usage("unknown fixed change: " + verb);
  const std::string& word = args[1];
  if (word != "fiscal" && word != "printer") return usage("fiscal or printer, not " + word);
  const std::string section(word == "fiscal" ? model::kSectionFiscalAnswer : model::kSectionPrinterAnswer);

  TRecordOptions given;
  const auto store = [](std::optional<std::string>& target) {
    return [&target](const std::string& value) -> std::optional<std::string> {
      target = value;
      return std::nullopt;
    };
  };
  TOptionTable options;
  if (verb != "remove")
    options = {{"--panel", store(given.panel)},
               {"--mask", store(given.mask)},
               {"--result", store(given.result)},
               {"--text", store(given.text)},
               {"--color", store(given.color)}};
  std::vector<std::string> positional;
  if (const auto problem = ReadOptions({args.begin() + 2, args.end()}, options, positional)) return usage(*problem);

  std::size_t index = 0;
  if (verb == "add") {
    if (!positional.empty()) return usage("unexpected argument " + positional.front());
    if (!given.panel || !given.mask || !given.result || !given.text)
      return usage("fixed add needs --panel, --mask, --result and --text");
  } else {
    if (positional.size() != 1) return usage("fixed " + verb + " takes the record's number");
    const auto number = model::ParseDecimalInt32(positional[0]);
    if (!number || *number < 1) return usage("a record number counts from 1, not " + positional[0]);
    index = static_cast<std::size_t>(*number - 1);
  }
  if (const auto refused = CheckReadable(file)) return *refused;
  return Change([&] {
    model::TFixedAnswerSection table(file, section);
    if (verb == "remove") return table.Remove(index);
    // Modify starts from the record's own values; add from a black text.
    model::TFixedAnswerRow row{"", "", "", "", "clBlack"};
    if (verb == "modify") row = table.Row(index);
    model::TColor color = model::clBlack;
    if (given.color) {
      const auto chosen = ColorFromText(*given.color);
      if (!chosen)
        throw model::TEditRefused(
            model::TEditRefusal::InvalidValue,
            "Unknown colour '" + *given.color + "': clBlack ... clWhite, or $ and 8 hexadecimal digits");
      color = *chosen;
    } else {
      color = model::StringToColor(row.Color);
    }
    const model::TFixedAnswerRow changed =
        model::MakeFixedAnswerRow(given.panel.value_or(row.Panel), given.mask.value_or(row.Mask),
                                  given.result.value_or(row.Result), given.text.value_or(row.Text), color);
    if (verb == "add") return table.Add(changed);
    table.Modify(index, changed);
  });
}

}  // namespace quorvel::cli
