// quorvel-cli dgi --device PATH [--timeout MS] DATA: sends one command on the
// fiscal (DGI) port and prints one line per event of the control, in order.
#include <chrono>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "dgi/fpauxcontrol.h"
#include "model/format.h"
#include "platform/queueloop.h"

namespace quorvel::cli {
namespace {

// The answer time-out the desktop program starts with.
constexpr std::int32_t kDefaultTimeOutMs = 1000;

struct TDgiArguments {
  std::string device;
  std::int32_t timeOutMs = kDefaultTimeOutMs;
  std::string data;
};

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// "write" and "02 03 FB" give "write 02 03 FB"; no bytes give the bare word.
std::string WithHex(const std::string& word, const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line = word;
  for (unsigned char c : bytes) {
    line += ' ';
    line += kDigits[c >> 4];
    line += kDigits[c & 0x0F];
  }
  return line;
}

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
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--device" && hasValue) {
      parsed.device = args[++i];
    } else if (arg == "--timeout" && hasValue) {
      const auto ms = ParseMilliseconds(args[++i]);
      if (!ms) {
        std::fprintf(stderr, "quorvel-cli dgi: --timeout takes milliseconds (0 = no limit)\n");
        return std::nullopt;
      }
      parsed.timeOutMs = *ms;
    } else if (arg == "--") {
      positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    } else if (arg.size() > 1 && arg.compare(0, 2, "--") == 0) {
      std::fprintf(stderr, "quorvel-cli dgi: unknown option or missing value: %s\n", arg.c_str());
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (parsed.device.empty() || positional.size() != 1) {
    std::fprintf(stderr, "usage: quorvel-cli dgi --device PATH [--timeout MS] DATA\n");
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

int Refused(const dgi::TFPAuxControl& control) {
  std::fprintf(stderr, "%s\n", dgi::ErrorName(control.LastError()));
  return 2;
}

int RunDgi(const std::vector<std::string>& args) {
  const auto parsed = ParseArguments(args);
  if (!parsed) return 2;

  platform::TQueueLoop loop;
  dgi::TFPAuxControl control(loop);
  platform::TPortMap ports;
  ports.com[0] = parsed->device;
  control.SetPortMap(ports);
  control.SetCommPort(dgi::FCom1);
  control.SetTimeOut(parsed->timeOutMs);

  bool ended = false;
  bool ackToWrite = false;  // a final answer is followed by our ACK to the printer
  int status = 1;
  control.OnWrite = [&](dgi::TFPAuxControl&, const std::string& value) {
    PrintLine(WithHex("write", value));
    if (value == std::string(1, static_cast<char>(dgi::kAck))) ackToWrite = false;
  };
  control.OnRead = [](dgi::TFPAuxControl&, const std::string& value) { PrintLine(WithHex("read", value)); };
  control.OnAck = [&](dgi::TFPAuxControl&) {
    PrintLine("ack");
    status = 0;
    ended = true;
  };
  control.OnNack = [](dgi::TFPAuxControl&) { PrintLine("nack"); };
  control.OnAnswer = [&](dgi::TFPAuxControl& sender, bool isFinal) {
    PrintLine(WithHex(isFinal ? "answer final" : "answer intermediate", sender.Answer()));
    if (!isFinal) return;
    status = 0;
    ended = true;
    ackToWrite = true;
  };
  control.OnError = [&](dgi::TFPAuxControl& sender) {
    PrintLine(std::string("error ") + dgi::ErrorName(sender.LastError()));
    status = 1;
    ended = true;
  };

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

QUORVEL_CLI_COMMAND(dgi, "dgi --device PATH [--timeout MS] DATA", RunDgi);

}  // namespace quorvel::cli
