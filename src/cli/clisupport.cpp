// SPDX-License-Identifier: MIT
#include "cli/clisupport.h"

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <utility>

#include "model/answerdecode.h"
#include "model/textnumbers.h"
#include "platform/queueloop.h"
#include "platform/serialport.h"

namespace quorvel::cli {
namespace {

// Runs a hook the caller may have left empty.
template <typename THook, typename... TArgs>
void Notify(const THook& hook, TArgs&&... args) {
  if (hook) hook(std::forward<TArgs>(args)...);
}

std::string StatusHex(std::int16_t word) { return model::Hex4(static_cast<std::uint16_t>(word)); }

// Why an exchange ended without an answer, for standard error; empty for a rejected frame.
const char* EndWithoutAnswer(bool lineClosed, bool readError, bool writeError) {
  if (lineClosed) return "the line was closed";
  if (readError) return "no answer from the printer";
  if (writeError) return "the command could not be written in time";
  return "";
}

void SayWhy(const char* why) {
  if (*why) std::fprintf(stderr, "quorvel-cli: %s\n", why);
}

}  // namespace

void WriteLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

void PrintLine(const std::string& line) {
  WriteLine(line);
  std::fflush(stdout);
}

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

platform::TPortMap FirstComPortMap(const std::string& device) {
  platform::TPortMap ports;
  ports.com[0] = device;
  return ports;
}

void AimHostControl(host::TFPHostControl& control, const std::string& device, bool usb) {
  platform::TPortMap ports;
  (usb ? ports.usb : ports.com[0]) = device;
  control.SetPortMap(ports);
  control.SetCommPort(usb ? host::USB : host::Com1);
}

bool IsUsbPrinterPath(const std::string& device) { return device.find("/usb/lp") != std::string::npos; }

std::optional<host::TBaudRate> BaudFromText(const std::string& text) {
  for (int baud = host::br1200; baud <= host::br115200; ++baud)
    if (text == std::to_string(host::BitsPerSecond(static_cast<host::TBaudRate>(baud))))
      return static_cast<host::TBaudRate>(baud);
  return std::nullopt;
}

std::string Printable(const std::string& bytes) {
  std::string text;
  char escape[8];
  for (unsigned char byte : bytes) {
    if (byte < 0x20 || byte == 0x7F) {
      std::snprintf(escape, sizeof escape, "x'%02X'", byte);
      text += escape;
    } else {
      text += static_cast<char>(byte);
    }
  }
  return text;
}

void PrintDecodedStatus(const model::TIniReader& file, std::uint16_t fiscal, std::uint16_t printer) {
  const model::TFixedAnswerTable fiscalTable = model::ReadFixedAnswers(file, model::kSectionFiscalAnswer);
  const model::TFixedAnswerTable printerTable = model::ReadFixedAnswers(file, model::kSectionPrinterAnswer);
  std::printf("status fiscal=%s printer=%s\n", model::Hex4(fiscal).c_str(), model::Hex4(printer).c_str());
  const auto print = [](const char* word, const model::TFixedAnswerTable& table, std::uint16_t status) {
    const auto panels = model::DecodeStatusWord(table, status);
    for (std::size_t i = 0; i < panels.size(); ++i)
      if (panels[i].matched)
        std::printf("panel %s %zu color=%08X %s\n", word, i + 1, static_cast<unsigned>(panels[i].color),
                    Printable(panels[i].text).c_str());
  };
  print("fiscal", fiscalTable, fiscal);
  print("printer", printerTable, printer);
}

int Refuse(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  return kExitRefused;
}

std::string OpenRefusal(const std::string& device, int systemError, const std::string& errorName) {
  if (systemError == 0) return errorName;
  return "cannot open " + device + ": " + platform::OpenFailureText(systemError);
}

int UsageError(const std::string& why, const char* usage) {
  if (!why.empty()) Refuse(why);
  std::fprintf(stderr, "usage: quorvel-cli %s\n", usage);
  return kExitRefused;
}

TTakeOption StoreText(std::string& target) {
  return [&target](const std::string& value) -> std::optional<std::string> {
    target = value;
    return std::nullopt;
  };
}

TTakeOption StoreBaud(std::optional<host::TBaudRate>& target) {
  return [&target](const std::string& value) -> std::optional<std::string> {
    target = BaudFromText(value);
    if (!target) return "--baud takes 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
    return std::nullopt;
  };
}

TTakeOption StoreDeadline(int& target) {
  return [&target](const std::string& value) -> std::optional<std::string> {
    const auto ms = model::ParseDecimalInt32(value);
    if (!ms || *ms < 0 || value.front() == '+') return "--deadline takes milliseconds (0 = none): " + value;
    target = *ms;
    return std::nullopt;
  };
}

bool RunUntilDeadline(platform::TQueueLoop& loop, const std::function<bool()>& done, int deadlineMs) {
  if (deadlineMs > 0) return loop.RunUntil(done, std::chrono::milliseconds(deadlineMs));
  while (!loop.RunUntil(done, std::chrono::hours(1))) {
  }
  return true;
}

std::optional<std::string> ReadOptions(const std::vector<std::string>& args, const TOptionTable& options,
                                       std::vector<std::string>& positional, const TFlagTable& flags) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto option = options.find(arg);
    const auto flag = flags.find(arg);
    if (flag != flags.end()) {
      *flag->second = true;
    } else if (option != options.end() && i + 1 < args.size()) {
      if (auto refused = option->second(args[++i])) return refused;
    } else if (arg == "--") {
      positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    } else if (arg.size() > 1 && arg.compare(0, 2, "--") == 0) {
      return "unknown option or missing value: " + arg;
    } else {
      positional.push_back(arg);
    }
  }
  return std::nullopt;
}

void PrintHostEvents(host::TFPHostControl& control, THostEventHooks hooks) {
  control.OnWrite = [](host::TFPHostControl&, const std::string& value) { PrintLine(WithHex("write", value)); };
  control.OnRead = [](host::TFPHostControl&, const std::string& value) { PrintLine(WithHex("read", value)); };
  control.OnAck = [](host::TFPHostControl&) { PrintLine("ack"); };
  control.OnNack = [](host::TFPHostControl&) { PrintLine("nack"); };
  control.OnIntermediateAnswer = [](host::TFPHostControl&) { PrintLine("busy"); };
  control.OnFinalAnswer = [answered = std::move(hooks.answered)](host::TFPHostControl& sender) {
    PrintLine("final printer=" + StatusHex(sender.PrinterStatus()) + " fiscal=" + StatusHex(sender.FiscalStatus()) +
              " return=" + StatusHex(sender.ReturnCode()));
    std::vector<std::string> fields;
    for (int n = 1; n <= sender.ExtraFieldsCount(); ++n) {
      fields.push_back(sender.GetExtraField(n));
      PrintLine(WithHex("field " + std::to_string(n), fields.back()));
    }
    Notify(answered, fields);
  };
  control.OnError = [failed = std::move(hooks.failed)](host::TFPHostControl& sender) {
    PrintLine(std::string("error ") + host::ErrorName(sender.LastError()));
    SayWhy(EndWithoutAnswer(sender.LineClosed(), sender.LastError() == host::EFP_E_ReadTimeOut,
                            sender.LastError() == host::EFP_E_WriteError));
    Notify(failed);
  };
}

void PrintDgiEvents(dgi::TFPAuxControl& control, TDgiEventHooks hooks) {
  control.OnWrite = [written = std::move(hooks.written)](dgi::TFPAuxControl&, const std::string& value) {
    PrintLine(WithHex("write", value));
    Notify(written, value);
  };
  control.OnRead = [](dgi::TFPAuxControl&, const std::string& value) { PrintLine(WithHex("read", value)); };
  control.OnAck = [acknowledged = std::move(hooks.acknowledged)](dgi::TFPAuxControl&) {
    PrintLine("ack");
    Notify(acknowledged);
  };
  control.OnNack = [](dgi::TFPAuxControl&) { PrintLine("nack"); };
  control.OnAnswer = [answered = std::move(hooks.answered)](dgi::TFPAuxControl& sender, bool isFinal) {
    PrintLine(WithHex(isFinal ? "answer final" : "answer intermediate", sender.Answer()));
    if (isFinal) Notify(answered);
  };
  control.OnError = [failed = std::move(hooks.failed)](dgi::TFPAuxControl& sender) {
    PrintLine(std::string("error ") + dgi::ErrorName(sender.LastError()));
    SayWhy(EndWithoutAnswer(sender.LineClosed(), sender.LastError() == dgi::FEFP_E_ReadTimeOut,
                            sender.LastError() == dgi::FEFP_E_WriteError));
    Notify(failed);
  };
}

int RunDgiCommand(const std::string& device, int timeOutMs, int deadlineMs, const std::string& data) {
  platform::TQueueLoop loop;
  dgi::TFPAuxControl control(loop);
  control.SetPortMap(FirstComPortMap(device));
  control.SetCommPort(dgi::FCom1);
  control.SetTimeOut(timeOutMs);

  bool ended = false;
  bool ackToWrite = false;  // a final answer is followed by our ACK to the printer
  int status = kExitErrorEvent;
  const auto end = [&](int exitStatus) {
    status = exitStatus;
    ended = true;
  };
  PrintDgiEvents(control, {.written =
                               [&](const std::string& bytes) {
                                 if (bytes == std::string(1, static_cast<char>(dgi::kAck))) ackToWrite = false;
                               },
                           .acknowledged = [&] { end(kExitOk); },
                           .answered =
                               [&] {
                                 end(kExitOk);
                                 ackToWrite = true;
                               },
                           .failed = [&] { end(kExitErrorEvent); }});

  if (!control.OpenPort()) return Refuse(OpenRefusal(device, control.LastSystemError(), dgi::ErrorName(control.LastError())));
  if (!control.SendData(data)) return Refuse(dgi::ErrorName(control.LastError()));
  const auto done = [&] { return ended && !ackToWrite; };
  if (!RunUntilDeadline(loop, done, deadlineMs) && !ended) {
    control.Purge();
    PrintLine(kDeadlineLine);
    status = kExitErrorEvent;
  }
  control.ClosePort();
  return status;
}

}  // namespace quorvel::cli
