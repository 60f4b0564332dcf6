// Runs the real quorvel-cli host against the printer emulator on a pseudo-terminal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/emulator.h"

#ifndef QUORVEL_CLI_PATH
#error "QUORVEL_CLI_PATH must name the quorvel-cli executable"
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quorvel::emulator::THostProtocol;
using quorvel::emulator::THostReply;
using quorvel::emulator::TEmulator;
using quorvel::emulator::TLine;

struct TRun {
  int status = -1;
  std::vector<std::string> lines;  // standard output
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
  }
  return out;
}

class CliHost : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorvel-cli-host-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    emulator = std::make_unique<TEmulator>(TLine::Host, (folder / "host").string());
  }
  void TearDown() override {
    emulator.reset();
    fs::remove_all(folder);
  }

  TRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {QUORVEL_CLI_PATH, "host"});
    const std::string outPath = (folder / "out").string();
    const std::string errPath = (folder / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    TRun run;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    std::istringstream out(ReadFile(outPath));
    for (std::string line; std::getline(out, line);) run.lines.push_back(line);
    run.err = ReadFile(errPath);
    return run;
  }

  std::string Device() const { return (folder / "host").string(); }
  // The "write" line of the command frame the printer received.
  std::string WriteLine(std::size_t index = 0) const {
    const auto frames = emulator->ReceivedFrames();
    return frames.size() > index ? "write " + Hex(frames[index]) : "(no frame)";
  }

  fs::path folder;
  std::unique_ptr<TEmulator> emulator;
};

TEST_F(CliHost, HealthyAnswerWithEscapedField) {
  const TRun run = Run({"--device", Device(), "--protocol", "compatible", "A", "x'41'BC"});
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
  const TRun run = Run({"--device", Device(), "--baud", "115200", "--protocol", "extended", "CMD"});
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
  const TRun run = Run({"--device", Device(), "N"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lines, (std::vector<std::string>{WriteLine(), "nack", "error EFP_E_NackReceived"}));
}

TEST_F(CliHost, RefusalsExitWithTwoAndNameTheError) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"--device", (folder / "missing").string(), "A"}, "EFP_E_InvalidCom\n"},
      {{"--device", Device(), "ok", "x'01'"}, "EFP_E_InvalidDataInField\n"},
      {{"--device", Device(), "--protocol", "extended", std::string(2049, 'z')}, "EFP_E_MaxDataLengthReached\n"},
  };
  for (const auto& c : cases) {
    const TRun run = Run(c.args);
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
  };
  for (const auto& args : cases) {
    const TRun run = Run(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(run.lines.empty());
  }
  EXPECT_TRUE(emulator->ReceivedFrames().empty());
}

}  // namespace
