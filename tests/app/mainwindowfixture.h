// SPDX-License-Identifier: MIT
#pragma once
// A main window started on a private settings file, a private program folder
// and scripted prompts, with every port mapped to a path that does not exist
// unless a test maps it to an emulator.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/formmain.h"
#include "model/extinifile.h"
#include "widgets/prompts.h"
#include "model/terminalfile.h"

namespace quorvel::app::testing {

class TMainWindowFixture {
 public:
  TMainWindowFixture() {
    QDir(dir.path()).mkpath(QStringLiteral("program"));
    QSettings store(SettingsPath(), QSettings::IniFormat);
    for (int i = 1; i <= 16; ++i) {
      store.setValue(QStringLiteral("Ports/Com%1").arg(i), dir.filePath(QStringLiteral("no-tty%1").arg(i)));
    }
    store.setValue(QStringLiteral("Ports/USB"), dir.filePath(QStringLiteral("no-usb")));
  }

  QString SettingsPath() const { return dir.filePath(QStringLiteral("quorvel.conf")); }
  QString ProgramFolder() const { return dir.filePath(QStringLiteral("program")); }
  QString Path(const QString& name) const { return dir.filePath(name); }

  void SetSetting(const QString& name, const QVariant& value) {
    QSettings store(SettingsPath(), QSettings::IniFormat);
    store.setValue(name, value);
  }
  QVariant Setting(const QString& name) const {
    return QSettings(SettingsPath(), QSettings::IniFormat).value(name);
  }
  // Com<number> of the port map (1-based) goes to `device`.
  void MapPort(int number, const std::string& device) {
    SetSetting(QStringLiteral("Ports/Com%1").arg(number), QString::fromStdString(device));
  }

  // A terminal file with the given [General] protocol and one group "G" with command "C".
  QString WriteTerminalFile(const QString& name, int protocol = 0) {
    const QString path = Path(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("[General]\r\nProtocol=%1\r\nInputDateFormat=2\r\nOutputDateFormat=3\r\n"
                              "[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\nCommands=0,\"&Code\",\"Code\",0,\"A\",0,0,0,0,0,0,0\r\n"
                              "Answers=\r\n")
                   .arg(protocol)
                   .toLatin1());
    return path;
  }

  static model::TGeneralSettings General(const QString& path) {
    return model::ReadGeneral(model::TIniFile(QFile::encodeName(path).toStdString()));
  }
  static QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  std::unique_ptr<TFormMain> Start(const QStringList& arguments = {}) {
    TFormMainOptions options;
    options.arguments = arguments;
    options.prompts = &prompts;
    options.settingsFile = SettingsPath();
    options.programFolder = ProgramFolder();
    options.registerFileType = false;
    return std::make_unique<TFormMain>(options);
  }
  // Starts and shows the window, so that the remembered file opens.
  std::unique_ptr<TFormMain> StartShown(const QStringList& arguments = {}) {
    auto window = Start(arguments);
    window->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return window;
  }

  QTemporaryDir dir;
  widgets::TScriptedPrompts prompts;
};

}  // namespace quorvel::app::testing
