// SPDX-License-Identifier: MIT
// Log entries of 50-byte frames handed to an open log window the way the main
// window hands them over (one queued notification per entry, in bursts of a
// busy port), until the last one is painted. Prints one line:
//   entries=N total_ms=X max_stall_ms=Y rss_mib=Z
// total: from the first entry handed over to the last one painted (the view's
// viewport is grabbed, so painting counts); max stall: the longest turn of the
// event loop; rss: the process's peak resident memory. Asserts nothing.
//   bench_logwindow [--entries N]     (default 100000; runs offscreen)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/logwindow.h"
#include "../benchutil.h"
#include "model/colors.h"
#include "model/settingsrecord.h"

namespace {

constexpr int kBurst = 1000;  // notifications posted per turn of the event loop

std::string Frame(long long n) {
  std::string frame(50, '\0');
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<char>((n + int(i)) & 0xFF);
  return frame;
}

void Usage(std::FILE* out) {
  std::fprintf(out,
               "usage: bench_logwindow [--entries N]\n"
               "Hands N log entries (default 100000) to a log window offscreen and prints\n"
               "entries=N total_ms=X max_stall_ms=Y rss_mib=Z\n");
}

// True once the view holds every entry handed over.
bool ViewHoldsAll(quorvel::app::TFormChildLogWindow& window, long long entries) {
  return window.RichEditLog()->Entries().Count() >= static_cast<unsigned long long>(entries);
}

QWidget* Viewport(quorvel::app::TFormChildLogWindow& window) { return window.RichEditLog()->viewport(); }

}  // namespace

int main(int argc, char** argv) {
  long long entries = 100000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      Usage(stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--entries") == 0 && i + 1 < argc) {
      char* end = nullptr;
      entries = std::strtoll(argv[++i], &end, 10);
      if (*end == '\0' && entries > 0) continue;
      std::fprintf(stderr, "bench_logwindow: --entries wants a positive whole number, not '%s'\n", argv[i]);
      return 2;
    }
    std::fprintf(stderr, "bench_logwindow: unknown argument '%s'\n", argv[i]);
    Usage(stderr);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QTemporaryDir folder;
  quorvel::model::TSettingsRecord settings;
  settings.HostColor = quorvel::model::clNavy;
  settings.FPColor = quorvel::model::clMaroon;
  quorvel::app::TFormChildLogWindow window(settings, folder.filePath("bench.qvl"));
  window.resize(800, 600);
  window.show();
  QApplication::processEvents();

  long long fed = 0;
  double maxStallMs = 0;
  QElapsedTimer total;
  QElapsedTimer sinceLastTurn;

  // A probe that runs on every turn of the event loop measures the stalls.
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    maxStallMs = std::max(maxStallMs, double(sinceLastTurn.nsecsElapsed()) / 1e6);
    sinceLastTurn.restart();
  });

  QTimer feeder;
  feeder.setInterval(0);
  QObject::connect(&feeder, &QTimer::timeout, [&] {
    if (fed == 0) total.start();
    auto* log = &window;
    for (int i = 0; i < kBurst && fed < entries; ++i, ++fed) {
      if (fed % 2 == 0) {
        QMetaObject::invokeMethod(log, [log, frame = Frame(fed)] { log->LogHostWrite(frame); }, Qt::QueuedConnection);
      } else {
        QMetaObject::invokeMethod(log, [log, frame = Frame(fed)] { log->LogFrameRead(frame); }, Qt::QueuedConnection);
      }
    }
    if (fed >= entries) feeder.stop();
  });

  double totalMs = 0;
  QTimer done;
  done.setInterval(0);
  QObject::connect(&done, &QTimer::timeout, [&] {
    if (fed < entries || !ViewHoldsAll(window, entries)) return;
    window.FlushView();
    Viewport(window)->grab();
    totalMs = double(total.nsecsElapsed()) / 1e6;
    QCoreApplication::exit(0);
  });

  sinceLastTurn.start();
  probe.start();
  feeder.start();
  done.start();
  app.exec();

  std::printf("entries=%lld total_ms=%.0f max_stall_ms=%.1f rss_mib=%.0f\n", entries, totalMs, maxStallMs,
              quorvel::bench::StatusMiB("VmHWM"));
  return 0;
}
