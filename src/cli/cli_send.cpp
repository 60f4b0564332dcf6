// SPDX-License-Identifier: MIT
// quorvel-cli send: one command of a terminal file, sent as the terminal window
// sends it (same wire texts), with its answer decoded as the answer page shows it.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/clisupport.h"
#include "dgi/fpauxcontrol.h"
#include "host/fiscalcontrol.h"
#include "model/answerdecode.h"
#include "model/errors.h"
#include "model/extinifile.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/inputfilter.h"
#include "model/sendtext.h"
#include "model/terminalfile.h"
#include "platform/queueloop.h"

namespace quorvel::cli {
namespace {

using TClock = std::chrono::steady_clock;

// How often a closed line is tried again while a repetition waits for it.
constexpr std::chrono::milliseconds kReopenInterval{100};

const char kHelp[] =
    "Sends one command of a terminal file as the terminal window sends it.\n"
    "Prints its answer decoded as the answer page shows it.\n"
    "  --file FILE                the terminal file (.qvl)\n"
    "  --command GROUP/COMMAND    the command to send\n"
    "  --device PATH              the port's device (default: the desktop program's port setting)\n"
    "  --baud RATE                the host port's line speed (default: the desktop program's)\n"
    "  --field N=TEXT             the text of command field N (from 1); others keep their defaults\n"
    "  --repeat N                 send a host command N times, stopping at the first error\n"
    "  --keep-going               with --repeat: go on after an error and count the errors;\n"
    "                             after a hang-up, wait for the line to come back\n"
    "  --deadline MS              give up a command after MS milliseconds without a final answer\n"
    "                             (default 120000, 0 = none)";

const char kUsage[] =
    "send --file FILE --command GROUP/COMMAND [--device PATH] [--baud RATE] [--field N=TEXT]... [--repeat N] "
    "[--keep-going] [--deadline MS (default 120000 per command, 0 = none)]";

struct TSendArgs {
  std::string file;
  std::string command;
  std::string device;
  std::optional<host::TBaudRate> baud;
  std::map<std::size_t, std::string> fields;  // 1-based field number -> text
  int repeat = 0;                             // 0: send once
  int deadlineMs = kDefaultDeadlineMs;        // per command
  bool keepGoing = false;                     // --repeat goes on after an error
};

// Parses the arguments; an error message when they are not usable.
std::optional<std::string> ParseArgs(const std::vector<std::string>& args, TSendArgs& out) {
  const TOptionTable options = {
      {"--file", StoreText(out.file)},
      {"--command", StoreText(out.command)},
      {"--device", StoreText(out.device)},
      {"--baud", StoreBaud(out.baud)},
      {"--deadline", StoreDeadline(out.deadlineMs)},
      {"--field",
       [&out](const std::string& value) -> std::optional<std::string> {
         const auto equals = value.find('=');
         const auto number = equals == std::string::npos ? std::nullopt
                                                         : model::ParseDecimalInt32(value.substr(0, equals));
         if (!number || *number < 1) return "--field wants N=TEXT with N from 1: " + value;
         out.fields[static_cast<std::size_t>(*number)] = value.substr(equals + 1);
         return std::nullopt;
       }},
      {"--repeat",
       [&out](const std::string& value) -> std::optional<std::string> {
         out.repeat = model::ParseRepeatCount(value);
         if (!model::IsRepeatCountValid(out.repeat))
           return "--repeat wants 1 ... " + std::to_string(model::kMaxRepeatCount) + ": " + value;
         return std::nullopt;
       }},
  };
  std::vector<std::string> positional;
  if (auto refused = ReadOptions(args, options, positional, {{"--keep-going", &out.keepGoing}})) return refused;
  if (!positional.empty()) return "unexpected argument " + positional.front();
  if (out.keepGoing && out.repeat == 0) return std::string("--keep-going goes with --repeat");
  if (out.file.empty() || out.command.empty()) return std::string("--file and --command are required");
  return std::nullopt;
}

// A caption as its label shows it: "&" marks the access key, "&&" is one "&".
std::string CaptionText(const std::string& caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    text += caption[i];
  }
  return text;
}

// ---- the user's settings (the desktop program's store), for the port map ----

struct TUserPorts {
  platform::TPortMap ports;
  int hostPort = 0;  // TCommPort ordinal
  int hostBaud = host::br9600;
  int dgiPort = 1;   // TFCommPort ordinal
  int dgiTimeOut = 1000;
};

std::string UserSettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config) return std::string(config) + "/quorvel.conf";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.config/quorvel.conf";
}

TUserPorts ReadUserPorts() {
  TUserPorts user;
  const model::TIniFile store(UserSettingsPath());
  user.hostPort = store.ReadInteger("General", "HComm", user.hostPort);
  user.hostBaud = store.ReadInteger("General", "HBaud", user.hostBaud);
  user.dgiPort = store.ReadInteger("General", "DComm", user.dgiPort);
  user.dgiTimeOut = store.ReadInteger("General", "DTimeOut", user.dgiTimeOut);
  for (int i = 0; i < platform::TPortMap::kComCount; ++i) {
    const std::string path = store.ReadValue("Ports", "Com" + std::to_string(i + 1), "");
    if (!path.empty()) user.ports.com[static_cast<std::size_t>(i)] = path;
  }
  user.ports.usb = store.ReadValue("Ports", "USB", "");
  return user;
}

// ---- the command as the terminal window would show it ----

struct TCommand {
  std::string section;
  model::TGeneralSettings general;
  model::TCommandDefinition definition;
  std::vector<model::TFieldEntry> entries;
};

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

// The control's starting content: the default text, or the first drop-down item;
// a date or time control starts at today's date and the current time.
model::TFieldEntry StartingEntry(const model::TIniMemory& file, const std::string& section,
                                 const model::TCommandField& field, std::size_t index) {
  model::TFieldEntry entry;
  entry.text = field.DefaultText;
  if (field.ControlType == model::kControlDropDown || field.ControlType == model::kControlDropDownList) {
    const auto items = model::ReadItemList(file, section, static_cast<int>(index + 1));
    if (!items.empty()) entry.text = items.front();
  }
  const std::tm now = LocalNow();
  entry.date = {now.tm_year + 1900, now.tm_mon + 1, now.tm_mday};
  entry.time = {now.tm_hour, now.tm_min, std::min(now.tm_sec, 59)};
  return entry;
}

// Puts a --field text into the entry as the field's control would take it: typed
// through the input rules of its text type and its maximum length, or picked from
// its list. Returns the rule the text breaks, or nullopt when the control holds it.
std::optional<std::string> TakeFieldText(const model::TIniMemory& file, const std::string& section,
                                         const model::TCommandField& field, std::size_t index,
                                         const std::string& text, model::TFieldEntry& entry) {
  if (field.ReadOnly) {
    if (text == entry.text) return std::nullopt;
    return std::string("read only, it keeps its default");
  }
  switch (field.ControlType) {
    case model::kControlDate: {
      const auto date = model::ParseIsoDate(text);
      if (!date) return std::string("a date YYYY-MM-DD");
      entry.date = *date;
      return std::nullopt;
    }
    case model::kControlTime: {
      const auto time = model::ParseIsoTime(text);
      if (!time) return std::string("a time HH:MM:SS");
      entry.time = *time;
      return std::nullopt;
    }
    default: break;
  }
  if (field.ControlType == model::kControlDropDown || field.ControlType == model::kControlDropDownList) {
    const auto items = model::ReadItemList(file, section, static_cast<int>(index + 1));
    // Picking an item passes the change check of the type, as in the window.
    if (std::find(items.begin(), items.end(), text) != items.end() &&
        (field.ControlType == model::kControlDropDownList ||
         model::TextFits(static_cast<model::TFldType>(field.TextType), text))) {
      entry.text = text;
      return std::nullopt;
    }
    if (field.ControlType == model::kControlDropDownList) return std::string("one of its list items only");
  }
  std::string refusal;
  const auto typed =
      model::TypeIntoControl(static_cast<model::TFldType>(field.TextType), field.MaxLength, text, refusal);
  if (!typed) return refusal;
  entry.text = *typed;
  return std::nullopt;
}

int BadField(std::size_t index, const std::string& rule = {}) {
  return Refuse("Bad user data input in control " + std::to_string(index + 1) + (rule.empty() ? "" : ": " + rule));
}

// Reads the command; the exit status when it cannot be sent, else nullopt.
std::optional<int> LoadCommand(const TSendArgs& args, const model::TIniMemory& file, TCommand& command) {
  const auto slash = args.command.find('/');
  if (slash == std::string::npos) return Refuse("--command wants GROUP/COMMAND: " + args.command);
  const std::string group = args.command.substr(0, slash), name = args.command.substr(slash + 1);
  const auto groups = model::ReadGroups(file);
  const auto sameName = [](const std::string& wanted) {
    return [&wanted](const std::string& have) { return model::SameIniName(have, wanted); };
  };
  const auto commands = model::ReadGroupCommands(file, group);
  if (std::none_of(groups.begin(), groups.end(), sameName(group)) ||
      std::none_of(commands.begin(), commands.end(), sameName(name)))
    return Refuse("no command " + args.command + " in " + args.file);

  command.section = model::CommandSectionName(group, name);
  command.general = model::ReadGeneral(model::TIniFile(args.file));
  command.definition = model::ReadCommandDefinition(file, command.section);
  const auto& fields = command.definition.Fields;
  if (fields.empty()) return Refuse("command " + args.command + " has no command field");
  for (std::size_t i = 0; i < fields.size(); ++i)
    command.entries.push_back(StartingEntry(file, command.section, fields[i], i));
  for (const auto& [number, text] : args.fields) {
    if (number > fields.size()) return Refuse("no field " + std::to_string(number) + " in " + args.command);
    const std::size_t index = number - 1;
    if (const auto rule = TakeFieldText(file, command.section, fields[index], index, text, command.entries[index]))
      return BadField(index, *rule);
  }
  return std::nullopt;
}

// ---- host port ----

class THostSend {
 public:
  THostSend(const TCommand& command, const model::TIniMemory& file)
      : command_(command), file_(file), control_(loop_) {
    PrintHostEvents(control_, {.answered = [this](const std::vector<std::string>& fields) { Answered(fields); },
                               .failed = [this] { ended_ = true; }});
  }

  int Run(const std::string& device, bool usb, host::TBaudRate baud, int repeat, int deadlineMs, bool keepGoing) {
    device_ = device;
    deadlineMs_ = deadlineMs;
    keepGoing_ = keepGoing;
    AimHostControl(control_, device, usb);
    control_.SetBaudRate(baud);
    if (!control_.OpenPort())
      return Refuse(OpenRefusal(device, control_.LastSystemError(), host::ErrorName(control_.LastError())));
    control_.SetProtocol(model::IsExtendedProtocol(command_.general.Protocol) ? host::protocol_Extended : host::protocol_Compatible);
    const int status = repeat > 0 ? Repeat(repeat) : SendOnce(model::kNoRepetition, true);
    control_.ClosePort();
    return status;
  }

  // After the line was closed (a hang-up, an unplugged adapter) the port is opened
  // again for the next command as soon as the device is back, tried every
  // kReopenInterval until the command's deadline. False, with an "error" line and
  // the reason, when the line did not come back in time.
  bool ReopenIfClosed() {
    if (!control_.LineClosed()) return true;
    const host::TProtocolType protocol = control_.ProtocolType();
    control_.ClosePort();
    const auto until = deadlineMs_ > 0 ? TClock::now() + std::chrono::milliseconds(deadlineMs_) : TClock::time_point::max();
    while (!control_.OpenPort()) {
      if (TClock::now() >= until) {
        PrintLine(std::string("error ") + host::ErrorName(control_.LastError()));
        std::fprintf(stderr, "quorvel-cli: the line did not come back: %s\n",
                     OpenRefusal(device_, control_.LastSystemError(), host::ErrorName(control_.LastError())).c_str());
        return false;
      }
      loop_.RunUntil([] { return false; }, kReopenInterval);  // sleeps; nothing is pending
    }
    control_.SetProtocol(protocol);
    std::fprintf(stderr, "quorvel-cli: the line was opened again\n");
    return true;
  }

 private:
  // One exchange; the exit status of the command line.
  int SendOnce(int repetition, bool showAnswer) {
    std::vector<model::TFieldEntry> entries = command_.entries;
    const model::TWireFields wire =
        model::BuildWireFields(command_.definition.Fields, entries, command_.general.InputDateFormat, repetition);
    if (wire.badField) return BadField(*wire.badField);
    for (std::size_t i = 0; i < wire.fields.size(); ++i) {
      if (!control_.AddDataField(wire.fields[i])) {  // e.g. a control byte under the compatibility protocol
        std::fprintf(stderr, "%s\n", host::ErrorName(control_.LastError()));
        control_.Purge();
        return BadField(i);
      }
    }
    showAnswer_ = showAnswer;
    ended_ = answered_ = false;
    const auto started = TClock::now();
    if (!control_.SendCommand()) {
      const std::string reason = host::ErrorName(control_.LastError());
      control_.Purge();
      return Refuse(reason);
    }
    const auto done = [this] { return ended_ && control_.State() != host::EFP_S_Busy; };
    if (!RunUntilDeadline(loop_, done, deadlineMs_) && !ended_) {
      control_.Purge();
      PrintLine(kDeadlineLine);
    }
    lastDurationMs_ = std::chrono::duration<double, std::milli>(TClock::now() - started).count();
    return answered_ ? kExitOk : kExitErrorEvent;
  }

  // As Repeat does: each step waits for the port, appends the step number to
  // autoincrement fields, and an error ends the repetition (with --keep-going every
  // error is reported and counted, and the next step follows, on the reopened line after
  // a hang-up; a line that does not come back ends it). Only the last answer is decoded.
  int Repeat(int count) {
    std::vector<double> durations;
    int ok = 0, errors = 0, status = kExitOk;
    for (int r = 1; r <= count; ++r) {
      if (keepGoing_ && !ReopenIfClosed()) {
        ++errors;  // a line that stays closed ends the repetition
        break;
      }
      status = SendOnce(r, r == count);
      if (status == kExitRefused) break;
      durations.push_back(lastDurationMs_);
      (status == kExitOk ? ok : errors) += 1;
      if (status != kExitOk && !keepGoing_) break;
    }
    PrintRepeatSummary(durations, ok, errors);
    if (status == kExitRefused) return status;
    return errors > 0 ? kExitErrorEvent : kExitOk;
  }

  static void PrintRepeatSummary(std::vector<double> durations, int ok, int errors) {
    std::sort(durations.begin(), durations.end());
    const auto at = [&](std::size_t i) { return durations.empty() ? 0.0 : durations[i]; };
    const double median = durations.empty() ? 0.0
                          : durations.size() % 2 ? durations[durations.size() / 2]
                                                 : (durations[durations.size() / 2 - 1] + durations[durations.size() / 2]) / 2;
    std::printf("repeat n=%zu ok=%d errors=%d min=%.1fms median=%.1fms max=%.1fms\n", durations.size(), ok, errors,
                at(0), median, durations.empty() ? 0.0 : durations.back());
  }

  // After the final answer's event lines.
  void Answered(const std::vector<std::string>& fields) {
    if (showAnswer_)
      PrintDecodedAnswer(static_cast<std::uint16_t>(control_.FiscalStatus()),
                         static_cast<std::uint16_t>(control_.PrinterStatus()),
                         static_cast<std::uint16_t>(control_.ReturnCode()), fields);
    answered_ = ended_ = true;
  }

  void PrintDecodedAnswer(std::uint16_t fiscal, std::uint16_t printer, std::uint16_t code,
                          const std::vector<std::string>& values) const {
    PrintDecodedStatus(file_, fiscal, printer);
    model::TAnswerContext context;
    context.extended = model::IsExtendedProtocol(command_.general.Protocol);
    context.returnCode = code;
    context.returnCodeDescription = model::ReadReturnCodeDescription(file_, code);
    context.inputDateFormat = command_.general.InputDateFormat;
    context.outputDateFormat = command_.general.OutputDateFormat;
    const auto answers = model::ReadAnswerDefinition(file_, command_.section);
    for (const model::TAnswerRow& row : model::BuildAnswerRows(values, answers.Fields, context)) {
      using TKind = model::TAnswerRow::TKind;
      // The reserved rows of the extended protocol hold no answer value.
      if (row.kind == TKind::ReturnCode)
        std::printf("returncode %u %s\n", static_cast<unsigned>(code), Printable(context.returnCodeDescription).c_str());
      else if (row.kind != TKind::Reserved)
        std::printf("answer %s=%s\n", CaptionText(row.caption).c_str(), Printable(row.value).c_str());
    }
  }

  const TCommand& command_;
  const model::TIniMemory& file_;
  platform::TQueueLoop loop_;
  host::TFPHostControl control_;
  bool ended_ = false;
  bool answered_ = false;
  bool showAnswer_ = true;
  std::string device_;
  int deadlineMs_ = kDefaultDeadlineMs;
  bool keepGoing_ = false;
  double lastDurationMs_ = 0;
};

// ---- DGI port ----

// The fields joined into one DGI command, sent as quorvel-cli dgi sends it.
int SendDgiCommand(const TCommand& command, const std::string& device, int timeOutMs, int deadlineMs) {
  const model::TWireFields wire =
      model::BuildWireFields(command.definition.Fields, command.entries, command.general.InputDateFormat);
  if (wire.badField) return BadField(*wire.badField);
  return RunDgiCommand(device, timeOutMs, deadlineMs, model::DgiFrameText(wire.fields));
}

int RunSend(const std::vector<std::string>& arguments) {
  TSendArgs args;
  if (const auto problem = ParseArgs(arguments, args)) {
    return UsageError(*problem, kUsage);
  }
  // The program reads a missing file as empty; a script naming one has made a mistake.
  if (::access(args.file.c_str(), F_OK) != 0) {
    std::fprintf(stderr, "%s\n", model::TIniError::UnableToRead(args.file, std::strerror(errno)).what());
    return kExitErrorEvent;
  }
  std::optional<model::TIniMemory> loaded;
  try {
    loaded.emplace(args.file);
  } catch (const model::TIniError& error) {  // not a regular file, too large, unreadable
    std::fprintf(stderr, "%s\n", error.what());
    return kExitErrorEvent;
  }
  try {
    const model::TIniMemory& file = *loaded;
    TCommand command;
    if (const auto refused = LoadCommand(args, file, command)) return *refused;
    const TUserPorts user = ReadUserPorts();
    if (model::IsDgiCommand(command.definition)) {
      if (args.repeat > 0) return Refuse("a DGI command cannot be repeated");
      const int port = std::clamp(user.dgiPort, 0, 3);
      return SendDgiCommand(command, args.device.empty() ? user.ports.ComPath(port) : args.device, user.dgiTimeOut,
                            args.deadlineMs);
    }
    // A device given on the command line is a USB printer by its path; otherwise the
    // user's host port says which it is.
    const bool usb = args.device.empty() ? user.hostPort == host::USB : IsUsbPrinterPath(args.device);
    std::string device = args.device;
    if (device.empty()) device = usb ? user.ports.UsbPath() : user.ports.ComPath(user.hostPort);
    const auto baud = args.baud.value_or(static_cast<host::TBaudRate>(std::clamp(user.hostBaud, 0, 7)));
    return THostSend(command, file).Run(device, usb, baud, args.repeat, args.deadlineMs, args.keepGoing);
  } catch (const std::exception& error) {  // a record that cannot be read
    return Refuse(error.what());
  }
}

}  // namespace

QUORVEL_CLI_COMMAND(send, kUsage, RunSend, kHelp);

}  // namespace quorvel::cli
