// SPDX-License-Identifier: MIT
// The fixed-answer editor, its record dialog and the tester's dialog on real files,
// offscreen: grids, tabs, what each change writes, and the dialogs' enabling rules.
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <string>

#include "answermodal.h"
#include "common/tempfolder.h"
#include "editors/amrfixanswer.h"
#include "editors/editfixanswerrecord.h"
#include "editors/testfixanswer.h"
#include "widgets/fieldtypecombobox.h"
#include "widgets/prompts.h"

using quorvel::editors::TFormEditFixAnswer;
using quorvel::editors::TFormEditFixAnswerRecord;
using quorvel::editors::TFormTestFixedAnswer;
using quorvel::editors::testing::AnswerModal;
using quorvel::testing::ReadBytes;
using quorvel::testing::TTempFolder;
using quorvel::testing::WriteBytes;
using quorvel::widgets::TPromptResult;
using quorvel::widgets::TScriptedPrompts;
namespace model = quorvel::model;

namespace {

QStringList GridRow(const QTableWidget* grid, int row) {
  QStringList cells;
  for (int column = 0; column < grid->columnCount(); ++column) {
    const QTableWidgetItem* item = grid->item(row, column);
    cells << (item ? item->text() : QString());
  }
  return cells;
}

QStringList GridColumn(const QTableWidget* grid, int column) {
  QStringList cells;
  for (int row = 0; row < grid->rowCount(); ++row) cells << GridRow(grid, row).at(column);
  return cells;
}

// Fills the record dialog and presses Ok.
auto Fill(int panel, const QString& mask, const QString& result, const QString& text, const QString& color) {
  return [=](TFormEditFixAnswerRecord& dialog) {
    dialog.FieldTypeComboBoxPanelNumber->setCurrentIndex(panel - 1);
    dialog.FieldTypeComboBoxMask->SetText(mask);
    dialog.FieldTypeComboBoxResult->SetText(result);
    dialog.FieldTypeComboBoxText->SetText(text);
    dialog.ComboColorColor->setCurrentIndex(dialog.ComboColorColor->findText(color));
    dialog.ControlsChange();
    QVERIFY(dialog.ButtonOk->isEnabled());
    dialog.ButtonOk->click();
  };
}

const char* const kThreeRecords =
    "[FiscalAnswer]\r\n"
    "Record3=3,1,0001,0001,\"A\",clRed\r\n"
    "Record7=7,2,0002,0002,\"B b\",clLime\r\n"
    "Record9=9,3,0004,0000,\"C\",$00123456\r\n";

}  // namespace

class TestFixAnswerEditor : public QObject {
  Q_OBJECT

 private slots:
  void loadsEachTabFromTheFileWhenItIsShown();
  void firstRecordOfAnEmptySectionIsRecordOne();
  void anyChangeRenumbersTheSection();
  void modifyShowsTheRecordAndKeepsAColourTheListLacks();
  void removingTheOnlyRecordRemovesTheSection();
  void doubleClickOnAnEmptyGridAdds();
  void aShortHandEditedLineShowsWithEmptyCells();
  void recordDialogEnablingAndPadding();
  void testerEnablesTestWhileBothWordsAreTyped();

 private:
  TTempFolder folder_{"quorvel-fix-editor"};
  std::string path_ = folder_.File("t.qvl");
  TScriptedPrompts prompts_;
};

void TestFixAnswerEditor::loadsEachTabFromTheFileWhenItIsShown() {
  WriteBytes(path_, kThreeRecords);
  TFormEditFixAnswer editor(path_, prompts_);
  QCOMPARE(editor.windowTitle(), QStringLiteral("Fix answer fields"));
  QCOMPARE(editor.PageControl->tabText(0), QStringLiteral("&Fiscal"));
  QCOMPARE(editor.StringGridFiscal->horizontalHeaderItem(3)->text(), QStringLiteral("Text on true"));
  QCOMPARE(GridRow(editor.StringGridFiscal, 1), (QStringList{"2", "0002", "0002", "B b", "clLime"}));
  QCOMPARE(GridColumn(editor.StringGridFiscal, 4), (QStringList{"clRed", "clLime", "$00123456"}));
  QVERIFY(editor.ButtonModify->isEnabled());

  editor.PageControl->setCurrentIndex(1);
  QCOMPARE(editor.StringGridPrinter->rowCount(), 1);
  QVERIFY(!editor.ButtonModify->isEnabled() && !editor.ButtonRemove->isEnabled());

  // Changed by other means meanwhile: switching back reloads the fiscal grid.
  WriteBytes(path_, "[FiscalAnswer]\r\nRecord1=1,9,000F,000F,\"New\",clBlue\r\n");
  editor.PageControl->setCurrentIndex(0);
  QCOMPARE(editor.StringGridFiscal->rowCount(), 1);
  QCOMPARE(GridRow(editor.StringGridFiscal, 0), (QStringList{"9", "000F", "000F", "New", "clBlue"}));
  QVERIFY(editor.ButtonModify->isEnabled());
}

void TestFixAnswerEditor::firstRecordOfAnEmptySectionIsRecordOne() {
  WriteBytes(path_, "[FiscalAnswer]\r\n\r\n[PrinterAnswer]\r\n\r\n");
  TFormEditFixAnswer editor(path_, prompts_);
  editor.PageControl->setCurrentIndex(1);
  AnswerModal<TFormEditFixAnswerRecord>([](TFormEditFixAnswerRecord& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add answer record"));
    QCOMPARE(dialog.FieldTypeComboBoxPanelNumber->currentIndex(), -1);
    QCOMPARE(dialog.ComboColorColor->currentText(), QStringLiteral("Black"));
    QVERIFY(!dialog.ButtonOk->isEnabled());
    Fill(2, "a", "1", "Say \"hi\"", "Red")(dialog);
  });
  editor.ButtonAdd->click();
  QCOMPARE(GridRow(editor.StringGridPrinter, 0), (QStringList{"2", "000a", "0001", "Say \"hi\"", "clRed"}));
  QVERIFY(editor.ButtonModify->isEnabled() && editor.ButtonRemove->isEnabled());
  QCOMPARE(QByteArray::fromStdString(ReadBytes(path_)),
           QByteArray("[FiscalAnswer]\r\n\r\n[PrinterAnswer]\r\nRecord1=1,2,000a,0001,\"Say \"\"hi\"\"\",clRed\r\n"));
  // Read back whole.
  TFormEditFixAnswer again(path_, prompts_);
  again.PageControl->setCurrentIndex(1);
  QCOMPARE(GridRow(again.StringGridPrinter, 0).at(3), QStringLiteral("Say \"hi\""));
}

void TestFixAnswerEditor::anyChangeRenumbersTheSection() {
  WriteBytes(path_, kThreeRecords);
  TFormEditFixAnswer editor(path_, prompts_);
  prompts_.messageAnswers = {TPromptResult::Ok};
  editor.StringGridFiscal->selectRow(1);
  editor.ButtonRemove->click();
  QCOMPARE(prompts_.shown.back().title, QStringLiteral(" W A R N I N G "));
  QCOMPARE(prompts_.shown.back().text, QStringLiteral("Do you wish to delete this field number? 2"));
  QCOMPARE(QByteArray::fromStdString(ReadBytes(path_)),
           QByteArray("[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n"
                      "Record2=2,3,0004,0000,\"C\",$00123456\r\n"));
  // Cancel changes nothing.
  prompts_.messageAnswers = {TPromptResult::Cancel};
  editor.ButtonRemove->click();
  QCOMPARE(editor.StringGridFiscal->rowCount(), 2);
}

void TestFixAnswerEditor::modifyShowsTheRecordAndKeepsAColourTheListLacks() {
  WriteBytes(path_, kThreeRecords);
  TFormEditFixAnswer editor(path_, prompts_);
  editor.StringGridFiscal->selectRow(2);
  AnswerModal<TFormEditFixAnswerRecord>([](TFormEditFixAnswerRecord& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Modify answer record"));
    QCOMPARE(dialog.Panel(), QStringLiteral("3"));
    QCOMPARE(dialog.Mask(), QStringLiteral("0004"));
    QCOMPARE(dialog.Text(), QStringLiteral("C"));
    QCOMPARE(dialog.Color(), model::TColor{0x00123456});
    QVERIFY(dialog.ButtonOk->isEnabled());
    dialog.FieldTypeComboBoxText->SetText(QStringLiteral("Changed"));
    dialog.ButtonOk->click();
  });
  editor.ButtonModify->click();
  QCOMPARE(GridRow(editor.StringGridFiscal, 2), (QStringList{"3", "0004", "0000", "Changed", "$00123456"}));
  QCOMPARE(QByteArray::fromStdString(ReadBytes(path_)),
           QByteArray("[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\nRecord2=2,2,0002,0002,\"B b\",clLime\r\n"
                      "Record3=3,3,0004,0000,\"Changed\",$00123456\r\n"));
}

void TestFixAnswerEditor::removingTheOnlyRecordRemovesTheSection() {
  WriteBytes(path_, "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n[Groups]\r\n");
  TFormEditFixAnswer editor(path_, prompts_);
  prompts_.messageAnswers = {TPromptResult::Ok};
  editor.ButtonRemove->click();
  QCOMPARE(editor.StringGridFiscal->rowCount(), 1);
  QCOMPARE(GridRow(editor.StringGridFiscal, 0), QStringList(5, QString()));
  QVERIFY(!editor.ButtonModify->isEnabled() && !editor.ButtonRemove->isEnabled());
  QCOMPARE(ReadBytes(path_), std::string("[Groups]\r\n"));
}

void TestFixAnswerEditor::doubleClickOnAnEmptyGridAdds() {
  WriteBytes(path_, "");
  TFormEditFixAnswer editor(path_, prompts_);
  QString caption;
  AnswerModal<TFormEditFixAnswerRecord>([&caption](TFormEditFixAnswerRecord& dialog) {
    caption = dialog.windowTitle();
    dialog.ButtonCancel->click();
  });
  editor.StringGridDblClick();
  QCOMPARE(caption, QStringLiteral("Add answer record"));
  QCOMPARE(ReadBytes(path_), std::string());
}

void TestFixAnswerEditor::aShortHandEditedLineShowsWithEmptyCells() {
  WriteBytes(path_, "[FiscalAnswer]\r\nRecord1=1,4,00F0\r\nRecord2=2,2,0002,0002,\"B\",clLime\r\n");
  TFormEditFixAnswer editor(path_, prompts_);
  QCOMPARE(GridRow(editor.StringGridFiscal, 0), (QStringList{"4", "00F0", "", "", ""}));
  // Modify offers its values; the user fills in the rest.
  editor.StringGridFiscal->selectRow(0);
  AnswerModal<TFormEditFixAnswerRecord>([](TFormEditFixAnswerRecord& dialog) {
    QCOMPARE(dialog.Panel(), QStringLiteral("4"));
    QVERIFY(!dialog.ButtonOk->isEnabled());
    Fill(4, "00F0", "10", "Mended", "Navy")(dialog);
  });
  editor.ButtonModify->click();
  QCOMPARE(QByteArray::fromStdString(ReadBytes(path_)),
           QByteArray("[FiscalAnswer]\r\nRecord1=1,4,00F0,0010,\"Mended\",clNavy\r\n"
                      "Record2=2,2,0002,0002,\"B\",clLime\r\n"));
}

void TestFixAnswerEditor::recordDialogEnablingAndPadding() {
  TFormEditFixAnswerRecord dialog("0", "", "", "", model::clBlack);
  dialog.show();
  QCOMPARE(dialog.ComboColorColor->count(), 16);
  QVERIFY(!dialog.ButtonOk->isEnabled());
  QTest::keyClicks(dialog.FieldTypeComboBoxMask, QStringLiteral("xa"));  // x is swallowed, a typed key upper-cased
  QCOMPARE(dialog.Mask(), QStringLiteral("A"));
  dialog.FieldTypeComboBoxMask->SetText(QStringLiteral("a"));  // as pasted: the case is kept
  QTest::keyClicks(dialog.FieldTypeComboBoxResult, QStringLiteral("12345"));
  QCOMPARE(dialog.Result(), QStringLiteral("1234"));
  QTest::keyClicks(dialog.FieldTypeComboBoxText, QString(30, QLatin1Char('t')));
  QCOMPARE(dialog.Text().size(), 25);
  QVERIFY(!dialog.ButtonOk->isEnabled());  // no panel yet
  dialog.FieldTypeComboBoxPanelNumber->setCurrentIndex(15);
  QVERIFY(dialog.ButtonOk->isEnabled());
  dialog.FieldTypeComboBoxResult->SetText(QString());
  dialog.ControlsChange();
  QVERIFY(!dialog.ButtonOk->isEnabled());
  dialog.FieldTypeComboBoxResult->SetText(QStringLiteral("F"));
  dialog.ControlsChange();
  QVERIFY(dialog.ButtonOk->isDefault());
  dialog.ButtonOk->click();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(dialog.Panel(), QStringLiteral("16"));
  QCOMPARE(dialog.Mask(), QStringLiteral("000a"));
  QCOMPARE(dialog.Result(), QStringLiteral("000F"));
}

void TestFixAnswerEditor::testerEnablesTestWhileBothWordsAreTyped() {
  TFormTestFixedAnswer dialog;
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Test fixed answers"));
  QVERIFY(!dialog.ButtonTest->isEnabled());
  QTest::keyClicks(dialog.FieldTypeComboBoxFiscal, QStringLiteral("0g6x00"));
  QCOMPARE(dialog.FieldTypeComboBoxFiscal->Text(), QStringLiteral("0600"));
  QVERIFY(!dialog.ButtonTest->isEnabled());
  QTest::keyClicks(dialog.FieldTypeComboBoxPrinter, QStringLiteral("ab"));
  QVERIFY(dialog.ButtonTest->isEnabled());
  QCOMPARE(dialog.FiscalWord(), std::uint16_t{0x0600});
  QCOMPARE(dialog.PrinterWord(), std::uint16_t{0x00AB});
  dialog.FieldTypeComboBoxPrinter->SetText(QStringLiteral("AB"));
  QCOMPARE(dialog.PrinterWord(), std::uint16_t{0x00AB});
  dialog.FieldTypeComboBoxFiscal->clearEditText();
  QVERIFY(!dialog.ButtonTest->isEnabled());
}

QTEST_MAIN(TestFixAnswerEditor)
#include "test_fixanswereditor.moc"
