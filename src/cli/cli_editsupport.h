// SPDX-License-Identifier: MIT
#pragma once
// What the edit families of quorvel-cli share: the window's length limits
// enforced as refusals, and GROUP/COMMAND arguments.
#include <cstddef>
#include <string>

namespace quorvel::cli::edit {

// Refuses (TEditRefused, exit 1) a name longer than the prompt would keep.
void CheckNameLength(const std::string& name, const char* what);
// Refuses a text longer than `limit` characters; `what` names it ("caption").
void CheckTextLength(const std::string& text, std::size_t limit, const char* what);

struct TCommandPath {
  std::string Group;
  std::string Command;
  std::string Section() const;
};
// Splits "GROUP/COMMAND" at the "/" that names a command of the file (group
// names may hold "/" themselves); refused when no split names one.
TCommandPath ResolveCommandPath(const std::string& file, const std::string& path);

}  // namespace quorvel::cli::edit
