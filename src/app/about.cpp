// SPDX-License-Identifier: MIT
#include "app/about.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/pictures.h"
#include "quorvel_version.h"

namespace quorvel::app {

TVersionInfo ProgramVersionInfo() {
  return {QString::fromLatin1(kProductName), QString::fromLatin1(kVersion), QString::fromLatin1(kCompanyName),
          QString::fromLatin1(kCopyright)};
}

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About ..."));
  setModal(true);
  const TVersionInfo info = ProgramVersionInfo();

  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap::fromImage(ProgramImage(64)));
  LabelProductName = new QLabel(info.ProductName, this);
  QFont bold = LabelProductName->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  LabelProductName->setFont(bold);
  LabelFileVersion = new QLabel(info.FileVersion, this);
  LabelCompanyName = new QLabel(info.CompanyName, this);
  LabelLegalCopyright = new QLabel(info.LegalCopyright, this);
  ButtonOk = new QPushButton(QStringLiteral("OK"), this);
  ButtonOk->setDefault(true);
  connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(picture, 0, 0, 4, 1, Qt::AlignTop);
  layout->addWidget(LabelProductName, 0, 1);
  layout->addWidget(LabelFileVersion, 1, 1);
  layout->addWidget(LabelCompanyName, 2, 1);
  layout->addWidget(LabelLegalCopyright, 3, 1);
  layout->addWidget(ButtonOk, 4, 0, 1, 2, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quorvel::app
