// quorvel-cli host --device PATH [--baud BPS] [--protocol compatible|extended] FIELD...
// Sends one command on the host port and prints one line per event, in order.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "host/fiscalcontrol.h"
#include "model/format.h"
#include "platform/queueloop.h"

namespace quorvel::cli {
namespace {

constexpr const char* kHostUsage =
    "host --device PATH [--baud 1200|2400|4800|9600|19200|38400|57600|115200] "
    "[--protocol compatible|extended] FIELD...";

struct THostArguments {
  std::string device;
  host::TBaudRate baud = host::br9600;
  host::TProtocolType protocol = host::protocol_Compatible;
  std::vector<std::string> fields;  // escapes expanded
};

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// "write" and bytes 02 20 give "write 02 20"; no bytes give the bare word.
std::string WithHex(const std::string& word, const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line = word;
  for (const unsigned char c : bytes) {
    line += ' ';
    line += kDigits[c >> 4];
    line += kDigits[c & 0x0F];
  }
  return line;
}

std::string Hex4(std::int16_t value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(static_cast<std::uint16_t>(value)));
  return text;
}

std::optional<host::TBaudRate> BaudFromText(const std::string& text) {
  for (int baud = host::br1200; baud <= host::br115200; ++baud)
    if (text == std::to_string(host::BitsPerSecond(static_cast<host::TBaudRate>(baud))))
      return static_cast<host::TBaudRate>(baud);
  return std::nullopt;
}

int UsageError(const std::string& why) {
  if (!why.empty()) std::fprintf(stderr, "quorvel-cli host: %s\n", why.c_str());
  std::fprintf(stderr, "usage: quorvel-cli %s\n", kHostUsage);
  return 2;
}

// Nullopt (after saying why on standard error) when the arguments are not usable.
std::optional<THostArguments> ParseArguments(const std::vector<std::string>& args) {
  THostArguments parsed;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--device" && hasValue) {
      parsed.device = args[++i];
    } else if (arg == "--baud" && hasValue) {
      const auto baud = BaudFromText(args[++i]);
      if (!baud) {
        UsageError("--baud takes 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200");
        return std::nullopt;
      }
      parsed.baud = *baud;
    } else if (arg == "--protocol" && hasValue) {
      const std::string& name = args[++i];
      if (name == "compatible") {
        parsed.protocol = host::protocol_Compatible;
      } else if (name == "extended") {
        parsed.protocol = host::protocol_Extended;
      } else {
        UsageError("--protocol takes compatible or extended");
        return std::nullopt;
      }
    } else if (arg == "--") {
      positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    } else if (arg.size() > 1 && arg.compare(0, 2, "--") == 0) {
      UsageError("unknown option or missing value: " + arg);
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (parsed.device.empty()) {
    UsageError("--device is required");
    return std::nullopt;
  }
  if (positional.empty()) {
    UsageError("at least one FIELD (the command) is required");
    return std::nullopt;
  }
  for (std::size_t i = 0; i < positional.size(); ++i) {
    const auto field = model::TryExpandHexEscapes(positional[i]);
    if (!field) {
      std::fprintf(stderr, "quorvel-cli host: FIELD %zu holds an x'..' escape that is not hexadecimal\n", i + 1);
      return std::nullopt;
    }
    parsed.fields.push_back(*field);
  }
  return parsed;
}

int Refused(const host::TFPHostControl& control) {
  std::fprintf(stderr, "%s\n", host::ErrorName(control.LastError()));
  return 2;
}

int RunHost(const std::vector<std::string>& args) {
  const auto parsed = ParseArguments(args);
  if (!parsed) return 2;

  platform::TQueueLoop loop;
  host::TFPHostControl control(loop);
  platform::TPortMap ports;
  ports.com[0] = parsed->device;
  control.SetPortMap(ports);
  control.SetCommPort(host::Com1);
  control.SetBaudRate(parsed->baud);

  bool ended = false;
  int status = 1;
  control.OnWrite = [](host::TFPHostControl&, const std::string& value) { PrintLine(WithHex("write", value)); };
  control.OnRead = [](host::TFPHostControl&, const std::string& value) { PrintLine(WithHex("read", value)); };
  control.OnAck = [](host::TFPHostControl&) { PrintLine("ack"); };
  control.OnNack = [](host::TFPHostControl&) { PrintLine("nack"); };
  control.OnIntermediateAnswer = [](host::TFPHostControl&) { PrintLine("busy"); };
  control.OnFinalAnswer = [&](host::TFPHostControl& sender) {
    PrintLine("final printer=" + Hex4(sender.PrinterStatus()) + " fiscal=" + Hex4(sender.FiscalStatus()) +
              " return=" + Hex4(sender.ReturnCode()));
    for (int n = 1; n <= sender.ExtraFieldsCount(); ++n)
      PrintLine(WithHex("field " + std::to_string(n), sender.GetExtraField(n)));
    status = 0;
    ended = true;
  };
  control.OnError = [&](host::TFPHostControl& sender) {
    PrintLine(std::string("error ") + host::ErrorName(sender.LastError()));
    status = 1;
    ended = true;
  };

  if (!control.OpenPort()) return Refused(control);
  control.SetProtocol(parsed->protocol);
  for (const auto& field : parsed->fields)
    if (!control.AddDataField(field)) return Refused(control);
  if (!control.SendCommand()) return Refused(control);
  // Every exchange ends: busy reports keep it going, 3500 ms of silence end it.
  const auto done = [&] { return ended && control.State() != host::EFP_S_Busy; };
  while (!loop.RunUntil(done, std::chrono::hours(1))) {
  }
  control.ClosePort();
  return status;
}

}  // namespace

QUORVEL_CLI_COMMAND(host, kHostUsage, RunHost);

}  // namespace quorvel::cli
