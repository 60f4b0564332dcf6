// SPDX-License-Identifier: MIT
// The answer pages of the terminal window: status panels decoded by the
// fixed-answer records, answer rows by the sent command's answer field records,
// the extended protocol's rows, and the DGI answers as text lines.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QFontDatabase>
#include <QtTest>

#include "common/emulatorwait.h"
#include "emulator/wire.h"
#include "model/colors.h"
#include "terminal/answerlayout.h"
#include "widgets/qtcolors.h"
#include "test_send_bench.h"

using namespace quorvel;
using terminal::test::TSendBench;

namespace {

QStringList AnswerFile(int protocol) {
  return {
      "[General]", QStringLiteral("Protocol=%1").arg(protocol), "InputDateFormat=4", "OutputDateFormat=1",
      "[Return codes]", "RC33=Command invalid",
      "[FiscalAnswer]",
      "Record1=1,1,0200,0200,\"Memory full\",clRed",
      "Record2=2,1,0400,0400,\"Memory almost full\",clGreen",
      "Record3=3,2,0000,0000,\"Always\",clBlue",
      "Record4=4,5,0000,0001,\"Never\",clRed",
      "[PrinterAnswer]",
      "Record1=1,1,8000,8000,\"Paper out\",clMaroon",
      "[Groups]", "Sales=",
      "[Sales]", "Total=",
      "[SalesTotal]",
      "Commands=0,\"Cmd\",\"\",0,\"T\",0,0,0,0,0,0,0",
      "Answers=\"&Total\",2,2,\"Day\",8,0",
  };
}

template <typename T>
T* Child(const QWidget& window, const QString& name) {
  return window.findChild<T*>(name);
}

QColor TextColor(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

// Sends Sales/Total and waits for its answer page.
bool SendAndWait(TSendBench& bench, const emulator::THostReply& reply) {
  bench.hostLine->QueueHostReply(reply);
  if (!bench.Select("Sales", "Total")) return false;
  bench.Button("ButtonSend")->click();
  return QTest::qWaitFor([&] { return bench.Status() == QStringLiteral("Ready"); }, 5000);
}

}  // namespace

class TestAnswer : public QObject {
  Q_OBJECT

 private slots:
  void laterMatchingRecordWinsItsPanel();
  void panelGridAndBoxesStackDownThePage();
  void compatibleAnswerShowsRecordsThenRawFields();
  void extendedRowsWithAndWithoutReservedFields_data();
  void extendedRowsWithAndWithoutReservedFields();
  void testerCallShowsBothBoxesWithoutValues();
  void finalAnswerIsShownOnlyWhileACommandIsInProgress();
  void clearStatusPanelsHidesTheBuiltBoxes();
  void rowsAreBoundedAtSeventy();
  void dgiAnswersAccumulateUntilDoubleClick_data();
  void dgiAnswersAccumulateUntilDoubleClick();
};

void TestAnswer::laterMatchingRecordWinsItsPanel() {
  TSendBench bench(AnswerFile(0));
  bench.window->ShowAnswer(0x0600, 0x0000, {}, 0);
  auto* box = Child<QGroupBox>(*bench.window, "GroupBoxFiscalAnswer");
  QVERIFY(box->isVisible());
  QCOMPARE(box->title(), QStringLiteral("Fiscal answer = 0600"));
  auto* panel1 = Child<QLabel>(*bench.window, "PanelFiscal1");
  QVERIFY(panel1 != nullptr);
  QCOMPARE(panel1->text(), QStringLiteral("Memory almost full"));
  QCOMPARE(TextColor(panel1), widgets::ToQColor(model::clGreen));
  QCOMPARE(Child<QLabel>(*bench.window, "PanelFiscal2")->text(), QStringLiteral("Always"));  // mask 0 matches
  for (const char* empty : {"PanelFiscal3", "PanelFiscal4", "PanelFiscal5"})  // 5: mask 0, result 1
    QCOMPARE(Child<QLabel>(*bench.window, empty)->text(), QString());
  QVERIFY(Child<QLabel>(*bench.window, "PanelFiscal6") == nullptr);
  QCOMPARE(Child<QLabel>(*bench.window, "PanelPrinter1")->text(), QString());

  bench.window->ShowAnswer(0x0200, 0x8000, {}, 0);
  QCOMPARE(Child<QLabel>(*bench.window, "PanelFiscal1")->text(), QStringLiteral("Memory full"));
  QCOMPARE(Child<QLabel>(*bench.window, "PanelPrinter1")->text(), QStringLiteral("Paper out"));
  QCOMPARE(Child<QGroupBox>(*bench.window, "GroupBoxPrinterAnswer")->title(), QStringLiteral("Printer answer = 8000"));
  auto* pages = Child<QTabWidget>(*bench.window, "PageControl");
  QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheetAnswer"));
}

void TestAnswer::panelGridAndBoxesStackDownThePage() {
  TSendBench bench(AnswerFile(0));
  bench.window->ShowAnswer(0, 0, {}, 0);
  auto* fiscal = Child<QGroupBox>(*bench.window, "GroupBoxFiscalAnswer");
  auto* printer = Child<QGroupBox>(*bench.window, "GroupBoxPrinterAnswer");
  const terminal::TPanelGrid grid = terminal::TPanelGrid::ForClientWidth(fiscal->width());
  QVERIFY(grid.columns >= 2);
  QCOMPARE(fiscal->geometry().topLeft(), QPoint(10, 20));
  QCOMPARE(fiscal->height(), 31 * ((5 + grid.columns - 1) / grid.columns) + 8);
  const QLabel* first = Child<QLabel>(*bench.window, "PanelFiscal1");
  const QLabel* second = Child<QLabel>(*bench.window, "PanelFiscal2");
  QCOMPARE(first->pos(), QPoint(grid.left, 15));
  QCOMPARE(second->x() - first->x(), 185);
  QCOMPARE(printer->y(), fiscal->y() + fiscal->height() + 20);
  QCOMPARE(printer->height(), 31 + 8);  // one panel, one row
  auto* separator = Child<QFrame>(*bench.window, "BevelSeparator");
  QVERIFY(separator->isVisible());
  QCOMPARE(separator->y(), printer->y() + printer->height() + 20);
}

void TestAnswer::compatibleAnswerShowsRecordsThenRawFields() {
  TSendBench bench(AnswerFile(0));
  bench.context.settings.InputDateFormat = 4;  // the open file's [General] values
  bench.context.settings.OutputDateFormat = 1;
  emulator::THostReply reply;
  reply.fields = std::vector<std::string>{"0000001250", "240512", "raw"};
  QVERIFY(SendAndWait(bench, reply));
  QCOMPARE(Child<QLabel>(*bench.window, "AnswerLabel0")->text(), QStringLiteral("&Total"));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox0")->text(), QStringLiteral("00000012.50"));
  QCOMPARE(Child<QLabel>(*bench.window, "AnswerLabel1")->text(), QStringLiteral("Day"));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox1")->text(), QStringLiteral("05/12/2024"));
  auto* raw = Child<QLabel>(*bench.window, "AnswerLabel2");
  QCOMPARE(raw->text(), QStringLiteral("Field2"));
  QCOMPARE(TextColor(raw), widgets::ToQColor(model::clMaroon));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox2")->text(), QStringLiteral("raw"));
  QVERIFY(Child<QLineEdit>(*bench.window, "AnswerBox2")->isReadOnly());
  QVERIFY(Child<QLineEdit>(*bench.window, "AnswerBox3") == nullptr);
}

void TestAnswer::extendedRowsWithAndWithoutReservedFields_data() {
  QTest::addColumn<bool>("showReserved");
  QTest::newRow("reserved hidden") << false;
  QTest::newRow("reserved shown") << true;
}

void TestAnswer::extendedRowsWithAndWithoutReservedFields() {
  QFETCH(bool, showReserved);
  TSendBench bench(AnswerFile(1), 1);
  bench.context.settings.ExtReservedFields = showReserved;
  emulator::THostReply reply;
  reply.returnCode = 33;
  reply.fiscalStatus = 0x0400;
  reply.fields = std::vector<std::string>{"0000000075"};
  QVERIFY(SendAndWait(bench, reply));
  QCOMPARE(Child<QGroupBox>(*bench.window, "GroupBoxFiscalAnswer")->title(), QStringLiteral("Fiscal answer = 0400"));
  for (const char* reserved : {"AnswerLabel0", "AnswerLabel2"}) {
    auto* label = Child<QLabel>(*bench.window, reserved);
    QCOMPARE(label->isVisible(), showReserved);
    QCOMPARE(label->text(), QStringLiteral("Reserved"));
  }
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox0")->isVisible(), showReserved);
  QCOMPARE(Child<QLabel>(*bench.window, "AnswerLabel1")->text(), QStringLiteral("Return code"));
  auto* code = Child<QLineEdit>(*bench.window, "AnswerBox1");
  QCOMPARE(code->text(), QStringLiteral("33"));
  QCOMPARE(code->toolTip(), QStringLiteral("(0021) Command invalid"));
  // The reserved rows keep their grid places: the first value is the fourth place.
  auto* first = Child<QLabel>(*bench.window, "AnswerLabel3");
  QCOMPARE(first->text(), QStringLiteral("&Total"));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox3")->text(), QStringLiteral("00000000.75"));
  const terminal::TAnswerGrid grid = terminal::TAnswerGrid::ForClientWidth(first->parentWidget()->width(), 0);
  QCOMPARE(first->x(), grid.Place(3).x());
}

void TestAnswer::testerCallShowsBothBoxesWithoutValues() {
  TSendBench bench(AnswerFile(1), 1);
  bench.window->ShowAnswer(0x0000, 0xFFFF, {}, 0);
  QVERIFY(Child<QGroupBox>(*bench.window, "GroupBoxFiscalAnswer")->isVisible());
  QVERIFY(Child<QGroupBox>(*bench.window, "GroupBoxPrinterAnswer")->isVisible());
  QCOMPARE(Child<QGroupBox>(*bench.window, "GroupBoxPrinterAnswer")->title(), QStringLiteral("Printer answer = FFFF"));
  QCOMPARE(Child<QLabel>(*bench.window, "PanelPrinter1")->text(), QStringLiteral("Paper out"));
  QCOMPARE(Child<QLabel>(*bench.window, "AnswerLabel1")->text(), QStringLiteral("Return code"));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox1")->text(), QStringLiteral("0"));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox1")->toolTip(), QStringLiteral("(0000) "));
  QVERIFY(Child<QLineEdit>(*bench.window, "AnswerBox3") == nullptr);
}

void TestAnswer::finalAnswerIsShownOnlyWhileACommandIsInProgress() {
  TSendBench bench(AnswerFile(0));
  bench.window->HostFinalAnswer();  // nothing was sent
  QVERIFY(!Child<QGroupBox>(*bench.window, "GroupBoxFiscalAnswer")->isVisible());
  QVERIFY(bench.context.statusHistory.isEmpty());

  emulator::THostReply reply;
  reply.fields = std::vector<std::string>{"12345"};
  QVERIFY(SendAndWait(bench, reply));
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox0")->text(), QStringLiteral("123.45"));
  bench.window->HostFinalAnswer();  // a late repetition of the notification changes nothing
  QCOMPARE(bench.context.statusHistory.count(QStringLiteral("Ready")), 1);
}

void TestAnswer::clearStatusPanelsHidesTheBuiltBoxes() {
  TSendBench bench(AnswerFile(0));
  bench.window->ShowAnswer(0, 0, {}, 0);
  bench.window->ClearStatusPanels();
  QVERIFY(Child<QLabel>(*bench.window, "PanelFiscal1") == nullptr);
  QVERIFY(Child<QLabel>(*bench.window, "PanelPrinter1") == nullptr);
  QVERIFY(!Child<QGroupBox>(*bench.window, "GroupBoxFiscalAnswer")->isVisible());
  QVERIFY(!Child<QGroupBox>(*bench.window, "GroupBoxPrinterAnswer")->isVisible());
  bench.window->ClearStatusPanels();  // twice is harmless
  bench.window->ShowAnswer(0x0400, 0, {}, 0);
  QCOMPARE(Child<QLabel>(*bench.window, "PanelFiscal1")->text(), QStringLiteral("Memory almost full"));
}

void TestAnswer::rowsAreBoundedAtSeventy() {
  TSendBench bench(AnswerFile(0));
  bench.window->ShowAnswer(0, 0, std::vector<std::string>(150, "v"), 0);
  QVERIFY(Child<QLineEdit>(*bench.window, "AnswerBox69") != nullptr);
  QVERIFY(Child<QLineEdit>(*bench.window, "AnswerBox70") == nullptr);
  bench.window->ShowAnswer(0, 0, {"only"}, 0);  // the previous rows are gone
  QVERIFY(Child<QLineEdit>(*bench.window, "AnswerBox1") == nullptr);
  QCOMPARE(Child<QLineEdit>(*bench.window, "AnswerBox0")->text(), QStringLiteral("only"));
}

void TestAnswer::dgiAnswersAccumulateUntilDoubleClick_data() {
  QTest::addColumn<bool>("late");
  QTest::newRow("handled as they arrive") << false;
  // A busy user interface: every frame has arrived before the first is handled.
  QTest::newRow("handled late") << true;
}

void TestAnswer::dgiAnswersAccumulateUntilDoubleClick() {
  QFETCH(bool, late);
  TSendBench bench(AnswerFile(0));
  emulator::TDgiReply reply;
  reply.ackOnly = false;
  reply.frames = {"0005first", "0006second", "0000last"};
  bench.dgiLine->QueueDgiReply(reply);
  QVERIFY(bench.dgi->SendData("Q"));
  if (late) {
    // No events are handled here: the control acknowledges all three frames meanwhile.
    QVERIFY(bench.dgiLine->WaitForFrames(1, 5000));
    QVERIFY(testing::WaitForReceivedBytes(*bench.dgiLine, emulator::wire::kAck, 3, 5000));
  }
  QTRY_COMPARE_WITH_TIMEOUT(bench.Status(), QStringLiteral("Ready"), 5000);
  auto* memo = Child<QPlainTextEdit>(*bench.window, "MemoFiscalAnswer");
  QCOMPARE(memo->toPlainText().split(QLatin1Char('\n')), (QStringList{"0005first", "0006second", "0000last"}));
  // Long answers stay on their line, in a fixed-pitch font, with no border around them.
  QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  QCOMPARE(memo->font().pixelSize(), 13);
  QCOMPARE(memo->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  QCOMPARE(memo->frameShape(), QFrame::NoFrame);
  QCOMPARE(Child<QTabWidget>(*bench.window, "PageControl")->currentWidget()->objectName(),
           QStringLiteral("TabSheetFiscalAnswer"));
  QTest::mouseDClick(memo->viewport(), Qt::LeftButton);
  QVERIFY(memo->toPlainText().isEmpty());
}

QTEST_MAIN(TestAnswer)
#include "test_answer.moc"
