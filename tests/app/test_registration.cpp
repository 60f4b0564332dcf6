// SPDX-License-Identifier: MIT
// File-type registration: the mime package, the desktop entry and the icon under the
// user's data folder for a program run from its build folder; nothing for an
// installed program, and never over a user's entry of the installed program; the
// installed desktop files themselves.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/registration.h"

#ifndef QUORVEL_DATA_DIR
#error "QUORVEL_DATA_DIR must name the folder of the installed desktop files"
#endif

using quorvel::app::ExecProgram;
using quorvel::app::TFileTypeRegistration;

namespace {

QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool WriteAll(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QString DataFile(const char* name) { return QStringLiteral(QUORVEL_DATA_DIR "/") + QString::fromLatin1(name); }

QImage RedIcon() {
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(Qt::red);
  return icon;
}

// A registration whose desktop database commands are recorded in `ran` ("PROGRAM
// ARGUMENT") instead of run, so nothing works on the test's folders in the background.
TFileTypeRegistration Recorded(const QString& executable, const QString& dataHome, QStringList* ran,
                               const QStringList& systemDataDirs = {}) {
  TFileTypeRegistration registration(QStringLiteral("quorvel"), executable, dataHome, systemDataDirs);
  registration.SetUpdateRunner([ran](const QString& program, const QStringList& arguments) {
    if (ran != nullptr) *ran << (QStringList{program} + arguments).join(u' ');
  });
  return registration;
}

// An entry as the desktop finds it, starting `exec` ("/usr/bin/quorvel", or a bare name).
QByteArray EntryStarting(const QString& exec) {
  return "[Desktop Entry]\nType=Application\nName=Quorvel\nExec=" + exec.toUtf8() + " %f\n";
}

}  // namespace

class TestRegistration : public QObject {
  Q_OBJECT

 private slots:
  void writesTheMimePackageDesktopEntryAndIcon() {
    QTemporaryDir data;
    QStringList ran;
    const TFileTypeRegistration registration = Recorded(QStringLiteral("/opt/q/bin/quorvel"), data.path(), &ran);
    QVERIFY(registration.Register(RedIcon()));
    // The desktop reads the new files once its databases are rebuilt.
    QCOMPARE(ran, (QStringList{QStringLiteral("update-mime-database ") + data.filePath(QStringLiteral("mime")),
                               QStringLiteral("update-desktop-database ") +
                                   data.filePath(QStringLiteral("applications"))}));

    const auto paths = registration.Paths();
    QCOMPARE(paths.mimePackage, data.filePath(QStringLiteral("mime/packages/quorvel.xml")));
    QCOMPARE(paths.desktopEntry, data.filePath(QStringLiteral("applications/quorvel.desktop")));
    // The same package the system gets; the same entry with this program in Exec.
    QCOMPARE(ReadAll(paths.mimePackage), ReadAll(DataFile("quorvel.xml")));
    const QString desktop = ReadAll(paths.desktopEntry);
    QString installed = ReadAll(DataFile("quorvel.desktop"));
    QCOMPARE(desktop, installed.replace(QStringLiteral("\nExec=quorvel %f\n"),
                                        QStringLiteral("\nExec=\"/opt/q/bin/quorvel\" %f\n")));
    QVERIFY(QImage(paths.icon).size() == QSize(16, 16));

    // A second start finds everything in place and leaves the files and databases alone.
    const QDateTime written = QFileInfo(paths.desktopEntry).lastModified();
    ran.clear();
    QVERIFY(registration.Register(RedIcon()));
    QCOMPARE(QFileInfo(paths.desktopEntry).lastModified(), written);
    QCOMPARE(ran, QStringList());
  }

  void quotesAnExecutablePathWithReservedCharacters() {
    const QString path = QStringLiteral("/home/a b/100%/$x\"q\\uorvel");
    const TFileTypeRegistration registration(QStringLiteral("quorvel"), path, QStringLiteral("/x"));
    // Inside the quotes " ` $ \ get a backslash; then every backslash is doubled
    // (string escape) and % is doubled (field-code escape).
    QVERIFY(registration.DesktopEntryText().contains(
        QStringLiteral("\nExec=\"/home/a b/100%%/\\\\$x\\\\\"q\\\\\\\\uorvel\" %f\n")));
    // Reading the entry back gives the program again.
    QCOMPARE(ExecProgram(registration.DesktopEntryText()), path);
  }

  void readsTheProgramOfAnEntry_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("program");
    QTest::newRow("bare name") << "[Desktop Entry]\nExec=quorvel %f\n" << "quorvel";
    QTest::newRow("path without quotes") << "[Desktop Entry]\nName=Q\nExec=/usr/bin/quorvel\n" << "/usr/bin/quorvel";
    QTest::newRow("quoted with a blank") << "[Desktop Entry]\nExec=\"/home/a b/quorvel\" %f\n" << "/home/a b/quorvel";
    // \s is undone before the command is split, so it separates words like a blank.
    QTest::newRow("escaped blank") << "[Desktop Entry]\nExec=/home/a\\sb/quorvel %f\n" << "/home/a";
    QTest::newRow("Exec of an action group") << "[Desktop Action x]\nExec=other\n[Desktop Entry]\nExec=quorvel\n"
                                             << "quorvel";
    QTest::newRow("no Exec") << "[Desktop Entry]\nName=Q\n" << "";
    QTest::newRow("not an entry") << "garbage" << "";
  }

  void readsTheProgramOfAnEntry() {
    QFETCH(QString, entry);
    QFETCH(QString, program);
    QCOMPARE(ExecProgram(entry), program);
  }

  // What a program writes to the user's data folder, by where it runs and what the
  // user's folder holds already.
  void writesOnlyForABuildFolderProgramAndNeverOverTheInstalledOnes_data() {
    QTest::addColumn<QString>("program");     // this program
    QTest::addColumn<QString>("systemExec");  // Exec of the system's entry; empty: none
    QTest::addColumn<QString>("userExec");    // Exec of the user's entry before; empty: none
    QTest::addColumn<bool>("writes");

    const QString installed = QStringLiteral("/usr/bin/quorvel");
    const QString build = QStringLiteral("/home/u/quorvel/build/default/src/app/quorvel");
    QTest::newRow("installed program") << installed << installed << QString() << false;
    QTest::newRow("installed program, stale user entry") << installed << installed << build << false;
    QTest::newRow("build program, nothing installed") << build << QString() << QString() << true;
    // A user's entry would hide the system's entry of the same name.
    QTest::newRow("build program beside an installed one") << build << installed << QString() << false;
    QTest::newRow("build program, user entry of the installed one") << build << installed << installed << false;
    QTest::newRow("build program, its own user entry") << build << installed << build << true;
    QTest::newRow("build program, user entry of an old build") << build << installed << QStringLiteral("/tmp/old/quorvel")
                                                               << true;
    QTest::newRow("build program, user entry of a program no longer installed")
        << build << QString() << installed << true;
  }

  void writesOnlyForABuildFolderProgramAndNeverOverTheInstalledOnes() {
    QFETCH(QString, program);
    QFETCH(QString, systemExec);
    QFETCH(QString, userExec);
    QFETCH(bool, writes);
    QTemporaryDir base;
    const QString user = base.filePath(QStringLiteral("user"));
    const QString system = base.filePath(QStringLiteral("system"));
    QDir().mkpath(user);
    QDir().mkpath(system);
    if (!systemExec.isEmpty())
      QVERIFY(WriteAll(system + QStringLiteral("/applications/quorvel.desktop"), EntryStarting(systemExec)));
    const TFileTypeRegistration registration = Recorded(program, user, nullptr, {user, system});
    const auto paths = registration.Paths();
    const QByteArray before = userExec.isEmpty() ? QByteArray() : EntryStarting(QChar(u'"') + userExec + u'"');
    if (!before.isEmpty()) QVERIFY(WriteAll(paths.desktopEntry, before));

    QVERIFY(registration.Register(RedIcon()));
    QCOMPARE(QFileInfo::exists(paths.mimePackage), writes);
    QCOMPARE(QFileInfo::exists(paths.icon), writes);
    if (writes) QCOMPARE(ExecProgram(ReadAll(paths.desktopEntry)), program);
    else QCOMPARE(ReadAll(paths.desktopEntry).toUtf8(), before);
  }

  void aRefusedRegistrationIsSilent() {
    QTemporaryDir base;
    // The data folder is a plain file, so nothing can be created beneath it.
    const QString blocked = base.filePath(QStringLiteral("data"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const TFileTypeRegistration registration = Recorded(QStringLiteral("/usr/bin/quorvel"), blocked, nullptr);
    QVERIFY(!registration.Register(QImage()));
    QCOMPARE(QFileInfo(blocked).size(), 0);
  }

  void theInstalledDesktopEntryIsValid() {
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty()) QSKIP("desktop-file-validate is not installed (scripts/install-deps.sh installs it)");
    QTemporaryDir data;
    const TFileTypeRegistration registration = Recorded(QStringLiteral("/opt/q/bin/quorvel"), data.path(), nullptr);
    QVERIFY(registration.Register(QImage()));
    for (const QString& entry : {DataFile("quorvel.desktop"), registration.Paths().desktopEntry}) {
      QProcess process;
      process.start(validate, {entry});
      QVERIFY(process.waitForFinished(30000));
      const QByteArray said = process.readAllStandardOutput() + process.readAllStandardError();
      QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 && said.isEmpty(),
               said.constData());
    }
  }

  // The mime package, compiled as the desktop compiles it: *.qvl by name, and a file
  // of any name by its first section.
  void theMimePackageRecognisesTerminalFilesByNameAndContent() {
    const QString update = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (update.isEmpty()) QSKIP("update-mime-database is not installed (scripts/install-deps.sh installs it)");
    // The test's private data folder (XDG_DATA_HOME), which the mime database reads
    // when it is first used, below.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QVERIFY(!dataHome.isEmpty());
    QVERIFY(WriteAll(dataHome + QStringLiteral("/mime/packages/quorvel.xml"),
                     ReadAll(DataFile("quorvel.xml")).toUtf8()));
    QCOMPARE(QProcess::execute(update, {dataHome + QStringLiteral("/mime")}), 0);

    QTemporaryDir files;
    const struct {
      const char* name;
      QByteArray content;
      bool terminalFile;
    } cases[] = {
        {"shop.qvl", "", true},
        {"shop.QVL", "[Groups]\r\n", true},
        {"general-first", "[General]\r\nProtocol=1\r\n", true},
        {"groups-first", "[Groups]\r\nSales=\r\n", true},
        {"other-section", "[Other]\r\nKey=1\r\n", false},
        {"general-later", "; note\r\n[General]\r\n", false},
    };
    QMimeDatabase database;
    for (const auto& c : cases) {
      const QString path = files.filePath(QString::fromLatin1(c.name));
      QVERIFY(WriteAll(path, c.content));
      QCOMPARE(database.mimeTypeForFile(path).name() == TFileTypeRegistration::MimeType(), c.terminalFile);
    }
  }
};

QTEST_GUILESS_MAIN(TestRegistration)
#include "test_registration.moc"
