// quorvel-cli: a headless companion of the desktop program for shells and scripts.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace quorvel::cli {
namespace {

struct TCommand {
  const char* usage;
  TCommandMain run;
};

std::map<std::string, TCommand>& Commands() {
  static std::map<std::string, TCommand> commands;
  return commands;
}

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const auto& [name, command] : Commands()) std::fprintf(stderr, "  quorvel-cli %s\n", command.usage);
  return 2;
}

}  // namespace

TCommandRegistrar::TCommandRegistrar(const char* name, const char* usage, TCommandMain run) {
  Commands()[name] = TCommand{usage, run};
}

}  // namespace quorvel::cli

int main(int argc, char** argv) {
  using namespace quorvel::cli;
  if (argc < 2) return Usage();
  auto found = Commands().find(argv[1]);
  if (found == Commands().end()) return Usage();
  std::vector<std::string> args(argv + 2, argv + argc);
  return found->second.run(args);
}
