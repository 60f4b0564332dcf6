// SPDX-License-Identifier: MIT
// The return-code editor and its record dialog on real files, offscreen: what the
// grid shows, what each change writes, and the boxes the user sees.
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <string>

#include "answermodal.h"
#include "common/tempfolder.h"
#include "editors/amrreturncodes.h"
#include "editors/editrcrecord.h"
#include "widgets/fieldtypecombobox.h"
#include "widgets/prompts.h"

using quorvel::editors::TFormEditReturnCode;
using quorvel::editors::TFormRcRecord;
using quorvel::editors::testing::AnswerModal;
using quorvel::testing::ReadBytes;
using quorvel::testing::TTempFolder;
using quorvel::testing::WriteBytes;
using quorvel::widgets::TPromptIcon;
using quorvel::widgets::TPromptResult;
using quorvel::widgets::TScriptedPrompts;

namespace {

QStringList GridColumn(const QTableWidget* grid, int column) {
  QStringList cells;
  for (int row = 0; row < grid->rowCount(); ++row) {
    const QTableWidgetItem* item = grid->item(row, column);
    cells << (item ? item->text() : QString());
  }
  return cells;
}

// Fills the record dialog and presses Ok.
auto Fill(const QString& code, const QString& text) {
  return [code, text](TFormRcRecord& dialog) {
    dialog.FieldTypeComboBoxRcNumber->SetText(code);
    dialog.EditText->setText(text);
    dialog.FieldTypeComboBoxRcNumberChange();
    QVERIFY(dialog.ButtonOk->isEnabled());
    dialog.ButtonOk->click();
  };
}

}  // namespace

class TestReturnCodeEditor : public QObject {
  Q_OBJECT

 private slots:
  void loadsInFileOrderAndAnEmptyTableAsOneEmptyRow();
  void addNormalisesSortsAndWrites();
  void anExistingCodeIsRefusedWithTheErrorBox();
  void modifyShowsTheEntryAndResorts();
  void removeAsksAndKeepsTheOrder();
  void doubleClickAddsOnAnEmptyTableAndModifiesOtherwise();
  void aHandEditedCodeStopsTheSortWithoutWriting();
  void recordDialogOkNeedsBothBoxesAndEnterCancels();
  void recordDialogTakesFiveDigitsAndOneLine();

 private:
  TTempFolder folder_{"quorvel-rc-editor"};
  std::string path_ = folder_.File("t.qvl");
  TScriptedPrompts prompts_;
};

void TestReturnCodeEditor::loadsInFileOrderAndAnEmptyTableAsOneEmptyRow() {
  WriteBytes(path_, "[Return codes]\r\nRC10=Ten\r\nRC2=\"Two\"\r\n");
  TFormEditReturnCode editor(path_, prompts_);
  QCOMPARE(editor.windowTitle(), QStringLiteral("Edit return codes"));
  QCOMPARE(editor.StringGridRc->horizontalHeaderItem(0)->text(), QStringLiteral("R.C. number"));
  QCOMPARE(editor.StringGridRc->horizontalHeaderItem(1)->text(), QStringLiteral("Description text"));
  QCOMPARE(editor.StringGridRc->columnWidth(0), 90);
  QCOMPARE(editor.StringGridRc->columnWidth(1), 326);
  QCOMPARE(GridColumn(editor.StringGridRc, 0), (QStringList{"10", "2"}));
  QCOMPARE(GridColumn(editor.StringGridRc, 1), (QStringList{"Ten", "\"Two\""}));
  QVERIFY(editor.ButtonModify->isEnabled() && editor.ButtonRemove->isEnabled());
  QVERIFY(editor.ButtonClose->isDefault());

  WriteBytes(path_, "[General]\r\nProtocol=1\r\n");
  TFormEditReturnCode empty(path_, prompts_);
  QCOMPARE(GridColumn(empty.StringGridRc, 0), QStringList{QString()});
  QVERIFY(!empty.ButtonModify->isEnabled() && !empty.ButtonRemove->isEnabled());
}

void TestReturnCodeEditor::addNormalisesSortsAndWrites() {
  WriteBytes(path_, "");
  TFormEditReturnCode editor(path_, prompts_);
  AnswerModal<TFormRcRecord>([](TFormRcRecord& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add new return code"));
    QVERIFY(dialog.FieldTypeComboBoxRcNumber->Text().isEmpty() && dialog.EditText->text().isEmpty());
    QVERIFY(!dialog.ButtonOk->isEnabled());
    Fill("10", "Ten")(dialog);
  });
  editor.ButtonAdd->click();
  QVERIFY(editor.ButtonModify->isEnabled() && editor.ButtonRemove->isEnabled());
  AnswerModal<TFormRcRecord>(Fill("002", "Two"));
  editor.ButtonAdd->click();
  AnswerModal<TFormRcRecord>(Fill("5", "Five"));
  editor.ButtonAdd->click();
  QCOMPARE(GridColumn(editor.StringGridRc, 0), (QStringList{"2", "5", "10"}));
  QCOMPARE(editor.StringGridRc->currentRow(), 1);  // the new entry
  QCOMPARE(QByteArray::fromStdString(ReadBytes(path_)),
           QByteArray("[Return codes]\r\nRC2=Two\r\nRC5=Five\r\nRC10=Ten\r\n"));
  QVERIFY(prompts_.shown.empty());
}

void TestReturnCodeEditor::anExistingCodeIsRefusedWithTheErrorBox() {
  const std::string content = "[Return codes]\r\nRC7=Seven\r\n";
  WriteBytes(path_, content);
  TFormEditReturnCode editor(path_, prompts_);
  prompts_.shown.clear();
  AnswerModal<TFormRcRecord>(Fill("007", "Again"));
  editor.ButtonAdd->click();
  QCOMPARE(prompts_.shown.size(), std::size_t{1});
  QCOMPARE(prompts_.shown[0].title, QStringLiteral(" E R R O R "));
  QCOMPARE(prompts_.shown[0].text, QStringLiteral("The return codes already exits !!!"));
  QVERIFY(prompts_.shown[0].icon == TPromptIcon::Error);
  QCOMPARE(ReadBytes(path_), content);
  QCOMPARE(GridColumn(editor.StringGridRc, 0), QStringList{"7"});
}

void TestReturnCodeEditor::modifyShowsTheEntryAndResorts() {
  WriteBytes(path_, "[Return codes]\r\nRC1=One\r\nRC3=Three\r\nRC5=Five\r\n");
  TFormEditReturnCode editor(path_, prompts_);
  prompts_.shown.clear();
  editor.StringGridRc->selectRow(0);
  AnswerModal<TFormRcRecord>([](TFormRcRecord& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Modify return code"));
    QCOMPARE(dialog.FieldTypeComboBoxRcNumber->Text(), QStringLiteral("1"));
    QCOMPARE(dialog.EditText->text(), QStringLiteral("One"));
    QVERIFY(dialog.ButtonOk->isEnabled());
    Fill("9", "Nine")(dialog);
  });
  editor.ButtonModify->click();
  QCOMPARE(QByteArray::fromStdString(ReadBytes(path_)),
           QByteArray("[Return codes]\r\nRC3=Three\r\nRC5=Five\r\nRC9=Nine\r\n"));
  QCOMPARE(editor.StringGridRc->currentRow(), 2);
  // The same code typed with zeros is the row's own code; another entry's code is refused.
  AnswerModal<TFormRcRecord>(Fill("0009", "Nine again"));
  editor.ButtonModify->click();
  QCOMPARE(GridColumn(editor.StringGridRc, 1), (QStringList{"Three", "Five", "Nine again"}));
  AnswerModal<TFormRcRecord>(Fill("3", "x"));
  editor.ButtonModify->click();
  QCOMPARE(prompts_.MessageTexts(), QStringList{"The return codes already exits !!!"});
}

void TestReturnCodeEditor::removeAsksAndKeepsTheOrder() {
  WriteBytes(path_, "[General]\r\nProtocol=1\r\n[Return codes]\r\nRC9=a\r\nRC1=b\r\n");
  TFormEditReturnCode editor(path_, prompts_);
  prompts_.shown.clear();
  editor.StringGridRc->selectRow(0);
  prompts_.messageAnswers = {TPromptResult::Cancel, TPromptResult::Ok, TPromptResult::Ok};
  editor.ButtonRemove->click();
  QCOMPARE(prompts_.shown.back().title, QStringLiteral(" W A R N I N G "));
  QCOMPARE(prompts_.shown.back().text, QStringLiteral("Do you wish to delete return code 9"));
  QCOMPARE(GridColumn(editor.StringGridRc, 0), (QStringList{"9", "1"}));
  editor.ButtonRemove->click();
  QCOMPARE(GridColumn(editor.StringGridRc, 0), QStringList{"1"});
  QCOMPARE(ReadBytes(path_), std::string("[General]\r\nProtocol=1\r\n[Return codes]\r\nRC1=b\r\n"));
  editor.ButtonRemove->click();
  QCOMPARE(GridColumn(editor.StringGridRc, 0), QStringList{QString()});
  QVERIFY(!editor.ButtonModify->isEnabled() && !editor.ButtonRemove->isEnabled());
  QCOMPARE(ReadBytes(path_), std::string("[General]\r\nProtocol=1\r\n"));
}

void TestReturnCodeEditor::doubleClickAddsOnAnEmptyTableAndModifiesOtherwise() {
  WriteBytes(path_, "");
  TFormEditReturnCode editor(path_, prompts_);
  QString caption;
  AnswerModal<TFormRcRecord>([&caption](TFormRcRecord& dialog) {
    caption = dialog.windowTitle();
    Fill("4", "Four")(dialog);
  });
  editor.StringGridRcDblClick();
  QCOMPARE(caption, QStringLiteral("Add new return code"));
  AnswerModal<TFormRcRecord>([&caption](TFormRcRecord& dialog) {
    caption = dialog.windowTitle();
    dialog.ButtonCancel->click();
  });
  editor.StringGridRcDblClick();
  QCOMPARE(caption, QStringLiteral("Modify return code"));
  QCOMPARE(ReadBytes(path_), std::string("[Return codes]\r\nRC4=Four\r\n"));
}

void TestReturnCodeEditor::aHandEditedCodeStopsTheSortWithoutWriting() {
  const std::string content = "[Return codes]\r\nRCabc=Odd\r\nRC2=Two\r\n";
  WriteBytes(path_, content);
  TFormEditReturnCode editor(path_, prompts_);
  prompts_.shown.clear();
  QCOMPARE(GridColumn(editor.StringGridRc, 0), (QStringList{"abc", "2"}));
  AnswerModal<TFormRcRecord>(Fill("5", "Five"));
  editor.ButtonAdd->click();
  editor.StringGridRc->selectRow(0);
  AnswerModal<TFormRcRecord>([](TFormRcRecord& dialog) { dialog.ButtonOk->click(); });  // "abc" unchanged
  editor.ButtonModify->click();
  QCOMPARE(prompts_.MessageTexts(),
           (QStringList{"'abc' is not a valid integer value", "'abc' is not a valid integer value"}));
  QCOMPARE(ReadBytes(path_), content);
  QCOMPARE(GridColumn(editor.StringGridRc, 0), (QStringList{"abc", "2"}));
}

void TestReturnCodeEditor::recordDialogOkNeedsBothBoxesAndEnterCancels() {
  TFormRcRecord dialog;
  dialog.show();
  QVERIFY(!dialog.ButtonOk->isEnabled());
  QTest::keyClicks(dialog.FieldTypeComboBoxRcNumber, QStringLiteral("12"));
  QVERIFY(!dialog.ButtonOk->isEnabled());
  QTest::keyClicks(dialog.EditText, QStringLiteral("Text"));
  QVERIFY(dialog.ButtonOk->isEnabled());
  dialog.EditText->clear();
  QVERIFY(!dialog.ButtonOk->isEnabled());
  QTest::keyClicks(dialog.EditText, QStringLiteral("Text"));
  QVERIFY(dialog.ButtonCancel->isDefault() && !dialog.ButtonOk->isDefault());
  dialog.EditText->setFocus();
  QTest::keyClick(dialog.EditText, Qt::Key_Return);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QVERIFY(!dialog.isVisible());
}

void TestReturnCodeEditor::recordDialogTakesFiveDigitsAndOneLine() {
  TFormRcRecord dialog;
  dialog.show();
  QTest::keyClicks(dialog.FieldTypeComboBoxRcNumber, QStringLiteral("1a2-34567"));
  QCOMPARE(dialog.Code(), QStringLiteral("12345"));
  dialog.EditText->insert(QStringLiteral("two\nlines"));
  QVERIFY(!dialog.Description().contains(QLatin1Char('\n')));
  dialog.EditText->insert(QStringLiteral("one \"line\""));
  QCOMPARE(dialog.Description(), QStringLiteral("one \"line\""));
}

QTEST_MAIN(TestReturnCodeEditor)
#include "test_returncodeeditor.moc"
