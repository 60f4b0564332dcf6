// SPDX-License-Identifier: MIT
#pragma once
// Small conversions the editor dialogs share: stored bytes to Qt text and back
// (Latin-1), memo lines, and "short|long" hints.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

namespace quorvel::editors {

inline QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

// One line per item.
inline QString JoinLines(const std::vector<std::string>& lines) {
  QStringList texts;
  for (const std::string& line : lines) texts << FromBytes(line);
  return texts.join(QLatin1Char('\n'));
}

// The lines of a memo: none for an empty memo; a line break at the very end
// does not start another line.
inline std::vector<std::string> SplitLines(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  QStringList parts = text.split(QLatin1Char('\n'));
  if (parts.size() > 1 && parts.back().isEmpty()) parts.removeLast();
  for (const QString& part : parts) lines.push_back(ToBytes(part));
  return lines;
}

// A "short|long" hint: the short part as tooltip, the long part for the status bar.
inline void SetHint(QWidget* widget, const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  widget->setToolTip(bar < 0 ? hint : hint.left(bar));
  widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

}  // namespace quorvel::editors
