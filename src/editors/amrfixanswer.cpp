// SPDX-License-Identifier: MIT
#include "editors/amrfixanswer.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "editors/dialogparts.h"
#include "editors/editfixanswerrecord.h"
#include "model/errors.h"
#include "widgets/prompts.h"

namespace quorvel::editors {
TFormEditFixAnswer::TFormEditFixAnswer(const std::string& fileName, widgets::TPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      prompts_(prompts),
      sections_{model::TFixedAnswerSection(fileName, std::string(model::kSectionFiscalAnswer)),
                model::TFixedAnswerSection(fileName, std::string(model::kSectionPrinterAnswer))} {
  setWindowTitle(tr("Fix answer fields"));
  PageControl = new QTabWidget(this);
  TabSheetFiscalAnswer = new QWidget;
  TabSheetPrinterAnswer = new QWidget;
  StringGridFiscal = NewGrid(TabSheetFiscalAnswer, "StringGridFiscal", tr("Fiscal answer fields definitions"));
  StringGridPrinter = NewGrid(TabSheetPrinterAnswer, "StringGridPrinter", tr("Printer answer fields definitions"));
  PageControl->addTab(TabSheetFiscalAnswer, tr("&Fiscal"));
  PageControl->addTab(TabSheetPrinterAnswer, tr("&Printer"));
  PageControl->setTabToolTip(0, tr("Fiscal answer fields definitions"));
  PageControl->setTabToolTip(1, tr("Printer answer fields definitions"));

  ButtonAdd = NewDialogButton(this, tr("&Add"), tr("Add new answer record"), "ButtonAdd");
  ButtonModify = NewDialogButton(this, tr("&Modify"), tr("Modify selected answer record "), "ButtonModify");
  ButtonRemove = NewDialogButton(this, tr("&Remove"), tr("Remove selected answer record"), "ButtonRemove");
  ButtonClose = NewDialogButton(this, tr("&Close"), tr("Close dialog"), "ButtonClose");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonAdd);
  buttons->addWidget(ButtonModify);
  buttons->addWidget(ButtonRemove);
  buttons->addStretch();
  buttons->addWidget(ButtonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ButtonAdd, &QPushButton::clicked, this, &TFormEditFixAnswer::ButtonAddClick);
  connect(ButtonModify, &QPushButton::clicked, this, &TFormEditFixAnswer::ButtonModifyClick);
  connect(ButtonRemove, &QPushButton::clicked, this, &TFormEditFixAnswer::ButtonRemoveClick);
  connect(ButtonClose, &QPushButton::clicked, this, &TFormEditFixAnswer::ButtonCloseClick);
  for (QTableWidget* grid : {StringGridFiscal, StringGridPrinter})
    connect(grid, &QTableWidget::cellDoubleClicked, this, &TFormEditFixAnswer::StringGridDblClick);
  connect(PageControl, &QTabWidget::currentChanged, this, &TFormEditFixAnswer::PageControlChange);
  PageControlChange(0);
}

QTableWidget* TFormEditFixAnswer::NewGrid(QWidget* page, const char* name, const QString& hint) {
  auto* grid = new QTableWidget(page);
  grid->setObjectName(QString::fromLatin1(name));
  grid->setToolTip(hint);
  grid->setColumnCount(5);
  grid->setHorizontalHeaderLabels({tr("Panel"), tr("Mask"), tr("Result"), tr("Text on true"), tr("Text color")});
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->hide();
  grid->setColumnWidth(3, 180);
  grid->setFixedSize(560, 280);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(grid);
  return grid;
}

int TFormEditFixAnswer::Tab() const { return std::max(0, PageControl->currentIndex()); }
QTableWidget* TFormEditFixAnswer::Grid() const { return Tab() == 0 ? StringGridFiscal : StringGridPrinter; }
const model::TFixedAnswerSection& TFormEditFixAnswer::Section() const {
  return sections_[static_cast<std::size_t>(Tab())];
}
model::TFixedAnswerSection& TFormEditFixAnswer::Section() { return sections_[static_cast<std::size_t>(Tab())]; }
int TFormEditFixAnswer::CurrentRow() const { return std::max(0, Grid()->currentRow()); }

void TFormEditFixAnswer::PageControlChange(int) {
  Section().Reload();
  ShowRows(0);
}

void TFormEditFixAnswer::ShowRows(int row) {
  QTableWidget* grid = Grid();
  const auto& rows = Section().Rows();
  grid->clearContents();
  grid->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const model::TFixedAnswerRow& record = rows[i];
    int column = 0;
    for (const std::string* cell : {&record.Panel, &record.Mask, &record.Result, &record.Text, &record.Color})
      grid->setItem(static_cast<int>(i), column++, new QTableWidgetItem(FromBytes(*cell)));
  }
  const bool any = !rows.empty();
  ButtonModify->setEnabled(any);
  ButtonRemove->setEnabled(any);
  grid->selectRow(std::clamp(row, 0, grid->rowCount() - 1));
}

void TFormEditFixAnswer::EditRecord(int row) {
  model::TFixedAnswerRow shown{"0", "", "", "", "clBlack"};
  model::TColor color = model::clBlack;
  if (row >= 0) {
    shown = Section().Rows().at(static_cast<std::size_t>(row));
    try {
      color = model::StringToColor(shown.Color);
    } catch (const model::TConvertError&) {
      color = model::clBlack;  // a hand-edited colour that is no colour: the user picks one
    }
  }
  TFormEditFixAnswerRecord dialog(FromBytes(shown.Panel), FromBytes(shown.Mask), FromBytes(shown.Result),
                                  FromBytes(shown.Text), color, this);
  if (row >= 0 && shown.Panel == "0") dialog.setWindowTitle(tr("Modify answer record"));
  if (dialog.exec() == QDialog::Accepted) {
    try {
      const model::TFixedAnswerRow record =
          model::MakeFixedAnswerRow(ToBytes(dialog.Panel()), ToBytes(dialog.Mask()), ToBytes(dialog.Result()),
                                    ToBytes(dialog.Text()), dialog.Color());
      if (row < 0) {
        Section().Add(record);
        row = static_cast<int>(Section().Rows().size()) - 1;
      } else {
        Section().Modify(static_cast<std::size_t>(row), record);
      }
      ShowRows(row);
    } catch (const std::exception& error) {
      widgets::ShowError(prompts_, this, QString::fromLatin1(error.what()));
    }
  }
  Grid()->setFocus();
}

void TFormEditFixAnswer::ButtonAddClick() { EditRecord(-1); }

void TFormEditFixAnswer::ButtonModifyClick() {
  if (Section().Rows().empty()) return;
  EditRecord(CurrentRow());
}

void TFormEditFixAnswer::ButtonRemoveClick() {
  if (Section().Rows().empty()) return;
  const int row = CurrentRow();
  if (prompts_.Message(this, widgets::TPromptIcon::Warning, QStringLiteral(" W A R N I N G "),
                       tr("Do you wish to delete this field number?") + QLatin1Char(' ') + QString::number(row + 1),
                       widgets::TPromptButtons::OkCancel) == widgets::TPromptResult::Ok) {
    try {
      Section().Remove(static_cast<std::size_t>(row));
      ShowRows(row);
    } catch (const std::exception& error) {
      widgets::ShowError(prompts_, this, QString::fromLatin1(error.what()));
    }
  }
  Grid()->setFocus();
}

void TFormEditFixAnswer::ButtonCloseClick() { accept(); }

void TFormEditFixAnswer::StringGridDblClick() {
  if (Section().Rows().empty())
    ButtonAddClick();
  else
    ButtonModifyClick();
}

}  // namespace quorvel::editors
