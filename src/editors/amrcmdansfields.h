// SPDX-License-Identifier: MIT
#pragma once
// The editor of one command's two field lists: its command fields and its
// answer fields, each in a grid, added, modified and removed through the record
// dialogs. Every change is in the terminal file at once; Close only closes.
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/fieldrecords.h"
#include "model/fileedit.h"

class QPushButton;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace quorvel::widgets {
class TPrompts;
}

namespace quorvel::editors {

// A command field as its dialog gives it back, with its combo items and (field 1) notes.
using TCommandRecord = model::TCommandFieldEntry;

// How the field list editor asks for a record: the real dialogs, or answers
// prepared by a test.
class TRecordDialogs {
 public:
  virtual ~TRecordDialogs() = default;
  // A new command field (`first`: it will be field 1; otherwise the mode is
  // `mode`, fixed), or the stored field `fieldNumber` when `stored` is given.
  // nullopt when cancelled.
  virtual std::optional<TCommandRecord> EditCommandRecord(QWidget* owner, int fieldNumber, bool first,
                                                          int mode, const TCommandRecord* stored) = 0;
  // A new answer field, or the stored field `fieldNumber` when `stored` is given.
  virtual std::optional<model::TAnswerField> EditAnswerRecord(QWidget* owner, int fieldNumber,
                                                              const model::TAnswerField* stored) = 0;
};

// TFormEditCommandRecord and TFormEditAnswerRecord, shown modally.
class TDialogRecordDialogs final : public TRecordDialogs {
 public:
  std::optional<TCommandRecord> EditCommandRecord(QWidget* owner, int fieldNumber, bool first, int mode,
                                                  const TCommandRecord* stored) override;
  std::optional<model::TAnswerField> EditAnswerRecord(QWidget* owner, int fieldNumber,
                                                      const model::TAnswerField* stored) override;
};

class TFormEditCmdAns : public QDialog {
  Q_OBJECT

 public:
  // Called after every change the editor made to the file.
  using TChanged = std::function<void(const std::string& before, const std::string& after)>;

  TFormEditCmdAns(QWidget* owner, const std::string& fileName, const std::string& section,
                  widgets::TPrompts& prompts, TRecordDialogs& dialogs, TChanged changed = {});

  QTabWidget* PageControl() const { return pageControl_; }
  QWidget* TabSheetCommands() const { return tabSheetCommands_; }
  QWidget* TabSheetAnswers() const { return tabSheetAnswers_; }
  QTableWidget* StringGridCommands() const { return gridCommands_; }
  QTableWidget* StringGridAnswers() const { return gridAnswers_; }
  QPushButton* ButtonAdd() const { return buttonAdd_; }
  QPushButton* ButtonModify() const { return buttonModify_; }
  QPushButton* ButtonRemove() const { return buttonRemove_; }
  QPushButton* ButtonClose() const { return buttonClose_; }

 public slots:
  void ButtonAddClick();
  void ButtonModifyClick();
  void ButtonRemoveClick();
  void ButtonCloseClick();

 private:
  bool OnCommandsPage() const;
  QTableWidget* ShownGrid() const;
  // Reads the shown page's list from the file and fills its grid.
  void LoadShownPage();
  void LoadCommands();
  void LoadAnswers();
  void FillCommandRow(int row, const model::TCommandField& field);
  void FillAnswerRow(int row, const model::TAnswerField& field);
  void SetRowButtons(bool hasFields);
  void ShowError(const QString& text);
  // Runs one operation of the edit layer; a refusal is shown. The grid is read again.
  bool Change(const std::function<model::TEditResult()>& change);

  void AddCommand();
  void AddAnswer();
  void ModifyCommand(int row);
  void ModifyAnswer(int row);
  void GridDoubleClick();

  std::string fileName_;
  std::string section_;
  widgets::TPrompts& prompts_;
  TRecordDialogs& dialogs_;
  TChanged changed_;
  model::TTerminalFileEditor editor_;
  std::vector<model::TCommandField> commands_;
  std::vector<model::TAnswerField> answers_;

  QTabWidget* pageControl_ = nullptr;
  QWidget* tabSheetCommands_ = nullptr;
  QWidget* tabSheetAnswers_ = nullptr;
  QTableWidget* gridCommands_ = nullptr;
  QTableWidget* gridAnswers_ = nullptr;
  QPushButton* buttonAdd_ = nullptr;
  QPushButton* buttonModify_ = nullptr;
  QPushButton* buttonRemove_ = nullptr;
  QPushButton* buttonClose_ = nullptr;
};

}  // namespace quorvel::editors
