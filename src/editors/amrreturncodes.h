// SPDX-License-Identifier: MIT
#pragma once
// TFormEditReturnCode: the return-code table of one terminal file in a grid, with
// Add, Modify and Remove through TFormRcRecord. Every change is in the file at once.
#include <QDialog>
#include <string>

#include "model/answertables.h"

class QPushButton;
class QTableWidget;

namespace quorvel::widgets {
class TPrompts;
}

namespace quorvel::editors {

class TFormEditReturnCode : public QDialog {
  Q_OBJECT

 public:
  // Loads the table of fileName (FormCreate); message boxes go through prompts.
  TFormEditReturnCode(const std::string& fileName, widgets::TPrompts& prompts, QWidget* parent = nullptr);

  const model::TReturnCodeTable& Table() const { return table_; }

  QTableWidget* StringGridRc = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonModify = nullptr;
  QPushButton* ButtonRemove = nullptr;
  QPushButton* ButtonClose = nullptr;

 public slots:
  void ButtonAddClick();
  void ButtonModifyClick();
  void ButtonRemoveClick();
  void ButtonCloseClick();
  void StringGridRcDblClick();

 private:
  void CreateControls();
  void FormCreate();
  // Shows the table (one empty row when it has no entry) and selects `row`.
  void ShowRows(int row);
  int CurrentRow() const;
  // Runs one change of the table; a refusal is shown in an error box.
  template <typename TChange>
  void Change(TChange change);

  widgets::TPrompts& prompts_;
  model::TReturnCodeTable table_;
};

}  // namespace quorvel::editors
