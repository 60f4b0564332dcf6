// SPDX-License-Identifier: MIT
// quorvel-cli's command-line conventions: --help and --version on standard output
// with status 0, each sub-command's own --help, errors on standard error, and the
// bash completion that reads the help texts.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "clirun.h"
#include "quorvel_version.h"

#ifndef QUORVEL_BASH_COMPLETION
#error "QUORVEL_BASH_COMPLETION must name the bash completion file of quorvel-cli"
#endif

namespace {

using quorvel::clitest::TCliRun;
using CliHelp = quorvel::clitest::TCliTest;
namespace fs = std::filesystem;

// The sub-commands that "quorvel-cli --help" lists.
std::vector<std::string> ListedCommands(const TCliRun& help) {
  std::vector<std::string> names;
  for (const std::string& line : help.StartingWith("  quorvel-cli ")) {
    const std::string rest = line.substr(14);
    names.push_back(rest.substr(0, rest.find(' ')));
  }
  return names;
}

TEST_F(CliHelp, HelpAndVersionGoToStandardOutputWithStatusZero) {
  const TCliRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  ASSERT_FALSE(help.lines.empty());
  EXPECT_EQ(help.lines.front(), "Usage: quorvel-cli COMMAND [OPTION]... [ARGUMENT]...");
  const std::vector<std::string> commands = ListedCommands(help);
  for (const char* name : {"dgi", "host", "inspect", "new", "send"})
    EXPECT_NE(std::find(commands.begin(), commands.end(), name), commands.end()) << name;

  // Each sub-command comes with a summary line of its own below its usage.
  for (std::size_t i = 0; i + 1 < help.lines.size(); ++i) {
    if (help.lines[i].rfind("  quorvel-cli ", 0) != 0) continue;
    EXPECT_EQ(help.lines[i + 1].rfind("      ", 0), 0u) << help.lines[i];
    EXPECT_EQ(help.lines[i + 1].back(), '.') << help.lines[i + 1];
  }

  const TCliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("quorvel-cli ") + quorvel::kVersion + "\n");
  EXPECT_EQ(version.err, "");
}

TEST_F(CliHelp, EverySubCommandShowsItsOwnUsage) {
  const std::vector<std::string> commands = ListedCommands(RunCli({"--help"}));
  ASSERT_FALSE(commands.empty());
  for (const std::string& name : commands) {
    // --help wins wherever it stands among the options, and nothing is run.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{name, "--help"}, std::vector<std::string>{name, "--device", "/dev/null", "--help"}}) {
      const TCliRun run = RunCli(args);
      EXPECT_EQ(run.status, 0) << name;
      EXPECT_EQ(run.err, "") << name;
      ASSERT_FALSE(run.lines.empty()) << name;
      EXPECT_NE(run.out.find("quorvel-cli " + name), std::string::npos) << run.out;
    }
  }
}

TEST_F(CliHelp, HelpAfterTheEndOfOptionsIsAnArgument) {
  // "--" ends the options: the sub-command runs and reads "--help" as its FILE.
  const TCliRun run = RunCli({"inspect", "--", "--help"});
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(run.out.rfind("Usage:", 0), std::string::npos);
  EXPECT_NE(run.err, "");
}

TEST_F(CliHelp, MissingOrUnknownCommandIsAnErrorOnStandardError) {
  struct Case {
    std::vector<std::string> args;
    std::string firstLine;
  } cases[] = {
      {{}, "quorvel-cli: a COMMAND is required"},
      {{"frobnicate"}, "quorvel-cli: unknown command 'frobnicate'"},
      {{"--versions"}, "quorvel-cli: unknown command '--versions'"},
  };
  for (const auto& c : cases) {
    const TCliRun run = RunCli(c.args);
    EXPECT_EQ(run.status, 2) << c.firstLine;
    EXPECT_EQ(run.out, "") << c.firstLine;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.firstLine);
  }
}

TEST_F(CliHelp, HelpThatCannotBeWrittenIsAFailure) {
  // /dev/full refuses every write: the program must not claim success.
  const std::string command = std::string(QUORVEL_CLI_PATH) + " --help >/dev/full 2>/dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
}

// Completes the words as bash would at the end of `line`; one candidate per line.
std::string Complete(const std::string& words, const std::string& folder) {
  const std::string script =
      "source '" QUORVEL_BASH_COMPLETION "'\n"
      "COMP_WORDS=(" + words + ")\n"
      "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
      "_quorvel_cli\n"
      "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
  const std::string scriptPath = folder + "/complete.bash";
  std::ofstream(scriptPath) << script;
  const std::string outPath = folder + "/completed";
  const std::string command = "bash '" + scriptPath + "' > '" + outPath + "' 2>&1";
  if (std::system(command.c_str()) != 0) return "(bash failed)";
  return quorvel::clitest::ReadFile(outPath);
}

TEST_F(CliHelp, BashCompletionOffersTheSubCommandsAndTheirOptions) {
  const std::string cli = std::string("'") + QUORVEL_CLI_PATH + "'";
  const std::string dir = folder.string();
  EXPECT_EQ(Complete(cli + " ''", dir), "decode\ndgi\nedit\nhost\ninspect\nnew\nsend\n--help\n--version\n");
  EXPECT_EQ(Complete(cli + " h", dir), "host\n");
  const std::string hostOptions = Complete(cli + " host --", dir);
  for (const char* option : {"--device\n", "--baud\n", "--protocol\n"})
    EXPECT_NE(hostOptions.find(option), std::string::npos) << option << " in\n" << hostOptions;
  EXPECT_EQ(Complete(cli + " new --f", dir), "--force\n");
  EXPECT_EQ(Complete(cli + " host --protocol e", dir), "extended\n");
  EXPECT_EQ(Complete(cli + " host --baud 11", dir), "115200\n");
  // edit FILE FAMILY VERB: the families, the verbs of one, and the options of one verb.
  EXPECT_EQ(Complete(cli + " edit shop.qvl ''", dir), "answer\ncommand\nfield\nfixed\ngroup\nrc\n");
  EXPECT_EQ(Complete(cli + " edit shop.qvl group m", dir), "merge\n");
  EXPECT_EQ(Complete(cli + " edit shop.qvl group merge A B --", dir), "--overwrite\n--skip\n");
  // Completing asks only for help: no file was written.
  EXPECT_FALSE(fs::exists(folder / "shop.qvl"));
}

}  // namespace
