// SPDX-License-Identifier: MIT
// The main window's editor actions for the answer tables: the return-code editor,
// the fixed-answer editor and tester, and what the terminal window shows after each.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "../editors/answermodal.h"
#include "editors/amrfixanswer.h"
#include "editors/amrreturncodes.h"
#include "editors/editfixanswerrecord.h"
#include "editors/editrcrecord.h"
#include "editors/testfixanswer.h"
#include "mainwindowfixture.h"
#include "model/inimemory.h"
#include "terminal/terminal.h"
#include "widgets/fieldtypecombobox.h"

using quorvel::app::TFormMain;
using quorvel::app::testing::TMainWindowFixture;
using quorvel::editors::TFormEditFixAnswer;
using quorvel::editors::TFormEditFixAnswerRecord;
using quorvel::editors::TFormEditReturnCode;
using quorvel::editors::TFormRcRecord;
using quorvel::editors::TFormTestFixedAnswer;
using quorvel::editors::testing::AnswerModal;

namespace {

template <typename T>
T* Child(QWidget& parent, const char* name) {
  return parent.findChild<T*>(QString::fromLatin1(name));
}

// Appends the tables to the fixture's terminal file.
void AppendTables(const QString& path, const QByteArray& tables) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::Append));
  file.write(tables);
}

// The tester answered with two words; Test pressed.
void AnswerTester(const QString& fiscal, const QString& printer) {
  AnswerModal<TFormTestFixedAnswer>([fiscal, printer](TFormTestFixedAnswer& dialog) {
    dialog.FieldTypeComboBoxFiscal->SetText(fiscal);
    dialog.FieldTypeComboBoxPrinter->SetText(printer);
    dialog.FieldTypeComboBoxChange();
    dialog.ButtonTest->click();
  });
}

}  // namespace

class TestEditorActions : public QObject {
  Q_OBJECT

 private slots:
  void testerShowsTheTypedWordsOnTheAnswerPage();
  void testerCancelledChangesNothing();
  void fixedAnswerEditorHidesThePanelsAndReloadsOnClose();
  void returnCodeEditorReloadsTheFileOnClose();
};

void TestEditorActions::testerShowsTheTypedWordsOnTheAnswerPage() {
  TMainWindowFixture fixture;
  const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"), 1);
  AppendTables(path,
               "[FiscalAnswer]\r\nRecord1=1,1,0200,0200,\"Memory full\",clRed\r\n"
               "Record2=2,1,0400,0400,\"Memory almost full\",clGreen\r\n"
               "[PrinterAnswer]\r\nRecord1=1,2,0000,0000,\"Always\",clBlue\r\n");
  fixture.SetSetting("File", path);
  auto window = fixture.StartShown();
  auto* terminal = window->TerminalWindow();
  QVERIFY(terminal);
  QVERIFY(window->ActionTestFixAnswer->isEnabled());
  terminal->parentWidget()->showNormal();

  AnswerTester(QStringLiteral("0600"), QStringLiteral("ffff"));
  window->ActionTestFixAnswer->trigger();
  QVERIFY(terminal->parentWidget()->isMaximized());
  QCOMPARE(Child<QGroupBox>(*terminal, "GroupBoxFiscalAnswer")->title(), QStringLiteral("Fiscal answer = 0600"));
  QCOMPARE(Child<QGroupBox>(*terminal, "GroupBoxPrinterAnswer")->title(), QStringLiteral("Printer answer = FFFF"));
  QCOMPARE(Child<QLabel>(*terminal, "PanelFiscal1")->text(), QStringLiteral("Memory almost full"));
  QCOMPARE(Child<QLabel>(*terminal, "PanelPrinter2")->text(), QStringLiteral("Always"));
  // Extended protocol: the return code row shows 0.
  bool returnCodeShown = false;
  for (QLineEdit* box : terminal->findChildren<QLineEdit*>())
    if (box->isVisible() && box->text() == QLatin1String("0")) returnCodeShown = true;
  QVERIFY(returnCodeShown);
}

void TestEditorActions::testerCancelledChangesNothing() {
  TMainWindowFixture fixture;
  const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"));
  AppendTables(path, "[FiscalAnswer]\r\nRecord1=1,1,0000,0000,\"Always\",clRed\r\n");
  fixture.SetSetting("File", path);
  auto window = fixture.StartShown();
  auto* terminal = window->TerminalWindow();
  AnswerModal<TFormTestFixedAnswer>([](TFormTestFixedAnswer& dialog) { dialog.ButtonCancel->click(); });
  window->ActionTestFixAnswer->trigger();
  QVERIFY(!Child<QGroupBox>(*terminal, "GroupBoxFiscalAnswer")->isVisible());
  QVERIFY(Child<QLabel>(*terminal, "PanelFiscal1") == nullptr);
}

void TestEditorActions::fixedAnswerEditorHidesThePanelsAndReloadsOnClose() {
  TMainWindowFixture fixture;
  const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"));
  AppendTables(path, "[FiscalAnswer]\r\nRecord1=1,1,0000,0000,\"Old\",clRed\r\n");
  fixture.SetSetting("File", path);
  auto window = fixture.StartShown();
  auto* terminal = window->TerminalWindow();
  AnswerTester(QStringLiteral("0"), QStringLiteral("0"));
  window->ActionTestFixAnswer->trigger();
  QCOMPARE(Child<QLabel>(*terminal, "PanelFiscal1")->text(), QStringLiteral("Old"));

  // In the editor: modify the record and add one on panel 3, then close.
  AnswerModal<TFormEditFixAnswer>([](TFormEditFixAnswer& editor) {
    AnswerModal<TFormEditFixAnswerRecord>([](TFormEditFixAnswerRecord& record) {
      record.FieldTypeComboBoxText->SetText(QStringLiteral("New"));
      record.ButtonOk->click();
    });
    editor.ButtonModify->click();
    AnswerModal<TFormEditFixAnswerRecord>([](TFormEditFixAnswerRecord& record) {
      record.FieldTypeComboBoxPanelNumber->setCurrentIndex(2);
      record.FieldTypeComboBoxMask->SetText(QStringLiteral("0"));
      record.FieldTypeComboBoxResult->SetText(QStringLiteral("0"));
      record.FieldTypeComboBoxText->SetText(QStringLiteral("Third"));
      record.ControlsChange();
      record.ButtonOk->click();
    });
    editor.ButtonAdd->click();
    editor.ButtonClose->click();
  });
  window->ActionEditFixAnswer->trigger();
  QVERIFY(!Child<QGroupBox>(*terminal, "GroupBoxFiscalAnswer")->isVisible());
  QVERIFY(Child<QLabel>(*terminal, "PanelFiscal1") == nullptr);

  AnswerTester(QStringLiteral("0"), QStringLiteral("0"));
  window->ActionTestFixAnswer->trigger();
  QCOMPARE(Child<QLabel>(*terminal, "PanelFiscal1")->text(), QStringLiteral("New"));
  QCOMPARE(Child<QLabel>(*terminal, "PanelFiscal3")->text(), QStringLiteral("Third"));
}

void TestEditorActions::returnCodeEditorReloadsTheFileOnClose() {
  TMainWindowFixture fixture;
  const QString path = fixture.WriteTerminalFile(QStringLiteral("shop.qvl"), 1);
  fixture.SetSetting("File", path);
  auto window = fixture.StartShown();
  auto* terminal = window->TerminalWindow();
  QVERIFY(window->ActionEditRC->isEnabled());
  AnswerModal<TFormEditReturnCode>([](TFormEditReturnCode& editor) {
    AnswerModal<TFormRcRecord>([](TFormRcRecord& record) {
      record.FieldTypeComboBoxRcNumber->SetText(QStringLiteral("033"));
      record.EditText->setText(QStringLiteral("Command \"invalid\""));
      record.ButtonOk->click();
    });
    editor.ButtonAdd->click();
    editor.ButtonClose->click();
  });
  window->ActionEditRC->trigger();
  QCOMPARE(QString::fromStdString(quorvel::model::ReadReturnCodeDescription(terminal->TerminalFile(), 33)),
           QStringLiteral("Command \"invalid\""));
  QVERIFY(fixture.Bytes(path).endsWith("[Return codes]\r\nRC33=Command \"invalid\"\r\n"));
}

QTEST_MAIN(TestEditorActions)
#include "test_editoractions.moc"
