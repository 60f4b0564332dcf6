// SPDX-License-Identifier: MIT
// The typed input control: key filter, change check, maximum length, and the
// exit check of a required control.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

#include "widgets/fieldtypecombobox.h"

using quorvel::widgets::TFieldTypeComboBox;
using quorvel::model::TFldType;

namespace {

// Types each character as one key press (QTest's own helper takes ASCII only).
void Type(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    const int key = ch.unicode() < 128 ? int(QChar(ch).toUpper().unicode()) : int(Qt::Key_unknown);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &release);
  }
}

}  // namespace

class TestFieldTypeComboBox : public QObject {
  Q_OBJECT

 private slots:
  void keyFilter_data();
  void keyFilter();
  void backspaceAndDeleteWorkInEveryType_data();
  void backspaceAndDeleteWorkInEveryType();
  void pasteIsCheckedAsAWhole_data();
  void pasteIsCheckedAsAWhole();
  void boolLimitsToOneCharacterUntilMaxLengthIsSet();
  void choosingAListItemIsChecked();
  void textsAssignedByTheProgramAreNotChecked();
  void requiredEmptyControlKeepsTheFocus();
  void notRequiredControlLetsTheFocusGo();
  void requiredListWithoutItemsDoesNotTrapTheFocus();
};

void TestFieldTypeComboBox::keyFilter_data() {
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("expected");
  QTest::newRow("alphanumeric takes anything") << 0 << "a1 !,." << "a1 !,.";
  QTest::newRow("alpha refuses digits") << 1 << "ab1c" << "abc";
  QTest::newRow("currency one separator") << 2 << "1,5" << "1,5";
  QTest::newRow("currency second separator swallowed") << 2 << "1,5.,2" << "1,52";
  QTest::newRow("currency refuses letters") << 2 << "1a2" << "12";
  QTest::newRow("numeric refuses letters") << 3 << "12a3" << "123";
  QTest::newRow("decimal refuses separators") << 4 << "9.x1" << "91";
  QTest::newRow("hexadecimal upper-cases") << 5 << "a" << "A";
  QTest::newRow("hexadecimal refuses g") << 5 << "g" << "";
  QTest::newRow("hexadecimal mixed") << 5 << "1fz0" << "1F0";
  QTest::newRow("binary only 0 and 1") << 6 << "0121" << "011";
  QTest::newRow("boolean upper-cases") << 7 << "s" << "S";
  QTest::newRow("boolean refuses x") << 7 << "x" << "";
  QTest::newRow("boolean length limit 1") << 7 << "sn" << "S";
  QTest::newRow("date type filters nothing") << 8 << "a1/" << "a1/";
  QTest::newRow("time type filters nothing") << 9 << "z:9" << "z:9";
  QTest::newRow("alphanumeric keeps accented letter") << 0 << "\u00e9" << "\u00e9";
  QTest::newRow("alpha: accented letter passes the key, fails the check") << 1 << "a\u00e9" << "";
  QTest::newRow("character outside Latin-1 refused") << 0 << "a\u20acb" << "ab";
}

void TestFieldTypeComboBox::keyFilter() {
  QFETCH(int, type);
  QFETCH(QString, typed);
  QFETCH(QString, expected);
  TFieldTypeComboBox combo;
  combo.SetFldType(type);
  Type(&combo, typed);
  QCOMPARE(combo.Text(), expected);
}

void TestFieldTypeComboBox::backspaceAndDeleteWorkInEveryType_data() {
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("typed");
  for (int type = 0; type <= 9; ++type) {
    const QString valid = type == 1 ? "ab" : type == 5 ? "AB" : type == 7 ? "SN" : "11";
    QTest::newRow(qPrintable(QString::number(type))) << type << valid;
  }
}

void TestFieldTypeComboBox::backspaceAndDeleteWorkInEveryType() {
  QFETCH(int, type);
  QFETCH(QString, typed);
  TFieldTypeComboBox combo;
  combo.SetFldType(type);
  combo.SetMaxLength(0);
  Type(&combo, typed);
  QCOMPARE(combo.Text(), typed);
  QTest::keyClick(&combo, Qt::Key_Backspace);
  QCOMPARE(combo.Text(), typed.left(1));
  // Delete, as a desktop's keyboard layer reports it: the key with the text 0x7F.
  QTest::keyClick(&combo, Qt::Key_Home);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
  QApplication::sendEvent(&combo, &press);
  QCOMPARE(combo.Text(), QString());
}

void TestFieldTypeComboBox::pasteIsCheckedAsAWhole_data() {
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("pasted");
  QTest::addColumn<QString>("expected");
  QTest::newRow("numeric with a letter empties") << 3 << "12a" << "";
  QTest::newRow("currency accepts many separators") << 2 << "1.2.3" << "1.2.3";
  QTest::newRow("hexadecimal lower case accepted") << 5 << "1f" << "1f";
  QTest::newRow("binary with 2 empties") << 6 << "102" << "";
  QTest::newRow("alphanumeric anything") << 0 << "a b,c" << "a b,c";
  QTest::newRow("alphanumeric outside Latin-1 empties") << 0 << "a\u20ac" << "";
}

void TestFieldTypeComboBox::pasteIsCheckedAsAWhole() {
  QFETCH(int, type);
  QFETCH(QString, pasted);
  QFETCH(QString, expected);
  TFieldTypeComboBox combo;
  combo.SetFldType(type);
  QSignalSpy changes(&combo, &TFieldTypeComboBox::UserTextChanged);
  QApplication::clipboard()->setText(pasted);
  QTest::keyClick(&combo, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(combo.Text(), expected);
  QCOMPARE(changes.count(), 1);
  QCOMPARE(changes.at(0).at(0).toString(), expected);
}

void TestFieldTypeComboBox::boolLimitsToOneCharacterUntilMaxLengthIsSet() {
  TFieldTypeComboBox combo;
  combo.SetFldType(quorvel::model::ftdBool);
  QCOMPARE(combo.MaxLength(), 1);
  combo.SetMaxLength(0);  // the field's own limit replaces the implied one
  Type(&combo, "sny");
  QCOMPARE(combo.Text(), QString("SNY"));
  combo.SetFldType(quorvel::model::ftdNumerical);  // other types keep the limit
  QCOMPARE(combo.MaxLength(), 0);
}

void TestFieldTypeComboBox::choosingAListItemIsChecked() {
  TFieldTypeComboBox combo(nullptr, TFieldTypeComboBox::TStyle::DropDownList);
  combo.SetFldType(quorvel::model::ftdNumerical);
  combo.addItems({"12", "ab", "34"});
  combo.setCurrentIndex(0);
  QCOMPARE(combo.Text(), QString("12"));
  QTest::keyClick(&combo, Qt::Key_Down);  // the user chooses "ab"
  QCOMPARE(combo.Text(), QString());
  QTest::keyClick(&combo, Qt::Key_End);  // and then "34"
  QCOMPARE(combo.Text(), QString("34"));
}

void TestFieldTypeComboBox::textsAssignedByTheProgramAreNotChecked() {
  TFieldTypeComboBox combo;
  combo.SetFldType(quorvel::model::ftdNumerical);
  combo.SetText("abc");
  QCOMPARE(combo.Text(), QString("abc"));
}

namespace {

struct TTwoControls {
  QWidget window;
  TFieldTypeComboBox* first = new TFieldTypeComboBox(&window);
  TFieldTypeComboBox* second = new TFieldTypeComboBox(&window);
  TTwoControls() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
  }
};

}  // namespace

void TestFieldTypeComboBox::requiredEmptyControlKeepsTheFocus() {
  TTwoControls controls;
  QVERIFY(QTest::qWaitForWindowActive(&controls.window));
  controls.first->SetRequired(true);
  controls.first->setFocus(Qt::OtherFocusReason);
  QTRY_VERIFY(controls.first->hasFocus());

  QTest::keyClick(&controls.window, Qt::Key_Tab);
  QVERIFY(controls.first->hasFocus());
  QTest::keyClick(&controls.window, Qt::Key_Backtab);
  QVERIFY(controls.first->hasFocus());
  QTest::mouseClick(controls.second->lineEdit(), Qt::LeftButton);
  QVERIFY(controls.first->hasFocus());

  Type(controls.first, "x");
  QTest::keyClick(&controls.window, Qt::Key_Tab);
  QVERIFY(controls.second->hasFocus());
}

void TestFieldTypeComboBox::notRequiredControlLetsTheFocusGo() {
  TTwoControls controls;
  QVERIFY(QTest::qWaitForWindowActive(&controls.window));
  controls.first->setFocus(Qt::OtherFocusReason);
  QTRY_VERIFY(controls.first->hasFocus());
  QTest::keyClick(&controls.window, Qt::Key_Tab);
  QVERIFY(controls.second->hasFocus());
}

void TestFieldTypeComboBox::requiredListWithoutItemsDoesNotTrapTheFocus() {
  TTwoControls controls;
  QVERIFY(QTest::qWaitForWindowActive(&controls.window));
  controls.first->SetStyle(TFieldTypeComboBox::TStyle::DropDownList);
  controls.first->SetRequired(true);
  controls.first->setFocus(Qt::OtherFocusReason);
  QTRY_VERIFY(controls.first->hasFocus());
  QTest::keyClick(&controls.window, Qt::Key_Tab);
  QVERIFY(controls.second->hasFocus());
}

QTEST_MAIN(TestFieldTypeComboBox)
#include "test_fieldtypecombobox.moc"
