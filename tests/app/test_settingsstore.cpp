// SPDX-License-Identifier: MIT
// The per-user settings store: first-run values, the values read at start and
// written at exit, fall-backs for damaged values, and the port map.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/settings.h"

using quorvel::app::TSettingsStore;
using quorvel::model::TSettingsRecord;

class TestSettingsStore : public QObject {
  Q_OBJECT

 private slots:
  void storeIsNamedAfterTheProgramInTheConfigFolder() {
    const QString expected = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quorvel.conf");
    QCOMPARE(TSettingsStore(QStringLiteral("quorvel")).FilePath(), expected);
  }

  void firstRunWritesTheFifteenValues() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/quorvel.conf"));
    TSettingsRecord record;
    record.HComm = 7;  // overwritten by the first-run value
    TSettingsStore::AtPath(path).Load(record);

    QSettings stored(path, QSettings::IniFormat);
    const QList<QPair<QString, QString>> expected = {
        {"TVWidth", "0"},  {"File", ""},       {"Language", "0"},    {"ExtReservedFields", "0"},
        {"HComm", "0"},    {"HBaud", "3"},     {"HTimeOut", "1000"}, {"DComm", "1"},
        {"DBaud", "3"},    {"DTimeOut", "1000"}, {"DGIEnabled", "0"}, {"HostColor", "0"},
        {"FPColor", "0"},  {"DGIColor", "0"},  {"LowLevel", "0"}};
    for (const auto& [name, value] : expected) {
      QVERIFY2(stored.contains(name), qPrintable(name));
      QCOMPARE(stored.value(name).toString(), value);
    }
    QCOMPARE(stored.value("Ports/Com1").toString(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(stored.value("Ports/Com16").toString(), QStringLiteral("/dev/ttyS15"));
    QVERIFY(stored.contains("Ports/USB"));

    QCOMPARE(record.HComm, 0);
    QCOMPARE(record.HBaud, 3);
    QCOMPARE(record.DComm, 1);
    QCOMPARE(record.DTimeOut, 1000u);
    QCOMPARE(record.DGIEnabled, false);
    QVERIFY(record.File.empty());
  }

  void readsTheThirteenValuesAndThePortMap() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quorvel.conf"));
    {
      QSettings stored(path, QSettings::IniFormat);
      stored.setValue("TVWidth", 180);
      stored.setValue("File", QStringLiteral("/tmp/shop floor/ä.qvl"));
      stored.setValue("Language", 1);
      stored.setValue("ExtReservedFields", 5);  // any non-zero value is true
      stored.setValue("HComm", 16);
      stored.setValue("HBaud", 7);
      stored.setValue("DGIEnabled", 1);
      stored.setValue("DComm", 3);
      stored.setValue("DTimeOut", 0);
      stored.setValue("HostColor", 255);
      stored.setValue("FPColor", 32768);
      stored.setValue("DGIColor", 16711680);
      stored.setValue("LowLevel", 1);
      stored.setValue("Ports/Com2", QStringLiteral("/dev/ttyUSB0"));
      stored.setValue("Ports/USB", QStringLiteral("/dev/usb/lp1"));
    }
    TSettingsRecord record;
    TSettingsStore::AtPath(path).Load(record);
    QCOMPARE(record.TVWidth, 180u);
    QCOMPARE(quorvel::app::PathText(record.File), QStringLiteral("/tmp/shop floor/ä.qvl"));
    QCOMPARE(record.Language, 1);
    QCOMPARE(record.ExtReservedFields, true);
    QCOMPARE(record.HComm, 16);
    QCOMPARE(record.HBaud, 7);
    QCOMPARE(record.DGIEnabled, true);
    QCOMPARE(record.DComm, 3);
    QCOMPARE(record.DTimeOut, 0u);
    QCOMPARE(record.HostColor, 255u);
    QCOMPARE(record.FPColor, 32768u);
    QCOMPARE(record.DGIColor, 16711680u);
    QCOMPARE(record.LowLevel, true);
    QCOMPARE(record.ports.com[0], std::string("/dev/ttyS0"));  // missing: the default path
    QCOMPARE(record.ports.com[1], std::string("/dev/ttyUSB0"));
    QCOMPARE(record.ports.usb, std::string("/dev/usb/lp1"));
    // An existing store is not given first-run values.
    QVERIFY(!QSettings(path, QSettings::IniFormat).contains("HTimeOut"));
  }

  void damagedValuesFallBackToTheirFirstRunValue() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quorvel.conf"));
    {
      QSettings stored(path, QSettings::IniFormat);
      stored.setValue("HBaud", QStringLiteral("fast"));
      stored.setValue("DTimeOut", QStringLiteral(""));
      stored.setValue("DComm", QStringLiteral("99999999999"));
    }
    TSettingsRecord record;
    TSettingsStore::AtPath(path).Load(record);
    QCOMPARE(record.HBaud, 3);
    QCOMPARE(record.DTimeOut, 1000u);
    QCOMPARE(record.DComm, 1);
    QCOMPARE(record.TVWidth, 0u);  // missing
  }

  void saveWritesTheThirteenValuesAndThePortMap() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quorvel.conf"));
    TSettingsStore store = TSettingsStore::AtPath(path);
    TSettingsRecord record;
    store.Load(record);
    {
      QSettings stored(path, QSettings::IniFormat);
      stored.setValue("HTimeOut", 4321);  // only ever written at first run
    }
    record.TVWidth = 150;
    record.File = "/work/a.qvl";
    record.HComm = 2;
    record.HBaud = 9;
    record.DGIEnabled = true;
    record.LowLevel = true;
    record.DGIColor = 0xFF00FF;
    record.Protocol = 1;  // belongs to the terminal file, not to the store
    record.ports.com[3] = "/dev/ttyUSB7";  // a device path edited in the preferences
    record.ports.usb = "/dev/usb/lp2";
    QVERIFY(store.Save(record));

    QSettings stored(path, QSettings::IniFormat);
    QCOMPARE(stored.value("TVWidth").toInt(), 150);
    QCOMPARE(stored.value("File").toString(), QStringLiteral("/work/a.qvl"));
    QCOMPARE(stored.value("HComm").toInt(), 2);
    QCOMPARE(stored.value("HBaud").toInt(), 9);
    QCOMPARE(stored.value("DGIEnabled").toInt(), 1);
    QCOMPARE(stored.value("LowLevel").toInt(), 1);
    QCOMPARE(stored.value("DGIColor").toLongLong(), 0xFF00FFLL);
    QCOMPARE(stored.value("HTimeOut").toInt(), 4321);
    QVERIFY(!stored.contains("Protocol"));

    TSettingsRecord again;
    store.Load(again);
    QCOMPARE(again.HBaud, 9);
    QCOMPARE(again.File, std::string("/work/a.qvl"));
    QCOMPARE(again.ports.com[3], std::string("/dev/ttyUSB7"));
    QCOMPARE(again.ports.com[4], std::string("/dev/ttyS4"));
    QCOMPARE(again.ports.usb, std::string("/dev/usb/lp2"));
  }

  void saveIntoAFolderThatCannotBeWrittenFails() {
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(dir.path()).isWritable()) QSKIP("running with rights that ignore permissions");
    TSettingsRecord record;
    QVERIFY(!TSettingsStore::AtPath(dir.filePath(QStringLiteral("quorvel.conf"))).Save(record));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
