// SPDX-License-Identifier: MIT
// quorvel-cli dgi --device PATH [--timeout MS] DATA: sends one command on the
// fiscal (DGI) port and prints one line per event of the control, in order.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "model/format.h"

namespace quorvel::cli {
namespace {

constexpr const char* kDgiHelp =
    "Sends one command on the fiscal (DGI) port.\n"
    "Prints one line per event, in order:\n"
    "\"write HEX\", \"ack\", \"nack\", \"read HEX\", \"answer final|intermediate HEX\", \"error NAME\".\n"
    "  --device PATH   the serial line of the fiscal port\n"
    "  --timeout MS    how long to wait for each answer frame (default 1000, 0 = no limit)\n"
    "  --deadline MS   give up the whole exchange after MS milliseconds (default 120000, 0 = none)\n"
    "  DATA            the command's data; x'HH...' stands for bytes";

constexpr const char* kDgiUsage =
    "dgi --device PATH [--timeout MS (default 1000, 0 = no limit)] [--deadline MS (default 120000, 0 = none)] DATA";

// The answer time-out the desktop program starts with.
constexpr std::int32_t kDefaultTimeOutMs = 1000;

struct TDgiArguments {
  std::string device;
  std::int32_t timeOutMs = kDefaultTimeOutMs;
  int deadlineMs = kDefaultDeadlineMs;
  std::string data;
};

// Nullopt (after saying why on standard error) when the arguments are not usable.
std::optional<TDgiArguments> ParseArguments(const std::vector<std::string>& args) {
  TDgiArguments parsed;
  const TOptionTable options = {
      {"--device", StoreText(parsed.device)},
      {"--deadline", StoreDeadline(parsed.deadlineMs)},
      {"--timeout",
       [&](const std::string& value) -> std::optional<std::string> {
         const auto ms = model::ParseDecimalInt32(value);
         if (!ms || *ms < 0 || value.front() == '+') return "--timeout takes milliseconds (0 = no limit)";
         parsed.timeOutMs = *ms;
         return std::nullopt;
       }},
  };
  std::vector<std::string> positional;
  if (const auto refused = ReadOptions(args, options, positional)) {
    std::fprintf(stderr, "quorvel-cli dgi: %s\n", refused->c_str());
    return std::nullopt;
  }
  if (parsed.device.empty() || positional.size() != 1) {
    UsageError("", kDgiUsage);
    return std::nullopt;
  }
  const auto data = model::ExpandHexEscapes(positional.front());
  if (!data) {
    std::fprintf(stderr, "quorvel-cli dgi: DATA holds an x'..' escape that is not hexadecimal\n");
    return std::nullopt;
  }
  parsed.data = *data;
  return parsed;
}

int RunDgi(const std::vector<std::string>& args) {
  const auto parsed = ParseArguments(args);
  if (!parsed) return kExitRefused;
  return RunDgiCommand(parsed->device, parsed->timeOutMs, parsed->deadlineMs, parsed->data);
}

}  // namespace

QUORVEL_CLI_COMMAND(dgi, kDgiUsage, RunDgi, kDgiHelp);

}  // namespace quorvel::cli
