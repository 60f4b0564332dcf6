// SPDX-License-Identifier: MIT
#pragma once
// The dialog of one answer field: caption, text type and, for Currency, the
// decimal digits. It writes nothing itself; its opener reads the record after OK.
#include <QDialog>

#include "model/fieldrecords.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quorvel::widgets {
class TFieldTypeComboBox;
}

namespace quorvel::editors {

class TFormEditAnswerRecord : public QDialog {
  Q_OBJECT

 public:
  // A new field.
  explicit TFormEditAnswerRecord(QWidget* owner);
  // The stored answer field `fieldNumber`.
  TFormEditAnswerRecord(QWidget* owner, int fieldNumber, const model::TAnswerField& field);

  // The record: decimal digits only for Currency (text that is not an integer,
  // or an empty box, gives 0), 0 for every other type.
  model::TAnswerField Field() const;

  QLineEdit* EditCaption() const { return caption_; }
  QComboBox* ComboBoxFormat() const { return format_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxDecimal() const { return decimal_; }
  QPushButton* ButtonOk() const { return buttonOk_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 protected:
  // Neither Enter nor Esc closes this dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateWidgets();
  void ComboBoxFormatChange();

  QLineEdit* caption_ = nullptr;
  QComboBox* format_ = nullptr;
  widgets::TFieldTypeComboBox* decimal_ = nullptr;
  QPushButton* buttonOk_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
};

}  // namespace quorvel::editors
