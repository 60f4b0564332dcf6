// SPDX-License-Identifier: MIT
#include "cli/cli_editsupport.h"

#include "model/extinifile.h"
#include "model/fileedit.h"
#include "model/terminalfile.h"

namespace quorvel::cli::edit {

using model::TEditRefusal;
using model::TEditRefused;

void CheckNameLength(const std::string& name, const char* what) {
  if (name.size() <= model::kEditNameMaxLength) return;
  throw TEditRefused(TEditRefusal::InvalidName, std::string("The ") + what + " name \"" + name + "\" is longer than " +
                                                    std::to_string(model::kEditNameMaxLength) + " characters");
}

void CheckTextLength(const std::string& text, std::size_t limit, const char* what) {
  if (text.size() <= limit) return;
  throw TEditRefused(TEditRefusal::InvalidValue, std::string("The ") + what + " \"" + text + "\" is longer than " +
                                                     std::to_string(limit) + " characters");
}

std::string TCommandPath::Section() const { return model::CommandSectionName(Group, Command); }

TCommandPath ResolveCommandPath(const std::string& file, const std::string& path) {
  const model::TIniFile ini(file);
  for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    TCommandPath candidate{path.substr(0, slash), path.substr(slash + 1)};
    if (!candidate.Command.empty() && ini.ValueExists(model::kSectionGroups, candidate.Group) &&
        ini.ValueExists(candidate.Group, candidate.Command)) {
      return candidate;
    }
  }
  throw TEditRefused(TEditRefusal::NotFound,
                     "There is no command \"" + path + "\" (written GROUP/COMMAND) in " + file);
}

}  // namespace quorvel::cli::edit
