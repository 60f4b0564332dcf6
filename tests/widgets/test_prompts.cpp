// SPDX-License-Identifier: MIT
// The real boxes behind the prompts interface, driven as a user would, and the
// scripted answers the other tests rely on.
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "widgets/prompts.h"

using namespace quorvel::widgets;

namespace {

// Runs `act` on the next modal dialog that appears.
void OnNextModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    poll->stop();
    poll->deleteLater();
    act(modal);
  });
  poll->start();
}

}  // namespace

class TestPrompts : public QObject {
  Q_OBJECT

 private slots:
  void inputBoxShowsItsPromptAndIsCutTo25();
  void cancelledInputBoxGivesTheEmptyText();
  void messageBoxReportsTheButtonPressed();
  void scriptedPromptsRecordAndAnswer();
};

void TestPrompts::inputBoxShowsItsPromptAndIsCutTo25() {
  TDialogPrompts prompts;
  QString label;
  QString caption;
  OnNextModal([&](QWidget* modal) {
    caption = modal->windowTitle();
    label = modal->findChild<QLabel*>()->text();
    QLineEdit* edit = modal->findChild<QLineEdit*>();
    QVERIFY(edit->text().isEmpty());
    QTest::keyClicks(edit, QString(30, 'x').toLatin1().constData());
    QTest::keyClick(edit, Qt::Key_Return);
  });
  const QString answer = InputText(prompts, nullptr, "Enter times to repeat the command");
  QCOMPARE(caption, QString("Enter times to repeat the command"));
  QCOMPARE(label, QString("Input text:"));
  QCOMPARE(answer, QString(25, 'x'));
}

void TestPrompts::cancelledInputBoxGivesTheEmptyText() {
  TDialogPrompts prompts;
  OnNextModal([](QWidget* modal) {
    QTest::keyClicks(modal->findChild<QLineEdit*>(), "abc");
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  QCOMPARE(prompts.InputText(nullptr, "Name", QString()), std::optional<QString>());
  OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  QCOMPARE(InputText(prompts, nullptr, "Name"), QString());
}

void TestPrompts::messageBoxReportsTheButtonPressed() {
  TDialogPrompts prompts;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    text = box->text();
    icon = box->icon();
    box->button(QMessageBox::No)->click();
  });
  const TPromptResult result = prompts.Message(nullptr, TPromptIcon::Warning, " W A R N I N G ",
                                               "Remove?", TPromptButtons::YesNo);
  QCOMPARE(result, TPromptResult::No);
  QCOMPARE(text, QString("Remove?"));
  QCOMPARE(icon, QMessageBox::Warning);
}

void TestPrompts::scriptedPromptsRecordAndAnswer() {
  TScriptedPrompts prompts;
  prompts.messageAnswers = {TPromptResult::No};
  QCOMPARE(prompts.Message(nullptr, TPromptIcon::Warning, "t", "first", TPromptButtons::YesNo),
           TPromptResult::No);
  // Without queued answers: the affirmative button, and Cancel for inputs.
  QCOMPARE(prompts.Message(nullptr, TPromptIcon::Warning, "t", "second", TPromptButtons::YesNo),
           TPromptResult::Yes);
  ShowError(prompts, nullptr, "Error when trying to open the Host port");
  QCOMPARE(prompts.InputText(nullptr, "c", QString()), std::optional<QString>());
  QCOMPARE(prompts.OpenFileName(nullptr, "Open dialog", ".", "*.qvl"), std::optional<QString>());
  QCOMPARE(prompts.MessageTexts(),
           QStringList({"first", "second", "Error when trying to open the Host port"}));
  QCOMPARE(prompts.shown.at(2).icon, TPromptIcon::Error);
  QCOMPARE(prompts.shown.at(2).title, QString("Error"));
  QCOMPARE(prompts.shown.at(4).kind, TScriptedPrompts::TKind::OpenFileName);
}

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
