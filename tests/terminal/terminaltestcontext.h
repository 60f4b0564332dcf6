#pragma once
// A terminal context for tests: a settings record, scripted prompts, the status
// texts written, and the terminal files written into a real temporary folder.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
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
