// quorvel-cli new FILE: writes the new-file template into FILE, as New does.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "model/terminalfile.h"

namespace quorvel::cli {
namespace {

constexpr const char* kNewUsage = "new FILE";

int RunNew(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) return UsageError("", kNewUsage);
  try {
    model::WriteTemplate(args[0]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

}  // namespace

QUORVEL_CLI_COMMAND(new, kNewUsage, RunNew);

}  // namespace quorvel::cli
