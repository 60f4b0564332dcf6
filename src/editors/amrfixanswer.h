// SPDX-License-Identifier: MIT
#pragma once
// TFormEditFixAnswer: the fixed-answer records of the fiscal-status and the
// printer-status word in two grids on two tabs, with Add, Modify and Remove through
// TFormEditFixAnswerRecord. Every change is in the file at once; showing a tab
// reloads its grid from the file.
#include <QDialog>
#include <array>
#include <string>

#include "model/answertables.h"

class QPushButton;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace quorvel::widgets {
class TPrompts;
}

namespace quorvel::editors {

class TFormEditFixAnswer : public QDialog {
  Q_OBJECT

 public:
  TFormEditFixAnswer(const std::string& fileName, widgets::TPrompts& prompts, QWidget* parent = nullptr);

  // The records of the tab that is shown.
  const model::TFixedAnswerSection& Section() const;

  QTabWidget* PageControl = nullptr;
  QWidget* TabSheetFiscalAnswer = nullptr;
  QWidget* TabSheetPrinterAnswer = nullptr;
  QTableWidget* StringGridFiscal = nullptr;
  QTableWidget* StringGridPrinter = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonModify = nullptr;
  QPushButton* ButtonRemove = nullptr;
  QPushButton* ButtonClose = nullptr;

 public slots:
  void ButtonAddClick();
  void ButtonModifyClick();
  void ButtonRemoveClick();
  void ButtonCloseClick();
  void StringGridDblClick();
  // Loads the grid of the tab that is now shown from the file.
  void PageControlChange(int tab);

 private:
  QTableWidget* NewGrid(QWidget* page, const char* name, const QString& hint);
  int Tab() const;
  QTableWidget* Grid() const;
  model::TFixedAnswerSection& Section();
  // Shows the records of the current tab (one empty row when it has none).
  void ShowRows(int row);
  int CurrentRow() const;
  // Opens the record dialog for row (-1: a new record); writes on OK.
  void EditRecord(int row);

  widgets::TPrompts& prompts_;
  std::array<model::TFixedAnswerSection, 2> sections_;
};

}  // namespace quorvel::editors
