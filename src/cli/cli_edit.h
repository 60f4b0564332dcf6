// SPDX-License-Identifier: MIT
#pragma once
// quorvel-cli edit FILE FAMILY VERB ...: each family of edit sub-commands
// ("group", "command", "field", "answer", ...) lives in a file of its own and
// registers its verbs here, so a new family is a new file and nothing else.
//
// Exit statuses: 0 done (silent unless the verb prints a result), 1 a name or
// value refused (the program's message on standard error, the file unchanged),
// 2 a malformed command line (unknown family, verb or option, missing argument).
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvel::cli::edit {

// Thrown by a verb for a malformed command line: exit 2 with the verb's usage.
class TUsageError : public std::runtime_error {
 public:
  explicit TUsageError(const std::string& why) : std::runtime_error(why) {}
};

// A verb gets the terminal file's path and its arguments after the verb. Any
// other exception it throws is a refusal: its message on standard error, exit 1.
using TVerbMain = int (*)(const std::string& file, const std::vector<std::string>& args);

struct TVerb {
  const char* name;   // "add"
  const char* usage;  // "group add NAME"
  TVerbMain run;
};

struct TFamilyRegistrar {
  TFamilyRegistrar(const char* family, std::vector<TVerb> verbs);
};

// The arguments of a verb: options with a value, repeatable options, flags and
// positional arguments (all after "--" are positional). Throws TUsageError for
// an unknown option, a missing value or a single-valued option given twice.
struct TEditArgs {
  std::vector<std::string> Positional;
  std::map<std::string, std::vector<std::string>> Values;
  std::set<std::string> Flags;

  bool Has(const std::string& option) const { return Values.count(option) != 0 || Flags.count(option) != 0; }
  // The value of a single-valued option, or nullptr.
  const std::string* Value(const std::string& option) const;
};
TEditArgs ReadEditArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                       const std::set<std::string>& repeatableOptions, const std::set<std::string>& flags);
// Throws TUsageError unless there are exactly `count` positional arguments.
void RequirePositional(const TEditArgs& args, std::size_t count);

}  // namespace quorvel::cli::edit

// QUORVEL_EDIT_FAMILY(group, {{"add", "group add NAME", RunGroupAdd}, ...});
#define QUORVEL_EDIT_FAMILY(name, ...) \
  static const ::quorvel::cli::edit::TFamilyRegistrar quorvel_edit_family_##name(#name, __VA_ARGS__)
