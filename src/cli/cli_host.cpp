// SPDX-License-Identifier: MIT
// quorvel-cli host --device PATH [--baud BPS] [--protocol compatible|extended]
// [--deadline MS] FIELD...
// Sends one command on the host port and prints one line per event, in order.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "host/fiscalcontrol.h"
#include "model/format.h"
#include "platform/queueloop.h"

namespace quorvel::cli {
namespace {

constexpr const char* kHostHelp =
    "Sends one command on the host port.\n"
    "Prints one line per event, in order:\n"
    "\"write HEX\", \"ack\", \"nack\", \"busy\", \"read HEX\", \"final printer=HHHH fiscal=HHHH\n"
    "return=HHHH\" followed by one \"field N HEX\" line per answer field, \"error NAME\".\n"
    "  --device PATH    the serial line (/dev/ttyS0, /dev/ttyUSB0) or USB printer (/dev/usb/lp0)\n"
    "  --baud RATE      the line speed of a serial line (default 9600)\n"
    "  --protocol NAME  compatible (default) or extended\n"
    "  --deadline MS    give up the exchange after MS milliseconds without a final answer\n"
    "                   (default 120000, 0 = none)\n"
    "  FIELD...         the command's fields in order; x'HH...' in a field stands for bytes";

constexpr const char* kHostUsage =
    "host --device PATH [--baud 1200|2400|4800|9600|19200|38400|57600|115200] "
    "[--protocol compatible|extended] [--deadline MS (default 120000, 0 = none)] FIELD...";

struct THostArguments {
  std::string device;
  std::optional<host::TBaudRate> baud;  // 9600 unless given
  host::TProtocolType protocol = host::protocol_Compatible;
  int deadlineMs = kDefaultDeadlineMs;
  std::vector<std::string> fields;  // escapes expanded
};

int HostUsageError(const std::string& why) { return UsageError("quorvel-cli host: " + why, kHostUsage); }

// Nullopt (after saying why on standard error) when the arguments are not usable.
std::optional<THostArguments> ParseArguments(const std::vector<std::string>& args) {
  THostArguments parsed;
  const TOptionTable options = {
      {"--device", StoreText(parsed.device)},
      {"--baud", StoreBaud(parsed.baud)},
      {"--deadline", StoreDeadline(parsed.deadlineMs)},
      {"--protocol",
       [&](const std::string& value) -> std::optional<std::string> {
         if (value == "compatible") parsed.protocol = host::protocol_Compatible;
         else if (value == "extended") parsed.protocol = host::protocol_Extended;
         else return "--protocol takes compatible or extended";
         return std::nullopt;
       }},
  };
  std::vector<std::string> positional;
  if (const auto refused = ReadOptions(args, options, positional)) {
    HostUsageError(*refused);
    return std::nullopt;
  }
  if (parsed.device.empty()) {
    HostUsageError("--device is required");
    return std::nullopt;
  }
  if (positional.empty()) {
    HostUsageError("at least one FIELD (the command) is required");
    return std::nullopt;
  }
  for (std::size_t i = 0; i < positional.size(); ++i) {
    const auto field = model::ExpandHexEscapes(positional[i]);
    if (!field) {
      std::fprintf(stderr, "quorvel-cli host: FIELD %zu holds an x'..' escape that is not hexadecimal\n", i + 1);
      return std::nullopt;
    }
    parsed.fields.push_back(*field);
  }
  return parsed;
}

int Refused(const host::TFPHostControl& control) { return Refuse(host::ErrorName(control.LastError())); }

int RunHost(const std::vector<std::string>& args) {
  const auto parsed = ParseArguments(args);
  if (!parsed) return kExitRefused;

  platform::TQueueLoop loop;
  host::TFPHostControl control(loop);
  AimHostControl(control, parsed->device, IsUsbPrinterPath(parsed->device));
  control.SetBaudRate(parsed->baud.value_or(host::br9600));

  bool ended = false;
  int status = kExitErrorEvent;
  PrintHostEvents(control, {.answered =
                                [&](const std::vector<std::string>&) {
                                  status = kExitOk;
                                  ended = true;
                                },
                            .failed =
                                [&] {
                                  status = kExitErrorEvent;
                                  ended = true;
                                }});

  if (!control.OpenPort())
    return Refuse(OpenRefusal(parsed->device, control.LastSystemError(), host::ErrorName(control.LastError())));
  control.SetProtocol(parsed->protocol);
  for (const auto& field : parsed->fields)
    if (!control.AddDataField(field)) return Refused(control);
  if (!control.SendCommand()) return Refused(control);
  // Busy reports, NAKs and answers with a bad checksum keep an exchange going for as
  // long as the printer sends them; the deadline ends it all the same.
  const auto done = [&] { return ended && control.State() != host::EFP_S_Busy; };
  if (!RunUntilDeadline(loop, done, parsed->deadlineMs) && !ended) {
    control.Purge();
    PrintLine(kDeadlineLine);
    status = kExitErrorEvent;
  }
  control.ClosePort();
  return status;
}

}  // namespace

QUORVEL_CLI_COMMAND(host, kHostUsage, RunHost, kHostHelp);

}  // namespace quorvel::cli
