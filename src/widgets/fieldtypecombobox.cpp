// SPDX-License-Identifier: MIT
#include "widgets/fieldtypecombobox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionFrame>

namespace quorvel::widgets {

using model::ftdBool;
using model::TFldType;

namespace {

// QLineEdit's own limit, which stands for "no limit".
constexpr int kNoLimit = 32767;

}  // namespace

TFieldTypeComboBox::TFieldTypeComboBox(QWidget* parent, TStyle style) : QComboBox(parent) {
  setInsertPolicy(QComboBox::NoInsert);
  SetStyle(style);
}

void TFieldTypeComboBox::SetStyle(TStyle style) {
  style_ = style;
  const bool editable = style != TStyle::DropDownList;
  setEditable(editable);
  if (editable) {
    connect(lineEdit(), &QLineEdit::textEdited, this, &TFieldTypeComboBox::UserChangedText,
            Qt::UniqueConnection);
    ApplyMaxLength();
  }
  // Choosing a list item is a change by the user as well.
  connect(this, &QComboBox::textActivated, this, &TFieldTypeComboBox::UserChangedText,
          Qt::UniqueConnection);
}

void TFieldTypeComboBox::showPopup() {
  if (style_ != TStyle::Simple) QComboBox::showPopup();
}

// The simple style looks like an edit line: the frame of one, and the edit
// line over the whole control where the arrow would be.
void TFieldTypeComboBox::paintEvent(QPaintEvent* event) {
  if (style_ != TStyle::Simple) {
    QComboBox::paintEvent(event);
    return;
  }
  QPainter painter(this);
  QStyleOptionFrame option;
  option.initFrom(this);
  option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
}

void TFieldTypeComboBox::resizeEvent(QResizeEvent* event) {
  QComboBox::resizeEvent(event);
  FitSimpleEditLine();
}

void TFieldTypeComboBox::showEvent(QShowEvent* event) {
  QComboBox::showEvent(event);
  FitSimpleEditLine();
}

void TFieldTypeComboBox::FitSimpleEditLine() {
  if (style_ != TStyle::Simple || lineEdit() == nullptr) return;
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  lineEdit()->setGeometry(rect().adjusted(frame + 1, frame, -frame - 1, -frame));
}

void TFieldTypeComboBox::SetFldType(TFldType type) {
  fldType_ = type;
  if (type == ftdBool) SetMaxLength(ImpliedMaxLength(type));
}

void TFieldTypeComboBox::SetMaxLength(int maxLength) {
  maxLength_ = maxLength < 0 ? 0 : maxLength;
  ApplyMaxLength();
}

void TFieldTypeComboBox::ApplyMaxLength() {
  if (lineEdit() == nullptr) return;
  lineEdit()->setMaxLength(maxLength_ == 0 || maxLength_ > kNoLimit ? kNoLimit : maxLength_);
}

void TFieldTypeComboBox::SetText(const QString& text) {
  if (isEditable()) {
    setEditText(text);
  } else {
    setCurrentIndex(findText(text));
  }
}

void TFieldTypeComboBox::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  // Shortcuts (paste, cut, ...) are not typed characters; their result goes
  // through the change check.
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
  // The Delete key carries the text 0x7F on some desktops; it edits, it types nothing.
  const bool editingKey = event->key() == Qt::Key_Delete;
  if (!isEditable() || typed.size() != 1 || shortcut || editingKey) {
    QComboBox::keyPressEvent(event);
    return;
  }
  // A character outside Latin-1 cannot be sent over the 8-bit line: refused.
  if (typed.at(0).unicode() > 0xFF) {
    event->accept();
    return;
  }
  const std::string current = currentText().toLatin1().toStdString();
  const std::optional<char32_t> key = FilterKey(fldType_, typed.at(0).unicode(), current);
  if (!key) {
    event->accept();  // swallowed: nothing is inserted
    return;
  }
  if (*key == typed.at(0).unicode()) {
    QComboBox::keyPressEvent(event);
    return;
  }
  QKeyEvent changed(event->type(), event->key(), event->modifiers(),
                    QString(QChar(static_cast<char16_t>(*key))), event->isAutoRepeat(),
                    static_cast<quint16>(event->count()));
  QComboBox::keyPressEvent(&changed);
  event->setAccepted(changed.isAccepted());
}

// The change check: a text that breaks the type's character rule is emptied.
void TFieldTypeComboBox::UserChangedText(const QString& text) {
  QString checked = text;
  const QByteArray bytes = text.toLatin1();
  // A character outside Latin-1 cannot be sent; it breaks every rule.
  const bool representable = QString::fromLatin1(bytes) == text;
  if (!representable || !TextFits(fldType_, std::string_view(bytes.constData(), bytes.size()))) {
    checked.clear();
    if (isEditable()) {
      lineEdit()->setText(checked);
    } else {
      setCurrentIndex(-1);
    }
  }
  emit UserTextChanged(checked);
}

// Only a control the user can fill holds the focus: a drop-down list without
// items would otherwise trap it for good.
bool TFieldTypeComboBox::MustKeepFocus() const {
  const bool fillable = isEditable() || count() > 0;
  return required_ && fillable && isEnabled() && isVisible() && currentText().isEmpty();
}

bool TFieldTypeComboBox::focusNextPrevChild(bool next) {
  if (MustKeepFocus()) return true;  // Tab and Backtab stay here
  return QComboBox::focusNextPrevChild(next);
}

// The exit check: moving to another control of the same window while a
// required control is empty takes the focus back and reports no exit.
// Switching to another window, or opening a popup, lets the focus go.
void TFieldTypeComboBox::focusOutEvent(QFocusEvent* event) {
  const Qt::FocusReason reason = event->reason();
  const bool movesInsideWindow = reason == Qt::TabFocusReason ||
                                 reason == Qt::BacktabFocusReason ||
                                 reason == Qt::MouseFocusReason ||
                                 reason == Qt::ShortcutFocusReason;
  QWidget* next = QApplication::focusWidget();
  if (movesInsideWindow && MustKeepFocus() && next != nullptr && next != this &&
      next->window() == window()) {
    setFocus(Qt::OtherFocusReason);
    return;
  }
  QComboBox::focusOutEvent(event);
}

}  // namespace quorvel::widgets
