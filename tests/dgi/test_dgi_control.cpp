// SPDX-License-Identifier: MIT
// The DGI control over a real pseudo-terminal, with the printer emulator on the
// other side: frames on the line, event orders, errors and the abort paths.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "dgi/fpauxcontrol.h"
#include "emulator/emulator.h"
#include "emulator/wire.h"
#include "platform/queueloop.h"

namespace quorvel::dgi {
namespace {

using emulator::TDgiReply;
using emulator::TEmulator;
using emulator::TLine;
using emulator::wire::HexBytes;
using namespace std::chrono_literals;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

const char* StateName(TFFiscalState state) {
  switch (state) {
    case FEFP_S_Close: return "close";
    case FEFP_S_Idle: return "idle";
    case FEFP_S_Busy: return "busy";
  }
  return "?";
}

TDgiReply Nak() {
  TDgiReply r;
  r.nak = true;
  return r;
}
TDgiReply Silent() {
  TDgiReply r;
  r.silent = true;
  return r;
}
TDgiReply Frames(std::vector<std::string> frames, int badChecksums = 0) {
  TDgiReply r;
  r.ackOnly = false;
  r.frames = std::move(frames);
  r.badChecksums = badChecksums;
  return r;
}
TDgiReply Raw(std::string bytes) {
  TDgiReply r;
  r.raw = std::move(bytes);
  return r;
}

// A queue loop that also counts what was posted to it, so a test can tell that the
// worker has spoken without delivering anything.
class TCountingLoop : public platform::TEventLoop {
 public:
  std::unique_ptr<platform::TMessageSink> CreateSink(THandler handler) override {
    return std::make_unique<TSink>(inner.CreateSink(std::move(handler)), posted);
  }
  platform::TQueueLoop inner;
  std::atomic<int> posted{0};

 private:
  struct TSink : platform::TMessageSink {
    TSink(std::unique_ptr<platform::TMessageSink> s, std::atomic<int>& c) : sink(std::move(s)), count(c) {}
    void Post(const platform::TNotification& n) override {
      sink->Post(n);
      ++count;
    }
    std::unique_ptr<platform::TMessageSink> sink;
    std::atomic<int>& count;
  };
};

class DgiControl : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::TPortMap ports;
    ports.com[0] = printer.DevicePath();
    control.SetPortMap(ports);
    Attach(control);
    ASSERT_TRUE(control.OpenPort()) << ErrorName(control.LastError());
    events.clear();
    states.clear();
  }

  // Every event as a line ("write 02 03 FB", "answer final 30 30 30 31 41 42", ...) and the
  // state while it ran.
  void Attach(TFPAuxControl& c) {
    c.OnOpen = [this](TFPAuxControl& s) { Record(s, "open"); };
    c.OnClose = [this](TFPAuxControl& s) { Record(s, "close"); };
    c.OnAck = [this](TFPAuxControl& s) { Record(s, "ack"); };
    c.OnNack = [this](TFPAuxControl& s) { Record(s, "nack"); };
    c.OnError = [this](TFPAuxControl& s) { Record(s, std::string("error ") + ErrorName(s.LastError())); };
    c.OnWrite = [this](TFPAuxControl& s, const std::string& v) { Record(s, "write " + HexBytes(v)); };
    c.OnRead = [this](TFPAuxControl& s, const std::string& v) { Record(s, "read " + HexBytes(v)); };
    c.OnAnswer = [this](TFPAuxControl& s, bool isFinal) {
      Record(s, std::string(isFinal ? "answer final " : "answer intermediate ") + HexBytes(s.Answer()));
    };
  }

  void Record(TFPAuxControl& sender, const std::string& event) {
    EXPECT_EQ(&sender, &control);
    events.push_back(event);
    states.push_back(StateName(sender.State()));
  }

  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    return loop.RunUntil(done, limit);
  }
  bool RunUntilEvents(std::size_t count) {
    return RunUntil([&] { return events.size() >= count; });
  }
  // Lets whatever is still on its way arrive.
  void Settle(std::chrono::milliseconds pause = 300ms) {
    std::this_thread::sleep_for(pause);
    loop.ProcessPending();
  }

  // The bytes the printer has received, once they are `expected` or 5 s have passed.
  std::string PrinterBytes(const std::string& expected) {
    for (int i = 0; i < 500 && printer.ReceivedBytes() != expected; ++i) std::this_thread::sleep_for(10ms);
    return printer.ReceivedBytes();
  }

  platform::TQueueLoop loop;
  TEmulator printer{TLine::Dgi};
  TFPAuxControl control{loop};
  std::vector<std::string> events;
  std::vector<std::string> states;
};

TEST_F(DgiControl, FramesOnTheLine) {
  struct TCase {
    std::string data;
    std::string frame;
  };
  std::string full;
  for (int i = 0; i < 256; ++i) full += static_cast<char>('A' + i % 26);
  const std::vector<TCase> cases = {
      {"", Bytes({0x02, 0x03, 0xFB})},
      {"0001", Bytes({0x02, 0x30, 0x30, 0x30, 0x31, 0x03, 0x3A})},
      {Bytes({0x05}), Bytes({0x05})},
      {full, BuildCommandFrame(full)},
  };
  for (const auto& c : cases) {
    events.clear();
    printer.ClearReceived();
    ASSERT_TRUE(control.SendData(c.data)) << ErrorName(control.LastError());
    EXPECT_EQ(control.State(), FEFP_S_Busy);
    ASSERT_TRUE(RunUntil([&] { return !events.empty() && events.back() == "ack"; })) << HexBytes(c.data);
    EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(c.frame), "ack"}));
    EXPECT_EQ(PrinterBytes(c.frame), c.frame);
  }
  EXPECT_EQ(BuildCommandFrame(full).size(), 259u);
}

TEST_F(DgiControl, RefusedCommandsSendNothing) {
  EXPECT_FALSE(control.SendData(std::string(257, 'A')));
  EXPECT_EQ(control.LastError(), FEFP_E_MaxDataLengthReached);
  EXPECT_EQ(control.State(), FEFP_S_Idle);

  printer.QueueDgiReply(Silent());
  control.SetTimeOut(0);
  ASSERT_TRUE(control.SendData("0001"));
  EXPECT_FALSE(control.SendData("0002"));
  EXPECT_EQ(control.LastError(), FEFP_E_OperationInProgress);
  ASSERT_TRUE(printer.WaitForFrames(1, 5000));
  control.Purge();
  ASSERT_TRUE(control.ClosePort());
  EXPECT_FALSE(control.SendData("0001"));
  EXPECT_EQ(control.LastError(), FEFP_E_ComClose);
  Settle();
  EXPECT_EQ(printer.ReceivedFrames(), (std::vector<std::string>{BuildCommandFrame("0001")}));
}

TEST_F(DgiControl, AcceptedWithoutDataIsIdleBeforeOnAckAndEmptiesAnswer) {
  printer.QueueDgiReply(Frames({"0001ABC"}));
  ASSERT_TRUE(control.SendData("X"));
  ASSERT_TRUE(RunUntilEvents(4));
  EXPECT_EQ(control.Answer(), "0001ABC");

  events.clear();
  states.clear();
  ASSERT_TRUE(control.SendData("Y"));
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(BuildCommandFrame("Y")), "ack"}));
  EXPECT_EQ(states, (std::vector<std::string>{"busy", "idle"}));
  EXPECT_EQ(control.Answer(), "");
  EXPECT_EQ(control.LastError(), FEFP_Success);
}

TEST_F(DgiControl, IntermediateFramesThenTheFinalOne) {
  printer.QueueDgiReply(Frames({"0005first", "9999second", "0001ABC"}));
  ASSERT_TRUE(control.SendData("Q"));
  ASSERT_TRUE(RunUntilEvents(10));
  const std::string a = BuildCommandFrame("0005first"), b = BuildCommandFrame("9999second"),
                    c = BuildCommandFrame("0001ABC");
  EXPECT_EQ(events, (std::vector<std::string>{
                        "write " + HexBytes(BuildCommandFrame("Q")),
                        "read " + HexBytes(a), "answer intermediate " + HexBytes("0005first"), "write 06",
                        "read " + HexBytes(b), "answer intermediate " + HexBytes("9999second"), "write 06",
                        "read " + HexBytes(c), "answer final " + HexBytes("0001ABC"), "write 06"}));
  // Idle only after the final OnAnswer has run.
  EXPECT_EQ(states, (std::vector<std::string>{"busy", "busy", "busy", "busy", "busy", "busy", "busy", "busy",
                                              "busy", "idle"}));
  EXPECT_EQ(control.Answer(), Bytes({0x30, 0x30, 0x30, 0x31, 0x41, 0x42, 0x43}));
  EXPECT_EQ(control.State(), FEFP_S_Idle);
  // The printer saw one ACK per frame.
  const std::string expected = BuildCommandFrame("Q") + "\x06\x06\x06";
  EXPECT_EQ(PrinterBytes(expected), expected);
}

TEST_F(DgiControl, EveryFinalStatusCodeEndsTheCommand) {
  for (const char* code : {"0000", "0001", "0002", "0003", "0004", "0010", "0011"}) {
    events.clear();
    printer.QueueDgiReply(Frames({std::string(code) + "data"}));
    ASSERT_TRUE(control.SendData("S"));
    ASSERT_TRUE(RunUntilEvents(4)) << code;
    EXPECT_EQ(events[2], "answer final " + HexBytes(std::string(code) + "data"));
    EXPECT_EQ(control.State(), FEFP_S_Idle) << code;
  }
}

TEST_F(DgiControl, RejectedCommandEndsWithNackReceivedOnceTheLineIsSilent) {
  control.SetTimeOut(300);
  printer.QueueDgiReply(Nak());
  ASSERT_TRUE(control.SendData("N"));
  ASSERT_TRUE(RunUntilEvents(3));
  EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(BuildCommandFrame("N")), "nack",
                                              "error FEFP_E_NackReceived"}));
  EXPECT_EQ(states, (std::vector<std::string>{"busy", "busy", "idle"}));
  EXPECT_EQ(control.LastError(), FEFP_E_NackReceived);
}

TEST_F(DgiControl, SilentPrinterTimesOut) {
  control.SetTimeOut(300);
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("S"));
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(BuildCommandFrame("S")), "error FEFP_E_ReadTimeOut"}));
  EXPECT_EQ(states.back(), "idle");
}

TEST_F(DgiControl, TimeOutLimitsEachReadNotTheWholeExchange) {
  // Four frames, each after 300 ms of silence: 1.2 s in all, under a 1 s limit per read.
  auto slowFrames = Frames({"0005a", "0005b", "0005c", "0000d"});
  slowFrames.pauseMs = 300;
  control.SetTimeOut(1000);
  printer.QueueDgiReply(slowFrames);
  ASSERT_TRUE(control.SendData("P"));
  ASSERT_TRUE(RunUntil([&] { return !events.empty() && events.back() == "write 06" && events.size() == 13; }));
  EXPECT_EQ(events[events.size() - 2], "answer final " + HexBytes("0000d"));
  EXPECT_EQ(control.State(), FEFP_S_Idle);

  // One pause longer than the limit ends the exchange.
  auto lateFrame = Frames({"0000late"});
  lateFrame.pauseMs = 1500;
  control.SetTimeOut(300);
  printer.QueueDgiReply(lateFrame);
  events.clear();
  ASSERT_TRUE(control.SendData("L"));
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events.back(), "error FEFP_E_ReadTimeOut");
}

TEST_F(DgiControl, BadChecksumIsRefusedAndTheRepetitionAccepted) {
  printer.QueueDgiReply(Frames({"0000OK"}, 1));
  ASSERT_TRUE(control.SendData("B"));
  ASSERT_TRUE(RunUntilEvents(5));
  EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(BuildCommandFrame("B")), "write 15",
                                              "read " + HexBytes(BuildCommandFrame("0000OK")),
                                              "answer final " + HexBytes("0000OK"), "write 06"}));
  const std::string expected = BuildCommandFrame("B") + "\x15\x06";
  EXPECT_EQ(PrinterBytes(expected), expected);
}

TEST_F(DgiControl, NoTimeOutStaysBusyUntilPurge) {
  control.SetTimeOut(0);
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("W"));
  ASSERT_TRUE(RunUntilEvents(1));
  Settle(700ms);
  EXPECT_EQ(control.State(), FEFP_S_Busy);
  EXPECT_EQ(events.size(), 1u);

  control.Purge();
  EXPECT_EQ(control.State(), FEFP_S_Idle);
  EXPECT_EQ(control.LastError(), FEFP_Success);
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events.back(), "error FEFP_E_ReadTimeOut");
  Settle();
  EXPECT_EQ(events.size(), 2u);  // exactly one OnError

  // The line works on afterwards.
  ASSERT_TRUE(control.SendData("A"));
  ASSERT_TRUE(RunUntilEvents(4));
  EXPECT_EQ(events.back(), "ack");
}

TEST_F(DgiControl, CommandHandedOverRightAfterPurgeIsCarriedOut) {
  control.SetTimeOut(0);
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("first"));
  ASSERT_TRUE(printer.WaitForFrames(1, 5000));
  control.Purge();
  ASSERT_TRUE(control.SendData("second"));
  ASSERT_TRUE(RunUntil([&] { return !events.empty() && events.back() == "ack"; }));
  Settle();
  // The purged exchange reports what it wrote but neither ends nor fails the new command.
  EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(BuildCommandFrame("first")),
                                              "write " + HexBytes(BuildCommandFrame("second")), "ack"}));
  EXPECT_EQ(control.State(), FEFP_S_Idle);
  EXPECT_EQ(printer.ReceivedFrames().size(), 2u);
}

TEST_F(DgiControl, PurgedExchangeDoesNotEndANewerCommand) {
  // The second command is silent too: the first one's read error must not make it idle.
  control.SetTimeOut(0);
  printer.QueueDgiReply(Silent());
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("first"));
  ASSERT_TRUE(printer.WaitForFrames(1, 5000));
  control.Purge();
  ASSERT_TRUE(control.SendData("second"));
  ASSERT_TRUE(printer.WaitForFrames(2, 5000));
  Settle(500ms);
  EXPECT_EQ(control.State(), FEFP_S_Busy);
  EXPECT_EQ(events.size(), 2u);  // the two writes, no error
  control.Purge();
  ASSERT_TRUE(RunUntilEvents(3));
  EXPECT_EQ(events.back(), "error FEFP_E_ReadTimeOut");
}

TEST_F(DgiControl, CommandSentFromTheFinalAnswerHandlerStaysInProgress) {
  // A handler that purges and sends the next command at once: the end of the
  // answered exchange must not end the command just handed over.
  control.SetTimeOut(0);
  printer.QueueDgiReply(Frames({"0001ABC"}));
  printer.QueueDgiReply(Silent());
  bool sentNext = false;
  control.OnAnswer = [&](TFPAuxControl& s, bool isFinal) {
    if (!isFinal || sentNext) return;
    s.Purge();
    sentNext = s.SendData("next");
  };
  ASSERT_TRUE(control.SendData("first"));
  ASSERT_TRUE(RunUntil([&] { return sentNext; }));
  ASSERT_TRUE(printer.WaitForFrames(2, 5000));
  Settle(500ms);
  EXPECT_EQ(control.State(), FEFP_S_Busy);
  EXPECT_FALSE(control.SendData("refused while busy"));
  EXPECT_EQ(control.LastError(), FEFP_E_OperationInProgress);
}

TEST_F(DgiControl, ClosePortDuringAnExchangeWakesTheWorkerAndFiresNoError) {
  control.SetTimeOut(0);
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("C"));
  ASSERT_TRUE(RunUntilEvents(1));
  // With no time limit the worker waits for ever unless ClosePort wakes it.
  ASSERT_TRUE(control.ClosePort());
  EXPECT_EQ(control.State(), FEFP_S_Close);
  EXPECT_EQ(control.LastError(), FEFP_Success);
  Settle();
  EXPECT_EQ(events, (std::vector<std::string>{"write " + HexBytes(BuildCommandFrame("C")), "close"}));
}

TEST_F(DgiControl, AnswerLongerThanTheReceiveBufferEndsTheExchange) {
  // An STX and then more bytes than the buffer holds, with no ETX: even without a
  // time limit the exchange ends, as a read error, and the line is usable afterwards.
  control.SetTimeOut(0);
  printer.QueueDgiReply(Raw("\x02" + std::string(kReceiveBufferSize + 300, 'Z')));
  ASSERT_TRUE(control.SendData("L"));
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events.back(), "error FEFP_E_ReadTimeOut");
  EXPECT_EQ(control.State(), FEFP_S_Idle);

  Settle();
  events.clear();
  ASSERT_TRUE(control.SendData("A"));
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events.back(), "ack");
}

TEST_F(DgiControl, BytesAroundTheFrameStayOutOfAnswer) {
  const std::string frame = BuildCommandFrame("0001ABC");
  printer.QueueDgiReply(Raw("junk" + frame + "tail"));
  ASSERT_TRUE(control.SendData("R"));
  ASSERT_TRUE(RunUntilEvents(4));
  EXPECT_EQ(events[1], "read " + HexBytes(frame));
  EXPECT_EQ(control.Answer(), "0001ABC");
}

TEST_F(DgiControl, HangUpDuringTheWaitEndsTheExchange) {
  control.SetTimeOut(0);
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("H"));
  ASSERT_TRUE(RunUntilEvents(1));
  printer.HangUp();
  ASSERT_TRUE(RunUntilEvents(2));
  EXPECT_EQ(events.back(), "error FEFP_E_ReadTimeOut");
  EXPECT_EQ(control.State(), FEFP_S_Idle);
}

TEST_F(DgiControl, UnplugBeforeTheCommandIsAWriteError) {
  printer.HangUp();
  ASSERT_TRUE(control.SendData("0001"));
  ASSERT_TRUE(RunUntilEvents(1));
  EXPECT_EQ(events, (std::vector<std::string>{"error FEFP_E_WriteError"}));
  EXPECT_EQ(states, (std::vector<std::string>{"idle"}));
  EXPECT_EQ(control.LastError(), FEFP_E_WriteError);
}

TEST_F(DgiControl, SlowUserInterfaceStillGetsEachFrameWithItsOwnNotification) {
  // Nothing is delivered until the printer has had all three ACKs, so the worker has
  // read every frame before the first WM_DGI_ANSWER is handled.
  printer.QueueDgiReply(Frames({"0005one", "0006two", "0000three"}));
  ASSERT_TRUE(control.SendData("F"));
  const std::string allAcked = BuildCommandFrame("F") + "\x06\x06\x06";
  ASSERT_EQ(PrinterBytes(allAcked), allAcked);
  loop.ProcessPending();
  std::vector<std::string> reads;
  for (const auto& e : events)
    if (e.rfind("read ", 0) == 0 || e.rfind("answer ", 0) == 0) reads.push_back(e);
  EXPECT_EQ(reads, (std::vector<std::string>{
                       "read " + HexBytes(BuildCommandFrame("0005one")), "answer intermediate " + HexBytes("0005one"),
                       "read " + HexBytes(BuildCommandFrame("0006two")), "answer intermediate " + HexBytes("0006two"),
                       "read " + HexBytes(BuildCommandFrame("0000three")), "answer final " + HexBytes("0000three")}));
}

TEST_F(DgiControl, PortRules) {
  // Assigned while open: ignored; after ClosePort: taken.
  control.SetCommPort(FCom3);
  EXPECT_EQ(control.GetCommPort(), FCom1);
  EXPECT_FALSE(control.OpenPort());
  EXPECT_EQ(control.LastError(), FEFP_E_ComAlreadyOpen);
  EXPECT_EQ(control.LastSystemError(), 0);

  // A second control cannot take the port this one holds.
  TFPAuxControl other(loop);
  other.SetPortMap(control.PortMap());
  EXPECT_FALSE(other.OpenPort());
  EXPECT_EQ(other.LastError(), FEFP_E_ComInUse);
  EXPECT_EQ(other.LastSystemError(), EBUSY);
  EXPECT_EQ(other.State(), FEFP_S_Close);

  ASSERT_TRUE(control.ClosePort());
  EXPECT_FALSE(control.ClosePort());
  EXPECT_EQ(control.LastError(), FEFP_E_ComAlreadyClose);
  control.Purge();
  EXPECT_EQ(control.LastError(), FEFP_Success);
  EXPECT_EQ(control.State(), FEFP_S_Close);

  control.SetCommPort(FCom3);
  EXPECT_EQ(control.GetCommPort(), FCom3);
  platform::TPortMap ports = control.PortMap();
  ports.com[2] = "/nonexistent/quorvel-dgi-test";
  control.SetPortMap(ports);
  EXPECT_FALSE(control.OpenPort());
  EXPECT_EQ(control.LastError(), FEFP_E_InvalidCom);
  EXPECT_EQ(control.LastSystemError(), ENOENT);

  // COM3 now points at the emulator.
  ports.com[2] = printer.DevicePath();
  control.SetPortMap(ports);
  ASSERT_TRUE(control.OpenPort());
  EXPECT_EQ(events, (std::vector<std::string>{"close", "open"}));
  ASSERT_TRUE(control.SendData(Bytes({0x05})));
  ASSERT_TRUE(RunUntilEvents(4));
  EXPECT_EQ(events.back(), "ack");
}

TEST_F(DgiControl, TimeOutCanChangeAtAnyTime) {
  control.SetTimeOut(0);
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("T"));
  ASSERT_TRUE(RunUntilEvents(1));
  control.SetTimeOut(200);
  EXPECT_EQ(control.GetTimeOut(), 200);
  // The wait in progress has no limit; Purge ends it, and the next command uses 200 ms.
  control.Purge();
  ASSERT_TRUE(RunUntilEvents(2));
  printer.QueueDgiReply(Silent());
  ASSERT_TRUE(control.SendData("U"));
  ASSERT_TRUE(RunUntilEvents(4));
  EXPECT_EQ(events.back(), "error FEFP_E_ReadTimeOut");
}

TEST(DgiControlWorkers, NotificationsOfAReplacedWorkerAreIgnored) {
  TCountingLoop loop;
  TEmulator printer(TLine::Dgi);
  TFPAuxControl control(loop);
  platform::TPortMap ports;
  ports.com[0] = printer.DevicePath();
  control.SetPortMap(ports);
  int acks = 0, writes = 0;
  control.OnAck = [&](TFPAuxControl&) { ++acks; };
  control.OnWrite = [&](TFPAuxControl&, const std::string&) { ++writes; };

  ASSERT_TRUE(control.OpenPort());
  ASSERT_TRUE(control.SendData("0001"));
  // WM_DGI_WRITE and WM_DGI_ACK posted, none delivered yet.
  for (int i = 0; i < 500 && loop.posted < 2; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(loop.posted, 2);
  ASSERT_TRUE(control.ClosePort());
  ASSERT_TRUE(control.OpenPort());
  loop.inner.ProcessPending();
  EXPECT_EQ(acks, 0);
  EXPECT_EQ(writes, 0);
  EXPECT_EQ(control.State(), FEFP_S_Idle);
}

TEST(DgiControlLifetime, DestroyingAnOpenBusyControlStopsItsWorker) {
  platform::TQueueLoop loop;
  TEmulator printer(TLine::Dgi);
  printer.QueueDgiReply(Silent());
  bool closed = false;
  {
    TFPAuxControl control(loop);
    platform::TPortMap ports;
    ports.com[0] = printer.DevicePath();
    control.SetPortMap(ports);
    control.OnClose = [&](TFPAuxControl&) { closed = true; };
    ASSERT_TRUE(control.OpenPort());
    ASSERT_TRUE(control.SendData("D"));
    ASSERT_TRUE(printer.WaitForFrames(1, 5000));
  }
  loop.ProcessPending();
  EXPECT_FALSE(closed);  // no event on destruction
}

}  // namespace
}  // namespace quorvel::dgi
