// SPDX-License-Identifier: MIT
#pragma once
// The dialog of one command field: mode, caption, hint, text type, default
// text, control type, the three number boxes, the flags, the combo box lines
// and (for field 1) the command's notes. It writes nothing itself; its opener
// reads the record after OK.
#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

#include "model/fieldrecords.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quorvel::widgets {
class TFieldTypeComboBox;
}

namespace quorvel::editors {

class TFormEditCommandRecord : public QDialog {
  Q_OBJECT

 public:
  // A new field; `first` when it will be field 1 (only then Mode and Notes can be changed).
  TFormEditCommandRecord(QWidget* owner, bool first);
  // The stored field number `fieldNumber` with its items and, for field 1, the notes.
  TFormEditCommandRecord(QWidget* owner, int fieldNumber, const model::TCommandField& field,
                         const std::vector<std::string>& items,
                         const std::vector<std::string>& notes);

  // The mode of a later field follows field 1; the box stays disabled.
  void SetMode(int mode);

  // What the dialog gives back: the numbers normalised (text that is not an
  // integer gives 0), the lines of the two memos (none when a memo is empty).
  model::TCommandField Field() const;
  std::vector<std::string> ItemLines() const;
  std::vector<std::string> NoteLines() const;

  // The controls, named as in the window definition.
  widgets::TFieldTypeComboBox* FieldTypeComboBoxMode() const { return mode_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxCaption() const { return caption_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxHint() const { return hint_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxTextType() const { return textType_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxDefaultText() const { return defaultText_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxControlType() const { return controlType_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxMinLength() const { return minLength_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxMaxLength() const { return maxLength_; }
  widgets::TFieldTypeComboBox* FieldTypeComboBoxDecimal() const { return decimal_; }
  QListWidget* CheckListBoxOther() const { return other_; }
  QPlainTextEdit* MemoComboLines() const { return comboLines_; }
  QPlainTextEdit* MemoNotes() const { return notes_; }
  QPushButton* ButtonOk() const { return buttonOk_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 private:
  void CreateWidgets();
  // The type rule for the selected types; the opening variant keeps the stored values.
  void ApplyTypeRule(bool opening, const model::TCommandField* stored = nullptr);
  void FieldTypeComboBoxTextTypeChange();
  void FieldTypeComboBoxControlTypeChange();
  void ValidateComboData();
  void SetFirst(bool first);

  widgets::TFieldTypeComboBox* mode_ = nullptr;
  widgets::TFieldTypeComboBox* caption_ = nullptr;
  widgets::TFieldTypeComboBox* hint_ = nullptr;
  widgets::TFieldTypeComboBox* textType_ = nullptr;
  widgets::TFieldTypeComboBox* defaultText_ = nullptr;
  widgets::TFieldTypeComboBox* controlType_ = nullptr;
  widgets::TFieldTypeComboBox* minLength_ = nullptr;
  widgets::TFieldTypeComboBox* maxLength_ = nullptr;
  widgets::TFieldTypeComboBox* decimal_ = nullptr;
  QListWidget* other_ = nullptr;
  QPlainTextEdit* comboLines_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  QPushButton* buttonOk_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
  bool applyingRule_ = false;
};

}  // namespace quorvel::editors
