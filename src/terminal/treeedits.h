// SPDX-License-Identifier: MIT
#pragma once
// TEMPORARY: the edit layer calls the command tree makes, until the model's edit layer lands.
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvel::model {

struct TEditResult {
  std::string Before;
  std::string After;
};

class TEditRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TTerminalEditor {
 public:
  explicit TTerminalEditor(std::string fileName) : FileName_(std::move(fileName)) {}
  TEditResult AddGroup(const std::string&) { throw TEditRefused("not yet"); }
  TEditResult RenameGroup(const std::string&, const std::string&) { throw TEditRefused("not yet"); }
  TEditResult RemoveGroup(const std::string&) { throw TEditRefused("not yet"); }
  TEditResult AddCommand(const std::string&, const std::string&) { throw TEditRefused("not yet"); }
  TEditResult RenameCommand(const std::string&, const std::string&, const std::string&) { throw TEditRefused("not yet"); }
  TEditResult RemoveCommand(const std::string&, const std::string&) { throw TEditRefused("not yet"); }
  bool CommandExists(const std::string&, const std::string&) const { return false; }
  TEditResult DuplicateGroup(const std::string&, std::string&) { throw TEditRefused("not yet"); }
  TEditResult MergeGroup(const std::string&, const std::string&, const std::vector<std::string>&) { throw TEditRefused("not yet"); }
  TEditResult CopyCommandToGroup(const std::string&, const std::string&, const std::string&, const std::string&, bool) { throw TEditRefused("not yet"); }
  void RestoreIfUnchanged(const std::string&, const std::string&) { throw TEditRefused("not yet"); }

 private:
  std::string FileName_;
};

}  // namespace quorvel::model
