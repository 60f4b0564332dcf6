// SPDX-License-Identifier: MIT
// quorvel-emulator as a separate process: links, answers, its output lines, and a
// clean end on SIGTERM.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "common/tempfolder.h"
#include "emulator/lineend.h"

extern char** environ;

namespace quorvel::emulator {
namespace {

using testing::Bytes;
using testing::TLineEnd;

class TProgram {
 public:
  explicit TProgram(std::vector<std::string> args) {
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    args.insert(args.begin(), QUORVEL_EMULATOR_PROGRAM);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
      throw std::runtime_error("spawn");
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~TProgram() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
    ::close(err_);
  }

  // The next line of standard output, or "" once `timeoutMs` pass without one.
  std::string NextLine(int timeoutMs = 5000) {
    while (true) {
      const std::size_t newline = pending_.find('\n');
      if (newline != std::string::npos) {
        std::string line = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        return line;
      }
      pollfd pfd{out_, POLLIN, 0};
      if (::poll(&pfd, 1, timeoutMs) <= 0) return {};
      char buffer[512];
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return {};
      pending_.append(buffer, static_cast<std::size_t>(n));
    }
  }

  std::string AllErrors() {
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(err_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    return text;
  }

  void Signal(int signal) const { ::kill(pid_, signal); }

  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string pending_;
};

class EmulatorProgram : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return dir_.File(name); }

  const quorvel::testing::TTempFolder dir_{"quorvel-emulator-program"};
};

TEST_F(EmulatorProgram, AnswersOnBothLinesAndRemovesTheLinksOnSigterm) {
  const std::string host = Path("host");
  const std::string dgi = Path("dgi");
  TProgram program({"--link", host, "--dgi-link", dgi, "--protocol", "extended", "--on", "*=noack", "--on",
                    "*=status:1234:5:6", "--on", "*=fields:ok", "--dgi-on", "0001=final:0010"});
  ASSERT_EQ(program.NextLine(), "ready host=" + host + " dgi=" + dgi);
  {
    TLineEnd line(host);
    // Extended command "*" with SEQ 0x81 (sum 0x00B0). Answer: words 1234 and 0005, an empty
    // field, word 0006, an empty field, "ok": sum 0x023D, no ACK before it.
    line.Write(Bytes("02 81 2A 03 30 30 42 30"));
    EXPECT_EQ(line.ReadHex(21, 500), "02 81 12 34 1C 00 05 1C 1C 00 06 1C 1C 6F 6B 03 30 32 33 44");
    EXPECT_EQ(program.NextLine(), "host seq=81 command=\"*\" frame=02 81 2A 03 30 30 42 30");
  }
  {
    TLineEnd line(dgi);
    line.Write(Bytes("02 30 30 30 31 03 3A"));
    // "0010": 02+30+30+31+30+03 = 0xC6, checksum 0x3A.
    EXPECT_EQ(line.ReadHex(8, 500), "02 30 30 31 30 03 3A");
    EXPECT_EQ(program.NextLine(), "dgi data=\"0001\" frame=02 30 30 30 31 03 3A");
    line.Write("\x05");
    EXPECT_EQ(line.ReadHex(2, 500), "06");
    EXPECT_EQ(program.NextLine(), "dgi enq");
  }
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(host)));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dgi)));
}

TEST_F(EmulatorProgram, BadOptionGivesUsageAndStatus2) {
  TProgram program({"--link", Path("host"), "--on", "A=wobble"});
  EXPECT_EQ(program.Wait(), 2);
  const std::string errors = program.AllErrors();
  EXPECT_NE(errors.find("unknown host behaviour 'wobble'"), std::string::npos) << errors;
  EXPECT_NE(errors.find("usage: quorvel-emulator"), std::string::npos) << errors;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Path("host"))));
}

}  // namespace
}  // namespace quorvel::emulator
