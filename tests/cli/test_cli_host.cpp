// SPDX-License-Identifier: MIT
// Runs the real quorvel-cli host against the printer emulator on a pseudo-terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "clirun.h"
#include "platform/ptypair.h"
#include "emulator/wire.h"

namespace {

using quorvel::clitest::TCliRun;
using quorvel::emulator::THostProtocol;
using quorvel::emulator::THostReply;
using quorvel::emulator::TEmulator;
using quorvel::emulator::TLine;
using quorvel::emulator::wire::HexBytes;

class CliHost : public quorvel::clitest::TCliTest {
 protected:
  void SetUp() override {
    TCliTest::SetUp();
    if (HasFatalFailure()) return;
    emulator = &StartEmulator(TLine::Host, "host");
  }

  TCliRun Run(std::vector<std::string> args) const {
    args.insert(args.begin(), "host");
    return RunCli(std::move(args));
  }

  std::string Device() const { return InFolder("host"); }
  // The "write" line of the command frame the printer received.
  std::string WriteLine(std::size_t index = 0) const {
    const auto frames = emulator->ReceivedFrames();
    return frames.size() > index ? "write " + HexBytes(frames[index]) : "(no frame)";
  }

  TEmulator* emulator = nullptr;
};

TEST_F(CliHost, HealthyAnswerWithEscapedField) {
  const TCliRun run = Run({"--device", Device(), "--protocol", "compatible", "A", "x'41'BC"});
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 6u) << run.err;
  EXPECT_EQ(run.lines[0], WriteLine());
  EXPECT_EQ(run.lines[1], "ack");
  EXPECT_TRUE(run.lines[2].starts_with("read 02 ")) << run.lines[2];
  EXPECT_EQ(run.lines[3], "write 06");
  EXPECT_EQ(run.lines[4], "final printer=0000 fiscal=0000 return=0000");
  EXPECT_EQ(run.lines[5], "field 1 41");
  EXPECT_EQ(emulator->ReceivedFrames()[0].substr(2, 5), "A\x1C" "ABC");
}

TEST_F(CliHost, ExtendedAnswerWithStatusWordsBusyReportsAndFields) {
  emulator->SetHostProtocol(THostProtocol::Extended);
  THostReply reply;
  reply.busyReports = 2;
  reply.busyIntervalMs = 20;
  reply.printerStatus = 0x1234;
  reply.fiscalStatus = 0x8001;
  reply.returnCode = 0x00FF;
  reply.fields = std::vector<std::string>{"x", "", std::string("\x1C\x00", 2)};
  emulator->QueueHostReply(reply);
  const TCliRun run = Run({"--device", Device(), "--baud", "115200", "--protocol", "extended", "CMD"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> tail(run.lines.begin() + std::min<std::ptrdiff_t>(2, run.lines.size()), run.lines.end());
  ASSERT_GE(run.lines.size(), 2u);
  EXPECT_EQ(run.lines[0], WriteLine());
  EXPECT_EQ(run.lines[1], "ack");
  ASSERT_EQ(tail.size(), 8u);
  EXPECT_EQ(tail[0], "busy");
  EXPECT_EQ(tail[1], "busy");
  EXPECT_TRUE(tail[2].starts_with("read 02 ")) << tail[2];
  EXPECT_EQ(tail[3], "write 06");
  EXPECT_EQ(tail[4], "final printer=1234 fiscal=8001 return=00FF");
  EXPECT_EQ(tail[5], "field 1 78");
  EXPECT_EQ(tail[6], "field 2");
  EXPECT_EQ(tail[7], "field 3 1C 00");
}

TEST_F(CliHost, ErrorEventsExitWithOne) {
  THostReply nak;
  nak.nak = true;
  emulator->QueueHostReply(nak);
  const TCliRun run = Run({"--device", Device(), "N"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lines, (std::vector<std::string>{WriteLine(), "nack", "error EFP_E_NackReceived"}));
}

TEST_F(CliHost, RefusalsExitWithTwoAndNameTheError) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"--device", InFolder("missing"), "A"}, "cannot open " + InFolder("missing") + ": No such device\n"},
      {{"--device", Device(), "ok", "x'01'"}, "EFP_E_InvalidDataInField\n"},
      {{"--device", Device(), "--protocol", "extended", std::string(2049, 'z')}, "EFP_E_MaxDataLengthReached\n"},
  };
  for (const auto& c : cases) {
    const TCliRun run = Run(c.args);
    EXPECT_EQ(run.status, 2) << c.err;
    EXPECT_EQ(run.err, c.err);
    EXPECT_TRUE(run.lines.empty()) << run.lines.front();
  }
  EXPECT_TRUE(emulator->ReceivedFrames().empty());
}

TEST_F(CliHost, BadArgumentsAreRefusedBeforeAnythingIsSent) {
  const std::vector<std::vector<std::string>> cases = {
      {"A"},                                              // no device
      {"--device", Device()},                             // no field
      {"--device", Device(), "--baud", "300", "A"},       // unknown speed
      {"--device", Device(), "--protocol", "fast", "A"},  // unknown protocol
      {"--device", Device(), "--speed", "9600", "A"},     // unknown option
      {"--device", Device(), "x'4G'"},                    // escape that is not hexadecimal
      {"--device"},                                       // missing value
      {"--device", Device(), "--deadline", "-1", "A"},    // negative deadline
      {"--device", Device(), "--deadline", "soon", "A"},  // not a number
  };
  for (const auto& args : cases) {
    const TCliRun run = Run(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(run.lines.empty());
  }
  EXPECT_TRUE(emulator->ReceivedFrames().empty());
}

// A device path that names a terminal file must not get the command frame written into it.
TEST_F(CliHost, ATerminalFileIsNoPort) {
  const std::string file = InFolder("shop.qvl");
  const std::string content = "[General]\r\nProtocol=1\r\n";
  std::ofstream(file, std::ios::binary) << content;
  const TCliRun run = Run({"--device", file, "45"});
  EXPECT_EQ(run.status, 2);
  EXPECT_FALSE(run.err.empty());
  EXPECT_TRUE(run.lines.empty());
  EXPECT_EQ(quorvel::clitest::ReadFile(file), content);
}

// A printer that keeps an exchange alive forever (busy reports, answers with a bad
// checksum) would hold a script for ever: the deadline purges the exchange and ends it.
TEST_F(CliHost, DeadlineEndsAnExchangeThePrinterKeepsAlive) {
  THostReply busyForever;
  busyForever.busyReports = 100000;
  busyForever.busyIntervalMs = 100;
  THostReply badChecksumForever;
  badChecksumForever.badChecksums = 100000;
  for (const THostReply& reply : {busyForever, badChecksumForever}) {
    emulator->QueueHostReply(reply);
    const TCliRun run = Run({"--device", Device(), "--deadline", "1500", "K"});
    EXPECT_EQ(run.status, 1) << run.err;
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "error deadline");
    EXPECT_TRUE(run.StartingWith("final").empty());
  }
}

// Standard error tells a line that was closed from a printer that kept silent.
TEST_F(CliHost, HangUpIsToldFromSilence) {
  THostReply silent;
  silent.silent = true;
  emulator->QueueHostReply(silent);
  const TCliRun quiet = Run({"--device", Device(), "S"});
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.lines.back(), "error EFP_E_ReadTimeOut");
  EXPECT_EQ(quiet.err, "quorvel-cli: no answer from the printer\n");

  THostReply hangUp;
  hangUp.hangUpMidAnswer = true;
  emulator->QueueHostReply(hangUp);
  const TCliRun closed = Run({"--device", Device(), "H"});
  EXPECT_EQ(closed.status, 1);
  ASSERT_FALSE(closed.lines.empty());
  EXPECT_EQ(closed.lines.back(), "error EFP_E_ReadTimeOut");
  EXPECT_EQ(closed.err, "quorvel-cli: the line was closed\n");
}

}  // namespace

// A port the user may not open (not in the device's group) is refused with the
// system's reason in words, not with the control's error name.
TEST_F(CliHost, PortTheUserMayNotOpenIsRefusedWithTheReason) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run quorvel-cli as another user";
  quorvel::testing::TPtyPair pty;
  ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0600), 0);
  const std::vector<std::string> nobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  for (const char* command : {"host", "dgi"}) {
    const TCliRun run = RunCli({command, "--device", pty.SlavePath(), "A"}, {}, nobody);
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_EQ(run.err,
              "cannot open " + pty.SlavePath() + ": Permission denied: add the user to the dialout group\n")
        << command;
  }
}
