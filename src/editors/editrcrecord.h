// SPDX-License-Identifier: MIT
#pragma once
// TFormRcRecord: one return code and its description, for Add and Modify of the
// return-code editor. Enter chooses Cancel; Ok needs both boxes filled.
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace quorvel::widgets {
class TFieldTypeComboBox;
}

namespace quorvel::editors {

class TFormRcRecord : public QDialog {
  Q_OBJECT

 public:
  // A new entry: caption "Add new return code", both boxes empty, Ok disabled.
  explicit TFormRcRecord(QWidget* parent = nullptr);
  // An existing entry: caption "Modify return code", the boxes filled.
  TFormRcRecord(const QString& code, const QString& description, QWidget* parent = nullptr);

  QString Code() const;
  QString Description() const;

  widgets::TFieldTypeComboBox* FieldTypeComboBoxRcNumber = nullptr;
  QLineEdit* EditText = nullptr;
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonCancel = nullptr;

 public slots:
  void FieldTypeComboBoxRcNumberChange();

 private:
  void CreateControls();
};

}  // namespace quorvel::editors
