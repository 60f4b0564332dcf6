// SPDX-License-Identifier: MIT
// The command line of the three programs: --help and --version on standard output
// with status 0, without a display; the desktop program's arguments read with
// QCommandLineParser; the version the About box shows.
#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

#include "app/about.h"
#include "app/commandline.h"

#ifndef QUORVEL_PROGRAMS
#error "QUORVEL_PROGRAMS must list the paths of quorvel, quorvel-cli and quorvel-emulator"
#endif

using quorvel::app::ReadCommandLine;
using quorvel::app::TCommandLine;
using TAction = TCommandLine::TAction;

namespace {

struct TRun {
  int status = -1;
  QString out;
  QString err;
};

// Runs a program as on a text console (no display, no platform plugin chosen), or
// with the offscreen platform.
TRun Run(const QString& program, const QStringList& arguments, bool offscreen = false) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QString::fromLatin1(name));
  if (offscreen) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  TRun run;
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return run;
  run.status = process.exitCode();
  run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  run.err = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

QString ProgramPath(const QString& name) {
  for (const QString& path : QStringLiteral(QUORVEL_PROGRAMS).split(u'|'))
    if (path.endsWith(u'/' + name)) return path;
  return {};
}

}  // namespace

class TestCommandLine : public QObject {
  Q_OBJECT

 private slots:
  void readsTheDesktopProgramsArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("ports");  // "HOST DGI", or empty when none
    QTest::addColumn<QString>("text");   // the start of the text

    const auto row = [](const char* name, QStringList arguments, TAction action, QStringList files, QString ports,
                        QString text) {
      arguments.prepend(QStringLiteral("quorvel"));
      QTest::newRow(name) << arguments << static_cast<int>(action) << files << ports << text;
    };
    row("nothing", {}, TAction::Run, {}, {}, {});
    row("file", {"shop.qvl"}, TAction::Run, {"shop.qvl"}, {}, {});
    row("demo ports and file", {"--demo-ports", "/dev/pts/7", "/dev/pts/8", "demo.qvl"}, TAction::Run,
        {"demo.qvl"}, "/dev/pts/7 /dev/pts/8", {});
    row("file then demo ports", {"demo.qvl", "--demo-ports", "a", "b"}, TAction::Run, {"demo.qvl"}, "a b", {});
    row("file after the end of options", {"--", "--version"}, TAction::Run, {"--version"}, {}, {});
    row("help", {"--help"}, TAction::Help, {}, {}, "Usage: quorvel [options] [FILE.qvl]");
    row("short help", {"-h", "shop.qvl"}, TAction::Help, {}, {}, "Usage: quorvel");
    row("version", {"--version"}, TAction::Version, {}, {}, "quorvel " + quorvel::app::ProgramVersionInfo().FileVersion + "\n");
    row("version among other options", {"shop.qvl", "-v"}, TAction::Version, {}, {}, "quorvel ");
    row("unknown option", {"--bogus"}, TAction::Error, {}, {}, "Unknown option 'bogus'.");
    row("demo ports short of a device", {"--demo-ports", "a"}, TAction::Error, {}, {}, "--demo-ports needs two devices");
    row("demo ports with an equals sign", {"--demo-ports=a", "b"}, TAction::Error, {}, {}, "--demo-ports needs two devices");
  }

  void readsTheDesktopProgramsArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    QFETCH(QString, ports);
    QFETCH(QString, text);
    const TCommandLine line = ReadCommandLine(arguments);
    QCOMPARE(static_cast<int>(line.action), action);
    QVERIFY2(line.text.startsWith(text), qPrintable(line.text));
    if (line.action != TAction::Run) return;
    QCOMPARE(line.files, files);
    QCOMPARE(line.runPorts ? QString::fromStdString(line.runPorts->host + " " + line.runPorts->dgi) : QString(),
             ports);
  }

  void helpMentionsEveryOption() {
    const QString help = ReadCommandLine({QStringLiteral("quorvel"), QStringLiteral("--help")}).text;
    for (const char* option : {"--help", "--version", "--demo-ports <HOST DGI>", "FILE.qvl"})
      QVERIFY2(help.contains(QString::fromLatin1(option)), option);
  }

  void everyProgramAnswersHelpAndVersionWithoutADisplay_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("quorvel") << QStringLiteral("quorvel");
    QTest::newRow("quorvel-cli") << QStringLiteral("quorvel-cli");
    QTest::newRow("quorvel-emulator") << QStringLiteral("quorvel-emulator");
  }

  void everyProgramAnswersHelpAndVersionWithoutADisplay() {
    QFETCH(QString, name);
    const QString program = ProgramPath(name);
    QVERIFY2(!program.isEmpty(), qPrintable(name));

    const TRun help = Run(program, {QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    QCOMPARE(help.err, QString());
    QVERIFY2(help.out.startsWith(QStringLiteral("Usage: ") + name, Qt::CaseInsensitive), qPrintable(help.out));

    // The same version as the About box.
    const TRun version = Run(program, {QStringLiteral("--version")});
    QCOMPARE(version.status, 0);
    QCOMPARE(version.err, QString());
    QCOMPARE(version.out, name + u' ' + quorvel::app::ProgramVersionInfo().FileVersion + u'\n');

    // The desktop program reads its arguments for real once the window system has
    // taken its own options out, so this one needs a platform.
    const TRun wrong = Run(program, {QStringLiteral("--no-such-option")}, true);
    QVERIFY(wrong.status != 0);
    QCOMPARE(wrong.out, QString());
    QVERIFY(!wrong.err.isEmpty());
  }

};

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
