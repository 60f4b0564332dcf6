// SPDX-License-Identifier: MIT
// Soak run of the window, by hand under Xvfb (scripts/soak-window.sh): the real main
// window, with its log and terminal windows, sends one command COMMANDS times (2,000)
// with Repeat against the printer emulator in a child process, which answers healthily
// or, at random, with NAK, a bad checksum, a DC2 burst, silence, or a hang-up after
// which the line comes back. Repeat ends at the first error, as it does for a user: the
// driver answers the error box (the scripted prompts say OK), reopens the host port
// after a hang-up as the user does (Preferences, OK), and repeats the remaining
// commands. Prints this process's resident memory after the first 1,000 commands and at
// the end, the faults played, the error boxes shown and the log's size; exits 1 unless
// there was one box per fault that ends a command and memory grew less than 10%.
//
// usage: soak_window [COMMANDS (2000)] [SEED (1)]
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/formmain.h"
#include "app/logview.h"
#include "app/logwindow.h"
#include "host/fiscalcontrol.h"
#include "soakprinter.h"
#include "terminal/terminal.h"
#include "widgets/prompts.h"

using namespace quorvel;
using namespace quorvel::soak;

namespace {

const char kTerminalFile[] =
    "[General]\r\nProtocol=0\r\n[Groups]\r\nSoak=\r\n[Soak]\r\nTicket=\r\n[SoakTicket]\r\n"
    "Commands=0,\"Cmd\",\"\",0,\"T\",0,0,0,0,0,0,0,0,\"Number\",\"\",0,\"TKT\",0,0,0,0,0,0,1\r\nAnswers=\r\n";

// The printer in a child process of its own (started before any thread of this one),
// so that neither its memory nor its CPU time is counted here. It writes one byte to
// `reportFd` per command frame it receives.
pid_t StartPrinter(const std::string& link, const std::vector<TFault>& plan, int reportFd) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  TPrinter printer(link, plan, reportFd);
  for (;;) {
    printer.Tend();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

QTreeWidgetItem* FindCommand(QTreeWidget* tree, const QString& name) {
  QTreeWidgetItem* root = tree->topLevelItem(0);
  for (int g = 0; root && g < root->childCount(); ++g)
    for (int c = 0; c < root->child(g)->childCount(); ++c)
      if (root->child(g)->child(c)->text(0) == name) return root->child(g)->child(c);
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const int commands = argc > 1 ? std::atoi(argv[1]) : 2000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
  if (commands < 1) {
    std::fprintf(stderr, "usage: soak_window [COMMANDS (2000)] [SEED (1)]\n");
    return 2;
  }
  std::mt19937 random(seed);
  std::vector<TFault> plan;
  for (int i = 0; i < commands; ++i) plan.push_back(PickFault(random));
  plan.back() = TFault::None;  // a hang-up needs a command after it to show the line is back
  int faults[6] = {};
  int ending = 0;
  for (TFault f : plan) {
    ++faults[static_cast<int>(f)];
    ending += EndsWithoutAnswer(f) ? 1 : 0;
  }

  char pattern[] = "/tmp/quorvel-soak-window-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 2;
  const std::filesystem::path folder = pattern;
  const std::string link = (folder / "host").string();
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return 2;
  const pid_t printer = StartPrinter(link, plan, report[1]);
  ::close(report[1]);
  ::fcntl(report[0], F_SETFL, O_NONBLOCK);
  for (int i = 0; i < 250 && !std::filesystem::exists(link); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  QApplication application(argc, argv);
  const QString base = QString::fromStdString(folder.string());
  const QString file = base + QStringLiteral("/soak.qvl");
  {
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(kTerminalFile);
  }
  const QString settingsFile = base + QStringLiteral("/quorvel.conf");
  {
    QSettings store(settingsFile, QSettings::IniFormat);
    store.setValue(QStringLiteral("File"), file);
    store.setValue(QStringLiteral("HComm"), 0);
    store.setValue(QStringLiteral("HBaud"), 7);
    store.setValue(QStringLiteral("DGIEnabled"), 0);
    store.setValue(QStringLiteral("Ports/Com1"), QString::fromStdString(link));
  }

  long rssAt1000 = -1, rssMax = -1, rssEnd = -1;
  int frames = 0;
  QSocketNotifier counter(report[0], QSocketNotifier::Read);
  QObject::connect(&counter, &QSocketNotifier::activated, [&] {
    char bytes[256];
    for (ssize_t n; (n = ::read(report[0], bytes, sizeof bytes)) > 0;) frames += static_cast<int>(n);
    if (frames >= 1000 && rssAt1000 < 0) rssAt1000 = ResidentKiB(::getpid());
  });
  QTimer sampler;  // also keeps the waits below from sleeping forever
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    if (rssAt1000 >= 0) rssMax = std::max(rssMax, ResidentKiB(::getpid()));
  });
  sampler.start(100);

  widgets::TScriptedPrompts prompts;
  app::TFormMainOptions options;
  options.prompts = &prompts;
  options.settingsFile = settingsFile;
  options.programFolder = base;
  options.registerFileType = false;
  int repeats = 0, reopens = 0;
  bool sound = true;
  QElapsedTimer wall;
  wall.start();
  {
    app::TFormMain window(options);
    window.showMaximized();
    for (int i = 0; i < 20 && !window.TerminalWindow(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    terminal::TFormChildTerminalWindow* terminal = window.TerminalWindow();
    if (!terminal || !window.Settings().HostPortOpen) {
      std::fprintf(stderr, "soak_window: the terminal file or the host port did not open\n");
      ::kill(printer, SIGTERM);
      return 2;
    }
    QTreeWidgetItem* ticket = FindCommand(terminal->TreeViewCommand(), QStringLiteral("Ticket"));
    terminal->TreeViewCommand()->setCurrentItem(ticket);
    terminal->TreeViewCommandChange(ticket);
    auto* repeat = terminal->findChild<QPushButton*>(QStringLiteral("ButtonRepeat"));
    host::TFPHostControl& host = window.Host();
    const auto waitFor = [](const std::function<bool()>& done) {
      while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };

    while (frames < commands) {
      if (host.LineClosed() || !window.Settings().HostPortOpen) {
        // The user waits for the printer to be back, then opens the port again.
        waitFor([&] { return std::filesystem::exists(link); });
        window.ApplyPreferences();
        ++reopens;
        if (!window.Settings().HostPortOpen) {
          std::fprintf(stderr, "soak_window: the host port did not open again\n");
          sound = false;
          break;
        }
      }
      const int before = frames;
      prompts.inputAnswers.push_back(QString::number(commands - frames));
      ++repeats;
      repeat->click();  // returns once the last step is handed over or an error ended it
      // Until the exchange in progress has ended and the window offers Repeat again.
      waitFor([&] {
        return host.State() != host::EFP_S_Busy && (repeat->isEnabled() || host.LineClosed());
      });
      QCoreApplication::processEvents();
      if (frames == before) {
        std::fprintf(stderr, "soak_window: Repeat sent nothing\n");
        sound = false;
        break;
      }
    }
    window.LogWindow()->FlushView();
    QCoreApplication::processEvents();
    rssEnd = ResidentKiB(::getpid());
    const QString log = window.LogWindow()->ViewText();
    const int boxes = static_cast<int>(prompts.MessageTexts().size());
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double growth =
        rssAt1000 > 0 ? 100.0 * static_cast<double>(std::max(rssMax, rssEnd) - rssAt1000) / static_cast<double>(rssAt1000) : 0;
    std::printf("window soak: commands=%d seed=%u seconds=%.0f repeats=%d reopens=%d\n", frames, seed, seconds,
                repeats, reopens);
    std::printf("  faults nak=%d badchecksum=%d busy=%d silent=%d hangup=%d (ending without answer: %d)\n", faults[1],
                faults[2], faults[3], faults[4], faults[5], ending);
    std::printf("  error boxes=%d -> %s\n", boxes, boxes == ending ? "every error reported" : "MISMATCH");
    std::printf("  log lines=%lld\n", static_cast<long long>(log.count(u'\n')));
    std::printf("  rss_kib after1000=%ld end=%ld max_after1000=%ld growth=%.1f%%\n", rssAt1000, rssEnd, rssMax, growth);
    sound = sound && frames == commands && boxes == ending && growth < 10.0;
  }
  ::kill(printer, SIGTERM);
  ::waitpid(printer, nullptr, 0);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::printf("%s\n", sound ? "window soak: sound (no crash, every error reported, memory growth under 10%)"
                            : "window soak: FAILED");
  return sound ? 0 : 1;
}
