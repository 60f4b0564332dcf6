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

#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

using namespace quorvel::model;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kGroups = 100;
constexpr int kCommandsPerGroup = 20;
constexpr int kFieldsPerCommand = 12;
constexpr int kAnswersPerCommand = 6;
constexpr int kRuns = 20;

std::string GroupName(int g) { return "Group" + std::to_string(g); }
std::string CommandName(int c) { return "Command" + std::to_string(c); }

std::string CommandsValue(int seed) {
  std::string value;
  for (int f = 0; f < kFieldsPerCommand; ++f) {
    if (f > 0) value += ',';
    value += "0,\"&Field " + std::to_string(f) + "\",\"Hint of field " + std::to_string(seed) + "\"," +
             std::to_string(f % 10) + ",\"default\"," + std::to_string(f % 3) + ",25," + std::to_string(f % 2) +
             ",0,0,2,0";
  }
  return value;
}

std::string AnswersValue() {
  std::string value;
  for (int a = 0; a < kAnswersPerCommand; ++a) {
    if (a > 0) value += ',';
    value += "\"Answer " + std::to_string(a) + "\"," + std::to_string(a % 10) + ",0";
  }
  return value;
}

std::string GenerateFile() {
  std::string text(NewFileTemplate());
  const std::string groupsHeader = "[Groups]\r\n";
  std::string groups;
  for (int g = 0; g < kGroups; ++g) groups += GroupName(g) + "=\r\n";
  text.insert(text.find("\r\n" + groupsHeader) + 2 + groupsHeader.size(), groups);
  const std::string answers = AnswersValue();
  for (int g = 0; g < kGroups; ++g) {
    text += "[" + GroupName(g) + "]\r\n";
    for (int c = 0; c < kCommandsPerGroup; ++c) text += CommandName(c) + "=\r\n";
    for (int c = 0; c < kCommandsPerGroup; ++c) {
      text += "[" + CommandSectionName(GroupName(g), CommandName(c)) + "]\r\n";
      text += "Commands=" + CommandsValue(g * kCommandsPerGroup + c) + "\r\n";
      text += "Answers=" + answers + "\r\n";
      text += "CL2=\"\"\"one\"\",two,three\"\r\n";
      text += "Notes=\"\"Line one\",\"Line two\"\"\r\n";
    }
  }
  return text;
}

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
