// SPDX-License-Identifier: MIT
// The preferences dialog: controls loaded from the settings record, OK storing
// them, Cancel leaving the record alone, the colour lists and the device paths.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "app/logwindow.h"
#include "app/preferences.h"
#include "emulator/emulator.h"
#include "host/fiscalcontrol.h"
#include "mainwindowfixture.h"
#include "widgets/qtcolors.h"

using quorvel::app::TFormPreferences;
using quorvel::model::TSettingsRecord;

namespace {

TSettingsRecord SampleRecord() {
  TSettingsRecord record;
  record.Protocol = 1;
  record.HComm = 2;
  record.HBaud = 5;
  record.DComm = 3;
  record.DTimeOut = 2500;
  record.HostColor = 0x0000FF;  // Red
  record.FPColor = 0x008000;    // Green
  record.DGIColor = 0x123456;   // none of the sixteen
  record.LowLevel = true;
  record.ExtReservedFields = false;
  record.Language = 1;
  record.InputDateFormat = 6;
  record.OutputDateFormat = 3;
  record.ports.com[2] = "/dev/ttyUSB0";
  return record;
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

bool SameSettings(const TSettingsRecord& a, const TSettingsRecord& b) {
  return a.Protocol == b.Protocol && a.HComm == b.HComm && a.HBaud == b.HBaud && a.DComm == b.DComm &&
         a.DTimeOut == b.DTimeOut && a.HostColor == b.HostColor && a.FPColor == b.FPColor &&
         a.DGIColor == b.DGIColor && a.LowLevel == b.LowLevel && a.ExtReservedFields == b.ExtReservedFields &&
         a.Language == b.Language && a.InputDateFormat == b.InputDateFormat &&
         a.OutputDateFormat == b.OutputDateFormat && a.ports.com == b.ports.com && a.ports.usb == b.ports.usb;
}

// Answers the preferences dialog once it is shown modally: `answer` changes what
// it wants and presses a button.
template <typename TAnswer>
void AnswerPreferencesWith(TAnswer answer) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
    if (auto* dialog = qobject_cast<TFormPreferences*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      answer(*dialog);
    }
  });
  poll->start(20);
}

// The text colour of the log view's line that holds `text` (invalid if none).
QColor LogLineColor(quorvel::app::TFormChildLogWindow& log, const QString& text) {
  const quorvel::app::TLogView& view = *log.RichEditLog();
  for (std::uint64_t entry = 0; entry < view.Entries().Count(); ++entry) {
    if (QString::fromStdString(view.Entries().Text(entry)).contains(text)) return view.EntryColor(entry);
  }
  return {};
}

void Touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

}  // namespace

class TestPreferences : public QObject {
  Q_OBJECT

 private slots:
  void controlsAreLoadedFromTheRecord();
  void listsOfferTheirItemsInOrder();
  void okStoresEveryValue();
  void cancelAndEnterLeaveTheRecordUnchanged();
  void colourOutsideTheListStaysUnlessPicked();
  void codesOutsideTheListsAreKept();
  void devicePathsAreEditedInThePortMap();
  void devicesFoundOnTheMachine();
  void okReopensTheHostPortLoggedInTheOldColours();
  void cancelOnlyRefreshesThePortPanels();
};

void TestPreferences::controlsAreLoadedFromTheRecord() {
  TSettingsRecord record = SampleRecord();
  TFormPreferences dialog(record);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("System preferences"));
  QCOMPARE(dialog.PageControl->currentIndex(), 0);
  QCOMPARE(dialog.ComboBoxProtocoll->currentText(), QStringLiteral("Extended"));
  QCOMPARE(dialog.ComboBoxHostComm->currentText(), QStringLiteral("Com3"));
  QCOMPARE(dialog.ComboBoxHostDevice->currentText(), QStringLiteral("/dev/ttyUSB0"));
  QCOMPARE(dialog.ComboBoxHostBaudRate->currentText(), QStringLiteral("38400"));
  QCOMPARE(dialog.ComboBoxDgiComm->currentText(), QStringLiteral("Com4"));
  QCOMPARE(dialog.ComboBoxDgiDevice->currentText(), QStringLiteral("/dev/ttyS3"));
  QCOMPARE(dialog.CSpinEditDgiTimeOut->text(), QStringLiteral("2500"));
  QCOMPARE(dialog.ColorComboBoxHostColor->currentText(), QStringLiteral("Red"));
  QCOMPARE(dialog.ColorComboBoxFPColor->currentText(), QStringLiteral("Green"));
  QCOMPARE(dialog.ColorComboBoxDgiColor->currentIndex(), -1);
  QVERIFY(dialog.CheckBoxLowLevelLog->isChecked());
  QVERIFY(!dialog.CheckBoxReservedFields->isChecked());
  QCOMPARE(dialog.ComboBoxLanguge->currentText(), QStringLiteral("Spanish"));
  QCOMPARE(dialog.ComboBoxInputDateFormat->currentText(), QStringLiteral("yymmdd"));
  QCOMPARE(dialog.ComboBoxOutputDateFormat->currentText(), QStringLiteral("mmddyyyy"));
  QCOMPARE(dialog.ComboBoxProtocoll->toolTip(), QStringLiteral("Select protocol type"));
  QCOMPARE(dialog.CSpinEditDgiTimeOut->toolTip(),
           QStringLiteral("Enter communications time-out in ms. Zero indicate infinite."));
  QCOMPARE(dialog.PageControl->tabToolTip(3), QStringLiteral("Miscellaneous related preferences"));
}

void TestPreferences::listsOfferTheirItemsInOrder() {
  TSettingsRecord record;
  TFormPreferences dialog(record);
  QStringList hostPorts;
  for (int i = 1; i <= 16; ++i) hostPorts << QStringLiteral("Com%1").arg(i);
  hostPorts << QStringLiteral("USB");
  QCOMPARE(Items(dialog.ComboBoxHostComm), hostPorts);
  QCOMPARE(Items(dialog.ComboBoxDgiComm), (QStringList{"Com1", "Com2", "Com3", "Com4"}));
  QCOMPARE(Items(dialog.ComboBoxHostBaudRate),
           (QStringList{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
  const QStringList formats{"ddmmyy", "ddmmyyyy", "mmddyy", "mmddyyyy", "yyddmm", "yyyyddmm", "yymmdd", "yyyymmdd"};
  QCOMPARE(Items(dialog.ComboBoxInputDateFormat), formats);
  QCOMPARE(Items(dialog.ComboBoxOutputDateFormat), formats);
  QCOMPARE(Items(dialog.ComboBoxLanguge), (QStringList{"English", "Spanish"}));
  QCOMPARE(Items(dialog.ComboBoxProtocoll), (QStringList{"Compatible", "Extended"}));
  const QStringList colours{"Black", "Maroon", "Green", "Olive", "Navy",    "Purple", "Teal", "Gray",
                            "Silver", "Red",   "Lime",  "Yellow", "Blue", "Fuchsia", "Aqua", "White"};
  for (QComboBox* list : {dialog.ColorComboBoxHostColor, dialog.ColorComboBoxFPColor, dialog.ColorComboBoxDgiColor}) {
    QCOMPARE(Items(list), colours);
    // Each entry carries its swatch: Navy is blue in the high byte, drawn as dark blue.
    const QImage navy = list->itemIcon(4).pixmap(16, 12).toImage();
    QCOMPARE(navy.pixelColor(8, 6), QColor(0, 0, 0x80));
  }
  QCOMPARE(dialog.CSpinEditDgiTimeOut->minimum(), 0);
  QCOMPARE(dialog.CSpinEditDgiTimeOut->maximum(), 10000000);
  QCOMPARE(dialog.CSpinEditDgiTimeOut->singleStep(), 100);
}

void TestPreferences::okStoresEveryValue() {
  TSettingsRecord record = SampleRecord();
  TFormPreferences dialog(record);
  dialog.ComboBoxProtocoll->setCurrentIndex(0);
  dialog.ComboBoxHostComm->setCurrentIndex(16);  // USB
  dialog.ComboBoxHostBaudRate->setCurrentIndex(7);
  dialog.ComboBoxDgiComm->setCurrentIndex(0);
  dialog.CSpinEditDgiTimeOut->selectAll();
  QTest::keyClicks(dialog.CSpinEditDgiTimeOut, QStringLiteral("0"));  // typed, not yet confirmed
  dialog.ColorComboBoxHostColor->setCurrentIndex(12);  // Blue
  dialog.ColorComboBoxFPColor->setCurrentIndex(0);     // Black
  dialog.ColorComboBoxDgiColor->setCurrentIndex(15);   // White
  dialog.CheckBoxLowLevelLog->setChecked(false);
  dialog.CheckBoxReservedFields->setChecked(true);
  dialog.ComboBoxLanguge->setCurrentIndex(0);
  dialog.ComboBoxInputDateFormat->setCurrentIndex(7);
  dialog.ComboBoxOutputDateFormat->setCurrentIndex(0);
  dialog.ButtonOk->click();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(int(record.Protocol), 0);
  QCOMPARE(int(record.HComm), 16);
  QCOMPARE(int(record.HBaud), 7);
  QCOMPARE(int(record.DComm), 0);
  QCOMPARE(record.DTimeOut, 0u);
  QCOMPARE(record.HostColor, 0xFF0000u);
  QCOMPARE(record.FPColor, 0x000000u);
  QCOMPARE(record.DGIColor, 0xFFFFFFu);
  QVERIFY(!record.LowLevel);
  QVERIFY(record.ExtReservedFields);
  QCOMPARE(int(record.Language), 0);
  QCOMPARE(int(record.InputDateFormat), 7);
  QCOMPARE(int(record.OutputDateFormat), 0);
}

void TestPreferences::cancelAndEnterLeaveTheRecordUnchanged() {
  const TSettingsRecord original = SampleRecord();
  TSettingsRecord record = original;
  {
    TFormPreferences dialog(record);
    dialog.ComboBoxHostComm->setCurrentIndex(0);
    dialog.ComboBoxHostDevice->setEditText(QStringLiteral("/dev/other"));
    dialog.ColorComboBoxHostColor->setCurrentIndex(3);
    dialog.ButtonCancel->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }
  QVERIFY(SameSettings(record, original));
  {
    // "&Cancel" is the default button: Enter cancels.
    TFormPreferences dialog(record);
    dialog.ComboBoxProtocoll->setCurrentIndex(0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.ButtonCancel->isDefault());
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }
  QVERIFY(SameSettings(record, original));
}

void TestPreferences::colourOutsideTheListStaysUnlessPicked() {
  TSettingsRecord record = SampleRecord();
  {
    TFormPreferences dialog(record);
    dialog.ButtonOk->click();
  }
  QCOMPARE(record.DGIColor, 0x123456u);
  {
    TFormPreferences dialog(record);
    dialog.ColorComboBoxDgiColor->setCurrentIndex(9);
    dialog.ButtonOk->click();
  }
  QCOMPARE(record.DGIColor, 0x0000FFu);
}

void TestPreferences::codesOutsideTheListsAreKept() {
  TSettingsRecord record;
  record.HComm = 40;
  record.HBaud = 9;
  record.InputDateFormat = 12;
  TFormPreferences dialog(record);
  QCOMPARE(dialog.ComboBoxHostComm->currentIndex(), -1);
  QVERIFY(!dialog.ComboBoxHostDevice->isEnabled());
  dialog.ButtonOk->click();
  QCOMPARE(int(record.HComm), 40);
  QCOMPARE(int(record.HBaud), 9);
  QCOMPARE(int(record.InputDateFormat), 12);
}

void TestPreferences::devicePathsAreEditedInThePortMap() {
  TSettingsRecord record = SampleRecord();
  record.HComm = 1;
  record.DComm = 1;  // both choices show Com2
  TFormPreferences dialog(record);
  dialog.ComboBoxHostDevice->setEditText(QStringLiteral("/dev/ttyACM0"));
  QCOMPARE(dialog.ComboBoxDgiDevice->currentText(), QStringLiteral("/dev/ttyACM0"));
  dialog.ComboBoxHostComm->setCurrentIndex(16);
  QCOMPARE(dialog.ComboBoxHostDevice->currentText(), QString());  // USB: the last usb/lp* unless set
  dialog.ComboBoxHostDevice->setEditText(QStringLiteral("/dev/usb/lp1"));
  QCOMPARE(dialog.ComboBoxHostDevice->lineEdit()->placeholderText(), QStringLiteral("last /dev/usb/lp*"));
  dialog.ComboBoxHostComm->setCurrentIndex(2);
  QCOMPARE(dialog.ComboBoxHostDevice->currentText(), QStringLiteral("/dev/ttyUSB0"));
  dialog.ComboBoxHostComm->setCurrentIndex(5);
  QCOMPARE(dialog.ComboBoxHostDevice->lineEdit()->placeholderText(), QStringLiteral("/dev/ttyS5"));
  dialog.ComboBoxHostDevice->setEditText(QString());  // an emptied Com path: its default device
  dialog.ButtonOk->click();
  QCOMPARE(record.ports.com[5], std::string("/dev/ttyS5"));
  QCOMPARE(record.ports.com[1], std::string("/dev/ttyACM0"));
  QCOMPARE(record.ports.com[2], std::string("/dev/ttyUSB0"));
  QCOMPARE(record.ports.usb, std::string("/dev/usb/lp1"));
  QCOMPARE(record.ports.com[0], std::string("/dev/ttyS0"));
}

void TestPreferences::devicesFoundOnTheMachine() {
  QTemporaryDir dev, sys;
  QDir(dev.path()).mkpath(QStringLiteral("usb"));
  for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "null", "usb/lp0", "usb/lp10"})
    Touch(dev.filePath(QLatin1String(name)));
  // ttyS1 has no UART behind it.
  for (const char* name : {"ttyS0", "ttyS1"}) {
    QDir(sys.path()).mkpath(QLatin1String(name));
    QFile type(sys.filePath(QStringLiteral("%1/type").arg(QLatin1String(name))));
    QVERIFY(type.open(QIODevice::WriteOnly));
    type.write(name == std::string("ttyS1") ? "0\n" : "4\n");
  }
  const QStringList found = TFormPreferences::DevicePathsIn(dev.path(), sys.path());
  QStringList expected;
  for (const char* name : {"ttyACM1", "ttyS0", "ttyS2", "ttyS10", "ttyUSB0", "usb/lp0", "usb/lp10"})
    expected << dev.filePath(QLatin1String(name));
  QCOMPARE(found, expected);
}

void TestPreferences::okReopensTheHostPortLoggedInTheOldColours() {
  quorvel::app::testing::TMainWindowFixture fixture;
  quorvel::emulator::TEmulator host(quorvel::emulator::TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
  fixture.MapPort(1, host.DevicePath());
  fixture.SetSetting("HostColor", 0x0000FF);  // red
  fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
  auto window = fixture.StartShown();
  QTRY_VERIFY(window->TerminalFileOpen());
  QVERIFY(window->Settings().HostPortOpen);

  AnswerPreferencesWith([](TFormPreferences& dialog) {
    dialog.ColorComboBoxHostColor->setCurrentIndex(12);  // Blue
    dialog.ComboBoxHostBaudRate->setCurrentIndex(7);     // 115200
    dialog.ButtonOk->click();
  });
  window->ActionPreferences->trigger();
  QCOMPARE(window->Settings().HostColor, 0xFF0000u);
  QVERIFY(window->Settings().HostPortOpen);
  QCOMPARE(window->StatusText(2), QStringLiteral("COM1 115200,N,8,1"));
  // The log notifications are handled once the menu command has returned.
  const auto logFile = [&] { return QString::fromLatin1(fixture.Bytes(window->LogWindow()->LogFileName())); };
  QTRY_VERIFY2(logFile().endsWith(QStringLiteral("Close port\r\nOpen COM1 115200,N,8,1\r\n")), qPrintable(logFile()));
  // Both entries were made before the log window took the new colours.
  QTRY_VERIFY(LogLineColor(*window->LogWindow(), QStringLiteral("Open COM1 115200")).isValid());
  QCOMPARE(LogLineColor(*window->LogWindow(), QStringLiteral("Close port")), quorvel::widgets::ToQColor(0x0000FF));
  QCOMPARE(LogLineColor(*window->LogWindow(), QStringLiteral("Open COM1 115200")), quorvel::widgets::ToQColor(0x0000FF));
}

void TestPreferences::cancelOnlyRefreshesThePortPanels() {
  quorvel::app::testing::TMainWindowFixture fixture;
  quorvel::emulator::TEmulator host(quorvel::emulator::TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
  fixture.MapPort(1, host.DevicePath());
  fixture.SetSetting("File", fixture.WriteTerminalFile(QStringLiteral("shop.qvl")));
  auto window = fixture.StartShown();
  QTRY_VERIFY(window->TerminalFileOpen());
  const QByteArray logBefore = fixture.Bytes(window->LogWindow()->LogFileName());
  window->Settings().HComm = 16;  // shows once the panels are refreshed
  AnswerPreferencesWith([](TFormPreferences& dialog) {
    dialog.ComboBoxHostBaudRate->setCurrentIndex(0);
    dialog.ButtonCancel->click();
  });
  window->ActionPreferences->trigger();
  QCOMPARE(window->StatusText(2), QStringLiteral("USB"));
  QCOMPARE(int(window->Settings().HBaud), 3);
  QCoreApplication::processEvents();
  QCOMPARE(fixture.Bytes(window->LogWindow()->LogFileName()), logBefore);  // nothing reopened
  QCOMPARE(window->Host().State(), quorvel::host::EFP_S_Idle);
}

QTEST_MAIN(TestPreferences)
#include "test_preferences.moc"
