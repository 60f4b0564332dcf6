// SPDX-License-Identifier: MIT
// Soak run: quorvel-cli send --repeat N --keep-going against the printer emulator, which
// answers each command healthily or, at random, with NAK, a bad checksum, a burst of DC2
// busy reports, silence, or a hang-up after which the line comes back (a new
// pseudo-terminal behind the same path). Prints the resident memory of quorvel-cli after
// the first 1,000 commands and at the end, the faults played, the errors it reported,
// and how it ended.
//
// usage: soak_send [COMMANDS (9999, the most Repeat takes)] [SEED (1)]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "emulator/emulator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quorvel::emulator::TEmulator;
using quorvel::emulator::THostReply;
using quorvel::emulator::TLine;

enum class TFault { None, Nak, BadChecksum, Busy, Silent, HangUp };

// Mostly healthy answers; silence costs 3.5 s each, so it is the rarest.
TFault PickFault(std::mt19937& random) {
  const int roll = static_cast<int>(random() % 1000);
  if (roll < 40) return TFault::Nak;
  if (roll < 80) return TFault::BadChecksum;
  if (roll < 120) return TFault::Busy;
  if (roll < 125) return TFault::Silent;
  if (roll < 128) return TFault::HangUp;
  return TFault::None;
}

THostReply ReplyFor(TFault fault) {
  THostReply reply;
  switch (fault) {
    case TFault::Nak: reply.nak = true; break;
    case TFault::BadChecksum: reply.badChecksums = 2; break;
    case TFault::Busy:
      reply.busyReports = 20;
      reply.busyIntervalMs = 2;
      break;
    case TFault::Silent: reply.silent = true; break;
    case TFault::HangUp: reply.hangUpMidAnswer = true; break;
    case TFault::None: break;
  }
  return reply;
}

bool EndsWithoutAnswer(TFault fault) {
  return fault == TFault::Nak || fault == TFault::Silent || fault == TFault::HangUp;
}

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The printer: one emulator at a time behind `link`; each command gets the next planned
// reply; after a hang-up a new emulator takes the line over at once.
class TPrinter {
 public:
  TPrinter(std::string link, std::vector<TFault> plan) : link_(std::move(link)), plan_(std::move(plan)) { Start(); }

  // Replaces a hung-up emulator; returns the number of frames received so far.
  std::size_t Tend() {
    std::unique_lock lock(mutex_);
    if (emulator_->IsHungUp()) {
      emulator_.reset();
      ++reconnects_;
      lock.unlock();
      Start();
    }
    return frames_.load();
  }
  int Reconnects() const { return reconnects_; }

 private:
  void Start() {
    auto emulator = std::make_unique<TEmulator>(TLine::Host, link_);
    // Queue the replies of the commands still to come.
    for (std::size_t i = frames_.load(); i < plan_.size(); ++i) emulator->QueueHostReply(ReplyFor(plan_[i]));
    emulator->SetFrameObserver([this](const std::string&) { ++frames_; });
    std::lock_guard lock(mutex_);
    emulator_ = std::move(emulator);
  }

  const std::string link_;
  const std::vector<TFault> plan_;
  std::mutex mutex_;
  std::unique_ptr<TEmulator> emulator_;
  std::atomic<std::size_t> frames_{0};
  int reconnects_ = 0;
};

const char* kTerminalFile =
    "[General]\r\nProtocol=0\r\n[Groups]\r\nSoak=\r\n[Soak]\r\nTicket=\r\n[SoakTicket]\r\n"
    "Commands=0,\"Cmd\",\"\",0,\"T\",0,0,0,0,0,0,0,0,\"Number\",\"\",0,\"TKT\",0,0,0,0,0,0,1\r\nAnswers=\r\n";

}  // namespace

int main(int argc, char** argv) {
  const int commands = argc > 1 ? std::atoi(argv[1]) : 10000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
  if (commands < 1 || commands > 9999) {
    std::fprintf(stderr, "usage: soak_send [COMMANDS 1..9999] [SEED]\n");
    return 2;
  }
  char pattern[] = "/tmp/quorvel-soak-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 2;
  const fs::path folder = pattern;
  std::ofstream(folder / "soak.qvl", std::ios::binary) << kTerminalFile;

  std::mt19937 random(seed);
  std::vector<TFault> plan;
  for (int i = 0; i < commands; ++i) plan.push_back(PickFault(random));
  // A hang-up needs a command after it to show the line is back.
  plan.back() = TFault::None;
  TPrinter printer((folder / "host").string(), plan);

  const std::string out = (folder / "stdout").string(), err = (folder / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> args = {QUORVEL_CLI_PATH, "send", "--file", (folder / "soak.qvl").string(), "--command",
                                   "Soak/Ticket", "--device", (folder / "host").string(), "--repeat",
                                   std::to_string(commands), "--keep-going"};
  std::vector<char*> argp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  pid_t pid = 0;
  const auto started = std::chrono::steady_clock::now();
  if (posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argp.data(), environ) != 0) return 2;

  long rssAt1000 = -1, rssLast = -1, rssMax = -1;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    const std::size_t frames = printer.Tend();
    const long rss = ResidentKiB(pid);
    if (rss > 0) {
      rssLast = rss;
      if (rssAt1000 < 0 && frames >= 1000) rssAt1000 = rss;
      if (frames >= 1000 && rss > rssMax) rssMax = rss;
    }
    // The line must come back soon after a hang-up; memory needs no finer sampling.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::ifstream outFile(out);
  int errorLines = 0, closedLines = 0, finals = 0;
  std::string summary;
  for (std::string line; std::getline(outFile, line);) {
    if (line.rfind("error ", 0) == 0) ++errorLines;
    if (line.rfind("final ", 0) == 0) ++finals;
    if (line.rfind("repeat ", 0) == 0) summary = line;
  }
  std::ifstream errFile(err);
  for (std::string line; std::getline(errFile, line);)
    if (line.find("the line was closed") != std::string::npos) ++closedLines;

  int faults[6] = {};
  for (TFault f : plan) ++faults[static_cast<int>(f)];
  int withoutAnswer = 0;
  for (TFault f : plan) withoutAnswer += EndsWithoutAnswer(f) ? 1 : 0;

  std::printf("commands=%d seed=%u seconds=%.0f\n", commands, seed, seconds);
  std::printf("faults nak=%d badchecksum=%d busy=%d silent=%d hangup=%d (without answer: %d)\n",
              faults[1], faults[2], faults[3], faults[4], faults[5], withoutAnswer);
  std::printf("reported error-lines=%d line-closed=%d finals=%d reconnects=%d\n", errorLines, closedLines, finals,
              printer.Reconnects());
  std::printf("summary: %s\n", summary.c_str());
  std::printf("rss_kib at1000=%ld end=%ld max_after1000=%ld growth=%.1f%%\n", rssAt1000, rssLast, rssMax,
              rssAt1000 > 0 ? 100.0 * static_cast<double>(rssMax - rssAt1000) / static_cast<double>(rssAt1000) : 0.0);
  if (WIFSIGNALED(status)) std::printf("ended by signal %d (crash)\n", WTERMSIG(status));
  else std::printf("exit status %d\n", WEXITSTATUS(status));
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return WIFEXITED(status) ? 0 : 1;
}
