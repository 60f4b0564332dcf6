// SPDX-License-Identifier: MIT
// Runs the real quorvel-cli send with a terminal file in a temporary folder against
// the printer emulator on pseudo-terminals.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "clirun.h"
#include "common/hostframe.h"

namespace {

namespace fs = std::filesystem;
using quorvel::clitest::TCliRun;
using quorvel::emulator::TDgiReply;
using quorvel::emulator::TEmulator;
using quorvel::emulator::THostProtocol;
using quorvel::emulator::THostReply;
using quorvel::emulator::TLine;
using quorvel::testing::HostFrameFields;

// A terminal file written for these tests: Sales/Amount (Currency and an escaped
// AlphaNumeric field), Sales/Ticket (autoincrement), Sales/Dated (a date control),
// Fiscal/Join (a DGI command of two fields), Fiscal/Alive (ENQ).
std::string TerminalFile(int protocol) {
  const std::vector<std::string> lines = {
      "[General]", "Protocol=" + std::to_string(protocol), "InputDateFormat=0", "OutputDateFormat=1",
      "[Return codes]", "RC33=Command invalid",
      "[FiscalAnswer]",
      "Record1=1,1,0200,0200,\"Memory full\",clRed",
      "Record2=2,1,0400,0400,\"Memory almost full\",clGreen",
      "Record3=3,3,0000,0001,\"Never\",clRed",
      "[PrinterAnswer]", "Record1=1,2,0000,0000,\"Always\",clBlue",
      "[Groups]", "Sales=", "Fiscal=",
      "[Sales]", "Amount=", "Ticket=", "Dated=", "Pick=",
      "[SalesAmount]",
      "Commands=0,\"Cmd\",\"\",0,\"A\",0,0,0,0,0,0,0,0,\"&Amount\",\"\",2,\"12,5\",0,0,1,0,10,2,0,"
      "0,\"Text\",\"\",0,\"x'1B'A\",0,0,0,0,0,0,0",
      "Answers=\"&Total\",2,2,\"Count\",4,0",
      "[SalesTicket]",
      "Commands=0,\"Cmd\",\"\",0,\"T\",0,0,0,0,0,0,0,0,\"Number\",\"\",0,\"TKT\",0,0,0,0,0,0,1",
      "Answers=",
      "[SalesDated]",
      "Commands=0,\"Cmd\",\"\",0,\"D\",0,0,0,0,0,0,0,0,\"Day\",\"\",8,\"\",3,0,0,0,0,0,0",
      "[SalesPick]",
      "Commands=0,\"Cmd\",\"\",0,\"P\",0,0,0,0,0,0,0,0,\"Kind\",\"\",3,\"\",2,0,0,0,0,0,0,"
      "0,\"Code\",\"\",1,\"\",1,4,0,0,0,0,0,0,\"Fixed\",\"\",0,\"RO\",0,0,0,1,0,0,0",
      "CL2=\"1,22\"", "CL3=\"ab,CD\"",
      "[Fiscal]", "Join=", "Alive=",
      "[FiscalJoin]", "Commands=1,\"A\",\"\",1,\"AB\",0,0,0,0,0,0,0,1,\"B\",\"\",3,\"12\",0,0,0,0,0,0,0",
      "[FiscalAlive]", "Commands=1,\"Enq\",\"\",0,\"x'05'\",0,0,0,0,0,0,0",
  };
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

class CliSend : public quorvel::clitest::TCliTest {
 protected:
  void SetUp() override {
    TCliTest::SetUp();
    if (HasFatalFailure()) return;
    host = &StartEmulator(TLine::Host, "host");
    WriteTerminalFile(0);
  }

  void WriteTerminalFile(int protocol) {
    std::ofstream(folder / "test.qvl", std::ios::binary) << TerminalFile(protocol);
  }

  TCliRun Run(const std::string& command, std::vector<std::string> extra = {}, const std::string& device = {}) const {
    std::vector<std::string> args = {"send", "--file", InFolder("test.qvl"), "--command", command,
                                     "--device", device.empty() ? InFolder("host") : device};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(std::move(args));
  }

  TEmulator* host = nullptr;
  TEmulator* dgi = nullptr;
};

TEST_F(CliSend, HostFieldsReachThePrinterAndTheAnswerIsDecoded) {
  WriteTerminalFile(1);
  host->SetHostProtocol(THostProtocol::Extended);
  THostReply reply;
  reply.fiscalStatus = 0x0600;
  reply.printerStatus = 0x0000;
  reply.returnCode = 33;
  reply.fields = std::vector<std::string>{"0000001250", std::string("\x01\x00", 2), "raw\x01"};
  host->QueueHostReply(reply);

  const TCliRun run = Run("Sales/Amount");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(host->ReceivedFrames().size(), 1u);
  EXPECT_EQ(HostFrameFields(host->ReceivedFrames()[0]), (std::vector<std::string>{"A", "0000001250", "\x1B" "A"}));
  EXPECT_EQ(run.lines.front().substr(0, 8), "write 02");
  EXPECT_TRUE(run.Has("final printer=0000 fiscal=0600 return=0021"));
  // After the event lines, the decoded answer.
  const auto decoded = std::find(run.lines.begin(), run.lines.end(), "status fiscal=0600 printer=0000");
  ASSERT_NE(decoded, run.lines.end());
  EXPECT_EQ(std::vector<std::string>(decoded + 1, run.lines.end()),
            (std::vector<std::string>{"panel fiscal 1 color=00008000 Memory almost full",
                                      "panel printer 2 color=00FF0000 Always",
                                      "returncode 33 Command invalid",
                                      "answer Total=00000012.50", "answer Count=256", "answer Field5=rawx'01'"}));
}

TEST_F(CliSend, CompatibleProtocolRefusesControlBytesAsBadInput) {
  const TCliRun run = Run("Sales/Amount");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("Bad user data input in control 3"), std::string::npos) << run.err;
  EXPECT_TRUE(host->ReceivedFrames().empty());
}

TEST_F(CliSend, BadFieldInputExitsTwoNamingTheField) {
  const struct {
    std::string command;
    std::vector<std::string> extra;
    std::string field;
  } cases[] = {
      {"Sales/Amount", {"--field", "3=x'4G'"}, "3"},       // escape that is not hexadecimal
      {"Sales/Amount", {"--field", "2=12a"}, "2"},         // not a Currency text
      {"Sales/Dated", {"--field", "2=2024-02-30"}, "2"},   // no such date
      {"Sales/Dated", {"--field", "2=05/03/2024"}, "2"},   // not YYYY-MM-DD
  };
  for (const auto& c : cases) {
    const TCliRun run = Run(c.command, c.extra);
    EXPECT_EQ(run.status, 2) << c.extra[1];
    EXPECT_NE(run.err.find("Bad user data input in control " + c.field), std::string::npos) << run.err;
    EXPECT_TRUE(run.lines.empty());
  }
  EXPECT_TRUE(host->ReceivedFrames().empty());
}

TEST_F(CliSend, FieldOptionAndDateControl) {
  ASSERT_EQ(Run("Sales/Dated", {"--field", "2=2024-03-05"}).status, 0);
  ASSERT_EQ(Run("Sales/Amount", {"--field", "3=plain", "--field", "2=0.75"}).status, 0);
  const auto frames = host->ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(HostFrameFields(frames[0]), (std::vector<std::string>{"D", "050324"}));
  EXPECT_EQ(HostFrameFields(frames[1]), (std::vector<std::string>{"A", "0000000075", "plain"}));
}

TEST_F(CliSend, RepeatAppendsTheStepNumberAndSummarises) {
  const TCliRun run = Run("Sales/Ticket", {"--repeat", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto frames = host->ReceivedFrames();
  ASSERT_EQ(frames.size(), 3u);
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(HostFrameFields(frames[static_cast<std::size_t>(r)]).at(1), "TKT00" + std::to_string(r + 1));
  EXPECT_EQ(run.StartingWith("final ").size(), 3u);
  EXPECT_EQ(run.StartingWith("status ").size(), 1u);  // only the last answer is decoded
  EXPECT_TRUE(std::regex_match(run.lines.back(), std::regex(R"(repeat n=3 ok=3 errors=0 min=[0-9.]+ms median=[0-9.]+ms max=[0-9.]+ms)")))
      << run.lines.back();
}

TEST_F(CliSend, RepeatStopsAtTheFirstError) {
  THostReply ok, nak;
  nak.nak = true;
  host->QueueHostReply(ok);
  host->QueueHostReply(nak);
  const TCliRun run = Run("Sales/Ticket", {"--repeat", "5"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(host->ReceivedFrames().size(), 2u);
  EXPECT_TRUE(run.Has("error EFP_E_NackReceived"));
  EXPECT_TRUE(run.lines.back().starts_with("repeat n=2 ok=1 errors=1 ")) << run.lines.back();
}

// With --keep-going every error is reported and counted, and the repetition goes on.
TEST_F(CliSend, KeepGoingReportsEveryErrorAndGoesOn) {
  THostReply ok, nak, badOnce;
  nak.nak = true;
  badOnce.badChecksums = 1;
  for (const THostReply& reply : {ok, nak, badOnce, nak, ok}) host->QueueHostReply(reply);
  const TCliRun run = Run("Sales/Ticket", {"--repeat", "5", "--keep-going"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(host->ReceivedFrames().size(), 5u);
  EXPECT_EQ(run.StartingWith("error EFP_E_NackReceived").size(), 2u);
  EXPECT_TRUE(run.lines.back().starts_with("repeat n=5 ok=3 errors=2 ")) << run.lines.back();
  EXPECT_EQ(Run("Sales/Ticket", {"--keep-going"}).status, 2);  // only with --repeat
}

// A hang-up during a repetition with --keep-going is reported; the next command waits
// for the line to come back and goes out on it.
TEST_F(CliSend, KeepGoingSendsTheNextCommandOnTheReopenedLine) {
  THostReply ok, hangUp;
  hangUp.hangUpMidAnswer = true;
  host->QueueHostReply(ok);
  host->QueueHostReply(hangUp);
  auto running = std::async(std::launch::async, [&] {
    return Run("Sales/Ticket", {"--repeat", "4", "--keep-going", "--deadline", "20000"});
  });
  ASSERT_TRUE(host->WaitForFrames(2, 10000));
  for (int i = 0; i < 500 && !host->IsHungUp(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(host->IsHungUp());
  ASSERT_FALSE(fs::exists(fs::symlink_status(folder / "host")));
  // Long enough for quorvel-cli to find the line gone at least once.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  TEmulator back(TLine::Host, InFolder("host"));

  const TCliRun run = running.get();
  EXPECT_EQ(run.status, 1);
  ASSERT_TRUE(back.WaitForFrames(2, 1000));
  std::vector<std::string> numbers;
  for (const std::string& frame : back.ReceivedFrames()) numbers.push_back(HostFrameFields(frame).back());
  EXPECT_EQ(numbers, (std::vector<std::string>{"TKT003", "TKT004"}));
  EXPECT_EQ(run.StartingWith("error ").size(), 1u);
  EXPECT_EQ(run.err, "quorvel-cli: the line was closed\nquorvel-cli: the line was opened again\n");
  EXPECT_TRUE(run.lines.back().starts_with("repeat n=4 ok=3 errors=1 ")) << run.lines.back();
}

// A line that does not come back within the command's deadline ends the repetition
// with the reason, instead of failing every remaining command at once.
TEST_F(CliSend, KeepGoingEndsWhenTheLineStaysClosed) {
  THostReply ok, hangUp;
  hangUp.hangUpMidAnswer = true;
  host->QueueHostReply(ok);
  host->QueueHostReply(hangUp);
  const TCliRun run = Run("Sales/Ticket", {"--repeat", "50", "--keep-going", "--deadline", "600"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(host->ReceivedFrames().size(), 2u);
  EXPECT_EQ(run.StartingWith("error ").size(), 2u);
  EXPECT_NE(run.err.find("quorvel-cli: the line was closed\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("quorvel-cli: the line did not come back: cannot open " + InFolder("host") + ": "),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(run.lines.back().starts_with("repeat n=2 ok=1 errors=2 ")) << run.lines.back();
}

TEST_F(CliSend, SilentPrinterEndsWithTimeOut) {
  THostReply silent;
  silent.silent = true;
  host->QueueHostReply(silent);
  const TCliRun run = Run("Sales/Ticket");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lines.back(), "error EFP_E_ReadTimeOut");
}

TEST_F(CliSend, DgiCommandsJoinTheirFields) {
  dgi = &StartEmulator(TLine::Dgi, "dgi");
  TDgiReply answer;
  answer.ackOnly = false;
  answer.frames = {"0000OK"};
  dgi->QueueDgiReply(answer);
  const TCliRun joined = Run("Fiscal/Join", {}, InFolder("dgi"));
  EXPECT_EQ(joined.status, 0) << joined.err;
  ASSERT_EQ(dgi->ReceivedFrames().size(), 1u);
  EXPECT_EQ(dgi->ReceivedFrames()[0].substr(1, 4), "AB12");
  EXPECT_FALSE(joined.StartingWith("answer final ").empty());
  // The final answer is acknowledged before the port closes, as quorvel-cli dgi does.
  ASSERT_FALSE(joined.lines.empty());
  EXPECT_EQ(joined.lines.back(), "write 06");

  const TCliRun alive = Run("Fiscal/Alive", {}, InFolder("dgi"));
  EXPECT_EQ(alive.status, 0) << alive.err;
  EXPECT_EQ(alive.lines, (std::vector<std::string>{"write 05", "ack"}));
  EXPECT_EQ(Run("Fiscal/Alive", {"--repeat", "2"}, InFolder("dgi")).status, 2);
}

// A value given on the command line passes the rules of the window's control: the
// key filter of its text type, its maximum length, its read-only flag, its list.
TEST_F(CliSend, FieldValuesPassTheRulesOfTheWindowsControls) {
  const struct {
    std::string command;
    std::string field;
    std::string refusal;  // empty: accepted
  } cases[] = {
      {"Sales/Amount", "2=1.2.3", "control 2: digits and at most one \".\" or \",\""},
      {"Sales/Pick", "2=3", "control 2: one of its list items only"},
      {"Sales/Pick", "4=changed", "control 4: read only, it keeps its default"},
      {"Sales/Pick", "3=abcde", "control 3: at most 4 characters"},
      {"Sales/Pick", "3=ab1", "control 3: letters A-Z and a-z only"},
      {"Sales/Pick", "2=22", ""},
      {"Sales/Pick", "3=xyz", ""},
      {"Sales/Pick", "4=RO", ""},
  };
  std::size_t sent = 0;
  for (const auto& c : cases) {
    const TCliRun run = Run(c.command, {"--field", c.field});
    if (c.refusal.empty()) {
      EXPECT_EQ(run.status, 0) << c.field << ": " << run.err;
      ++sent;
    } else {
      EXPECT_EQ(run.status, 2) << c.field;
      EXPECT_EQ(run.err, "Bad user data input in " + c.refusal + "\n");
      EXPECT_TRUE(run.lines.empty());
    }
  }
  const auto frames = host->ReceivedFrames();
  ASSERT_EQ(frames.size(), sent);
  EXPECT_EQ(HostFrameFields(frames[0]), (std::vector<std::string>{"P", "22", "ab", "RO"}));
  EXPECT_EQ(HostFrameFields(frames[1]), (std::vector<std::string>{"P", "1", "xyz", "RO"}));
}

// The deadline holds for each command of a repetition, not for the whole of it.
TEST_F(CliSend, DeadlineHoldsPerCommandOfARepetition) {
  THostReply slow;
  slow.busyReports = 4;
  slow.busyIntervalMs = 100;
  for (int i = 0; i < 5; ++i) host->QueueHostReply(slow);
  const TCliRun run = Run("Sales/Ticket", {"--repeat", "5", "--deadline", "1500"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.lines.back().starts_with("repeat n=5 ok=5 errors=0 ")) << run.lines.back();

  THostReply busyForever;
  busyForever.busyReports = 100000;
  busyForever.busyIntervalMs = 100;
  host->QueueHostReply(busyForever);
  const TCliRun stuck = Run("Sales/Ticket", {"--repeat", "3", "--deadline", "1000"});
  EXPECT_EQ(stuck.status, 1);
  EXPECT_TRUE(stuck.Has("error deadline"));
  EXPECT_TRUE(stuck.lines.back().starts_with("repeat n=1 ok=0 errors=1 ")) << stuck.lines.back();
}

// A terminal file that is not a regular file is refused before anything is read or sent.
TEST_F(CliSend, UnreadableTerminalFileIsRefusedBeforeAnythingIsSent) {
  const std::string fifo = InFolder("fifo.qvl");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string file;
    std::string err;
  } cases[] = {
      {fifo, "Unable to read " + fifo + ": not a regular file\n"},
      {InFolder("absent.qvl"), "Unable to read " + InFolder("absent.qvl") + ": No such file or directory\n"},
  };
  for (const auto& c : cases) {
    const TCliRun run = RunCli({"send", "--file", c.file, "--command", "Sales/Ticket", "--device", InFolder("host")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.err);
    EXPECT_TRUE(run.lines.empty());
  }
  EXPECT_TRUE(host->ReceivedFrames().empty());
}

// Without --device the port comes from the desktop program's settings: HComm and
// the port map of its store.
TEST_F(CliSend, DeviceFromTheUserSettings) {
  const fs::path config = folder / "config";
  fs::create_directories(config);
  std::ofstream(config / "quorvel.conf") << "[General]\nHComm=3\nHBaud=7\n[Ports]\nCom4=" << InFolder("host") << "\n";
  const TCliRun run = RunCli({"send", "--file", InFolder("test.qvl"), "--command", "Sales/Ticket"},
                             {"XDG_CONFIG_HOME=" + config.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(host->ReceivedFrames().size(), 1u);
}

TEST_F(CliSend, UnusableArgumentsAndCommandsAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {"--repeat", "0"}, {"--repeat", "10000"}, {"--repeat", "abc"}, {"--field", "0=x"},
      {"--field", "x"},  {"--field", "9=x"},    {"--baud", "300"},   {"--speed", "1"},
  };
  for (const auto& extra : cases) {
    const TCliRun run = Run("Sales/Ticket", extra);
    EXPECT_EQ(run.status, 2) << extra[0] << " " << extra[1];
    EXPECT_FALSE(run.err.empty());
  }
  for (const char* command : {"Sales/Nothing", "Nothing/Ticket", "SalesTicket"})
    EXPECT_EQ(Run(command).status, 2) << command;
  EXPECT_EQ(Run("Sales/Ticket", {}, InFolder("missing")).status, 2);
  EXPECT_TRUE(host->ReceivedFrames().empty());
}

}  // namespace
