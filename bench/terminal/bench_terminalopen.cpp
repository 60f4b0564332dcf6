// SPDX-License-Identifier: MIT
// Opening a large terminal file into the terminal window: 100 groups x 20
// commands x 12 command fields (the shape of the model benchmark), or a file
// given on the command line. Prints the time to create the window and to build
// one command's form. Asserts nothing.
//   bench_terminalopen [FILE.qvl]     (run with QT_QPA_PLATFORM=offscreen headless)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "../benchutil.h"
#include "../model/generatedfile.h"
#include "widgets/prompts.h"
#include "model/settingsrecord.h"
#include "model/terminalfile.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"

namespace {

constexpr int kRuns = 10;

class TBenchContext : public quorvel::terminal::TTerminalContext {
 public:
  quorvel::model::TSettingsRecord settings;
  quorvel::widgets::TScriptedPrompts prompts;
  quorvel::model::TSettingsRecord& Settings() override { return settings; }
  quorvel::host::TFPHostControl& Host() override { std::abort(); }
  quorvel::dgi::TFPAuxControl& Dgi() override { std::abort(); }
  quorvel::widgets::TPrompts& Prompts() override { return prompts; }
  void SetStatusText(int, const QString&) override {}
  void ShowHint(const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir folder;
  QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.filePath("large.qvl");
  if (argc <= 1) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QByteArray::fromStdString(quorvel::bench::GenerateFile()));
  }
  std::printf("file %s: %lld bytes\n", qPrintable(path), static_cast<long long>(QFile(path).size()));

  TBenchContext context;
  std::vector<double> open, form;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    quorvel::terminal::TFormChildTerminalWindow window(context, path);
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    open.push_back(double(timer.nsecsElapsed()) / 1e6);

    QTreeWidgetItem* root = window.TreeViewCommand()->topLevelItem(0);
    QTreeWidgetItem* command = root->child(root->childCount() / 2)->child(10);
    timer.restart();
    window.TreeViewCommandChange(command);
    QApplication::processEvents();
    form.push_back(double(timer.nsecsElapsed()) / 1e6);
  }
  quorvel::bench::Report("open the file into the terminal window", open);
  quorvel::bench::Report("select a command and build its form", form);
  return 0;
}
