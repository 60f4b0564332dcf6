// 100,000 log entries of 50-byte frames appended to an open log window, fed in
// bursts from the event loop as a busy port would. Prints the time per entry,
// the time until every entry is on screen, the longest stall of the event loop
// and the process's memory. Asserts nothing.
//   bench_logwindow [entries]        (run with QT_QPA_PLATFORM=offscreen headless)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/logwindow.h"
#include "../benchutil.h"
#include "model/colors.h"
#include "model/settingsrecord.h"

namespace {

constexpr int kBurst = 1000;  // entries handed over per turn of the event loop

std::string Frame(int n) {
  std::string frame(50, '\0');
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<char>((n + int(i)) & 0xFF);
  return frame;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::stoi(argv[1]) : 100000;
  QTemporaryDir folder;
  quorvel::model::TSettingsRecord settings;
  settings.HostColor = quorvel::model::clNavy;
  settings.FPColor = quorvel::model::clMaroon;
  quorvel::app::TFormChildLogWindow window(settings, folder.filePath("bench.qvl"));
  window.resize(800, 600);
  window.show();
  QApplication::processEvents();
  const double memoryBefore = quorvel::bench::StatusMiB("VmRSS");

  std::vector<double> perEntry;
  perEntry.reserve(std::size_t(entries));
  std::vector<double> loopGaps;
  QElapsedTimer total;
  QElapsedTimer sinceLastTurn;
  int fed = 0;

  // A probe that runs on every turn of the event loop measures the stalls.
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    loopGaps.push_back(double(sinceLastTurn.nsecsElapsed()) / 1e6);
    sinceLastTurn.restart();
  });

  QTimer feeder;
  feeder.setInterval(0);
  QObject::connect(&feeder, &QTimer::timeout, [&] {
    QElapsedTimer one;
    for (int i = 0; i < kBurst && fed < entries; ++i, ++fed) {
      const std::string frame = Frame(fed);
      one.start();
      if (fed % 2 == 0) {
        window.LogHostWrite(frame);
      } else {
        window.LogFrameRead(frame);
      }
      perEntry.push_back(double(one.nsecsElapsed()) / 1e6);
    }
    if (fed >= entries) feeder.stop();
  });

  QTextDocument* document = window.RichEditLog()->document();
  QTimer done;
  done.setInterval(0);
  QObject::connect(&done, &QTimer::timeout, [&] {
    if (fed >= entries && document->blockCount() >= entries) QCoreApplication::exit(0);
  });

  total.start();
  sinceLastTurn.start();
  probe.start();
  feeder.start();
  done.start();
  app.exec();
  const double totalMs = double(total.nsecsElapsed()) / 1e6;

  std::printf("%d entries of 50-byte frames, %d per burst\n", entries, kBurst);
  quorvel::bench::Report("one entry handed to the log window", perEntry);
  quorvel::bench::Report("turn of the event loop", loopGaps);
  std::printf("all entries on screen after %.0f ms\n", totalMs);
  std::printf("memory: %.1f MiB resident before, %.1f MiB after, peak %.1f MiB\n", memoryBefore,
              quorvel::bench::StatusMiB("VmRSS"), quorvel::bench::StatusMiB("VmHWM"));
  return 0;
}
