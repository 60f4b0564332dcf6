// SPDX-License-Identifier: MIT
#include "editors/testfixanswer.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "editors/dialogparts.h"
#include "model/textnumbers.h"
#include "widgets/fieldtypecombobox.h"

namespace quorvel::editors {
namespace {

std::uint16_t WordOf(const QString& text) {
  return static_cast<std::uint16_t>(model::ParseHexDigits(text.toStdString(), 0xFFFF).value_or(0));
}

}  // namespace

TFormTestFixedAnswer::TFormTestFixedAnswer(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Test fixed answers"));
  const auto hexBox = [this](const char* name, const QString& hint) {
    auto* box = new widgets::TFieldTypeComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->SetFldType(model::ftdHexadecimal);
    box->SetMaxLength(4);
    box->setToolTip(hint);
    connect(box, &QComboBox::editTextChanged, this, &TFormTestFixedAnswer::FieldTypeComboBoxChange);
    return box;
  };
  FieldTypeComboBoxFiscal = hexBox("FieldTypeComboBoxFiscal", tr("Input hexadecimal fiscal answer value"));
  FieldTypeComboBoxPrinter = hexBox("FieldTypeComboBoxPrinter", tr("Input hexadecimal printer answer value"));
  ButtonTest = NewDialogButton(this, tr("&Test"), {}, "ButtonTest");
  ButtonTest->setDefault(true);
  ButtonCancel = NewDialogButton(this, tr("&Cancel"), {}, "ButtonCancel");

  auto* form = new QFormLayout;
  for (auto [caption, box] :
       {std::pair{tr("&Fiscal"), FieldTypeComboBoxFiscal}, std::pair{tr("&Printer"), FieldTypeComboBoxPrinter}}) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(box);
    form->addRow(label, box);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonTest);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ButtonTest, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
  FieldTypeComboBoxChange();
}

std::uint16_t TFormTestFixedAnswer::FiscalWord() const { return WordOf(FieldTypeComboBoxFiscal->Text()); }
std::uint16_t TFormTestFixedAnswer::PrinterWord() const { return WordOf(FieldTypeComboBoxPrinter->Text()); }

void TFormTestFixedAnswer::FieldTypeComboBoxChange() {
  ButtonTest->setEnabled(!FieldTypeComboBoxFiscal->Text().isEmpty() && !FieldTypeComboBoxPrinter->Text().isEmpty());
}

}  // namespace quorvel::editors
