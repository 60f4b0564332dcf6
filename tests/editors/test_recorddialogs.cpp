// SPDX-License-Identifier: MIT
// The record dialogs: what the command field dialog offers for each text type
// and control type, when it lets OK be pressed, what it gives back; the answer
// field dialog's decimal digits; the overwrite dialog's answers.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "editors/editanswerrecord.h"
#include "editors/editcommandrecord.h"
#include "editors/overnewdlg.h"
#include "model/fieldrecords.h"
#include "widgets/fieldtypecombobox.h"

using quorvel::editors::TFormEditAnswerRecord;
using quorvel::editors::TFormEditCommandRecord;
using quorvel::editors::TFormOverwriteNewCommand;
using quorvel::model::TAnswerField;
using quorvel::model::TCommandField;
using quorvel::widgets::TFieldTypeComboBox;

namespace {

// What the user does to a drop-down list: picks an item.
void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

// A box's state as one text: "text" when enabled, "(text)" when disabled.
QString State(const TFieldTypeComboBox* box) {
  return box->isEnabled() ? box->Text() : "(" + box->Text() + ")";
}

QString NumberBoxes(const TFormEditCommandRecord& dialog) {
  return State(dialog.FieldTypeComboBoxMaxLength()) + " " + State(dialog.FieldTypeComboBoxMinLength()) + " " +
         State(dialog.FieldTypeComboBoxDecimal());
}

TCommandField StoredField(int textType, int controlType) {
  TCommandField field;
  field.Caption = "Stored";
  field.Hint = "A hint";
  field.TextType = textType;
  field.ControlType = controlType;
  field.DefaultText = "77";
  field.MaxLength = 12;
  field.MinLength = 5;
  field.Decimals = 3;
  return field;
}

}  // namespace

class TestRecordDialogs : public QObject {
  Q_OBJECT

 private slots:
  void newFirstFieldOffersModeAndNotesAndWaitsForACaption();
  void newLaterFieldShowsTheFirstFieldsModeFixed();
  void typeRuleSetsTheNumberBoxes_data();
  void typeRuleSetsTheNumberBoxes();
  void dateControlForcesTheDateTextType();
  void booleanLimitsTheDefaultTextAndFixesMaxLength();
  void anEmptyEnabledNumberBoxBlocksOk();
  void dropDownKeepsItsLinesAndSimpleClearsThem();
  void openingShowsTheStoredValues_data();
  void openingShowsTheStoredValues();
  void changingTheTypeDiscardsTheOpeningVariant();
  void recordComesBackNormalised();
  void tabOrderFollowsTheRows();
  void answerDialogDecimalsOnlyForCurrency();
  void answerDialogIgnoresEnterAndEscape();
  void overwriteDialogAnswers_data();
  void overwriteDialogAnswers();
};

void TestRecordDialogs::newFirstFieldOffersModeAndNotesAndWaitsForACaption() {
  TFormEditCommandRecord dialog(nullptr, true);
  QCOMPARE(dialog.windowTitle(), QString("Add new field"));
  QVERIFY(dialog.FieldTypeComboBoxMode()->isEnabled());
  QCOMPARE(dialog.FieldTypeComboBoxMode()->currentText(), QString("Host"));
  QVERIFY(dialog.MemoNotes()->isEnabled());
  QCOMPARE(dialog.FieldTypeComboBoxTextType()->currentText(), QString("asAlphaNumeric"));
  QCOMPARE(dialog.FieldTypeComboBoxControlType()->currentText(), QString("Simple"));
  QCOMPARE(NumberBoxes(dialog), QString("0 (0) (0)"));
  QVERIFY(!dialog.MemoComboLines()->isEnabled());
  QVERIFY(!dialog.ButtonOk()->isEnabled());
  dialog.show();
  dialog.FieldTypeComboBoxCaption()->setFocus();
  QTest::keyClicks(dialog.FieldTypeComboBoxCaption(), "&Amount");
  QVERIFY(dialog.ButtonOk()->isEnabled());
  // At most 35 characters of caption and hint.
  QTest::keyClicks(dialog.FieldTypeComboBoxCaption(), QString(40, 'x'));
  QCOMPARE(dialog.FieldTypeComboBoxCaption()->Text().size(), 35);
}

void TestRecordDialogs::newLaterFieldShowsTheFirstFieldsModeFixed() {
  TFormEditCommandRecord dialog(nullptr, false);
  dialog.SetMode(1);
  QCOMPARE(dialog.FieldTypeComboBoxMode()->currentText(), QString("Fiscal"));
  QVERIFY(!dialog.FieldTypeComboBoxMode()->isEnabled());
  QVERIFY(!dialog.MemoNotes()->isEnabled());
  QCOMPARE(dialog.Field().Mode, 1);
}

void TestRecordDialogs::typeRuleSetsTheNumberBoxes_data() {
  QTest::addColumn<int>("textType");
  QTest::addColumn<int>("controlType");
  QTest::addColumn<QString>("boxes");  // max, min, decimals; disabled in brackets
  QTest::addColumn<int>("filter");
  QTest::newRow("AlphaNumeric") << 0 << 0 << "0 (0) (0)" << int(quorvel::model::ftdAlphaNumeric);
  QTest::newRow("Alpha") << 1 << 0 << "0 (0) (0)" << int(quorvel::model::ftdAlpha);
  QTest::newRow("Currency") << 2 << 0 << "0 0 0" << int(quorvel::model::ftdCurrency);
  QTest::newRow("Numeric") << 3 << 0 << "0 (0) (0)" << int(quorvel::model::ftdNumerical);
  QTest::newRow("Decimal") << 4 << 0 << "0 0 (0)" << int(quorvel::model::ftdDecimal);
  QTest::newRow("Hexa simple") << 5 << 0 << "0 0 (0)" << int(quorvel::model::ftdHexadecimal);
  QTest::newRow("Hexa drop-down") << 5 << 1 << "0 (0) (0)" << int(quorvel::model::ftdHexadecimal);
  QTest::newRow("Binary") << 6 << 0 << "0 (0) (0)" << int(quorvel::model::ftdBinary);
  QTest::newRow("Boolean") << 7 << 0 << "(1) (0) (0)" << int(quorvel::model::ftdBool);
  QTest::newRow("Date") << 8 << 0 << "(10) (0) (0)" << int(quorvel::model::ftdAlphaNumeric);
  QTest::newRow("Time list") << 9 << 2 << "(10) (0) (0)" << int(quorvel::model::ftdAlphaNumeric);
}

void TestRecordDialogs::typeRuleSetsTheNumberBoxes() {
  QFETCH(int, textType);
  QFETCH(int, controlType);
  QFETCH(QString, boxes);
  QFETCH(int, filter);
  TFormEditCommandRecord dialog(nullptr, true);
  // Numbers typed before are discarded by a change of type.
  dialog.FieldTypeComboBoxMaxLength()->SetText("99");
  Choose(dialog.FieldTypeComboBoxControlType(), controlType);
  Choose(dialog.FieldTypeComboBoxTextType(), textType);
  QCOMPARE(NumberBoxes(dialog), boxes);
  QCOMPARE(int(dialog.FieldTypeComboBoxDefaultText()->FldType()), filter);
  QCOMPARE(dialog.FieldTypeComboBoxDefaultText()->isEnabled(), controlType == 0);
  QVERIFY(dialog.FieldTypeComboBoxTextType()->isEnabled());
}

void TestRecordDialogs::dateControlForcesTheDateTextType() {
  TFormEditCommandRecord dialog(nullptr, true);
  Choose(dialog.FieldTypeComboBoxControlType(), quorvel::model::kControlDate);
  QCOMPARE(dialog.FieldTypeComboBoxTextType()->currentText(), QString("asDate"));
  QVERIFY(!dialog.FieldTypeComboBoxTextType()->isEnabled());
  QVERIFY(!dialog.FieldTypeComboBoxDefaultText()->isEnabled());
  QCOMPARE(dialog.FieldTypeComboBoxDefaultText()->MaxLength(), 0);
  QCOMPARE(NumberBoxes(dialog), QString("(10) (0) (0)"));
  Choose(dialog.FieldTypeComboBoxControlType(), quorvel::model::kControlTime);
  QCOMPARE(dialog.FieldTypeComboBoxTextType()->currentText(), QString("asTime"));
  Choose(dialog.FieldTypeComboBoxControlType(), quorvel::model::kControlSimple);
  QVERIFY(dialog.FieldTypeComboBoxTextType()->isEnabled());
  QCOMPARE(dialog.FieldTypeComboBoxTextType()->currentText(), QString("asTime"));
  // A plain Date or Time text holds at most 10 characters.
  QCOMPARE(dialog.FieldTypeComboBoxDefaultText()->MaxLength(), 10);
}

void TestRecordDialogs::booleanLimitsTheDefaultTextAndFixesMaxLength() {
  TFormEditCommandRecord dialog(nullptr, true);
  dialog.show();
  Choose(dialog.FieldTypeComboBoxTextType(), quorvel::model::kTextBoolean);
  TFieldTypeComboBox* defaultText = dialog.FieldTypeComboBoxDefaultText();
  defaultText->setFocus();
  QTest::keyClicks(defaultText, "xsn");
  QCOMPARE(defaultText->Text(), QString("S"));
  QCOMPARE(dialog.FieldTypeComboBoxMaxLength()->Text(), QString("1"));
}

void TestRecordDialogs::anEmptyEnabledNumberBoxBlocksOk() {
  TFormEditCommandRecord dialog(nullptr, true);
  dialog.FieldTypeComboBoxCaption()->SetText("Total");
  QVERIFY(dialog.ButtonOk()->isEnabled());
  dialog.FieldTypeComboBoxMaxLength()->SetText("");
  QVERIFY(!dialog.ButtonOk()->isEnabled());
  // Boolean fixes the box at "1": OK again.
  Choose(dialog.FieldTypeComboBoxTextType(), quorvel::model::kTextBoolean);
  QVERIFY(dialog.ButtonOk()->isEnabled());
  // A disabled empty box does not count; the hint never does.
  Choose(dialog.FieldTypeComboBoxTextType(), quorvel::model::kTextNumeric);
  dialog.FieldTypeComboBoxDecimal()->SetText("");
  dialog.FieldTypeComboBoxHint()->SetText("");
  QVERIFY(dialog.ButtonOk()->isEnabled());
  dialog.FieldTypeComboBoxCaption()->SetText("");
  QVERIFY(!dialog.ButtonOk()->isEnabled());
}

void TestRecordDialogs::dropDownKeepsItsLinesAndSimpleClearsThem() {
  TFormEditCommandRecord dialog(nullptr, true);
  Choose(dialog.FieldTypeComboBoxControlType(), quorvel::model::kControlDropDown);
  QVERIFY(dialog.MemoComboLines()->isEnabled());
  dialog.MemoComboLines()->setPlainText("X\nY\n");
  Choose(dialog.FieldTypeComboBoxControlType(), quorvel::model::kControlDropDownList);
  QCOMPARE(dialog.ItemLines(), (std::vector<std::string>{"X", "Y"}));
  Choose(dialog.FieldTypeComboBoxControlType(), quorvel::model::kControlSimple);
  QVERIFY(!dialog.MemoComboLines()->isEnabled());
  QVERIFY(dialog.ItemLines().empty());
}

void TestRecordDialogs::openingShowsTheStoredValues_data() {
  QTest::addColumn<int>("textType");
  QTest::addColumn<int>("controlType");
  QTest::addColumn<QString>("boxes");
  QTest::addColumn<QString>("defaultText");
  QTest::newRow("Currency") << 2 << 0 << "12 5 3" << "77";
  QTest::newRow("Numeric keeps its hidden numbers") << 3 << 0 << "12 (5) (3)" << "77";
  QTest::newRow("Decimal keeps its hidden decimals") << 4 << 0 << "12 5 (3)" << "77";
  QTest::newRow("Hexa drop-down") << 5 << 1 << "12 5 (0)" << "";
  QTest::newRow("Binary list") << 6 << 2 << "12 5 (0)" << "";
  QTest::newRow("Alpha") << 1 << 0 << "12 (0) (0)" << "77";
  QTest::newRow("Date picker") << 8 << 3 << "(10) (0) (0)" << "";
}

void TestRecordDialogs::openingShowsTheStoredValues() {
  QFETCH(int, textType);
  QFETCH(int, controlType);
  QFETCH(QString, boxes);
  QFETCH(QString, defaultText);
  TFormEditCommandRecord dialog(nullptr, 2, StoredField(textType, controlType), {"A"}, {});
  QCOMPARE(dialog.windowTitle(), QString("Edit field number 2"));
  QVERIFY(dialog.ButtonOk()->isEnabled());
  QVERIFY(!dialog.FieldTypeComboBoxMode()->isEnabled());
  QCOMPARE(NumberBoxes(dialog), boxes);
  QCOMPARE(dialog.FieldTypeComboBoxDefaultText()->Text(), defaultText);
  QCOMPARE(dialog.FieldTypeComboBoxCaption()->Text(), QString("Stored"));
  QCOMPARE(dialog.FieldTypeComboBoxHint()->Text(), QString("A hint"));
}

void TestRecordDialogs::changingTheTypeDiscardsTheOpeningVariant() {
  TFormEditCommandRecord dialog(nullptr, 1, StoredField(quorvel::model::kTextHexa, quorvel::model::kControlDropDown),
                                {"A", "B"}, {"note"});
  QVERIFY(dialog.MemoNotes()->isEnabled());
  QCOMPARE(NumberBoxes(dialog), QString("12 5 (0)"));
  Choose(dialog.FieldTypeComboBoxTextType(), quorvel::model::kTextNumeric);
  Choose(dialog.FieldTypeComboBoxTextType(), quorvel::model::kTextHexa);
  QCOMPARE(NumberBoxes(dialog), QString("0 (0) (0)"));
  QCOMPARE(dialog.ItemLines(), (std::vector<std::string>{"A", "B"}));
}

void TestRecordDialogs::recordComesBackNormalised() {
  TFormEditCommandRecord dialog(nullptr, true);
  Choose(dialog.FieldTypeComboBoxMode(), 1);
  dialog.FieldTypeComboBoxCaption()->SetText("Say \"hi\", please");
  Choose(dialog.FieldTypeComboBoxTextType(), quorvel::model::kTextCurrency);
  dialog.FieldTypeComboBoxMaxLength()->SetText("012");
  dialog.FieldTypeComboBoxMinLength()->SetText("");
  dialog.FieldTypeComboBoxDecimal()->SetText("2");
  dialog.CheckListBoxOther()->item(0)->setCheckState(Qt::Checked);
  dialog.CheckListBoxOther()->item(2)->setCheckState(Qt::Checked);
  dialog.MemoNotes()->setPlainText("first\n\nthird");
  const TCommandField field = dialog.Field();
  QCOMPARE(field.Mode, 1);
  QCOMPARE(field.Caption, std::string("Say \"hi\", please"));
  QCOMPARE(field.TextType, int(quorvel::model::kTextCurrency));
  QCOMPARE(field.MaxLength, 12);
  QCOMPARE(field.MinLength, 0);
  QCOMPARE(field.Decimals, 2);
  QVERIFY(field.Required);
  QVERIFY(!field.ReadOnly);
  QVERIFY(field.AutoIncrement);
  QCOMPARE(dialog.NoteLines(), (std::vector<std::string>{"first", "", "third"}));
}

void TestRecordDialogs::tabOrderFollowsTheRows() {
  TFormEditCommandRecord dialog(nullptr, true);
  const QStringList expected{"FieldTypeComboBoxMode",        "FieldTypeComboBoxCaption",
                             "FieldTypeComboBoxHint",        "FieldTypeComboBoxTextType",
                             "FieldTypeComboBoxDefaultText", "FieldTypeComboBoxControlType",
                             "FieldTypeComboBoxMinLength",   "FieldTypeComboBoxMaxLength",
                             "FieldTypeComboBoxDecimal",     "CheckListBoxOther",
                             "MemoComboLines",               "MemoNotes",
                             "ButtonOk",                     "ButtonCancel"};
  QStringList order;
  QWidget* widget = dialog.FieldTypeComboBoxMode();
  for (int i = 0; i < expected.size(); ++i) {
    order << widget->objectName();
    do {
      widget = widget->nextInFocusChain();
    } while (widget->objectName().isEmpty() || widget->focusPolicy() == Qt::NoFocus);
  }
  QCOMPARE(order, expected);
}

void TestRecordDialogs::answerDialogDecimalsOnlyForCurrency() {
  TFormEditAnswerRecord fresh(nullptr);
  QCOMPARE(fresh.windowTitle(), QString("Add new field"));
  QCOMPARE(State(fresh.FieldTypeComboBoxDecimal()), QString("(0)"));
  QCOMPARE(fresh.ComboBoxFormat()->itemText(1), QString("asAlpha   "));

  TFormEditAnswerRecord currency(nullptr, 3, TAnswerField{"Total", quorvel::model::kTextCurrency, 2});
  QCOMPARE(currency.windowTitle(), QString("Edit field number 3"));
  QCOMPARE(State(currency.FieldTypeComboBoxDecimal()), QString("2"));
  // Another type resets the digits; Currency again keeps what the box holds.
  Choose(currency.ComboBoxFormat(), quorvel::model::kTextNumeric);
  QCOMPARE(State(currency.FieldTypeComboBoxDecimal()), QString("(0)"));
  Choose(currency.ComboBoxFormat(), quorvel::model::kTextCurrency);
  currency.FieldTypeComboBoxDecimal()->SetText("");
  QCOMPARE(currency.Field(), (TAnswerField{"Total", quorvel::model::kTextCurrency, 0}));

  TFormEditAnswerRecord numeric(nullptr, 1, TAnswerField{"Count", quorvel::model::kTextNumeric, 4});
  QCOMPARE(State(numeric.FieldTypeComboBoxDecimal()), QString("(0)"));
  QCOMPARE(numeric.Field().Decimals, 0);
}

void TestRecordDialogs::answerDialogIgnoresEnterAndEscape() {
  TFormEditAnswerRecord dialog(nullptr);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  dialog.EditCaption()->setFocus();
  QTest::keyClick(dialog.EditCaption(), Qt::Key_Return);
  QTest::keyClick(dialog.EditCaption(), Qt::Key_Escape);
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.result(), 0);
  QVERIFY(dialog.ButtonOk()->isEnabled());
}

void TestRecordDialogs::overwriteDialogAnswers_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<int>("result");
  QTest::newRow("Overwrite") << "ButtonOver" << int(TFormOverwriteNewCommand::ResultOk);
  QTest::newRow("New") << "ButtonNew" << int(TFormOverwriteNewCommand::ResultYes);
  QTest::newRow("Cancel") << "ButtonCancel" << int(TFormOverwriteNewCommand::ResultCancel);
  QTest::newRow("Enter on Overwrite") << "Enter" << int(TFormOverwriteNewCommand::ResultCancel);
  QTest::newRow("Escape") << "Escape" << int(TFormOverwriteNewCommand::ResultCancel);
  QTest::newRow("Close box") << "Close" << int(TFormOverwriteNewCommand::ResultCancel);
}

void TestRecordDialogs::overwriteDialogAnswers() {
  QFETCH(QString, action);
  QFETCH(int, result);
  TFormOverwriteNewCommand dialog(nullptr);
  QCOMPARE(dialog.windowTitle(), QString("Warning"));
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  if (action == "Enter") {
    dialog.ButtonOver()->setFocus();
    QTest::keyClick(dialog.ButtonOver(), Qt::Key_Return);
  } else if (action == "Escape") {
    QTest::keyClick(&dialog, Qt::Key_Escape);
  } else if (action == "Close") {
    dialog.close();
  } else {
    QTest::mouseClick(dialog.findChild<QPushButton*>(action), Qt::LeftButton);
  }
  QVERIFY(!dialog.isVisible());
  QCOMPARE(dialog.result(), result);
}

QTEST_MAIN(TestRecordDialogs)
#include "test_recorddialogs.moc"
