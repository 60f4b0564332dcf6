// SPDX-License-Identifier: MIT
// Times the edit layer's operations on the large terminal file (each one load,
// one computation in memory and one atomic replacement of the file), and the
// same changes done one INI write at a time, as the tree's handlers used to
// describe them. Prints the figures; asserts nothing.
//   bench_fileedit [folder]      (default: the system's temporary folder)
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "benchutil.h"
#include "generatedfile.h"
#include "model/fileedit.h"
#include "model/writebywrite.h"

using namespace quorvel;
using model::TCommandField;
using model::TCopyChoice;
using model::TExtIniFile;
using model::TMergeChoice;
using model::TTerminalFileEditor;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBigGroup = 100;

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

double CpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs `operation` `runs` times, each on a fresh copy of `bytes`; prints the wall
// time and, below it, this process's CPU time (which a busy machine inflates less).
void Time(const char* what, const std::string& path, const std::string& bytes, int runs,
          const std::function<void()>& operation) {
  std::vector<double> wall, cpu;
  for (int run = 0; run < runs; ++run) {
    Put(path, bytes);
    const auto start = Clock::now();
    const double cpuStart = CpuMilliseconds();
    operation();
    cpu.push_back(CpuMilliseconds() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  bench::Report(what, wall);
  bench::Report("  (cpu)", cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
  const std::string path = (folder / ("bench-edit-" + std::to_string(getpid()) + ".qvl")).string();
  const std::string bytes = bench::GenerateFile(kBigGroup);
  std::printf("file %s: %zu bytes, %d groups x %d commands + group Big of %d commands\n", path.c_str(), bytes.size(),
              bench::kGroups, bench::kCommandsPerGroup, kBigGroup);

  TTerminalFileEditor editor(path);
  TExtIniFile file(path);
  const std::string g1 = bench::GroupName(1), g2 = bench::GroupName(2), c3 = bench::CommandName(3);
  const std::string section = model::CommandSectionName(g1, c3);
  TCommandField field;
  field.Caption = "New";
  field.MaxLength = 5;
  const int runs = 15;

  std::printf("\nedit layer (one load, one replacement):\n");
  Time("add group", path, bytes, runs, [&] { editor.AddGroup("Fresh"); });
  Time("rename group (20 commands)", path, bytes, runs, [&] { editor.RenameGroup(g1, "Renamed"); });
  Time("rename group (100 commands)", path, bytes, runs, [&] { editor.RenameGroup("Big", "Renamed"); });
  Time("remove group", path, bytes, runs, [&] { editor.RemoveGroup(g1); });
  Time("add command", path, bytes, runs, [&] { editor.AddCommand(g1, "Fresh"); });
  Time("rename command", path, bytes, runs, [&] { editor.RenameCommand(g1, c3, "Fresh"); });
  Time("remove command", path, bytes, runs, [&] { editor.RemoveCommand(g1, c3); });
  Time("duplicate group (20 commands)", path, bytes, runs, [&] { editor.DuplicateGroup(g1); });
  Time("merge group (20 overwritten)", path, bytes, runs,
       [&] { editor.MergeGroup(g1, g2, [](const std::string&) { return TMergeChoice::Overwrite; }); });
  Time("copy command to group", path, bytes, runs, [&] {
    editor.CopyCommandToGroup(g1, c3, g2, [](const std::string&) { return TCopyChoice::Rename("Fresh"); });
  });
  Time("add command field", path, bytes, runs, [&] { editor.AddCommandField(section, {field, {"a", "b"}, {}}); });
  Time("modify command field 1", path, bytes, runs, [&] { editor.ModifyCommandField(section, 1, {field, {}, {"n"}}); });
  Time("remove command field 1", path, bytes, runs, [&] { editor.RemoveCommandField(section, 1); });
  Time("add answer field", path, bytes, runs, [&] { editor.AddAnswerField(section, {"Sum", 2, 2}); });

  std::printf("\nwrite by write through the INI layer (one replacement per key):\n");
  namespace w = writebywrite;
  Time("add group", path, bytes, 5, [&] { w::AddGroup(file, "Fresh"); });
  Time("rename group (20 commands)", path, bytes, 3, [&] { w::RenameGroup(file, g1, "Renamed"); });
  Time("rename group (100 commands)", path, bytes, 1, [&] { w::RenameGroup(file, "Big", "Renamed"); });
  Time("remove group", path, bytes, 3, [&] { w::RemoveGroup(file, g1); });
  Time("add command", path, bytes, 3, [&] { w::AddCommand(file, g1, "Fresh"); });
  Time("rename command", path, bytes, 3, [&] { w::RenameCommand(file, g1, c3, "Fresh"); });
  Time("duplicate group (20 commands)", path, bytes, 3, [&] { w::DuplicateGroup(file, g1, g1 + "1"); });
  Time("merge group (20 overwritten)", path, bytes, 3, [&] { w::MergeGroup(file, g1, g2); });
  Time("copy command to group", path, bytes, 3, [&] { w::CopyCommandToGroup(file, g1, c3, g2, "Fresh"); });

  std::filesystem::remove(path);
  return 0;
}
