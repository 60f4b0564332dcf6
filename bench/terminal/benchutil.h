#pragma once
// Small helpers of the GUI benchmarks: figures, memory of the process.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace quorvel::bench {

inline void Report(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  std::printf("%-40s median %9.4f ms   max %9.3f ms   (%zu samples)\n", what, ms[ms.size() / 2],
              ms.back(), ms.size());
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in MiB; -1 when unknown.
inline double StatusMiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return -1;
}

}  // namespace quorvel::bench
