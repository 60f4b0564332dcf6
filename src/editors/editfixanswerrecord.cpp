// SPDX-License-Identifier: MIT
#include "editors/editfixanswerrecord.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "editors/dialogparts.h"
#include "model/answertables.h"
#include "widgets/colorlist.h"
#include "widgets/fieldtypecombobox.h"

namespace quorvel::editors {

TFormEditFixAnswerRecord::TFormEditFixAnswerRecord(const QString& panel, const QString& mask, const QString& result,
                                                   const QString& text, model::TColor color, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  CreateControls();
  if (panel == QLatin1String("0")) {
    setWindowTitle(tr("Add answer record"));
    FieldTypeComboBoxPanelNumber->setCurrentIndex(-1);
    widgets::SelectColor(ComboColorColor, model::clBlack);
  } else {
    setWindowTitle(tr("Modify answer record"));
    FieldTypeComboBoxPanelNumber->SetText(panel);
    FieldTypeComboBoxMask->SetText(mask);
    FieldTypeComboBoxResult->SetText(result);
    FieldTypeComboBoxText->SetText(text);
    widgets::SelectOrAddColor(ComboColorColor, color);
  }
  ControlsChange();
}

void TFormEditFixAnswerRecord::CreateControls() {
  using widgets::TFieldTypeComboBox;
  FieldTypeComboBoxPanelNumber = new TFieldTypeComboBox(this, TFieldTypeComboBox::TStyle::DropDownList);
  FieldTypeComboBoxPanelNumber->setObjectName(QStringLiteral("FieldTypeComboBoxPanelNumber"));
  for (int panel = 1; panel <= model::kMaxStatusPanels; ++panel)
    FieldTypeComboBoxPanelNumber->addItem(QString::number(panel));
  FieldTypeComboBoxPanelNumber->setToolTip(tr("Input panel number"));

  const auto hexBox = [this](const char* name, const QString& hint) {
    auto* box = new TFieldTypeComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->SetFldType(model::ftdHexadecimal);
    box->SetMaxLength(4);
    box->setToolTip(hint);
    return box;
  };
  FieldTypeComboBoxMask = hexBox("FieldTypeComboBoxMask", tr("Input hexadecimal mask value"));
  FieldTypeComboBoxResult = hexBox("FieldTypeComboBoxResult", tr("Input hexadecimal result value"));
  FieldTypeComboBoxText = new TFieldTypeComboBox(this);
  FieldTypeComboBoxText->setObjectName(QStringLiteral("FieldTypeComboBoxText"));
  FieldTypeComboBoxText->SetFldType(model::ftdAlphaNumeric);
  FieldTypeComboBoxText->SetMaxLength(static_cast<int>(model::kMaxFixedAnswerText));
  FieldTypeComboBoxText->setToolTip(tr("Input message"));
  FieldTypeComboBoxText->setMinimumWidth(220);
  ComboColorColor = widgets::NewColorList(this, tr("Select color"));
  ComboColorColor->setObjectName(QStringLiteral("ComboColorColor"));

  ButtonOk = NewDialogButton(this, tr("&Ok"), tr("Accept options"), "ButtonOk");
  ButtonOk->setDefault(true);
  ButtonCancel = NewDialogButton(this, tr("&Cancel"), tr("Cancel options"), "ButtonCancel");

  auto* form = new QFormLayout;
  const auto row = [this, form](const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(control);
    form->addRow(label, control);
  };
  row(tr("&Panel number"), FieldTypeComboBoxPanelNumber);
  row(tr("&Mask"), FieldTypeComboBoxMask);
  row(tr("&Result"), FieldTypeComboBoxResult);
  row(tr("&Text on true"), FieldTypeComboBoxText);
  row(tr("Text Co&lor"), ComboColorColor);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOk);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(FieldTypeComboBoxPanelNumber, &QComboBox::currentIndexChanged, this,
          &TFormEditFixAnswerRecord::ControlsChange);
  for (auto* box : {FieldTypeComboBoxMask, FieldTypeComboBoxResult, FieldTypeComboBoxText})
    connect(box, &QComboBox::editTextChanged, this, &TFormEditFixAnswerRecord::ControlsChange);
  connect(ButtonOk, &QPushButton::clicked, this, &TFormEditFixAnswerRecord::ButtonOkClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFormEditFixAnswerRecord::Panel() const { return FieldTypeComboBoxPanelNumber->Text(); }
QString TFormEditFixAnswerRecord::Mask() const { return FieldTypeComboBoxMask->Text(); }
QString TFormEditFixAnswerRecord::Result() const { return FieldTypeComboBoxResult->Text(); }
QString TFormEditFixAnswerRecord::Text() const { return FieldTypeComboBoxText->Text(); }

model::TColor TFormEditFixAnswerRecord::Color() const {
  return widgets::SelectedColor(ComboColorColor).value_or(model::clBlack);
}

void TFormEditFixAnswerRecord::ControlsChange() {
  ButtonOk->setEnabled(FieldTypeComboBoxPanelNumber->currentIndex() >= 0 && !Text().isEmpty() && !Mask().isEmpty() &&
                       !Result().isEmpty());
}

void TFormEditFixAnswerRecord::ButtonOkClick() {
  FieldTypeComboBoxMask->SetText(QString::fromStdString(model::PadHexWord(Mask().toStdString())));
  FieldTypeComboBoxResult->SetText(QString::fromStdString(model::PadHexWord(Result().toStdString())));
  accept();
}

}  // namespace quorvel::editors
