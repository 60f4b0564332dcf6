// SPDX-License-Identifier: MIT
#pragma once
// A host control on a pseudo-terminal with the printer emulator at the far end.
// Every event is recorded as one line, in the form quorvel-cli prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/emulatorwait.h"
#include "emulator/emulator.h"
#include "emulator/wire.h"
#include "host/fiscalcontrol.h"
#include "platform/queueloop.h"

namespace quorvel::testing {

using emulator::wire::HexBytes;

class TTraceCollector : public platform::TTraceSink {
 public:
  void Write(const std::string& line) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class THostBench {
 public:
  explicit THostBench(host::TProtocolType protocol = host::protocol_Compatible, int silenceLimitMs = 600)
      : protocol_(protocol) {
    emulator.SetHostProtocol(protocol == host::protocol_Extended ? emulator::THostProtocol::Extended
                                                                 : emulator::THostProtocol::Compatible);
    platform::TPortMap map;
    map.com[0] = emulator.DevicePath();
    control.SetPortMap(map);
    control.SetSilenceLimitMsForTests(silenceLimitMs);
    using host::TFPHostControl;
    control.OnOpen = [this](TFPHostControl&) { events.push_back("open"); };
    control.OnClose = [this](TFPHostControl&) { events.push_back("close"); };
    control.OnAck = [this](TFPHostControl&) { events.push_back("ack"); };
    control.OnNack = [this](TFPHostControl&) { events.push_back("nack"); };
    control.OnIntermediateAnswer = [this](TFPHostControl&) { events.push_back("busy"); };
    control.OnFinalAnswer = [this](TFPHostControl&) { events.push_back("final"); };
    control.OnError = [this](TFPHostControl& sender) {
      events.push_back(std::string("error ") + host::ErrorName(sender.LastError()));
    };
    control.OnWrite = [this](TFPHostControl&, const std::string& value) { events.push_back("write " + HexBytes(value)); };
    control.OnRead = [this](TFPHostControl&, const std::string& value) { events.push_back("read " + HexBytes(value)); };
  }

  bool Open() {
    if (!control.OpenPort()) return false;
    control.SetProtocol(protocol_);
    events.clear();
    return true;
  }

  // Adds the fields and sends them as one command.
  bool Send(const std::vector<std::string>& fields) {
    for (const auto& field : fields)
      if (!control.AddDataField(field)) return false;
    return control.SendCommand();
  }

  int EndsSeen() const {
    return static_cast<int>(std::count_if(events.begin(), events.end(), [](const std::string& e) {
      return e == "final" || e.starts_with("error ");
    }));
  }
  // Runs the event loop until `ends` exchanges have ended (final answer or error).
  bool RunUntilEnds(int ends = 1, int timeoutMs = 10000) {
    return loop.RunUntil([&] { return EndsSeen() >= ends; }, std::chrono::milliseconds(timeoutMs));
  }
  // Sends and runs the exchange to its end; the events of this exchange only.
  std::vector<std::string> Exchange(const std::vector<std::string>& fields, int timeoutMs = 10000) {
    events.clear();
    if (!Send(fields)) return {std::string("refused ") + host::ErrorName(control.LastError())};
    RunUntilEnds(1, timeoutMs);
    return events;
  }
  // Sends a command the printer never answers and returns once the exchange is in
  // flight: its first event has been handled and the printer has received the whole
  // frame, so Purge and ClosePort have no unsent output left to discard.
  ::testing::AssertionResult SendUnanswered(const std::vector<std::string>& fields, int timeoutMs = 5000) {
    emulator::THostReply silent;
    silent.silent = true;
    emulator.QueueHostReply(silent);
    events.clear();
    const std::size_t frames = emulator.ReceivedFrames().size() + 1;
    if (!Send(fields)) return ::testing::AssertionFailure() << "refused " << host::ErrorName(control.LastError());
    if (!loop.RunUntil([&] { return !events.empty(); }, std::chrono::milliseconds(timeoutMs)))
      return ::testing::AssertionFailure() << "no event within " << timeoutMs << " ms";
    if (!emulator.WaitForFrames(frames, timeoutMs))
      return ::testing::AssertionFailure() << "the printer did not receive the frame within " << timeoutMs << " ms";
    return ::testing::AssertionSuccess();
  }
  // Waits until the printer has received `count` ACK bytes from the host.
  bool WaitForAcks(std::size_t count, int timeoutMs = 5000) {
    return WaitForReceivedBytes(emulator, emulator::wire::kAck, count, timeoutMs);
  }
  // The event lines that are not "write"/"read" frames.
  static std::vector<std::string> Kinds(const std::vector<std::string>& events) {
    std::vector<std::string> kinds;
    for (const auto& e : events) kinds.push_back(e.starts_with("write ") && e.size() > 8 ? "write frame" : e.starts_with("read ") ? "read" : e);
    return kinds;
  }

  platform::TQueueLoop loop;
  TTraceCollector trace;
  emulator::TEmulator emulator{emulator::TLine::Host};
  host::TFPHostControl control{loop, &trace};
  std::vector<std::string> events;

 private:
  host::TProtocolType protocol_;
};

}  // namespace quorvel::testing
