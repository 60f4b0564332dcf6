// SPDX-License-Identifier: MIT
// Send figures against the printer emulator (in a child process, answering at once):
//  - Repeat of a host command in the terminal window: commands per second, this
//    process's CPU time per command, the longest stall of the event loop;
//  - the same through quorvel-cli send --repeat (the child's CPU time);
//  - the CPU time while one command waits out the 3500 ms silence, in both.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../benchutil.h"
#include "app/qtloop.h"
#include "dgi/fpauxcontrol.h"
#include "host/fiscalcontrol.h"
#include "widgets/prompts.h"
#include "model/settingsrecord.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"

extern char** environ;

using namespace quorvel;

namespace {

using bench::CpuMs;
using bench::Ms;

class TBenchContext : public terminal::TTerminalContext {
 public:
  TBenchContext(host::TFPHostControl& host, dgi::TFPAuxControl& dgi) : host_(host), dgi_(dgi) {}
  model::TSettingsRecord& Settings() override { return settings; }
  host::TFPHostControl& Host() override { return host_; }
  dgi::TFPAuxControl& Dgi() override { return dgi_; }
  widgets::TPrompts& Prompts() override { return prompts; }
  void SetStatusText(int panel, const QString& text) override {
    if (panel == 1) status = text;
  }
  void ShowHint(const QString&) override {}

  model::TSettingsRecord settings;
  widgets::TScriptedPrompts prompts;
  QString status;

 private:
  host::TFPHostControl& host_;
  dgi::TFPAuxControl& dgi_;
};

// The longest gap between two ticks of a 5 ms timer, beyond its interval.
class TStallMeter {
 public:
  TStallMeter() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    longest_ = 0;
    last_ = -1;
    clock_.start();
    timer_.start(5);
  }
  double LongestStallMs() {
    timer_.stop();
    return std::max(0.0, static_cast<double>(longest_) / 1e6 - 5.0);
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  qint64 longest_ = 0;
};

void WriteFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(
      "[General]\r\nProtocol=0\r\n[Groups]\r\nB=\r\n[B]\r\nEcho=\r\nQuiet=\r\n"
      "[BEcho]\r\nCommands=0,\"Cmd\",\"\",0,\"E\",0,0,0,0,0,0,0,0,\"N\",\"\",0,\"TKT\",0,0,0,0,0,0,1\r\n"
      "[BQuiet]\r\nCommands=0,\"Cmd\",\"\",0,\"S\",0,0,0,0,0,0,0\r\n");
}

void Select(terminal::TFormChildTerminalWindow& window, const QString& command) {
  QTreeWidgetItem* group = window.TreeViewCommand()->topLevelItem(0)->child(0);
  for (int i = 0; i < group->childCount(); ++i)
    if (group->child(i)->text(0) == command) {
      window.TreeViewCommand()->setCurrentItem(group->child(i));
      window.TreeViewCommandChange(group->child(i));
    }
}

struct TChildRun {
  double wallMs = 0;
  double cpuMs = 0;
  int status = -1;
};

TChildRun RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), {QUORVEL_CLI_PATH, "send"});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  TChildRun run;
  if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuMs = Ms(usage.ru_utime) + Ms(usage.ru_stime);
  }
  run.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  const bench::TForkedPrinter printer("quorvel-bench-send", "S");  // before any thread of ours exists
  const std::string& link = printer.Link();

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("bench.qvl"));
  WriteFile(file);

  {
    app::TQtLoop loop;
    host::TFPHostControl host(loop);
    dgi::TFPAuxControl dgi(loop);
    platform::TPortMap ports;
    ports.com[0] = link;
    host.SetPortMap(ports);
    host.SetBaudRate(host::br115200);
    if (!host.OpenPort()) {
      std::fprintf(stderr, "cannot open %s\n", link.c_str());
      return 1;
    }
    TBenchContext context(host, dgi);
    context.settings.HostPortOpen = true;
    terminal::TFormChildTerminalWindow window(context, file);
    const QPointer<terminal::TFormChildTerminalWindow> target(&window);
    int finals = 0;
    host.OnFinalAnswer = [&](host::TFPHostControl&) {
      ++finals;
      QMetaObject::invokeMethod(target, "HostFinalAnswer", Qt::QueuedConnection);
    };
    host.OnError = [&](host::TFPHostControl&) { QMetaObject::invokeMethod(target, "HostError", Qt::QueuedConnection); };
    window.resize(900, 600);
    window.show();
    Select(window, QStringLiteral("Echo"));

    TStallMeter stalls;
    context.prompts.inputAnswers.push_back(QString::number(count));
    stalls.Start();
    const double cpuBefore = CpuMs();
    QElapsedTimer wall;
    wall.start();
    window.findChild<QPushButton*>(QStringLiteral("ButtonRepeat"))->click();
    const auto ended = [&] {
      return context.status == QStringLiteral("Ready") || context.status == QStringLiteral("Error") ||
             context.status == QStringLiteral("TimeOut");
    };
    while (!ended()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (context.status != QStringLiteral("Ready"))
      std::printf("gui repeat ended with %s after %d answers (%s)\n", qPrintable(context.status), finals,
                  host::ErrorName(host.LastError()));
    for (const QString& message : context.prompts.MessageTexts()) std::printf("  box: %s\n", qPrintable(message));
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = CpuMs() - cpuBefore;
    std::printf("gui repeat %d: %.1f commands/s, %.3f ms CPU per command, longest stall %.1f ms (%d answers)\n", count,
                count / seconds, cpu / count, stalls.LongestStallMs(), finals);

    Select(window, QStringLiteral("Quiet"));
    const double quietBefore = CpuMs();
    wall.restart();
    window.findChild<QPushButton*>(QStringLiteral("ButtonSend"))->click();
    while (!ended()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("gui silent wait: %.0f ms, %.1f ms CPU\n", static_cast<double>(wall.elapsed()), CpuMs() - quietBefore);
    host.ClosePort();
  }

  const std::string path = file.toStdString();
  const TChildRun repeat = RunCli({"--file", path, "--command", "B/Echo", "--device", link, "--baud", "115200",
                                   "--repeat", std::to_string(count)});
  std::printf("cli repeat %d: %.1f commands/s, %.3f ms CPU per command (exit %d)\n", count,
              count / (repeat.wallMs / 1000.0), repeat.cpuMs / count, repeat.status);
  const TChildRun quiet = RunCli({"--file", path, "--command", "B/Quiet", "--device", link});
  std::printf("cli silent wait: %.0f ms, %.1f ms CPU for the whole run (exit %d)\n", quiet.wallMs, quiet.cpuMs,
              quiet.status);
  return 0;
}
