// SPDX-License-Identifier: MIT
#pragma once
// Asks what to do when a command pasted or dropped into a group has the name of
// a command already there: overwrite it, give the copy a new name, or cancel.
#include <QDialog>

class QPushButton;

namespace quorvel::editors {

class TFormOverwriteNewCommand : public QDialog {
  Q_OBJECT

 public:
  // The dialog's results: Overwrite gives OK (1), New gives Yes (6), Cancel (also
  // Enter, Esc and closing the window) gives Cancel (2).
  enum TResult { ResultOk = 1, ResultCancel = 2, ResultYes = 6 };

  explicit TFormOverwriteNewCommand(QWidget* owner);

  QPushButton* ButtonOver() const { return buttonOver_; }
  QPushButton* ButtonNew() const { return buttonNew_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 public slots:
  // Esc and the close box end the dialog with Cancel.
  void reject() override;

 private:
  QPushButton* buttonOver_ = nullptr;
  QPushButton* buttonNew_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
};

}  // namespace quorvel::editors
