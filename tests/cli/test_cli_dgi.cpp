// Runs the real quorvel-cli dgi against the printer emulator on a pseudo-terminal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dgi/fpauxcontrol.h"
#include "emulator/emulator.h"
#include "platform/queueloop.h"

#ifndef QUORVEL_CLI_PATH
#error "QUORVEL_CLI_PATH must name the quorvel-cli executable"
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quorvel::emulator::TDgiReply;
using quorvel::emulator::TEmulator;
using quorvel::emulator::TLine;

struct TRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliDgi : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorvel-cli-dgi-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;

    TDgiReply frames;
    frames.ackOnly = false;
    frames.frames = {"0005AB", "0001CD"};
    printer.SetDgiReplyFor("0001", frames);
    TDgiReply nak;
    nak.nak = true;
    printer.SetDgiReplyFor("N", nak);
    TDgiReply silent;
    silent.silent = true;
    printer.SetDgiReplyFor("S", silent);
  }
  void TearDown() override { fs::remove_all(folder); }

  TRun Run(std::vector<std::string> args) const {
    const std::string outPath = (folder / "stdout").string();
    const std::string errPath = (folder / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), {QUORVEL_CLI_PATH, "dgi"});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    TRun run;
    const int spawned = posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
  }

  fs::path folder;
  TEmulator printer{TLine::Dgi};
};

TEST_F(CliDgi, OneLinePerEventAndTheExitStatus) {
  struct TCase {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const std::string device = printer.DevicePath();
  const std::vector<TCase> cases = {
      {{"--device", device, "x'05'"}, 0, "write 05\nack\n"},
      {{"--device", device, ""}, 0, "write 02 03 FB\nack\n"},
      {{"--device", device, "x'3030'01"}, 0,
       "write 02 30 30 30 31 03 3A\n"
       "read 02 30 30 30 35 41 42 03 B3\nanswer intermediate 30 30 30 35 41 42\nwrite 06\n"
       "read 02 30 30 30 31 43 44 03 B3\nanswer final 30 30 30 31 43 44\nwrite 06\n"},
      {{"--timeout", "300", "--device", device, "N"}, 1, "write 02 4E 03 AD\nnack\nerror FEFP_E_NackReceived\n"},
      {{"--device", device, "--timeout", "300", "S"}, 1, "write 02 53 03 A8\nerror FEFP_E_ReadTimeOut\n"},
  };
  for (const auto& c : cases) {
    const TRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.args.back();
    EXPECT_EQ(run.out, c.out) << c.args.back();
    EXPECT_EQ(run.err, "") << c.args.back();
  }
  // The printer received the final ACK before the command line closed the port.
  EXPECT_NE(printer.ReceivedBytes().find(std::string("\x02" "0001\x03\x3A\x06\x06", 9)), std::string::npos);
}

TEST_F(CliDgi, PortThatCannotBeOpenedOrCommandRefused) {
  const TRun missing = Run({"--device", (folder / "no-such-port").string(), "0001"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "FEFP_E_InvalidCom\n");

  const TRun tooLong = Run({"--device", printer.DevicePath(), std::string(257, 'A')});
  EXPECT_EQ(tooLong.status, 2);
  EXPECT_EQ(tooLong.out, "");
  EXPECT_EQ(tooLong.err, "FEFP_E_MaxDataLengthReached\n");

  // Held by a control of this process.
  quorvel::platform::TQueueLoop loop;
  quorvel::dgi::TFPAuxControl holder(loop);
  quorvel::platform::TPortMap ports;
  ports.com[0] = printer.DevicePath();
  holder.SetPortMap(ports);
  ASSERT_TRUE(holder.OpenPort());
  const TRun inUse = Run({"--device", printer.DevicePath(), "0001"});
  EXPECT_EQ(inUse.status, 2);
  EXPECT_EQ(inUse.err, "FEFP_E_ComInUse\n");
  ASSERT_TRUE(holder.ClosePort());

  EXPECT_TRUE(printer.ReceivedFrames().empty());
}

TEST_F(CliDgi, BadArgumentsAreRefusedWithStatus2) {
  const std::string device = printer.DevicePath();
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
    const TRun run = Run(args);
    EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(run.out, "") << testing::PrintToString(args);
    EXPECT_NE(run.err, "") << testing::PrintToString(args);
  }
  EXPECT_TRUE(printer.ReceivedFrames().empty());
}

}  // namespace
