// SPDX-License-Identifier: MIT
// quorvel-cli new [--force] FILE: writes the new-file template into FILE, as New does;
// an existing FILE is replaced only with --force.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
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
  // Without --force the name is claimed first with an exclusive create, so a file that
  // appears meanwhile is not replaced either; the template then replaces the empty
  // placeholder. A link, even one that points nowhere, counts as an existing file.
  bool placeholder = false;
  if (!force) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) return Refuse("quorvel-cli new: " + file + " already exists (--force replaces it)");
    if (fd >= 0) {
      ::close(fd);
      placeholder = true;
    }
    // Any other refusal is met again, and reported, by the write below.
  }
  try {
    model::WriteTemplate(file);
  } catch (const std::exception& failure) {
    if (placeholder) ::unlink(file.c_str());
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}

}  // namespace

QUORVEL_CLI_COMMAND(new, kNewUsage, RunNew, kNewHelp);

}  // namespace quorvel::cli
