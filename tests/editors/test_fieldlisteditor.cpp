// SPDX-License-Identifier: MIT
// The field list editor on a real terminal file: what its grids show, and what
// each Add, Modify and Remove leaves in the command section.
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "editors/amrcmdansfields.h"
#include "editortestsupport.h"
#include "widgets/prompts.h"

using quorvel::editors::TCommandRecord;
using quorvel::editors::TFormEditCmdAns;
using quorvel::editors::test::FileBytes;
using quorvel::editors::test::SectionLines;
using quorvel::editors::test::TScriptedRecordDialogs;
using quorvel::editors::test::WriteLines;
using quorvel::model::TAnswerField;
using quorvel::model::TCommandField;
using quorvel::widgets::TPromptResult;
using quorvel::widgets::TScriptedPrompts;

namespace {

// One stored command field with only the caption and the mode given.
QString FieldValues(const QString& caption, int mode = 0) {
  return QString("%1,\"%2\",\"\",0,\"\",0,0,0,0,0,0,0").arg(mode).arg(caption);
}

QString Commands(const QStringList& captions, int mode = 0) {
  QStringList fields;
  for (const QString& caption : captions) fields << FieldValues(caption, mode);
  return "Commands=" + fields.join(',');
}

TCommandRecord Record(const std::string& caption, std::vector<std::string> items = {},
                      std::vector<std::string> notes = {}) {
  TCommandRecord record;
  record.Field.Caption = caption;
  record.Items = std::move(items);
  record.Notes = std::move(notes);
  return record;
}

QStringList Cells(QTableWidget* grid, int row) {
  QStringList cells;
  for (int column = 0; column < grid->columnCount(); ++column) {
    cells << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
  }
  return cells;
}

// A terminal file with one command, and the editor opened on it.
struct TEditor {
  QTemporaryDir folder;
  std::string path;
  TScriptedPrompts prompts;
  TScriptedRecordDialogs dialogs;
  int changes = 0;
  std::unique_ptr<TFormEditCmdAns> editor;

  explicit TEditor(const QStringList& section) {
    QStringList lines{"[Groups]", "Sales=", "[Sales]", "Open=", "[SalesOpen]"};
    lines << section << "[Other]" << "Key=1";
    path = WriteLines(folder, "shop.qvl", lines);
    editor = std::make_unique<TFormEditCmdAns>(nullptr, path, "SalesOpen", prompts, dialogs,
                                               [this](const std::string&, const std::string&) { ++changes; });
  }
  QStringList Section() const { return SectionLines(path, "SalesOpen"); }
  void ShowAnswers() { editor->PageControl()->setCurrentWidget(editor->TabSheetAnswers()); }
  void SelectRow(int row) {
    QTableWidget* grid = editor->PageControl()->currentWidget() == editor->TabSheetCommands()
                             ? editor->StringGridCommands()
                             : editor->StringGridAnswers();
    grid->setCurrentCell(row, 0);
  }
};

}  // namespace

class TestFieldListEditor : public QObject {
  Q_OBJECT

 private slots:
  void opensWithCaptionHeadersAndTheCommandsPage();
  void gridsShowTheStoredRecords();
  void aSectionWithoutFieldsOffersOnlyAdd();
  void addingTheFirstFieldWritesItemsNotesAndCommands();
  void aLaterFieldTakesTheFirstFieldsModeAndLeavesNotes();
  void theSeventyFirstFieldIsRefusedAfterTheDialog();
  void modifyWritesItemsAndNotesOfFieldOne();
  void removeMovesTheItemListsAndDropsNotes_data();
  void removeMovesTheItemListsAndDropsNotes();
  void removingTheOnlyFieldLeavesAnEmptyList();
  void cancelledRemoveOrDialogWritesNothing();
  void answerFieldsKeepDecimalsOnlyForCurrency();
  void doubleClickAddsOnAnEmptyGridAndModifiesOtherwise();
  void aRefusedChangeIsShownAndWritesNothing();
};

void TestFieldListEditor::opensWithCaptionHeadersAndTheCommandsPage() {
  TEditor t({Commands({"A"})});
  TFormEditCmdAns& e = *t.editor;
  QCOMPARE(e.windowTitle(), QString("Edit SalesOpen commands and answers"));
  QCOMPARE(e.PageControl()->currentWidget(), e.TabSheetCommands());
  QCOMPARE(e.PageControl()->tabText(0), QString("C&ommands"));
  QCOMPARE(e.PageControl()->tabText(1), QString("A&nswers"));
  QTableWidget* commands = e.StringGridCommands();
  QCOMPARE(commands->columnCount(), 13);
  QCOMPARE(commands->horizontalHeaderItem(12)->text(), QString("AutoIncrement"));
  QCOMPARE(commands->columnWidth(12), 402);
  QCOMPARE(commands->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
  QTableWidget* answers = e.StringGridAnswers();
  QCOMPARE(answers->columnCount(), 4);
  QCOMPARE(answers->horizontalHeaderItem(3)->text(), QString("Format"));
  QCOMPARE(answers->columnWidth(3), 197);
  QCOMPARE(answers->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  QVERIFY(e.ButtonClose()->isDefault());
}

void TestFieldListEditor::gridsShowTheStoredRecords() {
  // 25 items: two fields, the 25th item is ignored; a max length "abc" shows 0.
  TEditor t({"Commands=1,\"&Amount\",\"Total, with tax\",2,\"\",1,abc,1,0,10,2,1," + FieldValues("B") + ",9",
             "Answers=\"Sum\",2,2,\"Code\",5,3"});
  QTableWidget* grid = t.editor->StringGridCommands();
  QCOMPARE(grid->rowCount(), 2);
  QCOMPARE(Cells(grid, 0), (QStringList{"1", "Fiscal", "&Amount", "Total, with tax", "Currency", "", "DropDown", "0",
                                        "Yes", "No", "10", "2", "Yes"}));
  QCOMPARE(Cells(grid, 1).mid(0, 3), (QStringList{"2", "Host", "B"}));
  t.ShowAnswers();
  QCOMPARE(Cells(t.editor->StringGridAnswers(), 0), (QStringList{"1", "Sum", "Currency", "2"}));
  QCOMPARE(Cells(t.editor->StringGridAnswers(), 1), (QStringList{"2", "Code", "Hexa", "0"}));
}

void TestFieldListEditor::aSectionWithoutFieldsOffersOnlyAdd() {
  TEditor t({"Notes=\"x\""});
  QCOMPARE(t.editor->StringGridCommands()->rowCount(), 1);
  QCOMPARE(Cells(t.editor->StringGridCommands(), 0).join(""), QString());
  QVERIFY(t.editor->ButtonAdd()->isEnabled());
  QVERIFY(!t.editor->ButtonModify()->isEnabled());
  QVERIFY(!t.editor->ButtonRemove()->isEnabled());
}

void TestFieldListEditor::addingTheFirstFieldWritesItemsNotesAndCommands() {
  TEditor t({});
  TCommandRecord record = Record("Say \"hi\", now", {"X", "Y Z"}, {"line one", "two"});
  record.Field.ControlType = quorvel::model::kControlDropDown;
  t.dialogs.commandAnswers.push_back(record);
  t.editor->ButtonAddClick();
  QCOMPARE(t.dialogs.calls.at(0).first, true);
  QCOMPARE(t.Section(), (QStringList{"CL1=\"X,\"Y Z\"\"", "Notes=\"\"line one\",two\"",
                                     "Commands=0,\"Say \"\"hi\"\", now\",\"\",0,\"\",1,0,0,0,0,0,0"}));
  QVERIFY(t.editor->ButtonModify()->isEnabled());
  QVERIFY(t.editor->ButtonRemove()->isEnabled());
  QCOMPARE(Cells(t.editor->StringGridCommands(), 0).at(2), QString("Say \"hi\", now"));
  QCOMPARE(t.changes, 1);
}

void TestFieldListEditor::aLaterFieldTakesTheFirstFieldsModeAndLeavesNotes() {
  TEditor t({Commands({"A"}, 1), "Notes=\"keep\""});
  TCommandRecord record = Record("B", {}, {"ignored"});
  record.Field.Mode = 1;
  t.dialogs.commandAnswers.push_back(record);
  t.editor->ButtonAddClick();
  QCOMPARE(t.dialogs.calls.at(0).first, false);
  QCOMPARE(t.dialogs.calls.at(0).mode, 1);
  QCOMPARE(t.dialogs.calls.at(0).fieldNumber, 2);
  QCOMPARE(t.Section(), (QStringList{Commands({"A", "B"}, 1), "Notes=\"keep\""}));
}

void TestFieldListEditor::theSeventyFirstFieldIsRefusedAfterTheDialog() {
  QStringList seventy;
  for (int i = 1; i <= 70; ++i) seventy << QString("F%1").arg(i);
  TEditor t({Commands(seventy)});
  const std::string before = FileBytes(t.path);
  t.dialogs.commandAnswers.push_back(Record("F71"));
  t.editor->ButtonAddClick();
  QCOMPARE(t.dialogs.calls.size(), std::size_t(1));
  QCOMPARE(t.prompts.MessageTexts(), QStringList{"Maximum number of dynamic controls reached!!!"});
  QCOMPARE(FileBytes(t.path), before);
  QCOMPARE(t.changes, 0);
}

void TestFieldListEditor::modifyWritesItemsAndNotesOfFieldOne() {
  TEditor t({Commands({"A", "B"}), "CL1=\"P,Q\"", "CL2=\"R\"", "Notes=\"n1,n2\""});
  // Field 1: the dialog gets the stored lists; empty notes are written as "".
  t.dialogs.commandAnswers.push_back(Record("A2", {"P"}, {}));
  t.SelectRow(0);
  t.editor->ButtonModifyClick();
  const auto& call = t.dialogs.calls.at(0);
  QVERIFY(call.stored);
  QCOMPARE(call.storedRecord.Items, (std::vector<std::string>{"P", "Q"}));
  QCOMPARE(call.storedRecord.Notes, (std::vector<std::string>{"n1", "n2"}));
  QCOMPARE(t.Section(), (QStringList{Commands({"A2", "B"}), "CL1=\"P\"", "CL2=\"R\"", "Notes=\"\""}));
  // Field 2 without items: its list goes, the notes stay.
  t.dialogs.commandAnswers.push_back(Record("B2"));
  t.SelectRow(1);
  t.editor->ButtonModifyClick();
  QCOMPARE(t.dialogs.calls.at(1).fieldNumber, 2);
  QVERIFY(t.dialogs.calls.at(1).storedRecord.Notes.empty());
  QCOMPARE(t.Section(), (QStringList{Commands({"A2", "B2"}), "CL1=\"P\"", "Notes=\"\""}));
}

void TestFieldListEditor::removeMovesTheItemListsAndDropsNotes_data() {
  QTest::addColumn<QStringList>("lists");
  QTest::addColumn<int>("row");
  QTest::addColumn<QStringList>("after");
  QTest::newRow("field 1, only field 1 had a list") << QStringList{"CL1=\"X\""} << 0
                                                   << QStringList{Commands({"B", "C"})};
  QTest::newRow("field 1, only field 3 had a list") << QStringList{"CL3=\"Z\""} << 0
                                                   << QStringList{Commands({"B", "C"}), "CL2=\"Z\""};
  QTest::newRow("field 2 of three lists") << QStringList{"CL1=\"X\"", "CL2=\"Y\"", "CL3=\"Z\""} << 1
                                          << QStringList{Commands({"A", "C"}), "CL1=\"X\"", "CL2=\"Z\""};
  QTest::newRow("last field") << QStringList{"CL3=\"Z\""} << 2 << QStringList{Commands({"A", "B"})};
}

void TestFieldListEditor::removeMovesTheItemListsAndDropsNotes() {
  QFETCH(QStringList, lists);
  QFETCH(int, row);
  QFETCH(QStringList, after);
  TEditor t(QStringList{Commands({"A", "B", "C"})} + lists + QStringList{"Notes=\"n\""});
  t.SelectRow(row);
  t.editor->ButtonRemoveClick();
  QCOMPARE(t.prompts.shown.at(0).title, QString(" W A R N I N G "));
  QCOMPARE(t.prompts.shown.at(0).text, QString("Do you wish to delete this field number? %1").arg(row + 1));
  QCOMPARE(t.Section(), after);
  QCOMPARE(t.editor->StringGridCommands()->rowCount(), 2);
  QCOMPARE(Cells(t.editor->StringGridCommands(), 1).at(0), QString("2"));
}

void TestFieldListEditor::removingTheOnlyFieldLeavesAnEmptyList() {
  TEditor t({Commands({"A"}), "Answers=\"S\",0,0"});
  t.editor->ButtonRemoveClick();
  QCOMPARE(t.Section(), (QStringList{"Commands=", "Answers=\"S\",0,0"}));
  QVERIFY(!t.editor->ButtonModify()->isEnabled());
  QVERIFY(!t.editor->ButtonRemove()->isEnabled());
  // Removing an answer field touches no other key.
  t.ShowAnswers();
  QVERIFY(t.editor->ButtonRemove()->isEnabled());
  t.editor->ButtonRemoveClick();
  QCOMPARE(t.Section(), (QStringList{"Commands=", "Answers="}));
}

void TestFieldListEditor::cancelledRemoveOrDialogWritesNothing() {
  TEditor t({Commands({"A"}), "Notes=\"n\""});
  const std::string before = FileBytes(t.path);
  t.prompts.messageAnswers.push_back(TPromptResult::Cancel);
  t.editor->ButtonRemoveClick();
  t.editor->ButtonAddClick();     // the dialog is cancelled
  t.editor->ButtonModifyClick();  // likewise
  QCOMPARE(FileBytes(t.path), before);
  QCOMPARE(t.changes, 0);
}

void TestFieldListEditor::answerFieldsKeepDecimalsOnlyForCurrency() {
  TEditor t({Commands({"A"}), "CL1=\"X\""});
  t.ShowAnswers();
  QVERIFY(!t.editor->ButtonModify()->isEnabled());
  t.dialogs.answerAnswers.push_back(TAnswerField{"Total, net", quorvel::model::kTextCurrency, 2});
  t.dialogs.answerAnswers.push_back(TAnswerField{"Count", quorvel::model::kTextNumeric, 4});
  t.editor->ButtonAddClick();
  t.editor->ButtonAddClick();
  QCOMPARE(t.Section(), (QStringList{Commands({"A"}), "CL1=\"X\"", "Answers=\"Total, net\",2,2,\"Count\",3,0"}));
  t.dialogs.answerAnswers.push_back(TAnswerField{"Sum", quorvel::model::kTextAlpha, 9});
  t.SelectRow(0);
  t.editor->ButtonModifyClick();
  QCOMPARE(t.dialogs.calls.back().storedAnswer, (TAnswerField{"Total, net", quorvel::model::kTextCurrency, 2}));
  QCOMPARE(t.Section().last(), QString("Answers=\"Sum\",1,0,\"Count\",3,0"));
}

void TestFieldListEditor::doubleClickAddsOnAnEmptyGridAndModifiesOtherwise() {
  TEditor t({});
  QTableWidget* grid = t.editor->StringGridCommands();
  t.dialogs.commandAnswers.push_back(Record("A"));
  emit grid->cellDoubleClicked(0, 0);
  QCOMPARE(t.dialogs.calls.back().stored, false);
  emit grid->cellDoubleClicked(0, 0);  // cancelled Modify
  QCOMPARE(t.dialogs.calls.back().stored, true);
  QCOMPARE(t.dialogs.calls.size(), std::size_t(2));
}

void TestFieldListEditor::aRefusedChangeIsShownAndWritesNothing() {
  TEditor t({Commands({"A"})});
  const std::string before = FileBytes(t.path);
  // A list that would not read back whole.
  t.dialogs.commandAnswers.push_back(Record(std::string(8200, 'c')));
  t.editor->ButtonAddClick();
  QCOMPARE(t.prompts.MessageTexts().size(), 1);
  QCOMPARE(FileBytes(t.path), before);
  QCOMPARE(t.changes, 0);
  QCOMPARE(t.editor->StringGridCommands()->rowCount(), 1);
}

QTEST_MAIN(TestFieldListEditor)
#include "test_fieldlisteditor.moc"
