// SPDX-License-Identifier: MIT
#pragma once
// quorvel-cli: each sub-command lives in a file of its own and registers itself here,
// with its usage line and, optionally, a help text; "quorvel-cli --help" lists every
// registered sub-command and "quorvel-cli NAME --help" shows one.
#include <string>
#include <vector>

namespace quorvel::cli {

// A sub-command gets its arguments without the program and sub-command names and
// returns the exit status.
using TCommandMain = int (*)(const std::vector<std::string>& args);

struct TCommandRegistrar {
  // usage: the synopsis after "quorvel-cli " ("host --device PATH ... FIELD...").
  // help: what the sub-command does (its first line is the summary in the list of
  // sub-commands), then its options and arguments, one per line, indented.
  // answersHelp: the sub-command shows its own help for "--help" (quorvel-cli edit,
  // whose verbs each have theirs); otherwise "NAME --help" shows usage and help.
  TCommandRegistrar(const char* name, const char* usage, TCommandMain run, const char* help = "",
                    bool answersHelp = false);
};

}  // namespace quorvel::cli

// QUORVEL_CLI_COMMAND(host, "host --device PATH ... FIELD...", RunHost [, kHostHelp]);
#define QUORVEL_CLI_COMMAND(name, usage, fn, ...) \
  static const ::quorvel::cli::TCommandRegistrar quorvel_cli_registrar_##name(#name, usage, fn __VA_OPT__(, ) __VA_ARGS__)
