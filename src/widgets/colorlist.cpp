// SPDX-License-Identifier: MIT
#include "widgets/colorlist.h"

#include <QIcon>
#include <QPixmap>
#include <QVariant>

#include "widgets/qtcolors.h"

namespace quorvel::widgets {
namespace {

QIcon Swatch(model::TColor value) {
  QPixmap swatch(16, 12);
  const QColor color = ToQColor(value);
  swatch.fill(color.isValid() ? color : QColor(Qt::transparent));
  return QIcon(swatch);
}

}  // namespace

QComboBox* NewColorList(QWidget* parent, const QString& hint) {
  auto* box = new QComboBox(parent);
  for (const model::TColorName& color : model::StandardColors()) {
    const std::string_view name = color.Name.substr(2);
    box->addItem(Swatch(color.Value), QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                 QVariant::fromValue(color.Value));
  }
  box->setToolTip(hint);
  return box;
}

void SelectColor(QComboBox* box, model::TColor value) {
  box->setCurrentIndex(box->findData(QVariant::fromValue(value)));
}

void SelectOrAddColor(QComboBox* box, model::TColor value) {
  if (box->findData(QVariant::fromValue(value)) < 0)
    box->addItem(Swatch(value), QString::fromStdString(model::ColorToString(value)), QVariant::fromValue(value));
  SelectColor(box, value);
}

std::optional<model::TColor> SelectedColor(const QComboBox* box) {
  if (box->currentIndex() < 0) return std::nullopt;
  return box->currentData().value<model::TColor>();
}

}  // namespace quorvel::widgets
