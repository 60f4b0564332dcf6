// SPDX-License-Identifier: MIT
#pragma once
// A terminal context for tests: a settings record, scripted prompts, the status
// texts written, and the terminal files written into a real temporary folder.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>

#include "widgets/prompts.h"
#include "model/settingsrecord.h"
#include "terminal/terminalcontext.h"

namespace quorvel::terminal::test {

class TTestContext : public TTerminalContext {
 public:
  model::TSettingsRecord settings;
  widgets::TScriptedPrompts prompts;
  QMap<int, QString> status;
  QStringList hints;
  // Tests of the form and the tree never reach the controls; tests that do set these.
  host::TFPHostControl* host = nullptr;
  dgi::TFPAuxControl* dgi = nullptr;

  model::TSettingsRecord& Settings() override { return settings; }
  host::TFPHostControl& Host() override {
    if (host == nullptr) std::abort();
    return *host;
  }
  dgi::TFPAuxControl& Dgi() override {
    if (dgi == nullptr) std::abort();
    return *dgi;
  }
  widgets::TPrompts& Prompts() override { return prompts; }
  void SetStatusText(int panel, const QString& text) override { status[panel] = text; }
  void ShowHint(const QString& hint) override { hints << hint; }

  // The field list editor: what a test lets it do (nothing by default).
  std::function<void(const std::string& fileName, const std::string& section, const TFileChanged& changed)> editFields;
  QStringList editedSections;
  void EditFields(QWidget*, const std::string& fileName, const std::string& section,
                  const TFileChanged& changed) override {
    editedSections << QString::fromStdString(section);
    if (editFields) editFields(fileName, section, changed);
  }
  // The overwrite dialog's answers, in order; none left gives Cancel.
  std::deque<TOverwriteChoice> overwriteChoices;
  int overwriteAsked = 0;
  TOverwriteChoice ChooseOverwriteOrNew(QWidget*) override {
    ++overwriteAsked;
    if (overwriteChoices.empty()) return TOverwriteChoice::Cancel;
    const TOverwriteChoice choice = overwriteChoices.front();
    overwriteChoices.pop_front();
    return choice;
  }
  int undoChanges = 0;
  void UndoChanged() override { ++undoChanges; }
};

// Writes `lines` (joined with CR LF) as the file `name` in `folder`; returns its path.
inline QString WriteTerminalFile(const QTemporaryDir& folder, const QString& name,
                                 const QStringList& lines) {
  const QString path = QDir(folder.path()).filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
  file.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
  return path;
}

}  // namespace quorvel::terminal::test
