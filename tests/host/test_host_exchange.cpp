// SPDX-License-Identifier: MIT
// Whole exchanges against the printer emulator: the event orders, the answer
// parser's cases on a real line, Purge and ClosePort in the middle of an exchange,
// the property rules, open failures and the trace lines.
#include <gtest/gtest.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "common/mssince.h"
#include "host/hostbench.h"
#include "platform/helddevice.h"
#include "platform/ptypair.h"

using namespace quorvel;
using namespace quorvel::host;
using namespace std::chrono_literals;
using quorvel::testing::HexBytes;
using quorvel::testing::MsSince;
using quorvel::testing::THostBench;
using TEvents = std::vector<std::string>;

namespace {

emulator::THostReply Reply() { return {}; }

}  // namespace

TEST(HostEvents, OrdersOfTheMainCases) {
  struct Case {
    const char* name;
    emulator::THostReply reply;
    TEvents kinds;
  };
  auto busy = Reply();
  busy.busyReports = 2;
  busy.busyIntervalMs = 30;
  auto nak = Reply();
  nak.nak = true;
  auto silent = Reply();
  silent.silent = true;
  auto badChecksum = Reply();
  badChecksum.badChecksums = 2;
  auto noAck = Reply();
  noAck.ackFirst = false;
  const Case cases[] = {
      {"healthy", Reply(), {"write frame", "ack", "read", "write 06", "final"}},
      {"busy", busy, {"write frame", "ack", "busy", "busy", "read", "write 06", "final"}},
      {"nak", nak, {"write frame", "nack", "error EFP_E_NackReceived"}},
      {"silent", silent, {"write frame", "error EFP_E_ReadTimeOut"}},
      {"bad checksum twice", badChecksum,
       {"write frame", "ack", "write 15", "write 15", "read", "write 06", "final"}},
      {"answer without ACK", noAck, {"write frame", "read", "write 06", "final"}},
  };
  THostBench bench;
  ASSERT_TRUE(bench.Open());
  for (const auto& c : cases) {
    bench.emulator.QueueHostReply(c.reply);
    EXPECT_EQ(THostBench::Kinds(bench.Exchange({"cmd"})), c.kinds) << c.name;
    EXPECT_EQ(bench.control.State(), EFP_S_Idle) << c.name;
    bench.loop.RunUntil([] { return false; }, 50ms);  // nothing may trail the end
    EXPECT_EQ(bench.EndsSeen(), 1) << c.name;
  }
}

TEST(HostEvents, HealthyExchangeBytesAndState) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  bench.control.SetLastSequenceNumberForTests(0x2F);
  bool busyDuringFinal = false;
  bench.control.OnFinalAnswer = [&](TFPHostControl& sender) {
    busyDuringFinal = sender.State() == EFP_S_Busy;
    // A second command from inside the handler is refused: idle comes after it.
    EXPECT_FALSE(sender.SendCommand());
    EXPECT_EQ(sender.LastError(), EFP_E_OperationInProgress);
    bench.events.push_back("final");
  };
  ASSERT_TRUE(bench.control.AddDataField("E"));
  ASSERT_TRUE(bench.control.SendCommand());
  EXPECT_EQ(bench.control.State(), EFP_S_Busy);
  EXPECT_FALSE(bench.control.SendCommand());
  EXPECT_EQ(bench.control.LastError(), EFP_E_OperationInProgress);
  ASSERT_TRUE(bench.RunUntilEnds());
  EXPECT_TRUE(busyDuringFinal);
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
  EXPECT_EQ(bench.control.LastError(), EFP_E_OperationInProgress);  // from the refused call
  // Healthy printer: status words 0, the command echoed as the one extra field.
  const TEvents expected = {"write 02 30 45 03 30 30 37 41", "ack",
                            "read 02 30 45 1C 30 30 30 30 1C 30 30 30 30 1C 45 03 30 32 39 33", "write 06",
                            "final"};
  EXPECT_EQ(bench.events, expected);
  // The refused SendCommand in the handler cleared the extra fields, as every call does;
  // the status words stay.
  EXPECT_EQ(bench.control.ExtraFieldsCount(), 0);
  EXPECT_EQ(bench.control.PrinterStatus(), 0);
  ASSERT_TRUE(bench.WaitForAcks(1));
  EXPECT_EQ(HexBytes(bench.emulator.ReceivedBytes()), "02 30 45 03 30 30 37 41 06");
}

TEST(HostEvents, RealSilenceLimitEndsASilentExchange) {
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  ASSERT_TRUE(bench.Open());
  auto silent = Reply();
  silent.silent = true;
  bench.emulator.QueueHostReply(silent);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(THostBench::Kinds(bench.Exchange({"quiet"})), (TEvents{"write frame", "error EFP_E_ReadTimeOut"}));
  EXPECT_GE(MsSince(t0), 3500.0);
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
}

TEST(HostEvents, BusyReportsKeepTheExchangeAliveBeyondTheSilenceLimit) {
  THostBench bench(protocol_Extended, 600);
  ASSERT_TRUE(bench.Open());
  auto busy = Reply();
  busy.busyReports = 8;
  busy.busyIntervalMs = 300;  // 2.4 s in all, each gap well inside the limit
  bench.emulator.QueueHostReply(busy);
  const auto kinds = THostBench::Kinds(bench.Exchange({"long"}));
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "busy"), 8);
  EXPECT_EQ(kinds.back(), "final");
}

TEST(HostParserOnTheLine, IntermediateStaleExtraAndSlowAnswers) {
  THostBench bench(protocol_Extended);
  ASSERT_TRUE(bench.Open());

  auto intermediate = Reply();
  intermediate.intermediateFrames = 2;
  intermediate.fields = std::vector<std::string>{"right"};
  bench.emulator.QueueHostReply(intermediate);
  bench.emulator.ClearReceived();
  EXPECT_EQ(THostBench::Kinds(bench.Exchange({"i"})), (TEvents{"write frame", "ack", "busy", "busy", "read", "write 06", "final"}));
  EXPECT_EQ(bench.control.GetExtraField(1), "right");
  EXPECT_EQ(bench.control.ExtraFieldsCount(), 1);
  // Only the final answer was acknowledged.
  ASSERT_TRUE(bench.WaitForAcks(1));
  std::this_thread::sleep_for(50ms);
  const std::string received = bench.emulator.ReceivedBytes();
  EXPECT_EQ(std::count(received.begin(), received.end(), '\x06'), 1);

  auto stale = Reply();
  stale.staleAnswerFirst = true;
  stale.fields = std::vector<std::string>{"right"};
  bench.emulator.QueueHostReply(stale);
  bench.emulator.ClearReceived();
  EXPECT_EQ(THostBench::Kinds(bench.Exchange({"s"})), (TEvents{"write frame", "ack", "read", "write 06", "final"}));
  EXPECT_EQ(bench.control.GetExtraField(1), "right");
  ASSERT_TRUE(bench.WaitForAcks(2));
  const std::string acks = bench.emulator.ReceivedBytes();
  EXPECT_EQ(std::count(acks.begin(), acks.end(), '\x06'), 2);  // the stale answer is acknowledged too

  auto extra = Reply();
  extra.extraAfter = "\x15\x12\x06";  // would be NAK, busy and ACK if parsed
  bench.emulator.QueueHostReply(extra);
  const auto events = bench.Exchange({"x"});
  EXPECT_EQ(THostBench::Kinds(events), (TEvents{"write frame", "ack", "read", "write 06", "final"}));
  EXPECT_TRUE(events[2].ends_with(" 15 12 06")) << events[2];  // OnRead carries what came with the answer

  auto slow = Reply();
  slow.byteDelayMs = 15;  // every byte its own burst
  bench.emulator.QueueHostReply(slow);
  EXPECT_EQ(THostBench::Kinds(bench.Exchange({"slow"})), (TEvents{"write frame", "ack", "read", "write 06", "final"}));
  EXPECT_EQ(bench.control.GetExtraField(1), "slow");
}

TEST(HostParserOnTheLine, AnAnswerLongerThanTheReceiveBufferEndsCleanly) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  auto huge = Reply();
  huge.fields = std::vector<std::string>{std::string(9000, 'h')};
  bench.emulator.QueueHostReply(huge);
  EXPECT_EQ(THostBench::Kinds(bench.Exchange({"big"})), (TEvents{"write frame", "ack", "error EFP_E_ReadTimeOut"}));
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
  EXPECT_EQ(bench.Exchange({"after"}).back(), "final");
  EXPECT_EQ(bench.control.GetExtraField(1), "after");
}

TEST(HostParserOnTheLine, HangUpMidAnswerIsAReadFailureThenWritesFail) {
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  ASSERT_TRUE(bench.Open());
  auto hangUp = Reply();
  hangUp.hangUpMidAnswer = true;
  bench.emulator.QueueHostReply(hangUp);
  const auto t0 = std::chrono::steady_clock::now();
  const auto kinds = THostBench::Kinds(bench.Exchange({"cut"}));
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds.back(), "error EFP_E_ReadTimeOut");
  EXPECT_LT(MsSince(t0), 3000.0) << "a hang-up must end the exchange, not the silence limit";
  EXPECT_EQ(bench.Exchange({"again"}), (TEvents{"error EFP_E_WriteError"}));
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
  EXPECT_TRUE(bench.control.ClosePort());
}

TEST(HostPurge, DuringAnExchangeIdleAtOnceThenOneError) {
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  ASSERT_TRUE(bench.Open());
  ASSERT_TRUE(bench.SendUnanswered({"long"}));
  const auto t0 = std::chrono::steady_clock::now();
  bench.control.Purge();
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
  EXPECT_EQ(bench.control.LastError(), EFP_Success);
  ASSERT_TRUE(bench.RunUntilEnds());
  EXPECT_LT(MsSince(t0), 3000.0) << "Purge must wake the worker, not wait out the silence";
  EXPECT_EQ(THostBench::Kinds(bench.events), (TEvents{"write frame", "error EFP_E_ReadTimeOut"}));
  bench.loop.RunUntil([] { return false; }, 100ms);
  EXPECT_EQ(bench.EndsSeen(), 1);
  // The next command is carried out normally.
  EXPECT_EQ(bench.Exchange({"next"}).back(), "final");
}

TEST(HostPurge, ACommandSentRightAfterPurgeIsCarriedOutAndStaysBusy) {
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  ASSERT_TRUE(bench.Open());
  ASSERT_TRUE(bench.SendUnanswered({"first"}));
  std::vector<TFiscalState> stateAtError;
  bench.control.OnError = [&](TFPHostControl& sender) {
    stateAtError.push_back(sender.State());
    bench.events.push_back(std::string("error ") + ErrorName(sender.LastError()));
  };
  bench.control.Purge();
  ASSERT_TRUE(bench.Send({"second"}));  // before the worker has noticed the abort
  ASSERT_TRUE(bench.loop.RunUntil([&] { return !bench.events.empty() && bench.events.back() == "final"; }, 10s));
  EXPECT_EQ(THostBench::Kinds(bench.events),
            (TEvents{"write frame", "error EFP_E_ReadTimeOut", "write frame", "ack", "read", "write 06", "final"}));
  // The abandoned exchange's error did not mark the newer command idle.
  EXPECT_EQ(stateAtError, std::vector<TFiscalState>{EFP_S_Busy});
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
  EXPECT_EQ(bench.control.GetExtraField(1), "second");
  const auto frames = bench.emulator.ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_NE(frames[1].find("second"), std::string::npos);
}

TEST(HostPurge, AnswerOfAnAbandonedCommandHandledLateIsNotTakenForTheNewerOne) {
  // The first command's answer is on the queue, unhandled, when the caller purges
  // and sends the next one, which the printer answers before the queue is run.
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  ASSERT_TRUE(bench.Open());
  ASSERT_TRUE(bench.Send({"first"}));
  ASSERT_TRUE(bench.WaitForAcks(1));
  std::this_thread::sleep_for(100ms);
  bench.control.Purge();
  ASSERT_TRUE(bench.Send({"second"}));
  ASSERT_TRUE(bench.WaitForAcks(2));
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(bench.RunUntilEnds(1));
  bench.loop.RunUntil([] { return false; }, 200ms);
  // Each frame is logged as it was on the line; one final answer, the newer command's.
  const std::string first = bench.emulator.ReceivedFrames().at(0), second = bench.emulator.ReceivedFrames().at(1);
  ASSERT_EQ(bench.events.size(), 9u);
  EXPECT_EQ(bench.events[0], "write " + HexBytes(first));
  EXPECT_EQ(bench.events[4], "write " + HexBytes(second));
  EXPECT_NE(bench.events[2], bench.events[6]);  // each read frame echoes its own command
  EXPECT_EQ(THostBench::Kinds(bench.events),
            (TEvents{"write frame", "ack", "read", "write 06", "write frame", "ack", "read", "write 06", "final"}));
  EXPECT_EQ(bench.control.GetExtraField(1), "second");
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
}

TEST(HostPurge, OnUsbPurgeAlsoWakesTheWorkerAtOnce) {
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  platform::TPortMap map;
  map.usb = bench.emulator.DevicePath();
  bench.control.SetPortMap(map);
  bench.control.SetCommPort(USB);
  ASSERT_TRUE(bench.Open());
  EXPECT_EQ(bench.Exchange({"usb"}).back(), "final");
  ASSERT_TRUE(bench.SendUnanswered({"hold"}));
  const auto t0 = std::chrono::steady_clock::now();
  bench.control.Purge();
  ASSERT_TRUE(bench.RunUntilEnds());
  EXPECT_LT(MsSince(t0), 3000.0);
  EXPECT_EQ(bench.Exchange({"after"}).back(), "final");
}

TEST(HostPurge, OnAClosedControlOnlyClearsTheAssembly) {
  platform::TQueueLoop loop;
  TFPHostControl control(loop);
  EXPECT_TRUE(control.AddDataField("abc"));
  EXPECT_FALSE(control.AddDataField("\x01"));
  control.Purge();
  EXPECT_EQ(control.LastError(), EFP_Success);
  EXPECT_EQ(control.State(), EFP_S_Close);
  EXPECT_FALSE(control.SendCommand());
  EXPECT_EQ(control.LastError(), EFP_E_ComClose);
}

TEST(HostClose, DuringAnExchangeFiresNoError) {
  THostBench bench(protocol_Compatible, kSilenceLimitMs);
  ASSERT_TRUE(bench.Open());
  ASSERT_TRUE(bench.SendUnanswered({"x"}));
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(bench.control.ClosePort());
  EXPECT_LT(MsSince(t0), 3000.0) << "ClosePort must stop the worker at once";
  EXPECT_EQ(bench.control.State(), EFP_S_Close);
  bench.loop.RunUntil([] { return false; }, 200ms);
  EXPECT_EQ(THostBench::Kinds(bench.events), (TEvents{"write frame", "close"}));
  ASSERT_TRUE(bench.Open());
  const auto reopened = bench.Exchange({"reopened"});
  EXPECT_EQ(reopened.back(), "final") << ::testing::PrintToString(reopened) << " frames "
                                      << ::testing::PrintToString(bench.emulator.ReceivedFrames()) << " bytes "
                                      << HexBytes(bench.emulator.ReceivedBytes());
}

TEST(HostClose, NotificationsOfAReplacedWorkerAreIgnored) {
  THostBench bench;
  ASSERT_TRUE(bench.Open());
  ASSERT_TRUE(bench.Send({"old"}));
  ASSERT_TRUE(bench.emulator.WaitForFrames(1, 5000));
  std::this_thread::sleep_for(300ms);  // the old worker posts its notifications meanwhile
  EXPECT_TRUE(bench.control.ClosePort());
  ASSERT_TRUE(bench.Open());  // clears the events
  bench.loop.RunUntil([] { return false; }, 200ms);
  EXPECT_TRUE(bench.events.empty()) << bench.events.front();
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
}

TEST(HostClose, DestroyingABusyControlFiresNothing) {
  platform::TQueueLoop loop;
  emulator::TEmulator emulator(emulator::TLine::Host);
  auto silent = Reply();
  silent.silent = true;
  emulator.SetDefaultHostReply(silent);
  int events = 0;
  {
    TFPHostControl control(loop);
    platform::TPortMap map;
    map.com[0] = emulator.DevicePath();
    control.SetPortMap(map);
    ASSERT_TRUE(control.OpenPort());
    control.OnError = control.OnClose = [&](TFPHostControl&) { ++events; };
    control.OnWrite = [&](TFPHostControl&, const std::string&) { ++events; };
    ASSERT_TRUE(control.AddDataField("x"));
    ASSERT_TRUE(control.SendCommand());
    ASSERT_TRUE(emulator.WaitForFrames(1, 5000));
  }
  loop.ProcessPending();
  EXPECT_EQ(events, 0);
}

TEST(HostProperties, ConstructionValuesAndAssignmentRules) {
  THostBench bench;
  TFPHostControl& control = bench.control;
  EXPECT_EQ(control.State(), EFP_S_Close);
  EXPECT_EQ(control.CommPort(), Com1);
  EXPECT_EQ(control.BaudRate(), br1200);
  EXPECT_EQ(control.ProtocolType(), protocol_Compatible);
  EXPECT_EQ(control.LastError(), EFP_Success);
  EXPECT_EQ(control.ExtraFieldsCount(), 0);
  EXPECT_EQ(control.PrinterStatus(), 0);

  EXPECT_FALSE(control.ClosePort());
  EXPECT_EQ(control.LastError(), EFP_E_ComAlreadyClose);
  EXPECT_TRUE(bench.events.empty());

  ASSERT_TRUE(control.OpenPort());
  EXPECT_EQ(bench.events, TEvents{"open"});
  EXPECT_FALSE(control.OpenPort());
  EXPECT_EQ(control.LastError(), EFP_E_ComAlreadyOpen);
  EXPECT_EQ(bench.events, TEvents{"open"});

  control.SetCommPort(Com2);
  control.SetBaudRate(br115200);
  EXPECT_EQ(control.CommPort(), Com1);
  EXPECT_EQ(control.BaudRate(), br1200);

  // Protocol: taken while idle (re-seeded into the new range), ignored while busy.
  control.SetProtocol(protocol_Extended);
  EXPECT_EQ(control.ProtocolType(), protocol_Extended);
  bench.emulator.SetHostProtocol(emulator::THostProtocol::Extended);
  auto slow = Reply();
  slow.busyReports = 1;
  slow.busyIntervalMs = 200;
  bench.emulator.QueueHostReply(slow);
  bench.events.clear();
  ASSERT_TRUE(bench.Send({"p"}));
  control.SetProtocol(protocol_Compatible);
  EXPECT_EQ(control.ProtocolType(), protocol_Extended);
  ASSERT_TRUE(bench.RunUntilEnds());
  EXPECT_EQ(bench.events.back(), "final");
  ASSERT_TRUE(bench.emulator.WaitForFrames(1, 1000));
  EXPECT_GE(static_cast<std::uint8_t>(bench.emulator.ReceivedFrames()[0][1]), 0x81);

  EXPECT_TRUE(control.ClosePort());
  EXPECT_EQ(control.LastError(), EFP_Success);
  control.SetCommPort(Com2);
  control.SetBaudRate(br115200);
  EXPECT_EQ(control.CommPort(), Com2);
  EXPECT_EQ(control.BaudRate(), br115200);
}

TEST(HostOpen, MissingDeviceHeldDeviceAndNoUsbDevice) {
  THostBench bench;
  platform::TPortMap map;
  map.com[0] = "/dev/quorvel-missing";
  map.com[1] = bench.emulator.DevicePath();
  map.usb = "/dev/quorvel-missing-lp0";
  bench.control.SetPortMap(map);
  EXPECT_FALSE(bench.control.OpenPort());
  EXPECT_EQ(bench.control.LastError(), EFP_E_InvalidCom);
  EXPECT_EQ(bench.control.LastSystemError(), ENOENT);
  bench.control.SetCommPort(USB);
  EXPECT_FALSE(bench.control.OpenPort());
  EXPECT_EQ(bench.control.LastError(), EFP_E_InvalidCom);
  EXPECT_EQ(bench.control.LastSystemError(), ENOENT);

  // Another process holds Com2.
  quorvel::testing::THeldDevice holder(map.com[1]);
  ASSERT_TRUE(holder.Held());
  bench.control.SetCommPort(Com2);
  EXPECT_FALSE(bench.control.OpenPort());
  EXPECT_EQ(bench.control.LastError(), EFP_E_ComInUse);
  EXPECT_EQ(bench.control.LastSystemError(), EBUSY);
  EXPECT_EQ(bench.control.State(), EFP_S_Close);
  holder.Release();
  EXPECT_TRUE(bench.control.OpenPort());
  EXPECT_EQ(bench.control.LastSystemError(), 0);
  EXPECT_TRUE(bench.events == TEvents{"open"});
  // A refusal of the control's own carries no system reason.
  EXPECT_FALSE(bench.control.OpenPort());
  EXPECT_EQ(bench.control.LastError(), EFP_E_ComAlreadyOpen);
  EXPECT_EQ(bench.control.LastSystemError(), 0);
}

// The texts of the trace lines, without their "file line:" part.
std::vector<std::string> TraceTexts(const THostBench& bench) {
  std::vector<std::string> texts;
  for (const auto& line : bench.trace.Lines()) {
    const auto colon = line.find(':');
    texts.push_back(colon == std::string::npos ? line : line.substr(colon + 1));
  }
  return texts;
}

// Whether `wanted` stands in `texts` in this order (other lines may come between).
bool InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& wanted) {
  std::size_t at = 0;
  for (const auto& t : texts)
    if (at < wanted.size() && t == wanted[at]) ++at;
  return at == wanted.size();
}

TEST(HostTrace, LinesOfOneExchangeInOrder) {
  THostBench bench;
  ASSERT_TRUE(bench.Open());
  bench.trace.Clear();
  ASSERT_EQ(bench.Exchange({"t"}).back(), "final");
  for (const auto& line : bench.trace.Lines()) {
    const std::string where = line.substr(0, line.find(':'));
    EXPECT_NE(where.find(".cpp "), std::string::npos) << line;
    EXPECT_EQ(where.find('/'), std::string::npos) << line;
  }
  const std::vector<std::string> texts = TraceTexts(bench);
  auto inOrder = [&](const std::vector<std::string>& wanted) { return InOrder(texts, wanted); };
  EXPECT_TRUE(inOrder({"Execute: Start of Signal Event", "Execute: Cmd in progress start", "SendFrame: WM_COMM_WRITE",
                       "Execute: Send Frame ok", "ParseInputFrame: WM_COMM_ACK", "WaitAnswer: WM_COMM_READ",
                       "WaitAnswer: WM_COMM_WRITE_ACK", "Execute: WM_COMM_FINAL_ANSWER",
                       "Execute: End of Signal Event"}));
  EXPECT_TRUE(inOrder({"SendCmd: EFP_S_Busy", "WndProc: WM_COMM_WRITE", "WndProc: WM_COMM_AK", "WndProc: WM_COMM_READ",
                       "WndProc: WM_COMM_WRITE_ACK", "WndProc: WM_COMM_FINAL_ANSWER", "WndProc: EFP_S_Idle"}));
}

TEST(HostTrace, LinesOfEachKindOfExchange) {
  // The worker's line and the control's line for what each kind of answer brings.
  struct Case {
    const char* name;
    emulator::THostReply reply;
    std::vector<std::string> worker;
    std::vector<std::string> control;
  };
  auto reply = [](auto change) {
    auto r = Reply();
    change(r);
    return r;
  };
  const Case cases[] = {
      {"nak", reply([](auto& r) { r.nak = true; }),
       {"ParseInputFrame: WM_COMM_NACK", "Execute: WM_COMM_READ_ERROR"},
       {"WndProc: WM_COMM_NACK", "WndProc: WM_COMM_READ_ERROR"}},
      {"busy", reply([](auto& r) { r.busyReports = 1; }),
       {"ParseInputFrame: WM_COMM_INT_ANSWER", "Execute: WM_COMM_FINAL_ANSWER"},
       {"WndProc: WM_COMM_INT_ANSWER", "WndProc: WM_COMM_FINAL_ANSWER", "WndProc: EFP_S_Idle"}},
      {"bad checksum", reply([](auto& r) { r.badChecksums = 1; }),
       {"ParseInputFrame: WM_COMM_WRITE_NACK", "Execute: WM_COMM_FINAL_ANSWER"},
       {"WndProc: WM_COMM_WRITE_NACK", "WndProc: WM_COMM_FINAL_ANSWER"}},
      {"silent", reply([](auto& r) { r.silent = true; }),
       {"Execute: WM_COMM_READ_ERROR", "Execute: End of Signal Event"},
       {"WndProc: WM_COMM_READ_ERROR"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    THostBench bench;
    ASSERT_TRUE(bench.Open());
    bench.emulator.QueueHostReply(c.reply);
    bench.trace.Clear();
    bench.Exchange({"t"});
    const std::vector<std::string> texts = TraceTexts(bench);
    EXPECT_TRUE(InOrder(texts, c.worker));
    EXPECT_TRUE(InOrder(texts, c.control));
  }
}

TEST(HostClose, HandlersMayCloseThePortInTheMiddleOfTheEvents) {
  struct Case {
    const char* when;
    void (*arm)(TFPHostControl&);
  } cases[] = {
      {"OnWrite", [](TFPHostControl& c) { c.OnWrite = [](TFPHostControl& s, const std::string&) { s.ClosePort(); }; }},
      {"OnRead", [](TFPHostControl& c) { c.OnRead = [](TFPHostControl& s, const std::string&) { s.ClosePort(); }; }},
      {"OnFinalAnswer", [](TFPHostControl& c) { c.OnFinalAnswer = [](TFPHostControl& s) { s.ClosePort(); }; }},
  };
  for (const auto& c : cases) {
    THostBench bench;
    ASSERT_TRUE(bench.Open());
    c.arm(bench.control);
    ASSERT_TRUE(bench.Send({"c"}));
    bench.loop.RunUntil([&] { return bench.control.State() == EFP_S_Close; }, 5s);
    bench.loop.RunUntil([] { return false; }, 100ms);
    EXPECT_EQ(bench.control.State(), EFP_S_Close) << c.when;
    EXPECT_EQ(bench.EndsSeen(), 0) << c.when;  // the rest of the exchange is dropped
    ASSERT_TRUE(bench.Open()) << c.when;
    bench.control.OnWrite = nullptr;
    bench.control.OnRead = nullptr;
    bench.control.OnFinalAnswer = [&](TFPHostControl&) { bench.events.push_back("final"); };
    EXPECT_EQ(bench.Exchange({"again"}).back(), "final") << c.when;
  }
}

TEST(HostWrite, AFrameThatCannotBeWrittenInTimeIsAWriteError) {
  // Nobody reads this line, and its output queue is already full.
  quorvel::testing::TPtyPair line;
  ASSERT_EQ(::fcntl(line.Slave(), F_SETFL, O_NONBLOCK), 0);
  const std::string block(512, 'f');
  for (bool wrote = true; wrote;) {  // until the kernel has nowhere left to move bytes to
    wrote = false;
    while (::write(line.Slave(), block.data(), block.size()) > 0) wrote = true;
    std::this_thread::sleep_for(50ms);
  }
  platform::TQueueLoop loop;
  TFPHostControl control(loop);
  platform::TPortMap map;
  map.com[0] = line.SlavePath();
  control.SetPortMap(map);
  control.SetBaudRate(br1200);  // 100 bytes may take 25 ms each + 1500 ms = 4000 ms
  ASSERT_TRUE(control.OpenPort());
  TEvents events;
  control.OnWrite = [&](TFPHostControl&, const std::string& v) { events.push_back("write " + HexBytes(v)); };
  control.OnError = [&](TFPHostControl& s) { events.push_back(std::string("error ") + ErrorName(s.LastError())); };
  ASSERT_TRUE(control.AddDataField(std::string(93, 'w')));  // + STX, SEQ, ETX, checksum = 100 bytes
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(control.SendCommand());
  ASSERT_TRUE(loop.RunUntil([&] { return !events.empty(); }, 20s));
  EXPECT_GE(MsSince(t0), 4000.0);
  EXPECT_EQ(events, TEvents{"error EFP_E_WriteError"});
  EXPECT_EQ(control.State(), EFP_S_Idle);
}

TEST(HostPurge, PurgeAtAnyMomentNeverLosesTheNextCommandNorLeavesItBusy) {
  THostBench bench;
  ASSERT_TRUE(bench.Open());
  auto busy = Reply();
  busy.busyReports = 1;
  busy.busyIntervalMs = 5;
  bench.emulator.SetDefaultHostReply(busy);
  for (int i = 0; i < 40; ++i) {
    const std::string second = "second" + std::to_string(i);
    ASSERT_TRUE(bench.Send({"first"}));
    std::this_thread::sleep_for(std::chrono::microseconds(500 * (i % 20)));  // anywhere in the exchange
    bench.loop.ProcessPending();
    bench.control.Purge();
    bench.events.clear();
    ASSERT_TRUE(bench.Send({second})) << i;
    ASSERT_TRUE(bench.loop.RunUntil([&] { return bench.control.State() == EFP_S_Idle; }, 10s)) << i;
    EXPECT_EQ(bench.events.back(), "final") << i << ::testing::PrintToString(bench.events);
    EXPECT_EQ(bench.control.GetExtraField(1), second) << i;
    bench.loop.RunUntil([] { return false; }, 20ms);
    EXPECT_EQ(bench.control.State(), EFP_S_Idle) << i;
  }
}

TEST(HostOpen, ATerminalNamedAsTheUsbDeviceIsStillMadeRaw) {
  quorvel::testing::TPtyPair line;
  termios cooked{};
  cooked.c_lflag = ICANON | ECHO;
  cooked.c_oflag = OPOST | ONLCR;
  cooked.c_cflag = CS8 | CREAD;
  ASSERT_EQ(::tcsetattr(line.Slave(), TCSANOW, &cooked), 0);
  platform::TQueueLoop loop;
  TFPHostControl control(loop);
  platform::TPortMap map;
  map.usb = line.SlavePath();
  control.SetPortMap(map);
  control.SetCommPort(USB);
  ASSERT_TRUE(control.OpenPort());
  termios now{};
  ASSERT_EQ(::tcgetattr(line.Slave(), &now), 0);
  EXPECT_EQ(now.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(now.c_oflag & OPOST, 0u);
}
