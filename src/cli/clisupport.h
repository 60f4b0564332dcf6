// SPDX-License-Identifier: MIT
#pragma once
// What the sub-commands of quorvel-cli share: their output lines, exit statuses,
// option reading, and the event lines of the host and DGI controls.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <cstdint>

#include "dgi/fpauxcontrol.h"
#include "host/fiscalcontrol.h"
#include "model/extinifile.h"
#include "platform/portmap.h"
#include "platform/queueloop.h"

namespace quorvel::cli {

constexpr int kExitOk = 0;
constexpr int kExitErrorEvent = 1;  // the exchange ended with an error event
constexpr int kExitRefused = 2;     // nothing was sent: bad arguments, or the control refused

// One line on standard output, written as it happens (a script may be reading along).
void PrintLine(const std::string& line);
// One line on standard output, left in the buffer (for output that is flushed at the end).
void WriteLine(const std::string& line);

// "write" and bytes 02 20 give "write 02 20"; no bytes give the bare word.
std::string WithHex(const std::string& word, const std::string& bytes);

// A port map whose first serial port (Com1) is device.
platform::TPortMap FirstComPortMap(const std::string& device);
// Points the host control at `device`: as the USB printer when `usb`, else as Com1.
void AimHostControl(host::TFPHostControl& control, const std::string& device, bool usb);
// Whether the path names a USB printer node (/dev/usb/lp*) rather than a serial line.
bool IsUsbPrinterPath(const std::string& device);

// "9600" gives br9600; nullopt for a speed the host port does not offer.
std::optional<host::TBaudRate> BaudFromText(const std::string& text);

// Says why on standard error and returns kExitRefused.
int Refuse(const std::string& why);
// Why OpenPort failed, for standard error: "cannot open DEVICE: " and the operating
// system's reason in plain words when the control kept one (systemError, an errno),
// else the control's own error name.
std::string OpenRefusal(const std::string& device, int systemError, const std::string& errorName);

// Says why (when there is a why), then "usage: quorvel-cli USAGE", and returns kExitRefused.
int UsageError(const std::string& why, const char* usage);

// Takes the value of one option; returns why it refuses the value, or nullopt.
using TTakeOption = std::function<std::optional<std::string>(const std::string& value)>;
using TOptionTable = std::map<std::string, TTakeOption>;

// Options shared by the sub-commands: "--device PATH" as given, "--baud RATE" one
// of the host port's speeds.
TTakeOption StoreText(std::string& target);
TTakeOption StoreBaud(std::optional<host::TBaudRate>& target);

// How long a script waits for the final answer of one exchange unless --deadline says
// otherwise. The printer may keep an exchange alive without end (busy reports, answers
// with a bad checksum, NAKs); a script needs a way out all the same.
constexpr int kDefaultDeadlineMs = 120000;
// "--deadline MS": a decimal count of milliseconds, 0 for no deadline.
TTakeOption StoreDeadline(int& target);

// Runs the loop until done() or until deadlineMs pass (0: no deadline). Returns done().
bool RunUntilDeadline(platform::TQueueLoop& loop, const std::function<bool()>& done, int deadlineMs);
// The line printed when the deadline ends an exchange.
constexpr const char* kDeadlineLine = "error deadline";

// Options without a value ("--keep-going"): each sets its flag to true when given.
using TFlagTable = std::map<std::string, bool*>;

// Reads "--NAME VALUE" for the names in options, "--NAME" for the names in flags, and
// collects the other arguments into positional (all of those after "--"). Returns why
// the arguments are not usable.
std::optional<std::string> ReadOptions(const std::vector<std::string>& args, const TOptionTable& options,
                                       std::vector<std::string>& positional, const TFlagTable& flags = {});

// Bytes as one printable line: control bytes are written as x'HH'.
std::string Printable(const std::string& bytes);

// The two status words decoded by the fixed-answer records of the file, read as the
// terminal window reads them: "status fiscal=HHHH printer=HHHH", then one
// "panel fiscal|printer N color=XXXXXXXX <text>" line per panel that a record matched.
// Throws TConvertError for a record the window could not read; nothing is printed then.
void PrintDecodedStatus(const model::TIniReader& file, std::uint16_t fiscal, std::uint16_t printer);

// ---- event lines ----

struct THostEventHooks {
  // After the "final ..." line and its "field N ..." lines, with the answer's extra fields.
  std::function<void(const std::vector<std::string>& fields)> answered;
  // After the "error <name>" line.
  std::function<void()> failed;
};

// Prints each event of the host control as one line, in order: "write <hex>", "ack",
// "nack", "busy", "read <hex>", "final printer=HHHH fiscal=HHHH return=HHHH" followed by
// "field N <hex>" per extra field, "error <name>". After an error without an answer,
// standard error says whether the line was closed or the printer kept silent.
void PrintHostEvents(host::TFPHostControl& control, THostEventHooks hooks);

struct TDgiEventHooks {
  std::function<void(const std::string& bytes)> written;  // after a "write <hex>" line
  std::function<void()> acknowledged;                     // after an "ack" line
  std::function<void()> answered;                         // after an "answer final <hex>" line
  std::function<void()> failed;                           // after an "error <name>" line
};

// Prints each event of the DGI control as one line, in order: "write <hex>", "ack",
// "nack", "read <hex>", "answer final|intermediate <hex>", "error <name>".
void PrintDgiEvents(dgi::TFPAuxControl& control, TDgiEventHooks hooks);

// Opens `device` as the DGI port, sends `data` and prints every event until the
// exchange is over: after an error, a plain ACK, or a final answer and our ACK for
// it (with time-out 0 a silent printer is waited for until the deadline). When
// deadlineMs (0: none) pass first, the exchange is purged and "error deadline" printed.
// The exit status: kExitOk, kExitErrorEvent, or kExitRefused with the reason on
// standard error when the port cannot be opened or the command is refused.
int RunDgiCommand(const std::string& device, int timeOutMs, int deadlineMs, const std::string& data);

}  // namespace quorvel::cli
