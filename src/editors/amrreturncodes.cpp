// SPDX-License-Identifier: MIT
#include "editors/amrreturncodes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "editors/dialogparts.h"
#include "editors/editrcrecord.h"
#include "model/errors.h"
#include "widgets/prompts.h"

namespace quorvel::editors {
namespace {

const QString kErrorTitle = QStringLiteral(" E R R O R ");
const QString kWarningTitle = QStringLiteral(" W A R N I N G ");

}  // namespace

TFormEditReturnCode::TFormEditReturnCode(const std::string& fileName, widgets::TPrompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts), table_(fileName) {
  CreateControls();
  FormCreate();
}

void TFormEditReturnCode::CreateControls() {
  setWindowTitle(tr("Edit return codes"));
  StringGridRc = new QTableWidget(this);
  StringGridRc->setObjectName(QStringLiteral("StringGridRc"));
  StringGridRc->setToolTip(tr("Return code text descriptions"));
  StringGridRc->setColumnCount(2);
  StringGridRc->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGridRc->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGridRc->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGridRc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  StringGridRc->verticalHeader()->hide();
  StringGridRc->setFixedSize(440, 260);

  ButtonAdd = NewDialogButton(this, tr("&Add"), tr("Add new return code"), "ButtonAdd");
  ButtonModify = NewDialogButton(this, tr("&Modify"), tr("Modify return code"), "ButtonModify");
  ButtonRemove = NewDialogButton(this, tr("&Remove"), tr("Remove return code"), "ButtonRemove");
  ButtonClose = NewDialogButton(this, tr("&Close"), tr("Close dialog"), "ButtonClose");
  ButtonClose->setDefault(true);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ButtonAdd);
  buttons->addWidget(ButtonModify);
  buttons->addWidget(ButtonRemove);
  buttons->addStretch();
  buttons->addWidget(ButtonClose);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(StringGridRc);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ButtonAdd, &QPushButton::clicked, this, &TFormEditReturnCode::ButtonAddClick);
  connect(ButtonModify, &QPushButton::clicked, this, &TFormEditReturnCode::ButtonModifyClick);
  connect(ButtonRemove, &QPushButton::clicked, this, &TFormEditReturnCode::ButtonRemoveClick);
  connect(ButtonClose, &QPushButton::clicked, this, &TFormEditReturnCode::ButtonCloseClick);
  connect(StringGridRc, &QTableWidget::cellDoubleClicked, this, &TFormEditReturnCode::StringGridRcDblClick);
}

void TFormEditReturnCode::FormCreate() {
  StringGridRc->setHorizontalHeaderLabels({tr("R.C. number"), tr("Description text")});
  StringGridRc->setColumnWidth(0, 90);
  StringGridRc->setColumnWidth(1, 326);
  ShowRows(0);
}

void TFormEditReturnCode::ShowRows(int row) {
  const auto& rows = table_.Rows();
  StringGridRc->clearContents();
  StringGridRc->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    StringGridRc->setItem(static_cast<int>(i), 0, new QTableWidgetItem(FromBytes(rows[i].Code)));
    StringGridRc->setItem(static_cast<int>(i), 1, new QTableWidgetItem(FromBytes(rows[i].Description)));
  }
  const bool any = !rows.empty();
  ButtonModify->setEnabled(any);
  ButtonRemove->setEnabled(any);
  StringGridRc->selectRow(std::clamp(row, 0, StringGridRc->rowCount() - 1));
}

int TFormEditReturnCode::CurrentRow() const { return std::max(0, StringGridRc->currentRow()); }

template <typename TChange>
void TFormEditReturnCode::Change(TChange change) {
  try {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    change();
    QApplication::restoreOverrideCursor();
  } catch (const std::exception& error) {
    QApplication::restoreOverrideCursor();
    widgets::ShowError(prompts_, this, QString::fromLatin1(error.what()), kErrorTitle);
  }
}

void TFormEditReturnCode::ButtonAddClick() {
  TFormRcRecord dialog(this);
  if (dialog.exec() == QDialog::Accepted) {
    Change([&] {
      table_.Add(ToBytes(dialog.Code()), ToBytes(dialog.Description()));
      const auto row = table_.Find(ToBytes(dialog.Code()));
      ShowRows(static_cast<int>(row.value_or(0)));
    });
  }
  StringGridRc->setFocus();
}

void TFormEditReturnCode::ButtonModifyClick() {
  if (table_.Rows().empty()) return;
  const int row = CurrentRow();
  const model::TReturnCodeEntry& entry = table_.Rows().at(static_cast<std::size_t>(row));
  TFormRcRecord dialog(FromBytes(entry.Code), FromBytes(entry.Description), this);
  if (dialog.exec() == QDialog::Accepted) {
    Change([&] {
      table_.Modify(static_cast<std::size_t>(row), ToBytes(dialog.Code()), ToBytes(dialog.Description()));
      const auto moved = table_.Find(ToBytes(dialog.Code()));
      ShowRows(static_cast<int>(moved.value_or(0)));
    });
  }
  StringGridRc->setFocus();
}

void TFormEditReturnCode::ButtonRemoveClick() {
  if (table_.Rows().empty()) return;
  const int row = CurrentRow();
  const QString code = FromBytes(table_.Rows().at(static_cast<std::size_t>(row)).Code);
  if (prompts_.Message(this, widgets::TPromptIcon::Warning, kWarningTitle,
                       tr("Do you wish to delete return code ") + code,
                       widgets::TPromptButtons::OkCancel) == widgets::TPromptResult::Ok) {
    Change([&] {
      table_.Remove(static_cast<std::size_t>(row));
      ShowRows(row);
    });
  }
  StringGridRc->setFocus();
}

void TFormEditReturnCode::ButtonCloseClick() { accept(); }

void TFormEditReturnCode::StringGridRcDblClick() {
  if (table_.Rows().empty())
    ButtonAddClick();
  else
    ButtonModifyClick();
}

}  // namespace quorvel::editors
