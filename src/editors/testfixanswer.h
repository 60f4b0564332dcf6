// SPDX-License-Identifier: MIT
#pragma once
// TFormTestFixedAnswer: two status words typed in hexadecimal, for the terminal
// window to decode without a printer. Test is enabled while both boxes are filled.
#include <QDialog>
#include <cstdint>

class QPushButton;

namespace quorvel::widgets {
class TFieldTypeComboBox;
}

namespace quorvel::editors {

class TFormTestFixedAnswer : public QDialog {
  Q_OBJECT

 public:
  explicit TFormTestFixedAnswer(QWidget* parent = nullptr);

  // The typed words (1 to 4 hexadecimal digits, either case); 0 for an empty box.
  std::uint16_t FiscalWord() const;
  std::uint16_t PrinterWord() const;

  widgets::TFieldTypeComboBox* FieldTypeComboBoxFiscal = nullptr;
  widgets::TFieldTypeComboBox* FieldTypeComboBoxPrinter = nullptr;
  QPushButton* ButtonTest = nullptr;
  QPushButton* ButtonCancel = nullptr;

 public slots:
  void FieldTypeComboBoxChange();
};

}  // namespace quorvel::editors
