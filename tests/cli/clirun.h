// SPDX-License-Identifier: MIT
#pragma once
// Shared by the quorvel-cli tests: runs the real quorvel-cli (QUORVEL_CLI_PATH) and
// captures its standard output, standard error and exit status, in a temporary folder
// of the test's own, with printer emulators on pseudo-terminals linked into it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/tempfolder.h"
#include "emulator/emulator.h"

#ifndef QUORVEL_CLI_PATH
#error "QUORVEL_CLI_PATH must name the quorvel-cli executable"
#endif

extern char** environ;

namespace quorvel::clitest {

namespace fs = std::filesystem;

struct TCliRun {
  int status = -1;                 // -1 when the program did not run or did not exit
  std::string out;                 // standard output
  std::vector<std::string> lines;  // standard output, line by line
  std::string err;                 // standard error

  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  std::vector<std::string> StartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& line : lines)
      if (line.starts_with(prefix)) found.push_back(line);
    return found;
  }
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// This process's environment with each "NAME=value" of changes put in place of NAME.
inline std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  const auto changed = [&](const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    return std::any_of(changes.begin(), changes.end(), [&](const std::string& c) { return c.starts_with(name); });
  };
  for (char** entry = environ; *entry; ++entry)
    if (!changed(*entry)) result.emplace_back(*entry);
  result.insert(result.end(), changes.begin(), changes.end());
  return result;
}

inline std::vector<char*> PointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs quorvel-cli with args (what follows the program name); its standard output and
// standard error pass through files in folder. environment: "NAME=value" changes for it.
// launcher: a program and its arguments that run quorvel-cli (such as setpriv to run
// it as another user), looked up in PATH; empty: quorvel-cli runs directly.
inline TCliRun RunCli(std::vector<std::string> args, const fs::path& folder,
                      const std::vector<std::string>& environment = {},
                      const std::vector<std::string>& launcher = {}) {
  const std::string outPath = (folder / "stdout").string();
  const std::string errPath = (folder / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  args.insert(args.begin(), QUORVEL_CLI_PATH);
  args.insert(args.begin(), launcher.begin(), launcher.end());
  std::vector<char*> argv = PointersTo(args);
  std::vector<std::string> variables = ChangedEnvironment(environment);
  std::vector<char*> envp = PointersTo(variables);
  pid_t pid = 0;
  TCliRun run;
  const int spawned = ::posix_spawnp(&pid, args.front().c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  std::istringstream out(run.out);
  for (std::string line; std::getline(out, line);) run.lines.push_back(line);
  return run;
}

// A test with a temporary folder of its own, removed (after its emulators stop) at the end.
class TCliTest : public ::testing::Test {
 protected:
  void TearDown() override { emulators_.clear(); }

  std::string InFolder(const std::string& name) const { return (folder / name).string(); }

  TCliRun RunCli(std::vector<std::string> args, const std::vector<std::string>& environment = {},
                 const std::vector<std::string>& launcher = {}) const {
    return clitest::RunCli(std::move(args), folder, environment, launcher);
  }

  // A printer emulator whose pseudo-terminal is linked as folder/name.
  emulator::TEmulator& StartEmulator(emulator::TLine line, const std::string& name) {
    emulators_.push_back(std::make_unique<emulator::TEmulator>(line, InFolder(name)));
    return *emulators_.back();
  }

  const testing::TTempFolder temp_{"quorvel-cli-test"};  // before `folder`, which names it
  const fs::path folder = temp_.Path();

 private:
  std::vector<std::unique_ptr<emulator::TEmulator>> emulators_;
};

}  // namespace quorvel::clitest
