// Times the start-up of the main window: from its creation (settings, ports,
// command line) to the window shown and, when one is remembered, its terminal
// file open in the two child windows; and the file-type registration on its own.
// Ports are mapped to missing devices, so each start reports its port errors to
// scripted prompts instead of boxes. Prints the figures; asserts nothing.
//   QT_QPA_PLATFORM=offscreen bench_startup [runs]
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../benchutil.h"
#include "app/formmain.h"
#include "app/pictures.h"
#include "app/registration.h"
#include "widgets/prompts.h"

using quorvel::app::TFormMain;

namespace {

double StartOnce(const QString& rememberedFile) {
  QTemporaryDir dir;
  const QString settings = dir.filePath(QStringLiteral("quorvel.conf"));
  {
    QSettings store(settings, QSettings::IniFormat);
    for (int i = 1; i <= 16; ++i) store.setValue(QStringLiteral("Ports/Com%1").arg(i), dir.filePath("none"));
    if (!rememberedFile.isEmpty()) {
      const QString copy = dir.filePath(QStringLiteral("remembered.qvl"));
      QFile::copy(rememberedFile, copy);
      store.setValue(QStringLiteral("File"), copy);
    }
  }
  quorvel::widgets::TScriptedPrompts prompts;
  quorvel::app::TFormMainOptions options;
  options.prompts = &prompts;
  options.settingsFile = settings;
  options.programFolder = dir.path();
  options.registerFileType = false;

  QElapsedTimer timer;
  timer.start();
  TFormMain window(options);
  window.showMaximized();
  while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  while (!rememberedFile.isEmpty() && !window.TerminalFileOpen()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  QCoreApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The first registration writes the files and starts the desktop's update
// commands; every later start finds the files in place and only compares them.
std::vector<double> Registrations(const QString& dataHome, int runs) {
  const quorvel::app::TFileTypeRegistration registration(QStringLiteral("quorvel"),
                                                         QCoreApplication::applicationFilePath(), dataHome);
  const QImage icon = quorvel::app::ProgramImage();
  std::vector<double> ms;
  for (int i = 0; i <= runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    registration.Register(icon);
    ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  return ms;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const QString demo = QStringLiteral(QUORVEL_SOURCE_DIR "/examples/demo.qvl");

  StartOnce({});  // warm-up: fonts, styles, plug-ins
  std::vector<double> empty, withFile;
  for (int i = 0; i < runs; ++i) {
    empty.push_back(StartOnce({}));
    withFile.push_back(StartOnce(demo));
  }
  QTemporaryDir dataHome;
  std::vector<double> registration = Registrations(dataHome.path(), runs);
  const double first = registration.front();
  registration.erase(registration.begin());
  quorvel::bench::Report("start-up, no terminal file", empty);
  quorvel::bench::Report("start-up, demo file remembered", withFile);
  std::printf("%-40s %9.4f ms\n", "file-type registration, first time", first);
  quorvel::bench::Report("file-type registration, in place", registration);
  std::printf("memory: VmHWM %.1f MiB\n", quorvel::bench::StatusMiB("VmHWM"));
  // Let the update commands started by the first registration finish before
  // their folder goes.
  QThread::sleep(1);
  return 0;
}
