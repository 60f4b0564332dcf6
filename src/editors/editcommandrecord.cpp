// SPDX-License-Identifier: MIT
#include "editors/editcommandrecord.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editors/editorsupport.h"
#include "model/convert.h"
#include "model/fileedit.h"
#include "model/textnumbers.h"
#include "widgets/fieldtypecombobox.h"

namespace quorvel::editors {

namespace {

using widgets::TFieldTypeComboBox;

constexpr int kTextLimit = 35;  // caption and hint
constexpr int kRequiredRow = 0;
constexpr int kReadOnlyRow = 1;
constexpr int kAutoIncrementRow = 2;

TFieldTypeComboBox* MakeList(const QString& name, const QString& hint, const QStringList& items) {
  auto* box = new TFieldTypeComboBox(nullptr, TFieldTypeComboBox::TStyle::DropDownList);
  box->setObjectName(name);
  box->addItems(items);
  box->setCurrentIndex(0);
  SetHint(box, hint);
  return box;
}

TFieldTypeComboBox* MakeEdit(const QString& name, const QString& hint, model::TFldType type,
                             int maxLength = 0) {
  auto* box = new TFieldTypeComboBox(nullptr, TFieldTypeComboBox::TStyle::Simple);
  box->setObjectName(name);
  box->SetFldType(type);
  box->SetMaxLength(maxLength);
  SetHint(box, hint);
  return box;
}

QPlainTextEdit* MakeMemo(const QString& name, const QString& hint) {
  auto* memo = new QPlainTextEdit;
  memo->setObjectName(name);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setTabChangesFocus(true);
  SetHint(memo, hint);
  return memo;
}

// A number box's text as the opener stores it: a decimal integer, 0 when it is none.
int NumberOf(const TFieldTypeComboBox* box) {
  return model::ParseDecimalInt32(ToBytes(box->Text())).value_or(0);
}

}  // namespace

TFormEditCommandRecord::TFormEditCommandRecord(QWidget* owner, bool first) : QDialog(owner) {
  CreateWidgets();
  setWindowTitle(QStringLiteral("Add new field"));
  buttonOk_->setEnabled(false);
  SetFirst(first);
  maxLength_->SetText(QStringLiteral("0"));
  minLength_->SetText(QStringLiteral("0"));
  decimal_->SetText(QStringLiteral("0"));
  FieldTypeComboBoxControlTypeChange();
  ValidateComboData();
}

TFormEditCommandRecord::TFormEditCommandRecord(QWidget* owner, int fieldNumber,
                                               const model::TCommandField& field,
                                               const std::vector<std::string>& items,
                                               const std::vector<std::string>& notes)
    : QDialog(owner) {
  CreateWidgets();
  setWindowTitle(QStringLiteral("Edit field number %1").arg(fieldNumber));
  caption_->SetText(FromBytes(field.Caption));
  hint_->SetText(FromBytes(field.Hint));
  other_->item(kRequiredRow)->setCheckState(field.Required ? Qt::Checked : Qt::Unchecked);
  other_->item(kReadOnlyRow)->setCheckState(field.ReadOnly ? Qt::Checked : Qt::Unchecked);
  other_->item(kAutoIncrementRow)->setCheckState(field.AutoIncrement ? Qt::Checked : Qt::Unchecked);
  // The names the grid shows lead back to these indexes; codes out of range
  // show as the first name.
  textType_->setCurrentIndex(model::TextTypeFromName(model::TextTypeName(field.TextType)));
  mode_->setCurrentIndex(field.Mode == model::kModeHost ? 0 : 1);
  controlType_->setCurrentIndex(model::ControlTypeFromName(model::ControlTypeName(field.ControlType)));
  comboLines_->setPlainText(JoinLines(items));
  notes_->setPlainText(JoinLines(notes));
  buttonOk_->setEnabled(true);
  SetFirst(fieldNumber <= 1);
  ApplyTypeRule(true, &field);
  ValidateComboData();
}

void TFormEditCommandRecord::CreateWidgets() {
  setObjectName(QStringLiteral("FormEditCommandRecord"));
  mode_ = MakeList(QStringLiteral("FieldTypeComboBoxMode"), QStringLiteral("Select mode"),
                   {QStringLiteral("Host"), QStringLiteral("Fiscal")});
  caption_ = MakeEdit(QStringLiteral("FieldTypeComboBoxCaption"), QStringLiteral("Enter caption text"),
                      model::ftdAlphaNumeric, kTextLimit);
  hint_ = MakeEdit(QStringLiteral("FieldTypeComboBoxHint"), QStringLiteral("Enter hint text"),
                   model::ftdAlphaNumeric, kTextLimit);
  textType_ = MakeList(QStringLiteral("FieldTypeComboBoxTextType"), QStringLiteral("Select text type"),
                       {QStringLiteral("asAlphaNumeric"), QStringLiteral("asAlpha"),
                        QStringLiteral("asCurrency"), QStringLiteral("asNumeric"),
                        QStringLiteral("asDecimal"), QStringLiteral("asHexa"),
                        QStringLiteral("asBinary"), QStringLiteral("asBoolean"),
                        QStringLiteral("asDate"), QStringLiteral("asTime")});
  defaultText_ = MakeEdit(QStringLiteral("FieldTypeComboBoxDefaultText"),
                          QStringLiteral("Enter default text"), model::ftdAlphaNumeric);
  controlType_ = MakeList(QStringLiteral("FieldTypeComboBoxControlType"),
                          QStringLiteral("Select type of control"),
                          {QStringLiteral("Simple"), QStringLiteral("DropDown"),
                           QStringLiteral("DropDownList"), QStringLiteral("Date"),
                           QStringLiteral("Time")});
  minLength_ = MakeEdit(QStringLiteral("FieldTypeComboBoxMinLength"),
                        QStringLiteral("Enter minimum length "), model::ftdNumerical);
  maxLength_ = MakeEdit(QStringLiteral("FieldTypeComboBoxMaxLength"),
                        QStringLiteral("Enter maximum user text"), model::ftdNumerical);
  decimal_ = MakeEdit(QStringLiteral("FieldTypeComboBoxDecimal"),
                      QStringLiteral("Enter decimal digits"), model::ftdNumerical);
  other_ = new QListWidget;
  other_->setObjectName(QStringLiteral("CheckListBoxOther"));
  SetHint(other_, QStringLiteral("Select other parameter"));
  for (const char* item : {"Required", "Read Only", "Autoincrement"}) {
    auto* row = new QListWidgetItem(QString::fromLatin1(item), other_);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    row->setCheckState(Qt::Unchecked);
  }
  comboLines_ = MakeMemo(QStringLiteral("MemoComboLines"), QStringLiteral("Enter combo box lines"));
  notes_ = MakeMemo(QStringLiteral("MemoNotes"), QStringLiteral("Enter command notes"));

  auto* grid = new QGridLayout;
  struct TCell {
    const char* label;
    QWidget* control;
    bool buddy;
  };
  const TCell cells[4][3] = {
      {{"&Mode", mode_, true}, {"C&aption", caption_, true}, {"&Hint", hint_, true}},
      {{"&Text type", textType_, true}, {"&Default Text", defaultText_, true},
       {"Co&ntrol type", controlType_, true}},
      {{"M&in length", minLength_, true}, {"Ma&x length", maxLength_, true},
       {"D&ecimal digits", decimal_, true}},
      {{"Othe&r", other_, true}, {"Com&bo box lines", comboLines_, true}, {"Note&s", notes_, false}},
  };
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 3; ++column) {
      const TCell& cell = cells[row][column];
      auto* label = new QLabel(QString::fromLatin1(cell.label));
      if (cell.buddy) label->setBuddy(cell.control);
      grid->addWidget(label, 2 * row, column);
      grid->addWidget(cell.control, 2 * row + 1, column);
      cell.control->setFixedWidth(150);
    }
  }
  for (QWidget* big : {static_cast<QWidget*>(other_), static_cast<QWidget*>(comboLines_),
                       static_cast<QWidget*>(notes_)}) {
    big->setFixedHeight(70);
  }

  buttonOk_ = new QPushButton(QStringLiteral("&Ok"));
  buttonOk_->setObjectName(QStringLiteral("ButtonOk"));
  SetHint(buttonOk_, QStringLiteral("Accept"));
  buttonCancel_ = new QPushButton(QStringLiteral("&Cancel"));
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
  SetHint(buttonCancel_, QStringLiteral("Cancel"));
  buttonOk_->setAutoDefault(false);
  buttonCancel_->setAutoDefault(false);
  connect(buttonOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects as well
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(buttonOk_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  QWidget* order[] = {mode_,      caption_,   hint_,    textType_,   defaultText_,
                      controlType_, minLength_, maxLength_, decimal_, other_,
                      comboLines_, notes_,    buttonOk_, buttonCancel_};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  connect(textType_, &QComboBox::activated, this, [this] { FieldTypeComboBoxTextTypeChange(); });
  connect(controlType_, &QComboBox::activated, this,
          [this] { FieldTypeComboBoxControlTypeChange(); });
  for (TFieldTypeComboBox* box : {caption_, maxLength_, minLength_, decimal_}) {
    connect(box, &QComboBox::editTextChanged, this, [this] { ValidateComboData(); });
  }
}

void TFormEditCommandRecord::SetFirst(bool first) {
  mode_->setEnabled(first);
  notes_->setEnabled(first);
}

void TFormEditCommandRecord::SetMode(int mode) { mode_->setCurrentIndex(mode == model::kModeHost ? 0 : 1); }

void TFormEditCommandRecord::FieldTypeComboBoxTextTypeChange() { ApplyTypeRule(false); }

void TFormEditCommandRecord::FieldTypeComboBoxControlTypeChange() { ApplyTypeRule(false); }

void TFormEditCommandRecord::ApplyTypeRule(bool opening, const model::TCommandField* stored) {
  const model::TFieldBoxes rule =
      model::CommandFieldBoxes(textType_->currentIndex(), controlType_->currentIndex(), opening);
  textType_->setCurrentIndex(rule.TextType);
  textType_->setEnabled(rule.TextTypeEnabled);

  defaultText_->SetFldType(rule.DefaultTextFilter);
  defaultText_->SetMaxLength(rule.DefaultTextMaxLength);
  defaultText_->setEnabled(rule.DefaultTextEnabled);
  defaultText_->SetText(opening && rule.DefaultTextEnabled && stored != nullptr
                            ? FromBytes(stored->DefaultText)
                            : QString());
  comboLines_->setEnabled(rule.ItemsEnabled);
  if (!rule.ItemsEnabled) comboLines_->clear();

  // Opening a stored field, every enabled box shows its stored value, and so do
  // the disabled Min length and Decimal digits of a Numeric field and the
  // disabled Decimal digits of a Decimal field; a change of type resets them all.
  const bool keep = opening && stored != nullptr;
  const bool numeric = rule.TextType == model::kTextNumeric;
  const bool decimal = rule.TextType == model::kTextDecimal;
  struct TBox {
    TFieldTypeComboBox* box;
    bool enabled;
    bool showsStored;
    int stored;
    int reset;
  };
  const TBox boxes[] = {
      {maxLength_, rule.MaxLengthEnabled, keep && rule.MaxLengthEnabled, stored ? stored->MaxLength : 0,
       rule.MaxLength},
      {minLength_, rule.MinLengthEnabled, keep && (rule.MinLengthEnabled || numeric), stored ? stored->MinLength : 0,
       0},
      {decimal_, rule.DecimalsEnabled, keep && (rule.DecimalsEnabled || numeric || decimal),
       stored ? stored->Decimals : 0, 0},
  };
  for (const TBox& box : boxes) {
    box.box->setEnabled(box.enabled);
    box.box->SetText(QString::number(box.showsStored ? box.stored : box.reset));
  }
  ValidateComboData();
}

void TFormEditCommandRecord::ValidateComboData() {
  bool ok = !caption_->Text().isEmpty();
  for (const TFieldTypeComboBox* box : {maxLength_, minLength_, decimal_}) {
    if (box->isEnabled() && box->Text().isEmpty()) ok = false;
  }
  buttonOk_->setEnabled(ok);
}

model::TCommandField TFormEditCommandRecord::Field() const {
  model::TCommandField field;
  field.Mode = mode_->currentIndex() == 0 ? model::kModeHost : 1;
  field.Caption = ToBytes(caption_->Text());
  field.Hint = ToBytes(hint_->Text());
  field.TextType = textType_->currentIndex();
  field.DefaultText = ToBytes(defaultText_->Text());
  field.ControlType = controlType_->currentIndex();
  field.MaxLength = NumberOf(maxLength_);
  field.Required = other_->item(kRequiredRow)->checkState() == Qt::Checked;
  field.ReadOnly = other_->item(kReadOnlyRow)->checkState() == Qt::Checked;
  field.MinLength = NumberOf(minLength_);
  field.Decimals = NumberOf(decimal_);
  field.AutoIncrement = other_->item(kAutoIncrementRow)->checkState() == Qt::Checked;
  return field;
}

std::vector<std::string> TFormEditCommandRecord::ItemLines() const { return SplitLines(comboLines_->toPlainText()); }

std::vector<std::string> TFormEditCommandRecord::NoteLines() const { return SplitLines(notes_->toPlainText()); }

}  // namespace quorvel::editors
