// SPDX-License-Identifier: MIT
#include "editors/overnewdlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "editors/editorsupport.h"

namespace quorvel::editors {

TFormOverwriteNewCommand::TFormOverwriteNewCommand(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("FormOverwriteNewCommand"));
  setWindowTitle(QStringLiteral("Warning"));

  auto* picture = new QLabel;
  picture->setObjectName(QStringLiteral("ImageWarning"));
  const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
  auto* text = new QLabel(QStringLiteral("Command already exists, choose action"));
  text->setObjectName(QStringLiteral("LabelText"));

  struct TButton {
    QPushButton** button;
    const char* name;
    const char* caption;
    const char* hint;
    int result;
  };
  const TButton entries[] = {
      {&buttonOver_, "ButtonOver", "&Overwrite", "Overwrite command name", ResultOk},
      {&buttonNew_, "ButtonNew", "&New", "New command name", ResultYes},
      {&buttonCancel_, "ButtonCancel", "&Cancel", "Cancel paste", ResultCancel},
  };
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (const TButton& entry : entries) {
    auto* button = new QPushButton(QString::fromLatin1(entry.caption));
    button->setObjectName(QString::fromLatin1(entry.name));
    SetHint(button, QString::fromLatin1(entry.hint));
    button->setAutoDefault(false);
    const int result = entry.result;
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    buttons->addWidget(button);
    *entry.button = button;
  }
  // Enter chooses Cancel, wherever the focus is.
  buttonCancel_->setDefault(true);
  buttonCancel_->setFocus();

  auto* message = new QHBoxLayout;
  message->addWidget(picture);
  message->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(message);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormOverwriteNewCommand::reject() { done(ResultCancel); }

}  // namespace quorvel::editors
