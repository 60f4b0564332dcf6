#pragma once
// quorvel-cli: each sub-command lives in a file of its own and registers itself here.
#include <string>
#include <vector>

namespace quorvel::cli {

// A sub-command gets its arguments without the program and sub-command names and
// returns the exit status.
using TCommandMain = int (*)(const std::vector<std::string>& args);

struct TCommandRegistrar {
  TCommandRegistrar(const char* name, const char* usage, TCommandMain run);
};

}  // namespace quorvel::cli

// QUORVEL_CLI_COMMAND(host, "host --device PATH ... FIELD...", RunHost);
#define QUORVEL_CLI_COMMAND(name, usage, fn) \
  static const ::quorvel::cli::TCommandRegistrar quorvel_cli_registrar_##name(#name, usage, fn)
