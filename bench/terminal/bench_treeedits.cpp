// SPDX-License-Identifier: MIT
// The command tree and field list editors on a large terminal file: 20 groups x
// 100 commands x 12 command fields (2,000 commands). Each figure is one edit end
// to end: the file replaced and the window showing it (tree, in-memory copy,
// command page). Every edit is undone afterwards, outside the timing, so each run
// starts from the same file. For comparison, two edits are also made the way a
// key-by-key writer would make them (one replacement of the file per key
// written, section erased or key deleted), then shown the same way.
// Asserts nothing.
//   bench_treeedits            (run with QT_QPA_PLATFORM=offscreen headless)
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "../benchutil.h"
#include "../model/generatedfile.h"
#include "model/extinifile.h"
#include "model/fileedit.h"
#include "model/settingsrecord.h"
#include "model/terminalfile.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"
#include "widgets/prompts.h"

namespace {

using quorvel::terminal::TFormChildTerminalWindow;
using quorvel::terminal::TTerminalContext;

constexpr int kGroups = 20;
constexpr int kCommandsPerGroup = 100;
constexpr int kRuns = 15;

class TBenchContext : public TTerminalContext {
 public:
  quorvel::model::TSettingsRecord settings;
  quorvel::widgets::TScriptedPrompts prompts;
  std::function<void(const std::string&, const std::string&, const TFileChanged&)> editFields;
  TOverwriteChoice overwrite = TOverwriteChoice::Overwrite;
  quorvel::model::TSettingsRecord& Settings() override { return settings; }
  quorvel::host::TFPHostControl& Host() override { std::abort(); }
  quorvel::dgi::TFPAuxControl& Dgi() override { std::abort(); }
  quorvel::widgets::TPrompts& Prompts() override { return prompts; }
  void SetStatusText(int, const QString&) override {}
  void ShowHint(const QString&) override {}
  void EditFields(QWidget*, const std::string& fileName, const std::string& section,
                  const TFileChanged& changed) override {
    if (editFields) editFields(fileName, section, changed);
  }
  TOverwriteChoice ChooseOverwriteOrNew(QWidget*) override { return overwrite; }
};

QTreeWidgetItem* Group(TFormChildTerminalWindow& window, int g) {
  return window.TreeViewCommand()->topLevelItem(0)->child(g);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir folder;
  const QString path = folder.filePath("large.qvl");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QByteArray::fromStdString(quorvel::bench::GenerateFileOf(kGroups, kCommandsPerGroup)));
  }
  const std::string fileName = QFile::encodeName(path).toStdString();
  std::printf("file %s: %lld bytes, %d commands\n", qPrintable(path), static_cast<long long>(QFile(path).size()),
              kGroups * kCommandsPerGroup);

  TBenchContext context;
  TFormChildTerminalWindow window(context, path);
  window.resize(1000, 700);
  window.show();
  QApplication::processEvents();
  QTreeWidget* tree = window.TreeViewCommand();

  // One edit: `prepare` (untimed) selects and queues answers, `act` is timed
  // until the window has handled every pending event, then Undo (untimed).
  const auto measure = [&](const char* what, const std::function<void()>& prepare, const std::function<void()>& act) {
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
      prepare();
      QElapsedTimer timer;
      timer.start();
      act();
      QApplication::processEvents();
      ms.push_back(double(timer.nsecsElapsed()) / 1e6);
      window.Undo();
      QApplication::processEvents();
    }
    quorvel::bench::Report(what, ms);
  };
  const auto select = [&](QTreeWidgetItem* node) {
    tree->setCurrentItem(node);
    window.TerminalWindowPopupMenuPopup();
  };
  const auto trigger = [&](const char* item) { window.MenuItem(QString::fromLatin1(item))->trigger(); };
  const auto answer = [&](const QString& text) { context.prompts.inputAnswers.push_back(text); };

  measure("add a group", [&] { select(tree->topLevelItem(0)); answer("NewGroup"); },
          [&] { trigger("MenuItemGroupAdd"); });
  measure("rename a group of 100 commands", [&] { select(Group(window, 10)); answer("Renamed"); },
          [&] { trigger("MenuItemGroupModify"); });
  measure("remove a group of 100 commands",
          [&] { select(Group(window, 10)); context.prompts.messageAnswers.push_back(quorvel::widgets::TPromptResult::Ok); },
          [&] { trigger("MenuItemGroupRemove"); });
  measure("add a command", [&] { select(Group(window, 10)); answer("NewCommand"); },
          [&] { trigger("MemuItemCommandAdd"); });
  measure("rename a command", [&] { select(Group(window, 10)->child(50)); answer("Renamed"); },
          [&] { trigger("MenuItemCommandModify"); });
  measure("remove a command",
          [&] {
            select(Group(window, 10)->child(50));
            context.prompts.messageAnswers.push_back(quorvel::widgets::TPromptResult::Ok);
          },
          [&] { trigger("MenuItemCommandRemove"); });
  measure("paste a command into another group",
          [&] { select(Group(window, 10)->child(50)); trigger("MenuItemCopyCommand"); select(Group(window, 11)); answer("Copy"); },
          [&] { trigger("MenuItemPasteCommand"); });
  measure("duplicate a group of 100 commands",
          [&] { select(Group(window, 10)); trigger("MenuItemCopyCommand"); select(tree->topLevelItem(0)); },
          [&] { trigger("MenuItemPasteCommand"); });
  measure("merge a group of 100 into another",
          [&] {
            select(Group(window, 10));
            trigger("MenuItemCopyCommand");
            select(Group(window, 11));
            for (int i = 0; i < kCommandsPerGroup; ++i) {
              context.prompts.messageAnswers.push_back(quorvel::widgets::TPromptResult::Ok);
            }
          },
          [&] { trigger("MenuItemPasteCommand"); });

  // Field list changes: the layer's operation, then the window rebuilds the command page.
  quorvel::model::TTerminalFileEditor editor(fileName);
  const auto fieldChange = [&](const char* what, const std::function<quorvel::model::TEditResult(const std::string&)>& change) {
    context.editFields = [&](const std::string&, const std::string& section, const TTerminalContext::TFileChanged& changed) {
      const quorvel::model::TEditResult result = change(section);
      changed(result.Before, result.After);
    };
    measure(what, [&] { select(Group(window, 10)->child(50)); }, [&] { trigger("MenuItemEditFields"); });
  };
  quorvel::model::TCommandFieldEntry entry;
  entry.Field.Caption = "New field";
  entry.Items = {"a", "b"};
  fieldChange("add a command field", [&](const std::string& s) { return editor.AddCommandField(s, entry); });
  fieldChange("modify command field 1", [&](const std::string& s) { return editor.ModifyCommandField(s, 1, entry); });
  fieldChange("remove command field 1", [&](const std::string& s) { return editor.RemoveCommandField(s, 1); });
  fieldChange("add an answer field", [&](const std::string& s) {
    return editor.AddAnswerField(s, {"Total", quorvel::model::kTextCurrency, 2});
  });

  // The same two edits key by key, each write one replacement of the file, shown the same way.
  std::vector<double> keyByKey;
  for (int run = 0; run < 3; ++run) {
    std::string before;
    quorvel::model::TFileDevice(fileName).Load(before);
    QElapsedTimer timer;
    timer.start();
    quorvel::model::TExtIniFile file(fileName);
    const std::string oldName = "Group10";
    const std::string newName = "Renamed";
    for (const std::string& command : file.ReadSectionKeys(oldName)) {
      file.WriteKey(newName, command, "");
      for (const std::string& key : file.ReadSectionKeys(oldName + command)) {
        std::string value = file.ReadValue(oldName + command, key, "");
        if (key != "Commands" && key != "Answers") value = "\"" + value + "\"";
        file.WriteKey(newName + command, key, value);
      }
      file.EraseSection(oldName + command);
    }
    file.EraseSection(oldName);
    file.DeleteKey("Groups", oldName);
    file.WriteKey("Groups", newName, "");
    window.ReloadFile();
    QApplication::processEvents();
    keyByKey.push_back(double(timer.nsecsElapsed()) / 1e6);
    quorvel::model::TFileDevice(fileName).Store(before);
    window.ReloadFile();
  }
  quorvel::bench::Report("rename a group of 100, key by key", keyByKey);
  keyByKey.clear();
  for (int run = 0; run < kRuns; ++run) {
    std::string before;
    quorvel::model::TFileDevice(fileName).Load(before);
    QElapsedTimer timer;
    timer.start();
    quorvel::model::TExtIniFile file(fileName);
    file.WriteKey("Group10", "NewCommand", "");
    file.WriteKey("Group10NewCommand", "Commands", "");
    file.WriteKey("Group10NewCommand", "Answers", "");
    window.ReloadFile();
    QApplication::processEvents();
    keyByKey.push_back(double(timer.nsecsElapsed()) / 1e6);
    quorvel::model::TFileDevice(fileName).Store(before);
    window.ReloadFile();
  }
  quorvel::bench::Report("add a command, key by key", keyByKey);
  return 0;
}
