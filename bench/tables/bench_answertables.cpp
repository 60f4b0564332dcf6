// SPDX-License-Identifier: MIT
// Times the table editors' changes and quorvel-cli decode on the large terminal file
// (2,000 commands) with 1,000 return codes and 70 records in each fixed-answer section:
// one return-code Add (sort and rewrite), one fixed-answer Modify (rewrite of the
// section), each end to end on a real file, and decode as a whole process.
//   bench_answertables [folder]      (default: the system's temporary folder)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../benchutil.h"
#include "../model/generatedfile.h"
#include "model/answertables.h"
#include "model/textnumbers.h"

extern char** environ;

using namespace quorvel::model;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 30;
constexpr int kReturnCodes = 1000;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The tables: codes 2, 4, ... 2000 in order, 70 records per word.
std::string GenerateTables() {
  std::string tables = "[Return codes]\r\n";
  for (int i = 1; i <= kReturnCodes; ++i)
    tables += "RC" + std::to_string(2 * i) + "=Description of return code " + std::to_string(2 * i) + "\r\n";
  for (const char* section : {"FiscalAnswer", "PrinterAnswer"}) {
    tables += std::string("[") + section + "]\r\n";
    for (int n = 1; n <= 70; ++n) {
      const TFixedAnswerRow row{std::to_string(n % 16 + 1), Hex4(static_cast<std::uint16_t>(1u << (n % 16))),
                                Hex4(static_cast<std::uint16_t>(n % 2 ? 1u << (n % 16) : 0)),
                                "Status text " + std::to_string(n), n % 2 ? "clRed" : "clGreen"};
      tables += "Record" + std::to_string(n) + "=" + FixedAnswerRowValue(n, row) + "\r\n";
    }
  }
  return tables;
}

// The large file with the tables in front of its groups.
std::string GenerateLargeFile() {
  std::string text = quorvel::bench::GenerateFile();
  text.insert(text.find("[Groups]"), GenerateTables());
  return text;
}

struct TFigures {
  std::vector<double> rcAdd, rcEndToEnd, fixedModify, fixedEndToEnd;
};

// One return-code Add and one fixed-answer Modify per run, each undone or varied so
// that every run does the same work.
void TimeTableChanges(const std::string& path, int run, TFigures& figures) {
  // A new odd code lands inside the table: the sort walks all of it.
  const std::string code = std::to_string(2 * (run + 1) * 16 + 1);
  const auto start = Clock::now();
  TReturnCodeTable table(path);
  const auto loaded = Clock::now();
  table.Add(code, "Added by the benchmark");
  const auto added = Clock::now();
  figures.rcAdd.push_back(Milliseconds(added - loaded));
  figures.rcEndToEnd.push_back(Milliseconds(added - start));
  table.Remove(*table.Find(code));

  const auto fixedStart = Clock::now();
  TFixedAnswerSection section(path, "PrinterAnswer");
  const auto fixedLoaded = Clock::now();
  TFixedAnswerRow row = section.Row(34);
  row.Text = "Run " + std::to_string(run);
  section.Modify(34, row);
  const auto modified = Clock::now();
  figures.fixedModify.push_back(Milliseconds(modified - fixedLoaded));
  figures.fixedEndToEnd.push_back(Milliseconds(modified - fixedStart));
}

void ReportTableChanges(const char* file, const TFigures& figures) {
  std::printf("%s:\n", file);
  quorvel::bench::Report("  rc: Add of 1,000 codes (sort, rewrite)", figures.rcAdd);
  quorvel::bench::Report("  rc: load + Add, end to end", figures.rcEndToEnd);
  quorvel::bench::Report("  fixed: Modify one of 70 (rewrite)", figures.fixedModify);
  quorvel::bench::Report("  fixed: load + Modify, end to end", figures.fixedEndToEnd);
}

// Wall time of the whole process; cpuMs gets its CPU time (user and system).
double RunDecodeOnce(const std::string& path, double& cpuMs) {
  std::vector<std::string> args{QUORVEL_CLI_PATH, "decode", "--file", path, "--fiscal", "0600", "--printer", "8001"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (::posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  cpuMs = quorvel::bench::Ms(usage.ru_utime) + quorvel::bench::Ms(usage.ru_stime);
  const double ms = Milliseconds(Clock::now() - start);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
  const std::string id = std::to_string(getpid());
  const std::string small = (folder / ("bench-tables-" + id + ".qvl")).string();
  const std::string large = (folder / ("bench-tables-large-" + id + ".qvl")).string();
  std::ofstream(small, std::ios::binary) << GenerateTables();
  std::ofstream(large, std::ios::binary) << GenerateLargeFile();
  std::printf(
      "%d return codes, 70 + 70 fixed-answer records; tables alone %ju bytes, in the 2,000-command file "
      "%ju bytes\n",
      kReturnCodes, static_cast<std::uintmax_t>(std::filesystem::file_size(small)),
      static_cast<std::uintmax_t>(std::filesystem::file_size(large)));

  TFigures smallFigures, largeFigures;
  std::vector<double> decode, decodeCpu;
  for (int run = 0; run < kRuns; ++run) {
    TimeTableChanges(small, run, smallFigures);
    TimeTableChanges(large, run, largeFigures);
    double cpu = 0;
    decode.push_back(RunDecodeOnce(large, cpu));
    decodeCpu.push_back(cpu);
  }
  ReportTableChanges("file of the tables alone (atomic replace with fsync)", smallFigures);
  ReportTableChanges("2,000-command file (atomic replace with fsync)", largeFigures);
  std::printf("quorvel-cli decode on the 2,000-command file:\n");
  quorvel::bench::Report("  whole process, wall time", decode);
  quorvel::bench::Report("  whole process, CPU time", decodeCpu);
  if (!std::getenv("BENCH_KEEP")) {
    std::filesystem::remove(small);
    std::filesystem::remove(large);
  }
  return 0;
}
