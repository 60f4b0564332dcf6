// quorvel-cli new FILE: writes the new-file template into FILE, as New does.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "model/terminalfile.h"

namespace quorvel::cli {
namespace {

int RunNew(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    std::fprintf(stderr, "usage: quorvel-cli new FILE\n");
    return 2;
  }
  try {
    model::WriteTemplate(args[0]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

}  // namespace

QUORVEL_CLI_COMMAND(new, "new FILE", RunNew);

}  // namespace quorvel::cli
