// SPDX-License-Identifier: MIT
// quorvel-cli edit: finds the family and verb, runs it, and turns what it throws
// into the exit status.
#include "cli/cli_edit.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace quorvel::cli::edit {
namespace {

constexpr const char* kEditUsage = "edit FILE FAMILY VERB ... (quorvel-cli edit --help lists them)";

std::map<std::string, std::vector<TVerb>>& Families() {
  static std::map<std::string, std::vector<TVerb>> families;
  return families;
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: quorvel-cli edit FILE FAMILY VERB ...\n");
  std::fprintf(to, "Changes the terminal file FILE in one atomic replacement; silent on success.\n");
  std::fprintf(to, "Exit status: 0 done, 1 a name or value refused (the file unchanged), 2 a malformed command line.\n");
  for (const auto& [family, verbs] : Families()) {
    for (const TVerb& verb : verbs) std::fprintf(to, "  quorvel-cli edit FILE %s\n", verb.usage);
  }
}

int Malformed(const std::string& why, const char* usage) {
  if (!why.empty()) std::fprintf(stderr, "quorvel-cli edit: %s\n", why.c_str());
  if (usage != nullptr) {
    std::fprintf(stderr, "usage: quorvel-cli edit FILE %s\n", usage);
  } else {
    PrintUsage(stderr);
  }
  return 2;
}

// The verb that FILE FAMILY VERB at the start of args name; nullptr when they name none.
const TVerb* FindVerb(const std::vector<std::string>& args) {
  if (args.size() < 3) return nullptr;
  const auto family = Families().find(args[1]);
  if (family == Families().end()) return nullptr;
  const std::vector<TVerb>& verbs = family->second;
  const auto verb = std::find_if(verbs.begin(), verbs.end(), [&](const TVerb& v) { return args[2] == v.name; });
  return verb == verbs.end() ? nullptr : &*verb;
}

// "--help" wherever it stands before a "--" (or a lone "-h"): the usage, and the file
// is not touched.
bool AsksForHelp(const std::vector<std::string>& args) {
  if (args.size() == 1 && args[0] == "-h") return true;
  const auto end = std::find(args.begin(), args.end(), std::string("--"));
  return std::find(args.begin(), end, std::string("--help")) != end;
}

int RunEdit(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) {
    // The verb's own usage when FILE FAMILY VERB name one, else every verb's.
    const TVerb* verb = args[0] == "--help" ? nullptr : FindVerb(args);
    if (verb != nullptr) {
      std::printf("usage: quorvel-cli edit FILE %s\n", verb->usage);
    } else {
      PrintUsage(stdout);
    }
    return 0;
  }
  if (args.size() < 3) return Malformed(args.empty() ? "" : "missing family or verb", nullptr);
  const std::string& file = args[0];
  if (Families().find(args[1]) == Families().end()) return Malformed("unknown family: " + args[1], nullptr);
  const TVerb* verb = FindVerb(args);
  if (verb == nullptr) return Malformed("unknown verb: " + args[1] + " " + args[2], nullptr);
  const std::vector<std::string> rest(args.begin() + 3, args.end());
  try {
    return verb->run(file, rest);
  } catch (const TUsageError& error) {
    return Malformed(error.what(), verb->usage);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}

}  // namespace

TFamilyRegistrar::TFamilyRegistrar(const char* family, std::vector<TVerb> verbs) {
  auto& known = Families()[family];
  known.insert(known.end(), verbs.begin(), verbs.end());
}

const std::string* TEditArgs::Value(const std::string& option) const {
  const auto found = Values.find(option);
  return found == Values.end() || found->second.empty() ? nullptr : &found->second.back();
}

TEditArgs ReadEditArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                       const std::set<std::string>& repeatableOptions, const std::set<std::string>& flags) {
  TEditArgs result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      result.Positional.insert(result.Positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                               args.end());
      break;
    }
    const bool single = valueOptions.count(arg) != 0;
    if (single || repeatableOptions.count(arg) != 0) {
      if (i + 1 >= args.size()) throw TUsageError("missing value for " + arg);
      if (single && result.Values.count(arg) != 0) throw TUsageError(arg + " given twice");
      result.Values[arg].push_back(args[++i]);
    } else if (flags.count(arg) != 0) {
      result.Flags.insert(arg);
    } else if (arg.size() > 1 && arg.compare(0, 2, "--") == 0) {
      throw TUsageError("unknown option: " + arg);
    } else {
      result.Positional.push_back(arg);
    }
  }
  return result;
}

void RequirePositional(const TEditArgs& args, std::size_t count) {
  if (args.Positional.size() < count) throw TUsageError("missing argument");
  if (args.Positional.size() > count) throw TUsageError("unexpected argument: " + args.Positional[count]);
}

}  // namespace quorvel::cli::edit

QUORVEL_CLI_COMMAND(edit, "edit FILE FAMILY VERB ... (see quorvel-cli edit --help)", quorvel::cli::edit::RunEdit,
                    "Changes the command tree, the fields or the tables of a terminal file.", true);
