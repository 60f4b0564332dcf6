// SPDX-License-Identifier: MIT
// quorvel-cli: a headless companion of the desktop program for shells and scripts.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "quorvel_version.h"

namespace quorvel::cli {
namespace {

struct TCommand {
  const char* usage;
  const char* help;
  TCommandMain run;
  bool answersHelp;
};

std::map<std::string, TCommand>& Commands() {
  static std::map<std::string, TCommand> commands;
  return commands;
}

constexpr const char* kSynopsis =
    "Usage: quorvel-cli COMMAND [OPTION]... [ARGUMENT]...\n"
    "  or:  quorvel-cli COMMAND --help\n"
    "  or:  quorvel-cli --help | --version\n";

// The first line of a help text.
std::string_view Summary(std::string_view help) { return help.substr(0, help.find('\n')); }

void PrintHelp() {
  std::fputs(kSynopsis, stdout);
  std::fputs(
      "Does the work of the Quorvel desktop program from a shell: sends commands to a\n"
      "fiscal printer on its host or DGI port and reads and writes terminal files (.qvl).\n"
      "\nCommands:\n",
      stdout);
  for (const auto& [name, command] : Commands()) {
    std::printf("  quorvel-cli %s\n", command.usage);
    const std::string_view summary = Summary(command.help);
    if (!summary.empty()) std::printf("      %.*s\n", static_cast<int>(summary.size()), summary.data());
  }
  std::fputs(
      "\nOptions:\n"
      "  --help     show this help, or with a COMMAND the help of that command, and exit\n"
      "  --version  show the program's name and version and exit\n"
      "\nExit status:\n"
      "  0  the command was carried out (the printer answered)\n"
      "  1  the exchange ended with an error event, or a file could not be read or written\n"
      "  2  nothing was sent: bad arguments, or the port or the command was refused\n",
      stdout);
}

void PrintCommandHelp(const TCommand& command) {
  std::printf("Usage: quorvel-cli %s\n", command.usage);
  if (*command.help != '\0') std::printf("%s\n", command.help);
}

int CommandLineError(const std::string& why) {
  std::fprintf(stderr, "quorvel-cli: %s\n%sTry 'quorvel-cli --help' for more information.\n", why.c_str(), kSynopsis);
  return 2;
}

// Standard output fully written (not a full disk or a closed pipe): status 0.
int Finish() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "quorvel-cli: cannot write the output: %s\n", std::strerror(errno));
  return 1;
}

// "--help" among the arguments before a "--" (after which everything is an argument).
bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help") return true;
  }
  return false;
}

}  // namespace

TCommandRegistrar::TCommandRegistrar(const char* name, const char* usage, TCommandMain run, const char* help,
                                     bool answersHelp) {
  Commands()[name] = TCommand{usage, help, run, answersHelp || *help == '\0'};
}

}  // namespace quorvel::cli

int main(int argc, char** argv) {
  using namespace quorvel::cli;
  if (argc < 2) return CommandLineError("a COMMAND is required");
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") {
    PrintHelp();
    return Finish();
  }
  if (first == "--version") {
    std::printf("quorvel-cli %s\n", quorvel::kVersion);
    return Finish();
  }
  const auto found = Commands().find(first);
  if (found == Commands().end()) return CommandLineError("unknown command '" + first + "'");
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (!found->second.answersHelp && AsksForHelp(args)) {
    PrintCommandHelp(found->second);
    return Finish();
  }
  return found->second.run(args);
}
