// SPDX-License-Identifier: MIT
// Terminal-file actions of the main window: opening at start and from the
// command line, New, Open, Save As, Close, dropped files, the two windows they
// create and the [General] values they read and write.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>
#include <QtTest>

#include <sys/stat.h>

#include "app/logwindow.h"
#include "app/settings.h"
#include "host/fiscalcontrol.h"
#include "mainwindowfixture.h"
#include "terminal/terminal.h"

using quorvel::app::TFormMain;
using quorvel::app::testing::TMainWindowFixture;
using quorvel::model::TGeneralSettings;

namespace {

QString OpenFile(const TFormMain& window) { return QString::fromStdString(window.Settings().File); }

void Drop(TFormMain& window, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
}

bool FileActionsEnabled(const TFormMain& window) {
  return window.ActionClose->isEnabled() && window.ActionSaveAs->isEnabled() &&
         window.ActionEditFixAnswer->isEnabled() && window.ActionTestFixAnswer->isEnabled();
}

bool NoFileActionEnabled(const TFormMain& window) {
  return !window.ActionClose->isEnabled() && !window.ActionSaveAs->isEnabled() &&
         !window.ActionEditFixAnswer->isEnabled() && !window.ActionTestFixAnswer->isEnabled() &&
         !window.ActionEditRC->isEnabled();
}

}  // namespace

class TestFileActions : public QObject {
  Q_OBJECT

 private slots:
  void rememberedFileOpensAsTwoWindows() {
    TMainWindowFixture fixture;
    const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"), 1);
    fixture.SetSetting("File", path);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    QCOMPARE(window->MdiArea()->subWindowList().size(), 2);
    QVERIFY(window->TerminalSubWindow()->isMaximized());
    QVERIFY(window->LogSubWindow()->isMinimized());
    QCOMPARE(window->TerminalWindow()->FileName(), path);
    QCOMPARE(window->LogWindow()->LogFileName(), fixture.Path(QStringLiteral("shop.log")));
    QCOMPARE(window->Settings().Protocol, 1);
    QCOMPARE(window->Settings().InputDateFormat, 2);
    QCOMPARE(window->Settings().OutputDateFormat, 3);
    QCOMPARE(window->Host().ProtocolType(), quorvel::host::protocol_Extended);
    QVERIFY(FileActionsEnabled(*window));
    QVERIFY(window->ActionEditRC->isEnabled());
  }

  void rememberedFileThatNoLongerExistsStillOpens() {
    TMainWindowFixture fixture;
    fixture.SetSetting("File", fixture.Path(QStringLiteral("gone.qvl")));
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    QCOMPARE(window->Settings().Protocol, 0);
    QVERIFY(!window->ActionEditRC->isEnabled());
    QVERIFY(FileActionsEnabled(*window));
  }

  // A FIFO or a file over 64 MiB would hang or exhaust the program: it is refused with
  // the reason before anything is read, and the program runs on without a file.
  void fileThatCannotBeReadCompletelyIsRefusedWithTheReason() {
    TMainWindowFixture fixture;
    const QString fifo = fixture.Path(QStringLiteral("pipe.qvl"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    fixture.SetSetting("File", fifo);
    auto window = fixture.StartShown();
    const QString refusal = QStringLiteral("Unable to read ") + fifo + QStringLiteral(": not a regular file");
    QTRY_VERIFY2(fixture.prompts.MessageTexts().contains(refusal),
                 qPrintable(fixture.prompts.MessageTexts().join(QStringLiteral(" | "))));
    QVERIFY(!window->TerminalFileOpen());
    QVERIFY(NoFileActionEnabled(*window));
  }

  void closeBoxOfAChildWindowOnlyMinimizesIt() {
    TMainWindowFixture fixture;
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    window->TerminalSubWindow()->close();
    QVERIFY(window->TerminalFileOpen());
    QVERIFY(window->TerminalSubWindow()->isMinimized());
    window->LogSubWindow()->close();
    QVERIFY(window->LogWindow() != nullptr);
  }

  void commandLine_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("taken");
    QTest::newRow("existing .qvl") << "given.qvl" << true;
    QTest::newRow("extension in capitals") << "GIVEN.QVL" << false;
    QTest::newRow("missing file") << "absent.qvl" << false;
    QTest::newRow("other extension") << "given.txt" << false;
  }
  void commandLine() {
    QFETCH(QString, argument);
    QFETCH(bool, taken);
    TMainWindowFixture fixture;
    const QString remembered = fixture.WriteTerminalFile(QStringLiteral("remembered.qvl"));
    fixture.SetSetting("File", remembered);
    for (const char* name : {"given.qvl", "GIVEN.QVL", "given.txt"}) fixture.WriteTerminalFile(QString::fromLatin1(name));
    // A name without a folder is taken in the working folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(fixture.dir.path());
    auto window = fixture.StartShown({argument});
    QDir::setCurrent(previous);
    QTRY_VERIFY(window->TerminalFileOpen());
    QCOMPARE(OpenFile(*window), taken ? fixture.Path(argument) : remembered);
  }

  void newWritesTheTemplateIntoTheDefaultFile() {
    TMainWindowFixture fixture;
    const QString other = fixture.WriteTerminalFile(QStringLiteral("other.qvl"), 1);
    fixture.SetSetting("File", other);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    window->Settings().Protocol = 0;  // not written: New drops the open file's values

    const QString target = QDir(fixture.ProgramFolder()).filePath(QStringLiteral("default.qvl"));
    QCOMPARE(window->DefaultTerminalFile(), target);
    window->ActionNew->trigger();
    const std::string_view expected = quorvel::model::NewFileTemplate();
    QCOMPARE(TMainWindowFixture::Bytes(target), QByteArray(expected.data(), static_cast<qsizetype>(expected.size())));
    QCOMPARE(OpenFile(*window), target);
    QCOMPARE(window->TerminalWindow()->FileName(), target);
    QCOMPARE(window->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(TMainWindowFixture::General(other).Protocol, 1);
    QVERIFY(!window->ActionEditRC->isEnabled());

    // A second New, with the default file open, discards what was done to it.
    QFile changed(target);
    QVERIFY(changed.open(QIODevice::Append));
    changed.write("[Groups]\r\nExtra=\r\n");
    changed.close();
    window->ActionNew->trigger();
    QCOMPARE(TMainWindowFixture::Bytes(target).size(), static_cast<qsizetype>(expected.size()));
    QCOMPARE(window->MdiArea()->subWindowList().size(), 2);
  }

  void openTakesTheChosenFileAndCancelChangesNothing() {
    TMainWindowFixture fixture;
    const QString first = fixture.WriteTerminalFile(QStringLiteral("first.qvl"), 1);
    const QString second = fixture.WriteTerminalFile(QStringLiteral("second.qvl"), 0);
    fixture.SetSetting("File", first);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    auto* terminalBefore = window->TerminalWindow();

    fixture.prompts.fileAnswers.push_back(std::nullopt);
    window->ActionOpen->trigger();
    QCOMPARE(window->TerminalWindow(), terminalBefore);
    QCOMPARE(fixture.prompts.shown.back().kind, quorvel::widgets::TScriptedPrompts::TKind::OpenFileName);
    QCOMPARE(fixture.prompts.shown.back().title, QStringLiteral("Open dialog"));

    window->Settings().Protocol = 0;  // not written by Open
    fixture.prompts.fileAnswers.push_back(second);
    window->ActionOpen->trigger();
    QCOMPARE(OpenFile(*window), second);
    QCOMPARE(window->TerminalWindow()->FileName(), second);
    QCOMPARE(window->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(TMainWindowFixture::General(first).Protocol, 1);
    QVERIFY(!window->ActionEditRC->isEnabled());
  }

  void saveAsCopiesTheFileWithTheCurrentValuesAndOpensTheCopy() {
    TMainWindowFixture fixture;
    const QString original = fixture.WriteTerminalFile(QStringLiteral("original.qvl"), 0);
    fixture.SetSetting("File", original);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    window->Settings().Protocol = 1;  // as the preferences would
    window->Settings().OutputDateFormat = 7;

    fixture.prompts.fileAnswers.push_back(fixture.Path(QStringLiteral("copy")));  // no extension typed
    window->ActionSaveAs->trigger();
    const QString copy = fixture.Path(QStringLiteral("copy.qvl"));
    QCOMPARE(fixture.prompts.shown.back().title, QStringLiteral("Save as "));
    QCOMPARE(OpenFile(*window), copy);
    QCOMPARE(window->TerminalWindow()->FileName(), copy);
    const TGeneralSettings expected{1, 2, 7};
    QCOMPARE(TMainWindowFixture::General(original), expected);
    QCOMPARE(TMainWindowFixture::General(copy), expected);
    QCOMPARE(TMainWindowFixture::Bytes(copy), TMainWindowFixture::Bytes(original));
    QVERIFY(window->ActionEditRC->isEnabled());
  }

  void saveAsCancelledKeepsTheWrittenValues() {
    TMainWindowFixture fixture;
    const QString original = fixture.WriteTerminalFile(QStringLiteral("original.qvl"), 0);
    fixture.SetSetting("File", original);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    auto* terminalBefore = window->TerminalWindow();
    window->Settings().Protocol = 1;
    fixture.prompts.fileAnswers.push_back(std::nullopt);
    window->ActionSaveAs->trigger();
    QCOMPARE(window->TerminalWindow(), terminalBefore);
    QCOMPARE(TMainWindowFixture::General(original).Protocol, 1);
  }

  void saveAsOntoItselfReopensTheSameFile() {
    TMainWindowFixture fixture;
    const QString original = fixture.WriteTerminalFile(QStringLiteral("original.qvl"));
    fixture.SetSetting("File", original);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    const QByteArray before = TMainWindowFixture::Bytes(original);
    QPointer<QWidget> terminalBefore = window->TerminalWindow();
    fixture.prompts.fileAnswers.push_back(original);
    window->ActionSaveAs->trigger();
    QVERIFY(terminalBefore.isNull());  // a fresh pair of windows
    QCOMPARE(window->TerminalWindow()->FileName(), original);
    QCOMPARE(TMainWindowFixture::Bytes(original), before);
  }

  void saveAsThatCannotWriteIsReportedAndKeepsTheOpenFile() {
    TMainWindowFixture fixture;
    const QString original = fixture.WriteTerminalFile(QStringLiteral("original.qvl"));
    fixture.SetSetting("File", original);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    const QString target = fixture.Path(QStringLiteral("no-such-folder/copy.qvl"));
    fixture.prompts.fileAnswers.push_back(target);
    fixture.prompts.shown.clear();
    window->ActionSaveAs->trigger();
    const QStringList shown = fixture.prompts.MessageTexts();
    QCOMPARE(shown.size(), 1);
    // The text, then the reason the system gave.
    QVERIFY2(shown.front().startsWith(QStringLiteral("Unable to write to ") + target + QStringLiteral(": ")),
             qPrintable(shown.front()));
    QVERIFY(shown.front().size() > (QStringLiteral("Unable to write to ") + target + QStringLiteral(": ")).size());
    QCOMPARE(OpenFile(*window), original);
    QVERIFY(window->TerminalFileOpen());
  }

  void closeWritesTheValuesAndTheNextStartOpensTheFileAgain() {
    TMainWindowFixture fixture;
    const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"), 1);
    fixture.SetSetting("File", path);
    {
      auto window = fixture.StartShown();
      QTRY_VERIFY(window->TerminalFileOpen());
      window->Settings().InputDateFormat = 5;
      window->ActionClose->trigger();
      QVERIFY(!window->TerminalFileOpen());
      QVERIFY(window->MdiArea()->subWindowList().isEmpty());
      QVERIFY(NoFileActionEnabled(*window));
      QCOMPARE(TMainWindowFixture::General(path), (TGeneralSettings{1, 5, 3}));
      QCOMPARE(OpenFile(*window), path);
      // Changed after the close: the exit writes it into the closed file.
      window->Settings().Protocol = 0;
    }
    QCOMPARE(TMainWindowFixture::General(path).Protocol, 0);
    QCOMPARE(fixture.Setting("File").toString(), path);
    auto again = fixture.StartShown();
    QTRY_VERIFY(again->TerminalFileOpen());
    QCOMPARE(again->TerminalWindow()->FileName(), path);
  }

  void exitWritesTheValuesIntoTheOpenFile() {
    TMainWindowFixture fixture;
    const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"), 0);
    fixture.SetSetting("File", path);
    {
      auto window = fixture.StartShown();
      QTRY_VERIFY(window->TerminalFileOpen());
      window->Settings().Protocol = 1;
      window->Settings().OutputDateFormat = 6;
    }
    QCOMPARE(TMainWindowFixture::General(path), (TGeneralSettings{1, 2, 6}));
  }

  void droppedFiles() {
    TMainWindowFixture fixture;
    const QString first = fixture.WriteTerminalFile(QStringLiteral("first.qvl"));
    const QString capitals = fixture.WriteTerminalFile(QStringLiteral("CAPS.QVL"), 1);
    const QString text = fixture.WriteTerminalFile(QStringLiteral("notes.txt"));
    auto window = fixture.StartShown();
    QVERIFY(!window->TerminalFileOpen());

    Drop(*window, {text, first});  // only the first file counts
    QVERIFY(!window->TerminalFileOpen());
    Drop(*window, {first, capitals, text});
    QVERIFY(window->TerminalFileOpen());
    QCOMPARE(OpenFile(*window), first);

    window->Settings().Protocol = 1;  // not written: a drop replaces without writing
    Drop(*window, {capitals});
    QCOMPARE(OpenFile(*window), capitals);
    QCOMPARE(window->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(TMainWindowFixture::General(first).Protocol, 0);
    QVERIFY(window->ActionEditRC->isEnabled());
  }

  void aSecondOpeningAppendsToTheLogFile() {
    TMainWindowFixture fixture;
    const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"));
    fixture.SetSetting("File", path);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    const QString log = fixture.Path(QStringLiteral("shop.log"));
    const QByteArray firstContent = TMainWindowFixture::Bytes(log);
    QVERIFY(firstContent.startsWith("Quorvel Project\r\n"));
    Drop(*window, {path});
    const QByteArray secondContent = TMainWindowFixture::Bytes(log);
    QVERIFY(secondContent.startsWith(firstContent));
    QCOMPARE(secondContent.count("\r\n\r\n"), firstContent.count("\r\n\r\n") + 1);
  }
  void refusedGeneralWriteIsReported() {
    TMainWindowFixture fixture;
    // The folder of the remembered file is gone, so nothing can be written there.
    const QString path = fixture.Path(QStringLiteral("gone/shop.qvl"));
    fixture.SetSetting("File", path);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    fixture.prompts.shown.clear();
    window->ActionClose->trigger();
    QCOMPARE(fixture.prompts.MessageTexts(),
             QStringList{QStringLiteral("Unable to write to ") + path + QStringLiteral(": No such file or directory")});
    QVERIFY(NoFileActionEnabled(*window));  // the windows are gone all the same
  }

  void newInAProgramFolderThatCannotBeWrittenUsesTheUsersDataFolder() {
    TMainWindowFixture fixture;
    quorvel::app::TFormMainOptions options;
    options.prompts = &fixture.prompts;
    options.settingsFile = fixture.SettingsPath();
    options.programFolder = fixture.Path(QStringLiteral("missing-folder"));  // as an installed program's
    options.registerFileType = false;
    TFormMain window(options);
    fixture.prompts.shown.clear();
    window.ActionNew->trigger();
    const QString target = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                               .filePath(quorvel::app::ProgramBaseName() + QStringLiteral("/default.qvl"));
    QCOMPARE(OpenFile(window), target);
    QCOMPARE(TMainWindowFixture::Bytes(target), QByteArray(quorvel::model::NewFileTemplate().data(), qsizetype(quorvel::model::NewFileTemplate().size())));
    QVERIFY(fixture.prompts.MessageTexts().isEmpty());
    QFile::remove(target);
  }

  void newByAnInstalledProgramNeverWritesIntoItsFolder() {
    // Root may write /usr/bin; the program's desktop entry in ../share/applications
    // says it is installed all the same.
    TMainWindowFixture fixture;
    const QString bin = fixture.Path(QStringLiteral("prefix/bin"));
    QVERIFY(QDir().mkpath(bin));
    const QString entry = fixture.Path(QStringLiteral("prefix/share/applications/") + quorvel::app::ProgramBaseName() +
                                       QStringLiteral(".desktop"));
    QVERIFY(QDir().mkpath(QFileInfo(entry).absolutePath()));
    QVERIFY(QFile(entry).open(QIODevice::WriteOnly));
    quorvel::app::TFormMainOptions options;
    options.prompts = &fixture.prompts;
    options.settingsFile = fixture.SettingsPath();
    options.programFolder = bin;
    options.registerFileType = false;
    TFormMain window(options);
    window.ActionNew->trigger();
    const QString target = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                               .filePath(quorvel::app::ProgramBaseName() + QStringLiteral("/default.qvl"));
    QCOMPARE(OpenFile(window), target);
    QVERIFY(QDir(bin).isEmpty());
    QFile::remove(target);
  }

  void newWhereTheTemplateCannotBeWritten() {
    TMainWindowFixture fixture;
    // Neither the program folder nor the user's data folder can hold the file.
    const QString blocker = fixture.Path(QStringLiteral("a-file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (blocker + QStringLiteral("/data")).toLocal8Bit());
    quorvel::app::TFormMainOptions options;
    options.prompts = &fixture.prompts;
    options.settingsFile = fixture.SettingsPath();
    options.programFolder = fixture.Path(QStringLiteral("missing-folder"));
    options.registerFileType = false;
    TFormMain window(options);
    fixture.prompts.shown.clear();
    window.ActionNew->trigger();
    qputenv("XDG_DATA_HOME", dataHome);
    const QString target = blocker + QStringLiteral("/data/") + quorvel::app::ProgramBaseName() +
                           QStringLiteral("/default.qvl");
    QCOMPARE(fixture.prompts.MessageTexts(),
             QStringList{QStringLiteral("Unable to write to ") + target + QStringLiteral(": Not a directory")});
    QVERIFY(!QFile::exists(target));
    QCOMPARE(OpenFile(window), target);
    QVERIFY(window.TerminalFileOpen());  // on a file that reads as empty
    QCOMPARE(window.Settings().Protocol, 0);
  }

  void minimizedWindowsAreArrangedAlongTheBottom() {
    TMainWindowFixture fixture;
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    window->resize(900, 700);
    window->ActionWindowMinimizeAll->trigger();
    QCoreApplication::processEvents();
    const int bottom = window->MdiArea()->viewport()->height();
    QMdiSubWindow* terminal = window->TerminalSubWindow();
    QMdiSubWindow* log = window->LogSubWindow();
    QVERIFY(terminal->isMinimized() && log->isMinimized());
    QCOMPARE(terminal->geometry().bottom() + 1, bottom);
    QCOMPARE(log->geometry().bottom() + 1, bottom);
    QVERIFY(!terminal->geometry().intersects(log->geometry()));
    QCOMPARE(std::min(terminal->x(), log->x()), 0);
  }
  void windowMenuListsTheChildWindows() {
    TMainWindowFixture fixture;
    const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"));
    fixture.SetSetting("File", path);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    auto items = [&window] {
      QMetaObject::invokeMethod(window->MenuWindow, "aboutToShow");
      QStringList texts;
      for (QAction* item : window->MenuWindow->actions()) texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
      return texts;
    };
    QCOMPARE(items(), (QStringList{"&Cascade", "Tile &Horizontally", "&Tile Vertically", "&Minimize All", "&Arrange",
                                   "-", "&1 " + path, "&2 Log window"}));
    window->MenuWindow->actions().last()->trigger();
    QCOMPARE(window->MdiArea()->activeSubWindow(), window->LogSubWindow());
    QVERIFY(!window->LogSubWindow()->isMinimized());
    window->ActionClose->trigger();
    QCOMPARE(items().size(), 5);
  }
};

QTEST_MAIN(TestFileActions)
#include "test_fileactions.moc"
