// Host exchange figures over a pseudo-terminal, with the printer emulator in a
// child process answering at once:
//  - time from SendCommand to OnFinalAnswer over 1000 exchanges (median, p99);
//  - this process's CPU time per exchange;
//  - this process's CPU time while one command waits out the 3500 ms silence.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "emulator/emulator.h"
#include "host/fiscalcontrol.h"
#include "platform/queueloop.h"

using namespace quorvel;
using Clock = std::chrono::steady_clock;

namespace {

double CpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The printer lives in its own process so that its CPU time is not counted here.
pid_t StartPrinter(const std::string& link) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  emulator::TEmulator printer(emulator::TLine::Host, link);
  emulator::THostReply silent;
  silent.silent = true;
  printer.SetHostReplyFor("SILENT", silent);
  for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  const std::string link = (std::filesystem::temp_directory_path() / ("quorvel-bench-" + std::to_string(::getpid()))).string();
  const pid_t printer = StartPrinter(link);
  for (int i = 0; i < 100 && !std::filesystem::exists(link); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));

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
    ::kill(printer, SIGTERM);
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
  ::kill(printer, SIGTERM);
  ::waitpid(printer, nullptr, 0);
  std::filesystem::remove(link);

  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double q) { return latencies.empty() ? -1.0 : latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))]; };
  std::printf("exchanges: %d (%d failed)\n", exchanges, failures);
  std::printf("SendCommand -> OnFinalAnswer: median %.2f ms, p99 %.2f ms, max %.2f ms\n", at(0.5), at(0.99),
              latencies.empty() ? -1.0 : latencies.back());
  std::printf("CPU per exchange: %.3f ms\n", cpuPerExchange);
  std::printf("silent wait: %.0f ms wall, %.2f ms CPU\n", silentWallMs, silentCpu);
  return failures == 0 ? 0 : 1;
}
