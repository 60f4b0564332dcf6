// SPDX-License-Identifier: MIT
// The main window: start-up with its settings and ports, the status panels, the
// actions and hints, the fiscal-port button, Reset serial ports, the edit
// actions, the preferences' port reopening, event routing and shutdown.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QTreeWidget>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "app/about.h"
#include "app/logwindow.h"
#include "app/preferences.h"
#include "dgi/fpauxcontrol.h"
#include "emulator/emulator.h"
#include "host/fiscalcontrol.h"
#include "mainwindowfixture.h"
#include "platform/helddevice.h"
#include "terminal/terminal.h"

using quorvel::app::TFormMain;
using quorvel::app::testing::TMainWindowFixture;
using quorvel::emulator::TEmulator;
using quorvel::emulator::TLine;

namespace {

// The fixture maps every port to a device that does not exist: the box says so on
// its second line.
const QString kHostError = QStringLiteral("Error when trying to open the Host port\nNo such device");
const QString kDgiError = QStringLiteral("Error when trying to open the Fiscal port\nNo such device");

QString LogFile(const TFormMain& window) {
  return QString::fromLatin1(TMainWindowFixture::Bytes(window.LogWindow()->LogFileName()));
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void firstStartWritesTheFirstRunValuesAndShowsTheDgiPortDisabled() {
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("quorvel.conf"));
    quorvel::widgets::TScriptedPrompts prompts;
    quorvel::app::TFormMainOptions options;
    options.prompts = &prompts;
    options.settingsFile = settings;
    options.programFolder = dir.path();
    options.registerFileType = false;
    {
      TFormMain window(options);
      QCOMPARE(window.windowTitle(), QStringLiteral("Quorvel"));
      QCOMPARE(QSettings(settings, QSettings::IniFormat).value("HTimeOut").toInt(), 1000);
      QCOMPARE(QSettings(settings, QSettings::IniFormat).value("DBaud").toInt(), 3);
      QCOMPARE(window.StatusText(2), QStringLiteral("COM1 9600,N,8,1"));
      QCOMPARE(window.StatusText(3), QStringLiteral("Disabled"));
      QVERIFY(window.ToolButtonFiscal->isChecked());
      QCOMPARE(window.ToolButtonFiscal->toolTip(), QStringLiteral("Enable Fiscal port"));
      QVERIFY(!prompts.MessageTexts().contains(kDgiError));
      QCOMPARE(window.Host().CommPort(), quorvel::host::Com1);
      QCOMPARE(window.Host().BaudRate(), quorvel::host::br9600);
    }
    // Exit with no terminal file ever opened: only the settings are written.
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.qvl")}), QStringList());
    QCOMPARE(QSettings(settings, QSettings::IniFormat).value("File").toString(), QString());
  }

  void hostPortPanelText_data() {
    QTest::addColumn<int>("hcomm");
    QTest::addColumn<int>("hbaud");
    QTest::addColumn<QString>("text");
    QTest::newRow("COM1 9600") << 0 << 3 << "COM1 9600,N,8,1";
    QTest::newRow("COM16 115200") << 15 << 7 << "COM16 115200,N,8,1";
    QTest::newRow("COM3 1200") << 2 << 0 << "COM3 1200,N,8,1";
    QTest::newRow("USB has no baud text") << 16 << 5 << "USB";
    QTest::newRow("baud code out of range") << 4 << 9 << "COM5";
  }
  void hostPortPanelText() {
    QFETCH(int, hcomm);
    QFETCH(int, hbaud);
    QFETCH(QString, text);
    TMainWindowFixture fixture;
    fixture.SetSetting("HComm", hcomm);
    fixture.SetSetting("HBaud", hbaud);
    auto window = fixture.Start();
    QCOMPARE(window->StatusText(2), text);
  }

  void failingHostPortThenOpeningDgiPortShowsReady() {
    TMainWindowFixture fixture;
    TEmulator dgi(TLine::Dgi, fixture.Path(QStringLiteral("dgi")).toStdString());
    fixture.MapPort(2, dgi.DevicePath());
    fixture.SetSetting("DGIEnabled", 1);
    fixture.SetSetting("DComm", 1);
    auto window = fixture.Start();
    QCOMPARE(fixture.prompts.MessageTexts(), QStringList{kHostError});
    QCOMPARE(fixture.prompts.shown.front().title, QStringLiteral("Error"));
    QCOMPARE(fixture.prompts.shown.front().icon, quorvel::widgets::TPromptIcon::Error);
    QVERIFY(!window->Settings().HostPortOpen);
    QVERIFY(window->Settings().DgiPortOpen);
    QCOMPARE(window->StatusText(1), QStringLiteral("Ready"));
    QCOMPARE(window->StatusText(3), QStringLiteral("COM2 9600,N,8,1"));
    QVERIFY(!window->ToolButtonFiscal->isChecked());
    QCOMPARE(window->ToolButtonFiscal->toolTip(), QStringLiteral("Disable Fiscal port"));
  }

  void portHeldByAnotherProgramIsReportedWithTheReason() {
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    TEmulator dgi(TLine::Dgi, fixture.Path(QStringLiteral("dgi")).toStdString());
    fixture.MapPort(1, host.DevicePath());
    fixture.MapPort(2, dgi.DevicePath());
    fixture.SetSetting("DGIEnabled", 1);
    fixture.SetSetting("DComm", 1);
    quorvel::testing::THeldDevice holdHost(host.DevicePath());
    quorvel::testing::THeldDevice holdDgi(dgi.DevicePath());
    QVERIFY(holdHost.Held() && holdDgi.Held());
    auto window = fixture.Start();
    const QString busy = QStringLiteral("\nDevice or resource busy: another program holds the port");
    QCOMPARE(fixture.prompts.MessageTexts(),
             (QStringList{QStringLiteral("Error when trying to open the Host port") + busy,
                          QStringLiteral("Error when trying to open the Fiscal port") + busy}));
    QCOMPARE(window->Host().LastError(), quorvel::host::EFP_E_ComInUse);
    QCOMPARE(window->Dgi().LastError(), quorvel::dgi::FEFP_E_ComInUse);
  }

  void openHostPortShowsReadyAndTakesItsSettings() {
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    fixture.MapPort(3, host.DevicePath());
    fixture.SetSetting("HComm", 2);
    fixture.SetSetting("HBaud", 6);
    auto window = fixture.Start();
    QVERIFY(fixture.prompts.shown.empty());
    QVERIFY(window->Settings().HostPortOpen);
    QCOMPARE(window->StatusText(1), QStringLiteral("Ready"));
    QCOMPARE(window->Host().State(), quorvel::host::EFP_S_Idle);
    QCOMPARE(window->Host().CommPort(), quorvel::host::Com3);
    QCOMPARE(window->Host().BaudRate(), quorvel::host::br57600);
    QCOMPARE(window->Host().ProtocolType(), quorvel::host::protocol_Compatible);
  }

  void wantedDgiPortThatFailsAtStart() {
    TMainWindowFixture fixture;
    fixture.SetSetting("DGIEnabled", 1);
    auto window = fixture.Start();
    QCOMPARE(fixture.prompts.MessageTexts(), (QStringList{kHostError, kDgiError}));
    QCOMPARE(window->StatusText(1), QStringLiteral("Error"));
    QCOMPARE(window->StatusText(3), QStringLiteral("Disabled"));
    QVERIFY(window->ToolButtonFiscal->isChecked());
    QCOMPARE(window->ToolButtonFiscal->toolTip(), QStringLiteral("Enable Fiscal port"));
    QVERIFY(window->Settings().DGIEnabled);
  }

  void fiscalButtonSwitchesTheDgiPortOnAndOff() {
    TMainWindowFixture fixture;
    TEmulator dgi(TLine::Dgi, fixture.Path(QStringLiteral("dgi")).toStdString());
    fixture.MapPort(2, dgi.DevicePath());
    {
      auto window = fixture.Start();
      QVERIFY(window->ToolButtonFiscal->isChecked());
      window->ToolButtonFiscal->click();  // released: on
      QVERIFY(!window->ToolButtonFiscal->isChecked());
      QVERIFY(window->Settings().DgiPortOpen);
      QCOMPARE(window->Dgi().State(), quorvel::dgi::FEFP_S_Idle);
      QCOMPARE(window->StatusText(3), QStringLiteral("COM2 9600,N,8,1"));
      QCOMPARE(window->ToolButtonFiscal->toolTip(), QStringLiteral("Disable Fiscal port"));

      window->ToolButtonFiscal->click();  // pressed: off
      QVERIFY(window->ToolButtonFiscal->isChecked());
      QVERIFY(!window->Settings().DgiPortOpen);
      QVERIFY(!window->Settings().DGIEnabled);
      QCOMPARE(window->Dgi().State(), quorvel::dgi::FEFP_S_Close);
      QCOMPARE(window->StatusText(3), QStringLiteral("Disabled"));
      QCOMPARE(window->ToolButtonFiscal->toolTip(), QStringLiteral("Enable Fiscal port"));
    }
    QCOMPARE(fixture.Setting("DGIEnabled").toInt(), 0);
  }

  void fiscalButtonOnWhenTheDgiPortCannotOpen() {
    TMainWindowFixture fixture;
    {
      auto window = fixture.Start();
      fixture.prompts.shown.clear();
      const QString panel3 = window->StatusText(3);
      window->ToolButtonFiscal->click();
      QCOMPARE(fixture.prompts.MessageTexts(), QStringList{kDgiError});
      QVERIFY(window->ToolButtonFiscal->isChecked());  // pressed again
      QCOMPARE(window->StatusText(3), panel3);
      QCOMPARE(window->ToolButtonFiscal->toolTip(), QStringLiteral("Enable Fiscal port"));
      QCOMPARE(window->StatusText(1), QStringLiteral("Error"));
      QVERIFY(window->Settings().DGIEnabled);
    }
    // The next start tries the DGI port again.
    QCOMPARE(fixture.Setting("DGIEnabled").toInt(), 1);
    fixture.prompts.shown.clear();
    auto again = fixture.Start();
    QVERIFY(fixture.prompts.MessageTexts().contains(kDgiError));
  }

  void resetSerialPortsWithNoTerminalFileOpen() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    QCOMPARE(window->StatusText(1), QStringLiteral("Error"));
    const auto boxes = fixture.prompts.shown.size();
    window->ActionResetPorts->trigger();
    QCOMPARE(window->StatusText(1), QStringLiteral("Ready"));
    QCOMPARE(fixture.prompts.shown.size(), boxes);
    QVERIFY(!window->TerminalFileOpen());
  }

  void actionsHaveTheirCaptionsHintsShortcutsAndStartStates() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    struct TRow {
      QAction* action;
      const char* caption;
      const char* tooltip;
      const char* statusTip;
      QKeySequence shortcut;
      bool enabled;
    };
    const TRow rows[] = {
        {window->ActionNew, "New", "New terminal file", "New terminal file", QKeySequence(QKeySequence::New), true},
        {window->ActionOpen, "Open", "Open terminal file", "Open terminal file", QKeySequence("Ctrl+O"), true},
        {window->ActionClose, "Close", "Close terminal file", "Close terminal file", QKeySequence(QKeySequence::Close),
         false},
        {window->ActionSaveAs, "Save Terminal As ...", "Save terminal file", "Save terminal file", {}, false},
        {window->ActionExit, "Exit", "Application exit ", "Application exit ",
         QKeySequence::keyBindings(QKeySequence::Quit).value(0, QKeySequence(QStringLiteral("Ctrl+Q"))), true},
        {window->ActionEditCut, "Cu&t", "Cut", "Cut", QKeySequence("Ctrl+X"), false},
        {window->ActionEditCopy, "&Copy", "Copy", "Copy", QKeySequence("Ctrl+C"), false},
        {window->ActionEditPaste, "&Paste", "Paste", "Paste", QKeySequence("Ctrl+V"), false},
        {window->ActionWindowCascade, "&Cascade", "Cascade windows", "Cascade windows", {}, true},
        {window->ActionWindowTileHorizontal, "Tile &Horizontally", "Tile horizontally", "Tile horizontally", {}, true},
        {window->ActionWindowTileVertical, "&Tile Vertically", "Tile vertically", "Tile vertically", {}, true},
        {window->ActionWindowMinimizeAll, "&Minimize All", "Minimize windows", "Minimize windows", {}, true},
        {window->ActionWindowArrange, "&Arrange", "Arrange windows", "Arrange windows", {}, true},
        {window->ActionEditFixAnswer, "Edit fixed answer fields", "Edit fixed answer fields",
         "Edit fixed answer fields", {}, false},
        {window->ActionTestFixAnswer, "Test fixed answer fields", "Test fixed answer fields",
         "Test fixed answer fields", {}, false},
        {window->ActionEditRC, "Edit Return code ", "Edit return code description", "Edit return code description",
         {}, false},
        {window->ActionPreferences, "Preferences", "System preferences", "System preferences", {}, true},
        {window->ActionAbout, "&About...", "About", "Displays program information, version number, and copyright",
         {}, true},
    };
    for (const TRow& row : rows) {
      const QByteArray name = row.caption;
      QVERIFY2(row.action->text() == QString::fromLatin1(row.caption), name);
      QVERIFY2(row.action->toolTip() == QString::fromLatin1(row.tooltip), name);
      QVERIFY2(row.action->statusTip() == QString::fromLatin1(row.statusTip), name);
      QVERIFY2(row.action->shortcut() == row.shortcut, name);
      QVERIFY2(row.action->isEnabled() == row.enabled, name);
    }
    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) menus << menu->text();
    QCOMPARE(menus, (QStringList{"File", "Edit", "Options", "Window", "Help"}));
    QCOMPARE(window->menuBar()->actions().at(2)->toolTip(), QStringLiteral("Options"));
    QCOMPARE(window->menuBar()->actions().at(2)->statusTip(), QStringLiteral("Options "));
    QStringList popup;
    for (QAction* item : window->PopupMenuMain->actions()) popup << item->text();
    QCOMPARE(popup, (QStringList{"&Minimize All", "&Cascade", "&Arrange"}));
  }

  void toolbarShowsItsButtonsInOrderWithTheirTooltips() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    auto* bar = window->findChild<QToolBar*>(QStringLiteral("ToolBarMain"));
    QVERIFY(bar);
    const auto tooltips = [bar] {
      QStringList list;
      for (QAction* action : bar->actions()) {
        if (action->isSeparator()) {
          list << QStringLiteral("|");
        } else if (QWidget* button = bar->widgetForAction(action)) {
          list << button->toolTip();
        }
      }
      return list;
    };
    const QStringList expected{"New terminal file", "Open terminal file", "Save terminal file as ...", "|",
                               "Cut", "Copy", "Paste", "|",
                               "Cascade windows", "Tile horizontally", "Tile vertically", "|",
                               "Edit fixed answer fields", "Test fixed answer fields",
                               "Edit return code description", "|", window->ToolButtonFiscal->toolTip()};
    QCOMPARE(tooltips(), expected);
    // Enabling Save As (a file opens) keeps the toolbar's own hint, and the button triggers it.
    QAction* saveAsButton = bar->actions().at(2);
    QVERIFY(!saveAsButton->isEnabled());
    window->ActionSaveAs->setEnabled(true);
    QVERIFY(saveAsButton->isEnabled());
    QCOMPARE(tooltips(), expected);
    QObject::disconnect(window->ActionSaveAs, &QAction::triggered, nullptr, nullptr);  // no dialog here
    QSignalSpy triggered(window->ActionSaveAs, &QAction::triggered);
    saveAsButton->trigger();
    QCOMPARE(triggered.count(), 1);
  }

  void statusTipsGoToPanelZero() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    QStatusTipEvent tip(QStringLiteral("Open terminal file"));
    QApplication::sendEvent(window.get(), &tip);
    QCOMPARE(window->StatusText(0), QStringLiteral("Open terminal file"));
    QCOMPARE(window->StatusText(1), QStringLiteral("Error"));  // the other panels stay
    window->ShowHint(QStringLiteral("Send|Send selected command"));
    QCOMPARE(window->StatusText(0), QStringLiteral("Send selected command"));
  }

  void editActionsWorkOnTheFocusedTextControl() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* edit = new QLineEdit(QStringLiteral("hello world"));
    window->MdiArea()->addSubWindow(edit)->show();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QVERIFY(!window->ActionEditCopy->isEnabled());
    edit->setSelection(0, 5);
    QVERIFY(window->ActionEditCopy->isEnabled());
    QVERIFY(window->ActionEditCut->isEnabled());
    window->ActionEditCopy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello"));
    window->ActionEditCut->trigger();
    QCOMPARE(edit->text(), QStringLiteral(" world"));
    QVERIFY(window->ActionEditPaste->isEnabled());
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
    window->ActionEditPaste->trigger();
    QCOMPARE(edit->text(), QStringLiteral(" worldhello"));
    edit->setReadOnly(true);
    edit->selectAll();
    QVERIFY(window->ActionEditCopy->isEnabled());
    QVERIFY(!window->ActionEditCut->isEnabled());
  }

  void hostExchangeIsLoggedInOrder() {
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    fixture.MapPort(1, host.DevicePath());
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
    fixture.SetSetting("LowLevel", 0);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    QVERIFY(window->Host().AddDataField("A"));
    QVERIFY(window->Host().SendCommand());
    QTRY_VERIFY_WITH_TIMEOUT(LogFile(*window).contains(QStringLiteral("HOST --> 06 \r\n")), 15000);
    QTRY_COMPARE(window->Host().State(), quorvel::host::EFP_S_Idle);

    const QString written = QString::fromStdString(quorvel::app::HexText(window->LastWrittenFrame()));
    QCOMPARE(written, QStringLiteral("06 "));
    const QString command = QString::fromStdString(quorvel::app::HexText(host.ReceivedFrames().at(0)));
    const QString answer = QString::fromStdString(quorvel::app::HexText(window->LastReadFrame()));
    const QString file = LogFile(*window);
    const QString expected = QStringLiteral("HOST --> %1\r\nFP   --> ACK\r\nFP   --> %2\r\nHOST --> 06 \r\n")
                                 .arg(command, answer);
    QVERIFY2(file.endsWith(expected), qPrintable(file));
    // Not in low-level mode: the view leaves out the acknowledgement.
    const QString view = window->LogWindow()->ViewText();
    QVERIFY(view.contains(QStringLiteral("HOST --> ") + command.trimmed()));
    QVERIFY(!view.contains(QStringLiteral("ACK")));
  }

  void dgiExchangeIsLoggedOnBothSides() {
    TMainWindowFixture fixture;
    TEmulator dgi(TLine::Dgi, fixture.Path(QStringLiteral("dgi")).toStdString());
    quorvel::emulator::TDgiReply reply;
    reply.ackOnly = false;
    reply.frames = {"0000OK"};
    dgi.SetDefaultDgiReply(reply);
    fixture.MapPort(2, dgi.DevicePath());
    fixture.SetSetting("DGIEnabled", 1);
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    QVERIFY(window->Dgi().SendData("S"));
    QTRY_VERIFY_WITH_TIMEOUT(LogFile(*window).contains(QStringLiteral("FP   --> 02 ")), 15000);
    const QString file = LogFile(*window);
    QVERIFY(file.contains(QStringLiteral("FISCAL-> 02 53 03 ")));
  }

  void nothingIsQueuedWhileNoTerminalFileIsOpen() {
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    fixture.MapPort(1, host.DevicePath());
    auto window = fixture.Start();
    QVERIFY(window->Host().AddDataField("A"));
    QVERIFY(window->Host().SendCommand());
    QTRY_VERIFY_WITH_TIMEOUT(window->LastWrittenFrame() == std::string(1, '\x06'), 15000);
    QTRY_COMPARE(window->Host().State(), quorvel::host::EFP_S_Idle);
    window->Settings().File = fixture.WriteTerminalFile(QStringLiteral("late.qvl")).toStdString();
    window->OpenTerminalFile();
    QCoreApplication::processEvents();
    QVERIFY(!window->LogWindow()->ViewText().contains(QStringLiteral("HOST")));
  }

  void preferencesOkReopensTheHostPortAndTellsTheLog() {
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    fixture.MapPort(1, host.DevicePath());
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl"), 0));
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    window->Settings().Protocol = 1;
    window->ApplyPreferences();
    QVERIFY(window->Settings().HostPortOpen);
    QCOMPARE(window->Host().ProtocolType(), quorvel::host::protocol_Extended);
    QVERIFY(window->ActionEditRC->isEnabled());
    QTRY_VERIFY(LogFile(*window).endsWith(QStringLiteral("Close port\r\nOpen COM1 9600,N,8,1\r\n")));

    // Extended protocol chosen with no terminal file open: the action stays off.
    window->ActionClose->trigger();
    window->ApplyPreferences();
    QVERIFY(!window->ActionEditRC->isEnabled());
  }

  void preferencesReopenTheDgiPortOnlyWhenItWasOpen() {
    TMainWindowFixture fixture;
    TEmulator dgi(TLine::Dgi, fixture.Path(QStringLiteral("dgi")).toStdString());
    fixture.MapPort(2, dgi.DevicePath());
    auto window = fixture.Start();
    window->Settings().DTimeOut = 5000;
    window->ApplyPreferences();
    QCOMPARE(window->Dgi().State(), quorvel::dgi::FEFP_S_Close);  // off: not opened
    window->ToolButtonFiscal->click();
    QCOMPARE(window->Dgi().GetTimeOut(), 5000);  // the new value at the next opening
    window->Settings().DComm = 3;  // Com4 does not exist
    window->ApplyPreferences();
    QVERIFY(!window->Settings().DgiPortOpen);
    QVERIFY(window->ToolButtonFiscal->isChecked());
    QVERIFY(window->Settings().DGIEnabled);
  }
  void fileActionsTakeTheDesktopsStandardKeys() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    // Every key the desktop binds, or the usual key where it binds none.
    const auto standard = [](QKeySequence::StandardKey key, const char* usual) {
      const QList<QKeySequence> bound = QKeySequence::keyBindings(key);
      return bound.isEmpty() ? QList<QKeySequence>{QKeySequence(QString::fromLatin1(usual))} : bound;
    };
    QCOMPARE(window->ActionNew->shortcuts(), standard(QKeySequence::New, "Ctrl+N"));
    QCOMPARE(window->ActionOpen->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+O"))});
    QCOMPARE(window->ActionClose->shortcuts(), standard(QKeySequence::Close, "Ctrl+W"));
    QCOMPARE(window->ActionExit->shortcuts(), standard(QKeySequence::Quit, "Ctrl+Q"));
  }

  // The child windows have a Close key of their own (their system menu); pressed in
  // the terminal window, Close must still reach the main window's action.
  void closeKeyPressedInTheTerminalWindowClosesTheFile() {
    TMainWindowFixture fixture;
    const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"));
    fixture.SetSetting("File", path);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    // No other action of the window or its children claims a key of New, Close or Exit.
    for (QAction* action : {window->ActionNew, window->ActionClose, window->ActionExit}) {
      for (QAction* other : window->findChildren<QAction*>()) {
        if (other == action) continue;
        for (const QKeySequence& key : action->shortcuts())
          QVERIFY2(!other->shortcuts().contains(key), qPrintable(other->text() + u' ' + key.toString()));
      }
    }
    const QKeySequence close = window->ActionClose->shortcuts().constFirst();
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr);
    QTest::keySequence(focus, close);
    QTRY_VERIFY(!window->TerminalFileOpen());
  }

  void aboutBoxShowsTheBuildsVersion() {
    quorvel::app::TFormAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About ..."));
    QCOMPARE(about.LabelProductName->text(), QStringLiteral("Quorvel"));
    QCOMPARE(about.LabelFileVersion->text(), QStringLiteral(QUORVEL_VERSION));
    QVERIFY(!about.LabelCompanyName->text().isEmpty());
    QVERIFY(about.LabelLegalCopyright->text().contains(about.LabelCompanyName->text()));
  }

  void preferencesDialogOkAndCancelRefreshThePortPanels() {
    TMainWindowFixture fixture;
    auto window = fixture.Start();
    auto answer = [](bool ok, int hostPort) {
      QTimer::singleShot(0, [ok, hostPort] {
        auto* dialog = qobject_cast<quorvel::app::TFormPreferences*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        dialog->ComboBoxHostComm->setCurrentIndex(hostPort);
        (ok ? dialog->ButtonOk : dialog->ButtonCancel)->click();
      });
    };
    answer(false, 16);
    window->ActionPreferences->trigger();
    QCOMPARE(window->Settings().HComm, 0);
    QCOMPARE(window->StatusText(2), QStringLiteral("COM1 9600,N,8,1"));
    fixture.prompts.shown.clear();
    answer(true, 16);
    window->ActionPreferences->trigger();
    QCOMPARE(window->Settings().HComm, 16);
    QCOMPARE(window->StatusText(2), QStringLiteral("USB"));
    QCOMPARE(fixture.prompts.MessageTexts(), QStringList{kHostError});  // reopened, on the new port
    QCOMPARE(window->Host().CommPort(), quorvel::host::USB);
  }

  void shutdownDestroysTheChildWindowsBeforeSavingTheSettings() {
    TMainWindowFixture fixture;
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
    fixture.SetSetting("TVWidth", 140);
    {
      auto window = fixture.StartShown();
      QTRY_VERIFY(window->TerminalFileOpen());
      // The terminal window writes its tree width back when it is destroyed,
      // which must come before the settings are saved.
      window->Settings().TVWidth = 999;
    }
    const int stored = fixture.Setting("TVWidth").toInt();
    QVERIFY2(stored > 0 && stored <= 222, qPrintable(QString::number(stored)));
  }
  void resetSerialPortsAbandonsTheCommandInProgress() {
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    quorvel::emulator::THostReply silent;
    silent.silent = true;
    host.SetDefaultHostReply(silent);
    fixture.MapPort(1, host.DevicePath());
    fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    fixture.prompts.shown.clear();
    auto* terminal = window->TerminalWindow();
    QTreeWidgetItem* command = terminal->TreeViewCommand()->topLevelItem(0)->child(0)->child(0);
    terminal->TreeViewCommand()->setCurrentItem(command);
    terminal->TreeViewCommandChange(command);
    terminal->ButtonSendClick();
    QVERIFY(host.WaitForFrames(1, 10000));
    QCOMPARE(window->Host().State(), quorvel::host::EFP_S_Busy);

    window->ActionResetPorts->trigger();
    QCOMPARE(window->Host().State(), quorvel::host::EFP_S_Idle);
    QCOMPARE(window->StatusText(1), QStringLiteral("Ready"));
    // The interrupted read ends the exchange with an error, which reaches the
    // terminal window as HostError.
    QTRY_VERIFY_WITH_TIMEOUT(!fixture.prompts.MessageTexts().isEmpty(), 15000);
    QCOMPARE(window->Host().LastError(), quorvel::host::EFP_E_ReadTimeOut);
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
