// SPDX-License-Identifier: MIT
// Send, Repeat and Cancel of the terminal window, end to end: real controls on
// pseudo-terminals, the printer emulator behind them, the window on the offscreen platform.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include "widgets/fieldtypecombobox.h"
#include "test_send_bench.h"

using namespace quorvel;
using terminal::test::TSendBench;

namespace {

const char kBadInput[] = "Bad user data input in control";
const char kNotReady[] = "Communication errors!!! Fiscal printer not ready.";
const char kBadFrame[] = "Error!!! Bad data in frame.";
const char kAlive[] = "     Fiscal Port it's alive !!!     ";

QStringList SampleFile() {
  return {
      "[General]", "Protocol=0", "InputDateFormat=0", "OutputDateFormat=0",
      "[Groups]", "Sales=", "Fiscal=",
      "[Sales]", "Amount=", "Ticket=", "Plain=", "ReadOnly=",
      "[SalesAmount]",
      "Commands=0,\"Cmd\",\"\",0,\"A\",0,0,0,0,0,0,0,0,\"Amount\",\"\",2,\"12,5\",0,0,1,0,10,2,0,"
      "0,\"Text\",\"\",0,\"x'1B'A\",0,0,0,0,0,0,0",
      "[SalesTicket]",
      "Commands=0,\"Cmd\",\"\",0,\"T\",0,0,0,0,0,0,0,0,\"Number\",\"\",0,\"TKT\",0,0,0,0,0,0,1",
      "Answers=\"Echo\",0,0",
      "[SalesPlain]",
      "Commands=0,\"Cmd\",\"\",0,\"P\",0,0,0,0,0,0,0,0,\"Text\",\"\",0,\"ok\",0,0,0,0,0,0,0",
      "[SalesReadOnly]",
      "Commands=0,\"Cmd\",\"\",0,\"R\",0,0,0,0,0,0,0,0,\"Fixed\",\"\",0,\"x'4G'\",0,0,0,1,0,0,0",
      "[Fiscal]", "Join=", "Alive=",
      "[FiscalJoin]", "Commands=1,\"A\",\"\",1,\"AB\",0,0,0,0,0,0,0,1,\"B\",\"\",3,\"12\",0,0,0,0,0,0,0",
      "[FiscalAlive]", "Commands=1,\"Enq\",\"\",0,\"x'05'\",0,0,0,0,0,0,0",
  };
}

void SetText(QWidget* control, const QString& text) {
  auto* combo = qobject_cast<widgets::TFieldTypeComboBox*>(control);
  QVERIFY(combo != nullptr);
  combo->SetText(text);
}

}  // namespace

class TestSend : public QObject {
  Q_OBJECT

 private slots:
  void hostFieldsReachThePrinterAsWireTexts();
  void dgiFieldsAreJoinedIntoOneText();
  void badEscapeIsRefusedWithFocusAndError();
  void badEscapeInReadOnlyFieldKeepsTheFocus();
  void controlByteRefusedByTheCompatibleProtocolIsBadInput();
  void repeatAppendsTheStepNumberAndShowsOnlyTheLastAnswer();
  void repeatWithAnUnusableCountDoesNothing_data();
  void repeatWithAnUnusableCountDoesNothing();
  void cancelEndsARepetitionWithAbort();
  void rejectedFrameShowsBadData();
  void silentPrinterShowsNotReady();
  void enqAcknowledgedShowsAlive();
  void dgiErrorGivesTheTreeBack();
  void stopWaitingPassesTheAnswerOver();
  void sendWaitsForTheBusyPortWithTheWindowResponsive();
  void windowClosedWhileSendWaitsIsLeftAlone();
};

void TestSend::hostFieldsReachThePrinterAsWireTexts() {
  TSendBench bench(SampleFile(), 1);
  QVERIFY(bench.hostOpen);
  QVERIFY(bench.Select("Sales", "Amount"));
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
  bench.Button("ButtonSend")->click();
  QCOMPARE(bench.context.statusHistory.value(0), QStringLiteral("Sending ..."));
  QVERIFY(!bench.TreeEnabled());
  QVERIFY(!bench.Button("ButtonSend")->isEnabled());
  QVERIFY(!bench.Button("ButtonRepeat")->isEnabled());
  QTRY_COMPARE_WITH_TIMEOUT(bench.Status(), QStringLiteral("Ready"), 5000);
  QCOMPARE(bench.HostCommands(), (std::vector<std::vector<std::string>>{{"A", "0000001250", "\x1B" "A"}}));
  QVERIFY(bench.TreeEnabled());
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
  QVERIFY(bench.context.prompts.shown.empty());
}

void TestSend::dgiFieldsAreJoinedIntoOneText() {
  TSendBench bench(SampleFile());
  QVERIFY(bench.dgiOpen);
  QVERIFY(bench.Select("Fiscal", "Join"));
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
  QVERIFY(!bench.Button("ButtonRepeat")->isEnabled());
  bench.Button("ButtonSend")->click();
  QCOMPARE(bench.Status(), QStringLiteral("Sending ..."));
  QVERIFY(bench.dgiLine->WaitForFrames(1, 5000));
  QCOMPARE(bench.dgiLine->ReceivedFrames()[0].substr(1, 4), std::string("AB12"));
  QTRY_COMPARE_WITH_TIMEOUT(bench.Status(), QStringLiteral("Ready"), 5000);  // acknowledged without answer
}

void TestSend::badEscapeIsRefusedWithFocusAndError() {
  TSendBench bench(SampleFile());
  QVERIFY(bench.Select("Sales", "Plain"));
  SetText(bench.window->FieldControl(1), QStringLiteral("x'4G'"));
  bench.window->FieldControl(0)->setFocus();
  bench.Button("ButtonSend")->click();
  QCOMPARE(bench.context.prompts.MessageTexts(), QStringList{kBadInput});
  QCOMPARE(bench.context.prompts.shown[0].icon, widgets::TPromptIcon::Error);
  QCOMPARE(bench.window->focusWidget(), bench.window->FieldControl(1)->focusProxy()
                                            ? bench.window->FieldControl(1)->focusProxy()
                                            : bench.window->FieldControl(1));
  QCOMPARE(bench.Status(), QStringLiteral("Error"));
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
  QTest::qWait(100);
  QVERIFY(bench.hostLine->ReceivedFrames().empty());

  // The fields added before the bad one were discarded: the next command is clean.
  SetText(bench.window->FieldControl(1), QStringLiteral("fine"));
  bench.Button("ButtonSend")->click();
  QTRY_COMPARE_WITH_TIMEOUT(bench.Status(), QStringLiteral("Ready"), 5000);
  QCOMPARE(bench.HostCommands(), (std::vector<std::vector<std::string>>{{"P", "fine"}}));
}

void TestSend::badEscapeInReadOnlyFieldKeepsTheFocus() {
  TSendBench bench(SampleFile());
  QVERIFY(bench.Select("Sales", "ReadOnly"));
  bench.window->FieldControl(0)->setFocus();
  QWidget* before = bench.window->focusWidget();
  bench.Button("ButtonSend")->click();
  QCOMPARE(bench.context.prompts.MessageTexts(), QStringList{kBadInput});
  QCOMPARE(bench.window->focusWidget(), before);
  QCOMPARE(bench.Status(), QStringLiteral("Error"));
}

void TestSend::controlByteRefusedByTheCompatibleProtocolIsBadInput() {
  TSendBench bench(SampleFile(), 0);
  QVERIFY(bench.Select("Sales", "Amount"));
  bench.Button("ButtonSend")->click();
  QCOMPARE(bench.context.prompts.MessageTexts(), QStringList{kBadInput});
  QCOMPARE(bench.Status(), QStringLiteral("Error"));
  QTest::qWait(100);
  QVERIFY(bench.hostLine->ReceivedFrames().empty());
}

void TestSend::repeatAppendsTheStepNumberAndShowsOnlyTheLastAnswer() {
  TSendBench bench(SampleFile());
  for (const char* echo : {"one", "two", "three"}) {
    emulator::THostReply reply;
    reply.fields = std::vector<std::string>{echo};
    bench.hostLine->QueueHostReply(reply);
  }
  QVERIFY(bench.Select("Sales", "Ticket"));
  bench.context.prompts.inputAnswers.push_back(QStringLiteral("3"));
  bench.Button("ButtonRepeat")->click();
  QVERIFY(!bench.context.prompts.shown.empty());
  QCOMPARE(bench.context.prompts.shown[0].title, QStringLiteral("Enter times to repeat the command"));
  QVERIFY(!bench.TreeEnabled());  // until the last answer arrives
  QTRY_COMPARE_WITH_TIMEOUT(bench.Status(), QStringLiteral("Ready"), 5000);
  QCOMPARE(bench.context.statusHistory,
           (QStringList{"1/3", "2/3", "3/3", "Ready"}));
  const auto commands = bench.HostCommands();
  QCOMPARE(commands.size(), std::size_t{3});
  for (std::size_t r = 0; r < 3; ++r) QCOMPARE(commands[r][1], "TKT00" + std::to_string(r + 1));
  QCOMPARE(bench.finalAnswers, 3);
  auto* shown = bench.window->findChild<QLineEdit*>(QStringLiteral("AnswerBox0"));
  QVERIFY(shown != nullptr);
  QCOMPARE(shown->text(), QStringLiteral("three"));
  QVERIFY(bench.TreeEnabled());
}

void TestSend::repeatWithAnUnusableCountDoesNothing_data() {
  QTest::addColumn<QString>("answer");
  QTest::newRow("zero") << "0";
  QTest::newRow("negative") << "-5";
  QTest::newRow("too many") << "10000";
  QTest::newRow("not a number") << "abc";
  QTest::newRow("cancelled") << QString();
}

void TestSend::repeatWithAnUnusableCountDoesNothing() {
  QFETCH(QString, answer);
  TSendBench bench(SampleFile());
  QVERIFY(bench.Select("Sales", "Ticket"));
  if (answer.isNull()) {
    bench.context.prompts.inputAnswers.push_back(std::nullopt);
  } else {
    bench.context.prompts.inputAnswers.push_back(answer);
  }
  bench.Button("ButtonRepeat")->click();
  QTest::qWait(100);
  QVERIFY(bench.hostLine->ReceivedFrames().empty());
  QVERIFY(bench.context.statusHistory.isEmpty());
  QVERIFY(bench.TreeEnabled());
  QVERIFY(bench.Button("ButtonRepeat")->isEnabled());
  QCOMPARE(bench.context.prompts.MessageTexts(), QStringList{});
}

void TestSend::cancelEndsARepetitionWithAbort() {
  TSendBench bench(SampleFile());
  QVERIFY(bench.Select("Sales", "Ticket"));
  // Cancel is pressed once the third answer has come in.
  auto routed = bench.host->OnFinalAnswer;
  bench.host->OnFinalAnswer = [&bench, routed](host::TFPHostControl& sender) {
    routed(sender);
    if (bench.finalAnswers == 3) QTimer::singleShot(0, bench.Button("ButtonCancel"), &QPushButton::click);
  };
  bench.context.prompts.inputAnswers.push_back(QStringLiteral("100"));
  bench.Button("ButtonRepeat")->click();  // returns when the repetition has ended
  QVERIFY(bench.context.statusHistory.contains(QStringLiteral("Abort")));
  // Cancel came with the third answer, so the fourth step never started.
  QCOMPARE(bench.context.statusHistory, (QStringList{"1/100", "2/100", "3/100", "Abort"}));
  QVERIFY(bench.TreeEnabled());
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
  QTest::qWait(TSendBench::kSilenceLimitMs);
  QCOMPARE(bench.hostLine->ReceivedFrames().size(), std::size_t{3});
}

void TestSend::rejectedFrameShowsBadData() {
  TSendBench bench(SampleFile());
  emulator::THostReply nak;
  nak.nak = true;
  bench.hostLine->QueueHostReply(nak);
  QVERIFY(bench.Select("Sales", "Plain"));
  bench.Button("ButtonSend")->click();
  QTRY_COMPARE_WITH_TIMEOUT(bench.context.prompts.MessageTexts(), QStringList{kBadFrame}, 5000);
  QCOMPARE(bench.Status(), QStringLiteral("Error"));
  QVERIFY(bench.TreeEnabled());
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
}

void TestSend::silentPrinterShowsNotReady() {
  TSendBench bench(SampleFile());
  emulator::THostReply silent;
  silent.silent = true;
  bench.hostLine->QueueHostReply(silent);
  QVERIFY(bench.Select("Sales", "Plain"));
  bench.Button("ButtonSend")->click();
  QTRY_COMPARE_WITH_TIMEOUT(bench.context.prompts.MessageTexts(), QStringList{kNotReady}, 5000);
  QCOMPARE(bench.context.prompts.shown[0].icon, widgets::TPromptIcon::Error);
  QCOMPARE(bench.Status(), QStringLiteral("TimeOut"));
  QVERIFY(bench.TreeEnabled());
}

void TestSend::enqAcknowledgedShowsAlive() {
  TSendBench bench(SampleFile());
  QVERIFY(bench.Select("Fiscal", "Alive"));
  bench.Button("ButtonSend")->click();
  QTRY_COMPARE_WITH_TIMEOUT(bench.context.prompts.MessageTexts(), QStringList{kAlive}, 5000);
  QCOMPARE(bench.context.prompts.shown[0].icon, widgets::TPromptIcon::Information);
  QCOMPARE(bench.Status(), QStringLiteral("Ready"));
  QCOMPARE(bench.dgiLine->ReceivedFrames(), std::vector<std::string>{"\x05"});
  QVERIFY(bench.TreeEnabled());
}

void TestSend::dgiErrorGivesTheTreeBack() {
  TSendBench bench(SampleFile());
  emulator::TDgiReply silent;
  silent.silent = true;
  bench.dgiLine->QueueDgiReply(silent);
  QVERIFY(bench.Select("Fiscal", "Join"));
  bench.Button("ButtonSend")->click();
  QVERIFY(!bench.TreeEnabled());
  QTRY_COMPARE_WITH_TIMEOUT(bench.context.prompts.MessageTexts(), QStringList{kNotReady}, 5000);
  QCOMPARE(bench.Status(), QStringLiteral("TimeOut"));
  QVERIFY(bench.TreeEnabled());
  QVERIFY(bench.Button("ButtonSend")->isEnabled());
}

void TestSend::stopWaitingPassesTheAnswerOver() {
  TSendBench bench(SampleFile());
  emulator::THostReply slow;
  slow.busyReports = 1;
  slow.busyIntervalMs = 100;
  bench.hostLine->QueueHostReply(slow);
  QVERIFY(bench.Select("Sales", "Plain"));
  bench.Button("ButtonSend")->click();
  bench.window->StopWaiting();
  QTRY_COMPARE_WITH_TIMEOUT(bench.finalAnswers, 1, 5000);
  QTest::qWait(50);
  QCOMPARE(bench.Status(), QStringLiteral("Sending ..."));  // the answer was not shown
  QVERIFY(bench.window->findChild<QLineEdit*>(QStringLiteral("AnswerBox0")) == nullptr);
}

// The port is busy with a command handed over elsewhere: Send waits for it with the
// window's events running, then sends its own.
void TestSend::sendWaitsForTheBusyPortWithTheWindowResponsive() {
  TSendBench bench(SampleFile());
  emulator::THostReply slow;
  slow.busyReports = 3;
  slow.busyIntervalMs = 100;
  bench.hostLine->QueueHostReply(slow);
  QVERIFY(bench.Select("Sales", "Plain"));
  QVERIFY(bench.host->AddDataField("other"));
  QVERIFY(bench.host->SendCommand());
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(10);
  bench.Button("ButtonSend")->click();  // returns once its command is handed over
  QVERIFY(ticks > 0);
  QCOMPARE(bench.context.statusHistory, QStringList{"Sending ..."});
  QTRY_COMPARE_WITH_TIMEOUT(bench.Status(), QStringLiteral("Ready"), 5000);
  QCOMPARE(bench.HostCommands(), (std::vector<std::vector<std::string>>{{"other"}, {"P", "ok"}}));
}

void TestSend::windowClosedWhileSendWaitsIsLeftAlone() {
  TSendBench bench(SampleFile());
  emulator::THostReply slow;
  slow.busyReports = 2;
  slow.busyIntervalMs = 100;
  bench.hostLine->QueueHostReply(slow);
  QVERIFY(bench.Select("Sales", "Plain"));
  QVERIFY(bench.host->AddDataField("other"));
  QVERIFY(bench.host->SendCommand());
  QPushButton* send = bench.Button("ButtonSend");
  QTimer::singleShot(50, [&bench] { bench.window.reset(); });  // the file is closed meanwhile
  send->click();
  QVERIFY(bench.window == nullptr);
  QTRY_COMPARE_WITH_TIMEOUT(bench.host->State(), host::EFP_S_Idle, 5000);
  QTest::qWait(50);
  QCOMPARE(bench.hostLine->ReceivedFrames().size(), std::size_t{1});
}

QTEST_MAIN(TestSend)
#include "test_send.moc"
