// SPDX-License-Identifier: MIT
// The option reader of quorvel-cli on any argument list: every argument is taken as an
// option, an option's value or a positional argument, in order, or the list is refused.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/clisupport.h"

using namespace quorvel::cli;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Arguments are separated by NUL bytes, as they reach main().
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) args.emplace_back();
    else args.back() += static_cast<char>(data[i]);
  }
  std::string device;
  std::optional<quorvel::host::TBaudRate> baud;
  int deadline = kDefaultDeadlineMs;
  const TOptionTable options = {
      {"--device", StoreText(device)},
      {"--baud", StoreBaud(baud)},
      {"--deadline", StoreDeadline(deadline)},
  };
  bool flag = false;
  std::vector<std::string> positional;
  const auto refused = ReadOptions(args, options, positional, {{"--keep-going", &flag}});
  Check(positional.size() <= args.size());
  Check(deadline >= 0);
  if (refused) {
    Check(!refused->empty());
    return 0;
  }
  // The positional arguments keep their order and are arguments of the list.
  std::size_t at = 0;
  for (const std::string& word : positional) {
    while (at < args.size() && args[at] != word) ++at;
    Check(at < args.size());
    ++at;
  }
  return 0;
}
