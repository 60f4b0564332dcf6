// quorvel-cli dgi --device PATH [--timeout MS] DATA: sends one command on the
// fiscal (DGI) port and prints one line per event of the control, in order.
#include <chrono>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "dgi/fpauxcontrol.h"
#include "model/format.h"
#include "platform/queueloop.h"

namespace quorvel::cli {
namespace {

constexpr const char* kDgiUsage = "dgi --device PATH [--timeout MS (default 1000, 0 = no limit)] DATA";

// The answer time-out the desktop program starts with.
constexpr std::int32_t kDefaultTimeOutMs = 1000;

struct TDgiArguments {
  std::string device;
  std::int32_t timeOutMs = kDefaultTimeOutMs;
  std::string data;
};

std::optional<std::int32_t> ParseMilliseconds(const std::string& text) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const long long value = std::stoll(text);
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// Nullopt (after saying why on standard error) when the arguments are not usable.
std::optional<TDgiArguments> ParseArguments(const std::vector<std::string>& args) {
  TDgiArguments parsed;
  const TOptionTable options = {
      {"--device",
       [&](const std::string& value) -> std::optional<std::string> {
         parsed.device = value;
         return std::nullopt;
       }},
      {"--timeout",
       [&](const std::string& value) -> std::optional<std::string> {
         const auto ms = ParseMilliseconds(value);
         if (!ms) return "--timeout takes milliseconds (0 = no limit)";
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
  const auto data = model::TryExpandHexEscapes(positional.front());
  if (!data) {
    std::fprintf(stderr, "quorvel-cli dgi: DATA holds an x'..' escape that is not hexadecimal\n");
    return std::nullopt;
  }
  parsed.data = *data;
  return parsed;
}

int Refused(const dgi::TFPAuxControl& control) { return Refuse(dgi::ErrorName(control.LastError())); }

int RunDgi(const std::vector<std::string>& args) {
  const auto parsed = ParseArguments(args);
  if (!parsed) return kExitRefused;

  platform::TQueueLoop loop;
  dgi::TFPAuxControl control(loop);
  control.SetPortMap(FirstComPortMap(parsed->device));
  control.SetCommPort(dgi::FCom1);
  control.SetTimeOut(parsed->timeOutMs);

  bool ended = false;
  bool ackToWrite = false;  // a final answer is followed by our ACK to the printer
  int status = kExitErrorEvent;
  const auto succeeded = [&] {
    status = kExitOk;
    ended = true;
  };
  PrintDgiEvents(control, {.written =
                               [&](const std::string& bytes) {
                                 if (bytes == std::string(1, static_cast<char>(dgi::kAck))) ackToWrite = false;
                               },
                           .acknowledged = succeeded,
                           .answered =
                               [&] {
                                 succeeded();
                                 ackToWrite = true;
                               },
                           .failed =
                               [&] {
                                 status = kExitErrorEvent;
                                 ended = true;
                               }});

  if (!control.OpenPort()) return Refused(control);
  if (!control.SendData(parsed->data)) return Refused(control);
  // With --timeout 0 a silent printer is waited for without limit, as in the program.
  const auto done = [&] { return ended && !ackToWrite; };
  while (!loop.RunUntil(done, std::chrono::hours(1))) {
  }
  control.ClosePort();
  return status;
}

}  // namespace

QUORVEL_CLI_COMMAND(dgi, kDgiUsage, RunDgi);

}  // namespace quorvel::cli
