// SPDX-License-Identifier: MIT
#include "editors/editrcrecord.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "editors/dialogparts.h"
#include "model/answertables.h"
#include "widgets/fieldtypecombobox.h"

namespace quorvel::editors {

TFormRcRecord::TFormRcRecord(QWidget* parent) : QDialog(parent) {
  CreateControls();
  setWindowTitle(tr("Add new return code"));
  FieldTypeComboBoxRcNumberChange();
}

TFormRcRecord::TFormRcRecord(const QString& code, const QString& description, QWidget* parent) : QDialog(parent) {
  CreateControls();
  setWindowTitle(tr("Modify return code"));
  FieldTypeComboBoxRcNumber->SetText(code);
  EditText->setText(description);
  FieldTypeComboBoxRcNumberChange();
}

void TFormRcRecord::CreateControls() {
  FieldTypeComboBoxRcNumber = new widgets::TFieldTypeComboBox(this);
  FieldTypeComboBoxRcNumber->setObjectName(QStringLiteral("FieldTypeComboBoxRcNumber"));
  FieldTypeComboBoxRcNumber->SetFldType(model::ftdNumerical);
  FieldTypeComboBoxRcNumber->SetMaxLength(static_cast<int>(model::kMaxReturnCodeDigits));
  FieldTypeComboBoxRcNumber->setToolTip(tr("Enter return code number"));

  EditText = new QLineEdit(this);
  EditText->setObjectName(QStringLiteral("EditText"));
  // A description is one line: text holding a line break (pasted) is not taken.
  EditText->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), EditText));
  EditText->setMinimumWidth(300);

  ButtonOk = NewDialogButton(this, tr("&Ok"), tr("Accept data"), "ButtonOk");
  ButtonCancel = NewDialogButton(this, tr("&Cancel"), {}, "ButtonCancel");
  ButtonCancel->setDefault(true);

  auto* numberLabel = new QLabel(tr("&Return code number"), this);
  numberLabel->setBuddy(FieldTypeComboBoxRcNumber);
  auto* textLabel = new QLabel(tr("&Description text"), this);
  textLabel->setBuddy(EditText);

  auto* grid = new QGridLayout;
  grid->addWidget(numberLabel, 0, 0);
  grid->addWidget(FieldTypeComboBoxRcNumber, 0, 1);
  grid->addWidget(textLabel, 1, 0);
  grid->addWidget(EditText, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOk);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(FieldTypeComboBoxRcNumber, &QComboBox::editTextChanged, this,
          &TFormRcRecord::FieldTypeComboBoxRcNumberChange);
  connect(EditText, &QLineEdit::textChanged, this, &TFormRcRecord::FieldTypeComboBoxRcNumberChange);
  connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFormRcRecord::Code() const { return FieldTypeComboBoxRcNumber->Text(); }

QString TFormRcRecord::Description() const { return EditText->text(); }

void TFormRcRecord::FieldTypeComboBoxRcNumberChange() {
  ButtonOk->setEnabled(!Code().isEmpty() && !Description().isEmpty());
}

}  // namespace quorvel::editors
