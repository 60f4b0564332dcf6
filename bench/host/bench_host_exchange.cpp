// SPDX-License-Identifier: MIT
// Host exchange figures over a pseudo-terminal, with the printer emulator in a
// child process answering at once:
//  - time from SendCommand to OnFinalAnswer over 1000 exchanges (median, p99);
//  - this process's CPU time per exchange;
//  - this process's CPU time while one command waits out the 3500 ms silence.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../benchutil.h"
#include "host/fiscalcontrol.h"
#include "platform/queueloop.h"

using namespace quorvel;
using bench::CpuMs;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  const bench::TForkedPrinter printer("quorvel-bench", "SILENT");
  const std::string& link = printer.Link();

  platform::TQueueLoop loop;
  host::TFPHostControl control(loop);
  platform::TPortMap ports;
  ports.com[0] = link;
  control.SetPortMap(ports);
  control.SetBaudRate(host::br115200);
  Clock::time_point finalAt;
  bool ended = false, ok = false;
  control.OnFinalAnswer = [&](host::TFPHostControl&) {
    finalAt = Clock::now();
    ended = ok = true;
  };
  control.OnError = [&](host::TFPHostControl&) { ended = true; };
  if (!control.OpenPort()) {
    std::fprintf(stderr, "cannot open %s: %s\n", link.c_str(), host::ErrorName(control.LastError()));
    return 1;
  }
  auto exchange = [&](const char* command) {
    ended = ok = false;
    control.AddDataField(command);
    const auto sentAt = Clock::now();
    control.SendCommand();
    loop.RunUntil([&] { return ended && control.State() == host::EFP_S_Idle; }, std::chrono::seconds(10));
    return ok ? std::chrono::duration<double, std::milli>(finalAt - sentAt).count() : -1.0;
  };

  exchange("WARMUP");
  std::vector<double> latencies;
  int failures = 0;
  const double cpuBefore = CpuMs();
  for (int i = 0; i < exchanges; ++i) {
    const double ms = exchange("PING");
    if (ms < 0) ++failures;
    else latencies.push_back(ms);
  }
  const double cpuPerExchange = (CpuMs() - cpuBefore) / exchanges;

  const double silentCpuBefore = CpuMs();
  const auto silentStart = Clock::now();
  exchange("SILENT");
  const double silentWallMs = std::chrono::duration<double, std::milli>(Clock::now() - silentStart).count();
  const double silentCpu = CpuMs() - silentCpuBefore;

  control.ClosePort();

  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double q) { return latencies.empty() ? -1.0 : latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))]; };
  std::printf("exchanges: %d (%d failed)\n", exchanges, failures);
  std::printf("SendCommand -> OnFinalAnswer: median %.2f ms, p99 %.2f ms, max %.2f ms\n", at(0.5), at(0.99),
              latencies.empty() ? -1.0 : latencies.back());
  std::printf("CPU per exchange: %.3f ms\n", cpuPerExchange);
  std::printf("silent wait: %.0f ms wall, %.2f ms CPU\n", silentWallMs, silentCpu);
  return failures == 0 ? 0 : 1;
}
