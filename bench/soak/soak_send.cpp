// SPDX-License-Identifier: MIT
// Soak run: quorvel-cli send --repeat N --keep-going against the printer emulator, which
// answers each command healthily or, at random, with NAK, a bad checksum, a burst of DC2
// busy reports, silence, or a hang-up after which the line comes back (a new
// pseudo-terminal behind the same path). A run repeats at most what Repeat takes
// (9,999), so more commands go out in equal runs (10,000: 2 x 5,000). Prints, per run,
// the resident memory of quorvel-cli after the first 1,000 commands and at the end, the
// faults played, the errors it reported, and how it ended; exits 1 unless every run
// ended without a crash, reported every error and grew less than 10% after 1,000.
//
// usage: soak_send [COMMANDS (10000)] [SEED (1)]
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

#include "model/sendtext.h"
#include "soakprinter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace quorvel::soak;

const char* kTerminalFile =
    "[General]\r\nProtocol=0\r\n[Groups]\r\nSoak=\r\n[Soak]\r\nTicket=\r\n[SoakTicket]\r\n"
    "Commands=0,\"Cmd\",\"\",0,\"T\",0,0,0,0,0,0,0,0,\"Number\",\"\",0,\"TKT\",0,0,0,0,0,0,1\r\nAnswers=\r\n";

// What one quorvel-cli run did, from the emulator's side and from its own output.
struct TRunResult {
  int commands = 0;
  int faults[6] = {};
  int expectedErrors = 0;  // commands whose fault ends them without an answer
  int errorLines = 0, closedLines = 0, reopenedLines = 0, finals = 0, reconnects = 0;
  std::string summary;
  long rssAt1000 = -1, rssEnd = -1, rssMax = -1;
  double seconds = 0;
  int status = 0;  // as waitpid reports it

  bool Crashed() const { return WIFSIGNALED(status); }
  double Growth() const {
    return rssAt1000 > 0 ? 100.0 * static_cast<double>(rssMax - rssAt1000) / static_cast<double>(rssAt1000) : 0.0;
  }
  // Every fault that ends a command is reported once, every hang-up is told as one and
  // followed by the reopened line, and every other command has its final answer.
  bool EveryErrorReported() const {
    return errorLines == expectedErrors && closedLines == faults[static_cast<int>(TFault::HangUp)] &&
           reopenedLines == closedLines && finals == commands - expectedErrors;
  }
};

TRunResult RunOnce(const fs::path& folder, const std::vector<TFault>& plan) {
  TRunResult result;
  result.commands = static_cast<int>(plan.size());
  for (TFault f : plan) {
    ++result.faults[static_cast<int>(f)];
    result.expectedErrors += EndsWithoutAnswer(f) ? 1 : 0;
  }
  TPrinter printer((folder / "host").string(), plan);

  const std::string out = (folder / "stdout").string(), err = (folder / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> args = {QUORVEL_CLI_PATH, "send", "--file", (folder / "soak.qvl").string(), "--command",
                                   "Soak/Ticket", "--device", (folder / "host").string(), "--repeat",
                                   std::to_string(plan.size()), "--keep-going"};
  std::vector<char*> argp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  pid_t pid = 0;
  const auto started = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argp.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    result.status = W_EXITCODE(127, 0);
    return result;
  }

  for (;;) {
    const pid_t done = waitpid(pid, &result.status, WNOHANG);
    if (done == pid) break;
    const std::size_t frames = printer.Tend();
    const long rss = ResidentKiB(pid);
    if (rss > 0) {
      result.rssEnd = rss;
      if (result.rssAt1000 < 0 && frames >= 1000) result.rssAt1000 = rss;
      if (frames >= 1000 && rss > result.rssMax) result.rssMax = rss;
    }
    // The line must come back soon after a hang-up; memory needs no finer sampling.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.reconnects = printer.Reconnects();

  std::ifstream outFile(out);
  for (std::string line; std::getline(outFile, line);) {
    if (line.rfind("error ", 0) == 0) ++result.errorLines;
    if (line.rfind("final ", 0) == 0) ++result.finals;
    if (line.rfind("repeat ", 0) == 0) result.summary = line;
  }
  std::ifstream errFile(err);
  for (std::string line; std::getline(errFile, line);) {
    if (line.find("the line was closed") != std::string::npos) ++result.closedLines;
    if (line.find("the line was opened again") != std::string::npos) ++result.reopenedLines;
  }
  return result;
}

void Print(const TRunResult& r, int index, int runs) {
  std::printf("run %d/%d: commands=%d seconds=%.0f\n", index, runs, r.commands, r.seconds);
  std::printf("  faults nak=%d badchecksum=%d busy=%d silent=%d hangup=%d (ending without answer: %d)\n", r.faults[1],
              r.faults[2], r.faults[3], r.faults[4], r.faults[5], r.expectedErrors);
  std::printf("  reported error-lines=%d line-closed=%d reopened=%d finals=%d emulator-reconnects=%d -> %s\n",
              r.errorLines, r.closedLines, r.reopenedLines, r.finals, r.reconnects,
              r.EveryErrorReported() ? "every error reported" : "MISMATCH");
  std::printf("  %s\n", r.summary.c_str());
  std::printf("  rss_kib after1000=%ld end=%ld max_after1000=%ld growth=%.1f%%\n", r.rssAt1000, r.rssEnd, r.rssMax,
              r.Growth());
  if (r.Crashed()) std::printf("  ended by signal %d (crash)\n", WTERMSIG(r.status));
  else std::printf("  exit status %d\n", WEXITSTATUS(r.status));
}

}  // namespace

int main(int argc, char** argv) {
  const int commands = argc > 1 ? std::atoi(argv[1]) : 10000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
  if (commands < 1) {
    std::fprintf(stderr, "usage: soak_send [COMMANDS (10000)] [SEED (1)]\n");
    return 2;
  }
  // One run repeats at most what Repeat takes; more commands are split into equal runs.
  const int runs = (commands + quorvel::model::kMaxRepeatCount - 1) / quorvel::model::kMaxRepeatCount;
  char pattern[] = "/tmp/quorvel-soak-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 2;
  const fs::path folder = pattern;
  std::ofstream(folder / "soak.qvl", std::ios::binary) << kTerminalFile;

  std::mt19937 random(seed);
  std::printf("commands=%d seed=%u runs=%d\n", commands, seed, runs);
  bool sound = true;
  for (int run = 0; run < runs; ++run) {
    const int size = commands / runs + (run < commands % runs ? 1 : 0);
    std::vector<TFault> plan;
    for (int i = 0; i < size; ++i) plan.push_back(PickFault(random));
    // A hang-up needs a command after it to show the line is back.
    plan.back() = TFault::None;
    const TRunResult result = RunOnce(folder, plan);
    Print(result, run + 1, runs);
    sound = sound && !result.Crashed() && result.EveryErrorReported() &&
            (result.rssAt1000 < 0 || result.Growth() < 10.0);
  }
  std::printf("%s\n", sound ? "soak: sound (no crash, every error reported, memory growth under 10%)" : "soak: FAILED");
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return sound ? 0 : 1;
}
