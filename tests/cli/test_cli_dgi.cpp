// SPDX-License-Identifier: MIT
// Runs the real quorvel-cli dgi against the printer emulator on a pseudo-terminal.
#include <string>
#include <vector>

#include "clirun.h"
#include "dgi/fpauxcontrol.h"
#include "platform/queueloop.h"

namespace {

using quorvel::clitest::TCliRun;
using quorvel::emulator::TDgiReply;
using quorvel::emulator::TEmulator;
using quorvel::emulator::TLine;

class CliDgi : public quorvel::clitest::TCliTest {
 protected:
  void SetUp() override {
    TCliTest::SetUp();
    if (HasFatalFailure()) return;
    printer = &StartEmulator(TLine::Dgi, "dgi");

    TDgiReply frames;
    frames.ackOnly = false;
    frames.frames = {"0005AB", "0001CD"};
    printer->SetDgiReplyFor("0001", frames);
    TDgiReply nak;
    nak.nak = true;
    printer->SetDgiReplyFor("N", nak);
    TDgiReply silent;
    silent.silent = true;
    printer->SetDgiReplyFor("S", silent);
  }

  TCliRun Run(std::vector<std::string> args) const {
    args.insert(args.begin(), "dgi");
    return RunCli(std::move(args));
  }

  TEmulator* printer = nullptr;
};

TEST_F(CliDgi, OneLinePerEventAndTheExitStatus) {
  struct TCase {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err = "";
  };
  const std::string device = printer->DevicePath();
  const std::vector<TCase> cases = {
      {{"--device", device, "x'05'"}, 0, "write 05\nack\n"},
      {{"--device", device, ""}, 0, "write 02 03 FB\nack\n"},
      {{"--device", device, "x'3030'01"}, 0,
       "write 02 30 30 30 31 03 3A\n"
       "read 02 30 30 30 35 41 42 03 B3\nanswer intermediate 30 30 30 35 41 42\nwrite 06\n"
       "read 02 30 30 30 31 43 44 03 B3\nanswer final 30 30 30 31 43 44\nwrite 06\n"},
      {{"--timeout", "300", "--device", device, "N"}, 1, "write 02 4E 03 AD\nnack\nerror FEFP_E_NackReceived\n"},
      {{"--device", device, "--timeout", "300", "S"}, 1, "write 02 53 03 A8\nerror FEFP_E_ReadTimeOut\n",
       "quorvel-cli: no answer from the printer\n"},
  };
  for (const auto& c : cases) {
    const TCliRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.args.back();
    EXPECT_EQ(run.out, c.out) << c.args.back();
    EXPECT_EQ(run.err, c.err) << c.args.back();
  }
  // The printer received the final ACK before the command line closed the port.
  EXPECT_NE(printer->ReceivedBytes().find(std::string("\x02" "0001\x03\x3A\x06\x06", 9)), std::string::npos);
}

TEST_F(CliDgi, PortThatCannotBeOpenedOrCommandRefused) {
  const TCliRun missing = Run({"--device", InFolder("no-such-port"), "0001"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "cannot open " + InFolder("no-such-port") + ": No such device\n");

  const TCliRun tooLong = Run({"--device", printer->DevicePath(), std::string(257, 'A')});
  EXPECT_EQ(tooLong.status, 2);
  EXPECT_EQ(tooLong.out, "");
  EXPECT_EQ(tooLong.err, "FEFP_E_MaxDataLengthReached\n");

  // Held by a control of this process.
  quorvel::platform::TQueueLoop loop;
  quorvel::dgi::TFPAuxControl holder(loop);
  quorvel::platform::TPortMap ports;
  ports.com[0] = printer->DevicePath();
  holder.SetPortMap(ports);
  ASSERT_TRUE(holder.OpenPort());
  const TCliRun inUse = Run({"--device", printer->DevicePath(), "0001"});
  EXPECT_EQ(inUse.status, 2);
  EXPECT_EQ(inUse.err, "cannot open " + printer->DevicePath() +
                           ": Device or resource busy: another program holds the port\n");
  ASSERT_TRUE(holder.ClosePort());

  EXPECT_TRUE(printer->ReceivedFrames().empty());
}

TEST_F(CliDgi, BadArgumentsAreRefusedWithStatus2) {
  const std::string device = printer->DevicePath();
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"0001"},
      {"--device", device},
      {"--device", device, "A", "B"},
      {"--device", device, "--timeout", "soon", "A"},
      {"--device", device, "--timeout", "-5", "A"},
      {"--device", device, "--speed", "9600", "A"},
      {"--device", device, "x'4G'"},
  };
  for (const auto& args : cases) {
    const TCliRun run = Run(args);
    EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(run.out, "") << testing::PrintToString(args);
    EXPECT_NE(run.err, "") << testing::PrintToString(args);
  }
  EXPECT_TRUE(printer->ReceivedFrames().empty());
}

// With no answer time-out a silent printer would be waited for without end; a
// script's deadline ends the wait.
TEST_F(CliDgi, DeadlineEndsAWaitWithoutTimeOut) {
  const TCliRun run = Run({"--device", printer->DevicePath(), "--timeout", "0", "--deadline", "800", "S"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "write 02 53 03 A8\nerror deadline\n");
  EXPECT_EQ(Run({"--device", printer->DevicePath(), "--deadline", "x", "S"}).status, 2);
}

}  // namespace
