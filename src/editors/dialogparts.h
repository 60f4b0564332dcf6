// SPDX-License-Identifier: MIT
#pragma once
// Small parts the editors' dialogs share: their push buttons and the Latin-1 edge
// between the terminal file's bytes and the widgets' texts.
#include <QString>
#include <string>

class QPushButton;
class QWidget;

namespace quorvel::editors {

// A button that never takes Enter for itself (the dialog's default button does).
QPushButton* NewDialogButton(QWidget* parent, const QString& caption, const QString& hint, const char* name);

QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);

}  // namespace quorvel::editors
