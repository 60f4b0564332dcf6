// SPDX-License-Identifier: MIT
#include "editors/editanswerrecord.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editors/editorsupport.h"
#include "model/convert.h"
#include "model/textnumbers.h"
#include "widgets/fieldtypecombobox.h"

namespace quorvel::editors {

TFormEditAnswerRecord::TFormEditAnswerRecord(QWidget* owner) : QDialog(owner) {
  CreateWidgets();
  setWindowTitle(QStringLiteral("Add new field"));
  format_->setCurrentIndex(model::kTextAlphaNumeric);
  decimal_->SetText(QStringLiteral("0"));
  decimal_->setEnabled(false);
}

TFormEditAnswerRecord::TFormEditAnswerRecord(QWidget* owner, int fieldNumber,
                                             const model::TAnswerField& field)
    : QDialog(owner) {
  CreateWidgets();
  setWindowTitle(QStringLiteral("Edit field number %1").arg(fieldNumber));
  caption_->setText(FromBytes(field.Caption));
  format_->setCurrentIndex(model::TextTypeFromName(model::TextTypeName(field.Type)));
  const bool currency = format_->currentIndex() == model::kTextCurrency;
  decimal_->SetText(QString::number(currency ? field.Decimals : 0));
  decimal_->setEnabled(currency);
}

void TFormEditAnswerRecord::CreateWidgets() {
  setObjectName(QStringLiteral("FormEditAnswerRecord"));
  caption_ = new QLineEdit;
  caption_->setObjectName(QStringLiteral("EditCaption"));
  format_ = new QComboBox;
  format_->setObjectName(QStringLiteral("ComboBoxFormat"));
  SetHint(format_, QStringLiteral("Select text format"));
  format_->addItems({QStringLiteral("asAlphaNumeric"), QStringLiteral("asAlpha   "),
                     QStringLiteral("asCurrency"), QStringLiteral("asNumeric"),
                     QStringLiteral("asDecimal"), QStringLiteral("asHexa"),
                     QStringLiteral("asBinary"), QStringLiteral("asBoolean"),
                     QStringLiteral("asDate"), QStringLiteral("asTime")});
  decimal_ = new widgets::TFieldTypeComboBox(nullptr, widgets::TFieldTypeComboBox::TStyle::Simple);
  decimal_->setObjectName(QStringLiteral("FieldTypeComboBoxDecimal"));
  decimal_->SetFldType(model::ftdDecimal);
  SetHint(decimal_, QStringLiteral("Input decimal digits"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("C&aption"), caption_);
  form->addRow(QStringLiteral("&Text type"), format_);
  form->addRow(QStringLiteral("D&ecimal digits"), decimal_);
  caption_->setMinimumWidth(220);

  buttonOk_ = new QPushButton(QStringLiteral("&Ok"));
  buttonOk_->setObjectName(QStringLiteral("ButtonOk"));
  SetHint(buttonOk_, QStringLiteral("Accept"));
  buttonCancel_ = new QPushButton(QStringLiteral("&Cancel"));
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
  SetHint(buttonCancel_, QStringLiteral("Cancel"));
  for (QPushButton* button : {buttonOk_, buttonCancel_}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  connect(buttonOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(format_, &QComboBox::activated, this, [this] { ComboBoxFormatChange(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(buttonOk_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormEditAnswerRecord::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TFormEditAnswerRecord::ComboBoxFormatChange() {
  const bool currency = format_->currentIndex() == model::kTextCurrency;
  if (!currency) decimal_->SetText(QStringLiteral("0"));
  decimal_->setEnabled(currency);
}

model::TAnswerField TFormEditAnswerRecord::Field() const {
  model::TAnswerField field;
  field.Caption = ToBytes(caption_->text());
  field.Type = format_->currentIndex();
  field.Decimals = field.Type == model::kTextCurrency
                       ? model::ParseDecimalInt32(ToBytes(decimal_->Text())).value_or(0)
                       : 0;
  return field;
}

}  // namespace quorvel::editors
