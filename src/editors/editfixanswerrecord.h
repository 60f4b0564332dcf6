// SPDX-License-Identifier: MIT
#pragma once
// TFormEditFixAnswerRecord: one fixed-answer record (panel, mask, result, text,
// colour) for Add and Modify of the fixed-answer editor.
#include <QDialog>
#include <QString>

#include "model/colors.h"

class QComboBox;
class QPushButton;

namespace quorvel::widgets {
class TFieldTypeComboBox;
}

namespace quorvel::editors {

class TFormEditFixAnswerRecord : public QDialog {
  Q_OBJECT

 public:
  // The panel "0" means a new record: caption "Add answer record", every box empty,
  // no panel selected, black, Ok disabled. Any other panel: "Modify answer record"
  // with the values shown (a colour the list lacks is added to it).
  TFormEditFixAnswerRecord(const QString& panel, const QString& mask, const QString& result, const QString& text,
                           model::TColor color, QWidget* parent = nullptr);

  QString Panel() const;
  QString Mask() const;
  QString Result() const;
  QString Text() const;
  model::TColor Color() const;

  widgets::TFieldTypeComboBox* FieldTypeComboBoxPanelNumber = nullptr;
  widgets::TFieldTypeComboBox* FieldTypeComboBoxMask = nullptr;
  widgets::TFieldTypeComboBox* FieldTypeComboBoxResult = nullptr;
  widgets::TFieldTypeComboBox* FieldTypeComboBoxText = nullptr;
  QComboBox* ComboColorColor = nullptr;
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonCancel = nullptr;

 public slots:
  // Ok is enabled while a panel is selected and text, mask and result are filled.
  void ControlsChange();
  // Pads mask and result to 4 digits, then closes with OK.
  void ButtonOkClick();

 private:
  void CreateControls();
};

}  // namespace quorvel::editors
