// SPDX-License-Identifier: MIT
// Times the terminal window's work on a large terminal file: 100 groups x 20 commands
// x 12 command fields (plus 6 answer fields each). Prints the figures; asserts nothing.
//   bench_terminalfile [folder]      (default: the system's temporary folder)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "generatedfile.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

using namespace quorvel::model;
using Clock = std::chrono::steady_clock;

namespace {

using quorvel::bench::kGroups;
using quorvel::bench::kCommandsPerGroup;
using quorvel::bench::kFieldsPerCommand;
using quorvel::bench::GroupName;
using quorvel::bench::CommandName;
using quorvel::bench::GenerateFile;
constexpr int kRuns = 20;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-44s median %8.3f ms   min %8.3f ms   max %8.3f ms\n", what, times[times.size() / 2],
              times.front(), times.back());
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
  const std::string path = (folder / ("bench-" + std::to_string(getpid()) + ".qvl")).string();
  {
    std::ofstream out(path, std::ios::binary);
    out << GenerateFile();
  }
  std::printf("file %s: %ju bytes, %d groups x %d commands x %d fields\n", path.c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(path)), kGroups, kCommandsPerGroup,
              kFieldsPerCommand);

  std::vector<double> load, tree, command, write, memoryWrite;
  auto inMemory = std::make_shared<TMemoryDevice>(GenerateFile());
  std::size_t nodes = 0, fields = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    TIniMemory memory(path);
    const auto loaded = Clock::now();
    nodes = 0;
    for (const std::string& group : ReadGroups(memory)) nodes += 1 + ReadGroupCommands(memory, group).size();
    const auto listed = Clock::now();
    const auto definition = ReadCommandDefinition(memory, CommandSectionName(GroupName(57), CommandName(13)));
    fields = definition.Fields.size();
    const auto read = Clock::now();
    load.push_back(Milliseconds(loaded - start));
    tree.push_back(Milliseconds(listed - loaded));
    command.push_back(Milliseconds(read - listed));

    TIniFile file(path);
    const auto before = Clock::now();
    file.WriteKey(CommandSectionName(GroupName(50), CommandName(10)), "Notes", "\"run " + std::to_string(run) + "\"");
    write.push_back(Milliseconds(Clock::now() - before));

    // The same write with the bytes in memory: the layer's own share of the time.
    TIniFile memoryFile(inMemory);
    const auto memoryBefore = Clock::now();
    memoryFile.WriteKey(CommandSectionName(GroupName(50), CommandName(10)), "Notes", "\"run " + std::to_string(run) + "\"");
    memoryWrite.push_back(Milliseconds(Clock::now() - memoryBefore));
  }
  std::printf("tree: %zu nodes; command definition: %zu fields\n", nodes, fields);
  Report("load in-memory copy", load);
  Report("read tree (groups and their commands)", tree);
  Report("read one command definition", command);
  std::vector<double> total;
  for (int i = 0; i < kRuns; ++i) total.push_back(load[i] + tree[i] + command[i]);
  Report("load + tree + command", total);
  Report("one write key (atomic replace, fsync)", write);
  Report("one write key, bytes in memory (no disk)", memoryWrite);
  std::filesystem::remove(path);
  return 0;
}
