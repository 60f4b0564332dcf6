// SPDX-License-Identifier: MIT
// quorvel-cli decode --file FILE --fiscal HHHH --printer HHHH: the fixed-answer
// tester's work from a shell. The two status words are decoded by the file's
// fixed-answer records as the terminal window decodes a final answer.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"
#include "model/textnumbers.h"

namespace quorvel::cli {
namespace {

constexpr const char* kUsage = "decode --file FILE --fiscal HHHH --printer HHHH";
constexpr const char* kHelp =
    "Decodes two status words by the fixed-answer records of a terminal file.\n"
    "Prints a \"status\" line, then one \"panel\" line per matching record, as the\n"
    "fixed-answer tester shows them.\n"
    "  --file FILE     the terminal file (.qvl)\n"
    "  --fiscal HHHH   the fiscal status word, 1 to 4 hexadecimal digits\n"
    "  --printer HHHH  the printer status word, 1 to 4 hexadecimal digits";

// A status word as the tester takes it: 1 to 4 hexadecimal digits, either case.
TTakeOption StoreWord(const char* name, std::optional<std::uint16_t>& target) {
  return [name, &target](const std::string& value) -> std::optional<std::string> {
    const auto word = value.size() <= 4 ? model::ParseHexDigits(value, 0xFFFF) : std::nullopt;
    if (!word) return "--" + std::string(name) + " takes 1 to 4 hexadecimal digits, not '" + value + "'";
    target = static_cast<std::uint16_t>(*word);
    return std::nullopt;
  };
}

int RunDecode(const std::vector<std::string>& args) {
  std::string file;
  std::optional<std::uint16_t> fiscal;
  std::optional<std::uint16_t> printer;
  const TOptionTable options{{"--file", StoreText(file)},
                             {"--fiscal", StoreWord("fiscal", fiscal)},
                             {"--printer", StoreWord("printer", printer)}};
  std::vector<std::string> positional;
  if (const auto problem = ReadOptions(args, options, positional)) return UsageError(*problem, kUsage);
  if (!positional.empty()) return UsageError("unexpected argument " + positional.front(), kUsage);
  if (file.empty() || !fiscal || !printer) return UsageError("--file, --fiscal and --printer are required", kUsage);
  if (std::FILE* probe = std::fopen(file.c_str(), "rb")) {
    std::fclose(probe);
  } else {
    return Refuse("cannot read " + file + ": " + std::strerror(errno));
  }
  try {
    // Only the two fixed-answer tables: a terminal file of thousands of commands
    // need not be held to decode two words.
    const model::TIniMemory tables(file, {std::string(model::kSectionFiscalAnswer),
                                          std::string(model::kSectionPrinterAnswer)});
    PrintDecodedStatus(tables, *fiscal, *printer);
  } catch (const std::exception& error) {  // a record the window could not read either
    std::fprintf(stderr, "%s\n", error.what());
    return kExitErrorEvent;
  }
  return kExitOk;
}

}  // namespace

QUORVEL_CLI_COMMAND(decode, kUsage, RunDecode, kHelp);

}  // namespace quorvel::cli
