// SPDX-License-Identifier: MIT
// The demo terminal file: its format, that it shows every text type and control
// type with lists, notes, required and read-only fields, and that every command
// builds its form in the terminal window without an error.
#include <QFile>
#include <QLabel>
#include <QTreeWidget>
#include <QtTest>

#include <set>

#include "emulator/emulator.h"
#include "mainwindowfixture.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "terminal/terminal.h"

using quorvel::app::testing::TMainWindowFixture;
namespace model = quorvel::model;

namespace {

struct TDemoCommand {
  std::string group;
  std::string name;
  std::string section;
};

std::vector<TDemoCommand> Commands(const model::TIniReader& file) {
  std::vector<TDemoCommand> commands;
  for (const std::string& group : model::ReadGroups(file)) {
    for (const std::string& command : model::ReadGroupCommands(file, group)) {
      commands.push_back({group, command, model::CommandSectionName(group, command)});
    }
  }
  return commands;
}

}  // namespace

class TestDemo : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    demoPath_ = QFINDTESTDATA("../../examples/demo.qvl");
    QVERIFY(!demoPath_.isEmpty());
  }

  void everyLineEndsWithCrLf() {
    QFile file(demoPath_);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
  }

  void showsEveryKindOfField() {
    const model::TIniFile file(QFile::encodeName(demoPath_).toStdString());
    const model::TIniMemory copy(QFile::encodeName(demoPath_).toStdString());
    QCOMPARE(model::ReadGeneral(file).Protocol, 1);
    QVERIFY(model::ReadReturnCodes(file).size() >= 2);
    QVERIFY(!model::ReadFixedAnswers(copy, model::kSectionFiscalAnswer).Records.empty());
    QVERIFY(!model::ReadFixedAnswers(copy, model::kSectionPrinterAnswer).Records.empty());

    std::set<int> textTypes, controlTypes, modes, groups;
    bool required = false, readOnly = false, notes = false, listItems = false, autoIncrement = false;
    bool answers = false;
    const auto commands = Commands(copy);
    QVERIFY(commands.size() >= 6);
    std::set<std::string> groupNames;
    for (const TDemoCommand& command : commands) {
      groupNames.insert(command.group);
      const model::TCommandDefinition definition = model::ReadCommandDefinition(copy, command.section);
      QVERIFY2(!definition.Fields.empty(), command.section.c_str());
      modes.insert(definition.Mode);
      for (std::size_t i = 0; i < definition.Fields.size(); ++i) {
        const model::TCommandField& field = definition.Fields[i];
        textTypes.insert(field.TextType);
        controlTypes.insert(field.ControlType);
        required = required || field.Required;
        readOnly = readOnly || field.ReadOnly;
        autoIncrement = autoIncrement || field.AutoIncrement;
        if (field.ControlType == 1 || field.ControlType == 2) {
          const bool hasItems = !model::ReadItemList(copy, command.section, static_cast<int>(i + 1)).empty();
          QVERIFY2(hasItems, command.section.c_str());
          listItems = true;
        }
      }
      notes = notes || !model::ReadNotes(copy, command.section).empty();
      answers = answers || !model::ReadAnswerDefinition(copy, command.section).Fields.empty();
    }
    QVERIFY(groupNames.size() >= 3);
    QCOMPARE(textTypes, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(controlTypes, (std::set<int>{0, 1, 2, 3, 4}));
    QCOMPARE(modes, (std::set<int>{0, 1}));
    QVERIFY(required && readOnly && notes && listItems && autoIncrement && answers);
  }

  void everyCommandBuildsItsFormInTheTerminalWindow() {
    TMainWindowFixture fixture;
    const QString copy = fixture.Path(QStringLiteral("demo.qvl"));
    QVERIFY(QFile::copy(demoPath_, copy));
    fixture.SetSetting("File", copy);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    fixture.prompts.shown.clear();

    auto* terminal = window->TerminalWindow();
    QTreeWidget* tree = terminal->TreeViewCommand();
    const model::TIniMemory file(QFile::encodeName(copy).toStdString());
    const auto commands = Commands(file);
    std::size_t visited = 0;
    QTreeWidgetItem* root = tree->topLevelItem(0);
    for (int g = 0; g < root->childCount(); ++g) {
      for (int c = 0; c < root->child(g)->childCount(); ++c) {
        QTreeWidgetItem* node = root->child(g)->child(c);
        tree->setCurrentItem(node);
        terminal->TreeViewCommandChange(node);
        const TDemoCommand& expected = commands.at(visited++);
        QCOMPARE(terminal->CurrentCommand(), expected.section);
        QCOMPARE(terminal->FieldCount(), model::ReadCommandDefinition(file, expected.section).Fields.size());
      }
    }
    QCOMPARE(visited, commands.size());
    QCOMPARE(fixture.prompts.MessageTexts(), QStringList());
  }

  void aDemoCommandSentToTheEmulatorShowsItsDecodedAnswer() {
    TMainWindowFixture fixture;
    namespace emulator = quorvel::emulator;
    emulator::TEmulator host(emulator::TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    host.SetHostProtocol(emulator::THostProtocol::Extended);
    emulator::THostReply reply;
    reply.printerStatus = 0x0004;  // "Paper out"
    reply.fiscalStatus = 0x1000;   // "Receipt open"
    reply.fields = std::vector<std::string>{"\x01", "*"};
    host.SetDefaultHostReply(reply);
    fixture.MapPort(1, host.DevicePath());
    const QString copy = fixture.Path(QStringLiteral("demo.qvl"));
    QVERIFY(QFile::copy(demoPath_, copy));
    fixture.SetSetting("File", copy);
    auto window = fixture.StartShown();
    QTRY_VERIFY(window->TerminalFileOpen());
    fixture.prompts.shown.clear();

    auto* terminal = window->TerminalWindow();
    QTreeWidgetItem* printerStatus = terminal->TreeViewCommand()->topLevelItem(0)->child(0)->child(0);
    terminal->TreeViewCommand()->setCurrentItem(printerStatus);
    terminal->TreeViewCommandChange(printerStatus);
    QCOMPARE(terminal->CurrentCommand(), std::string("InformationPrinter status"));
    terminal->ButtonSendClick();
    QVERIFY(host.WaitForFrames(1, 10000));
    auto shows = [terminal](const QString& text) {
      for (const QLabel* label : terminal->findChildren<QLabel*>()) {
        if (label->text() == text) return true;
      }
      return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("Receipt open")), 15000);
    QVERIFY(shows(QStringLiteral("Paper out")));
    QCOMPARE(fixture.prompts.MessageTexts(), QStringList());
    // The command went out as its read-only code and the chosen list item.
    const std::string frame = host.ReceivedFrames().at(0);
    QVERIFY(frame.find(std::string("*\x1CN")) != std::string::npos);
  }

 private:
  QString demoPath_;
};

QTEST_MAIN(TestDemo)
#include "test_demo.moc"
