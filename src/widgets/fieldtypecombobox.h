// SPDX-License-Identifier: MIT
#pragma once
// The text-entry control of the terminal window and the editors: a combo box
// that knows the text type of its value, swallows keys the type cannot hold,
// empties a pasted or chosen text that breaks the type, and (when Required)
// keeps the focus while it is empty.
#include <QComboBox>

#include "model/inputfilter.h"

namespace quorvel::widgets {

class TFieldTypeComboBox : public QComboBox {
  Q_OBJECT

 public:
  enum class TStyle {
    Simple,        // an edit line without a list
    DropDown,      // editable, with a list
    DropDownList,  // the text can only be chosen from the list
  };

  explicit TFieldTypeComboBox(QWidget* parent = nullptr, TStyle style = TStyle::Simple);

  TStyle Style() const { return style_; }
  void SetStyle(TStyle style);

  // The text type; ftdBool also sets the maximum length to 1 (a later
  // SetMaxLength replaces it). Codes 8 and 9, like 0, filter nothing.
  model::TFldType FldType() const { return fldType_; }
  void SetFldType(model::TFldType type);
  void SetFldType(int textTypeCode) { SetFldType(static_cast<model::TFldType>(textTypeCode)); }

  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }

  // Most characters the text may hold; 0 = no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength);

  // The text as the program assigns it (not checked); in the drop-down-list
  // style a text that is not an item selects nothing.
  QString Text() const { return currentText(); }
  void SetText(const QString& text);

  // The simple style has no list to show.
  void showPopup() override;

 signals:
  // After the change check, for every change the user made.
  void UserTextChanged(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void UserChangedText(const QString& text);
  bool MustKeepFocus() const;
  void ApplyMaxLength();
  void FitSimpleEditLine();

  TStyle style_ = TStyle::Simple;
  model::TFldType fldType_ = model::ftdAlphaNumeric;
  bool required_ = false;
  int maxLength_ = 0;
};

}  // namespace quorvel::widgets
