// quorvel-cli new [--force] FILE: writes the new-file template into FILE, as New does;
// an existing FILE is replaced only with --force.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "model/terminalfile.h"

namespace quorvel::cli {
namespace {

constexpr const char* kNewUsage = "new [--force] FILE";
constexpr const char* kNewHelp =
    "Writes a new terminal file: the template that the desktop program's New writes.\n"
    "  --force  replace FILE when it exists (without it an existing FILE is left alone)\n"
    "  FILE     the terminal file to write";

int RunNew(const std::vector<std::string>& args) {
  bool force = false;
  std::vector<std::string> files;
  bool optionsEnd = false;
  for (const std::string& arg : args) {
    if (!optionsEnd && arg == "--force") force = true;
    else if (!optionsEnd && arg == "--") optionsEnd = true;
    else if (!optionsEnd && arg.size() > 1 && arg.front() == '-')
      return UsageError("quorvel-cli new: unknown option " + arg, kNewUsage);
    else files.push_back(arg);
  }
  if (files.size() != 1 || files[0].empty()) return UsageError("", kNewUsage);
  const std::string& file = files[0];
  std::error_code error;
  // A link that points nowhere is something the user made, too.
  const auto type = std::filesystem::symlink_status(file, error).type();
  if (!force && !error && type != std::filesystem::file_type::not_found)
    return Refuse("quorvel-cli new: " + file + " already exists (--force replaces it)");
  try {
    model::WriteTemplate(file);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}

}  // namespace

QUORVEL_CLI_COMMAND(new, kNewUsage, RunNew, kNewHelp);

}  // namespace quorvel::cli
