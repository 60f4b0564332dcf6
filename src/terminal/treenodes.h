// SPDX-License-Identifier: MIT
#pragma once
// The command tree's nodes: each keeps the stored bytes of its group or command
// name, shown as Latin-1 text.
#include <QByteArray>
#include <QString>
#include <QTreeWidgetItem>
#include <string>

namespace quorvel::terminal {

// Item data of the tree nodes: the stored bytes of the group or command name.
inline constexpr int kNameRole = Qt::UserRole;

inline QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

inline void SetNodeName(QTreeWidgetItem* node, const std::string& name) {
  node->setText(0, FromBytes(name));
  node->setData(0, kNameRole, QByteArray::fromStdString(name));
}

inline QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& name) {
  auto* node = new QTreeWidgetItem(parent);
  SetNodeName(node, name);
  return node;
}

inline std::string NodeName(const QTreeWidgetItem* node) {
  return node->data(0, kNameRole).toByteArray().toStdString();
}

}  // namespace quorvel::terminal
