// SPDX-License-Identifier: MIT
#include "editors/dialogparts.h"

#include <QPushButton>

namespace quorvel::editors {

QPushButton* NewDialogButton(QWidget* parent, const QString& caption, const QString& hint, const char* name) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) button->setToolTip(hint);
  button->setAutoDefault(false);
  return button;
}

QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace quorvel::editors
