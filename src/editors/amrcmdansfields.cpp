// SPDX-License-Identifier: MIT
#include "editors/amrcmdansfields.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "editors/editanswerrecord.h"
#include "editors/editcommandrecord.h"
#include "editors/editorsupport.h"
#include "model/convert.h"
#include "widgets/prompts.h"

namespace quorvel::editors {

namespace {

constexpr int kHeaderHeight = 24;
constexpr int kRowHeight = 20;

QTableWidget* MakeGrid(const QString& name, const QString& hint, const QStringList& headers,
                       const std::vector<int>& widths, bool resizable) {
  auto* grid = new QTableWidget(1, static_cast<int>(headers.size()));
  grid->setObjectName(name);
  SetHint(grid, hint);
  grid->setHorizontalHeaderLabels(headers);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid->horizontalHeader()->setFixedHeight(kHeaderHeight);
  grid->horizontalHeader()->setSectionResizeMode(resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
  grid->horizontalHeader()->setHighlightSections(false);
  for (std::size_t column = 0; column < widths.size(); ++column) {
    grid->setColumnWidth(static_cast<int>(column), widths[column]);
  }
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return grid;
}

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  auto* item = grid->item(row, column);
  if (item == nullptr) {
    grid->setItem(row, column, new QTableWidgetItem(text));
  } else {
    item->setText(text);
  }
}

// An empty list shows as one empty data row.
void ShowRows(QTableWidget* grid, int fields) {
  if (fields == 0) {
    grid->setRowCount(1);
    for (int column = 0; column < grid->columnCount(); ++column) SetCell(grid, 0, column, QString());
  } else {
    grid->setRowCount(fields);
  }
}

QString YesNo(bool flag) { return FromBytes(model::YesNoName(flag ? 1 : 0)); }

}  // namespace

// ---- the real record dialogs ----

std::optional<TCommandRecord> TDialogRecordDialogs::EditCommandRecord(QWidget* owner, int fieldNumber,
                                                                      bool first, int mode,
                                                                      const TCommandRecord* stored) {
  std::unique_ptr<TFormEditCommandRecord> dialog;
  if (stored != nullptr) {
    dialog = std::make_unique<TFormEditCommandRecord>(owner, fieldNumber, stored->Field, stored->Items,
                                                      stored->Notes);
  } else {
    dialog = std::make_unique<TFormEditCommandRecord>(owner, first);
    if (!first) dialog->SetMode(mode);
  }
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return TCommandRecord{dialog->Field(), dialog->ItemLines(), dialog->NoteLines()};
}

std::optional<model::TAnswerField> TDialogRecordDialogs::EditAnswerRecord(QWidget* owner, int fieldNumber,
                                                                          const model::TAnswerField* stored) {
  std::unique_ptr<TFormEditAnswerRecord> dialog =
      stored != nullptr ? std::make_unique<TFormEditAnswerRecord>(owner, fieldNumber, *stored)
                        : std::make_unique<TFormEditAnswerRecord>(owner);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return dialog->Field();
}

// ---- the editor ----

TFormEditCmdAns::TFormEditCmdAns(QWidget* owner, const std::string& fileName, const std::string& section,
                                 widgets::TPrompts& prompts, TRecordDialogs& dialogs, TChanged changed)
    : QDialog(owner),
      fileName_(fileName),
      section_(section),
      prompts_(prompts),
      dialogs_(dialogs),
      changed_(std::move(changed)),
      editor_(fileName) {
  setObjectName(QStringLiteral("FormEditCmdAns"));
  setWindowTitle(QStringLiteral("Edit ") + FromBytes(section_) + QStringLiteral(" commands and answers"));

  gridCommands_ = MakeGrid(QStringLiteral("StringGridCommands"), QStringLiteral("Commands fields"),
                           {QStringLiteral("Field number"), QStringLiteral("Mode"), QStringLiteral("Caption"),
                            QStringLiteral("Hint"), QStringLiteral("Text type"), QStringLiteral("Default text"),
                            QStringLiteral("Control type"), QStringLiteral("Max length"),
                            QStringLiteral("Required"), QStringLiteral("Read only"),
                            QStringLiteral("Min length"), QStringLiteral("Decimal digits"),
                            QStringLiteral("AutoIncrement")},
                           {90, 90, 90, 90, 90, 90, 90, 90, 119, 109, 87, 97, 402}, true);
  gridAnswers_ = MakeGrid(QStringLiteral("StringGridAnswers"), QStringLiteral("Answer Fields"),
                          {QStringLiteral("Field number"), QStringLiteral("Caption"), QStringLiteral("Text type"),
                           QStringLiteral("Format")},
                          {90, 136, 166, 197}, false);

  pageControl_ = new QTabWidget;
  pageControl_->setObjectName(QStringLiteral("PageControl"));
  tabSheetCommands_ = new QWidget;
  tabSheetCommands_->setObjectName(QStringLiteral("TabSheetCommands"));
  (new QVBoxLayout(tabSheetCommands_))->addWidget(gridCommands_);
  tabSheetAnswers_ = new QWidget;
  tabSheetAnswers_->setObjectName(QStringLiteral("TabSheetAnswers"));
  (new QVBoxLayout(tabSheetAnswers_))->addWidget(gridAnswers_);
  pageControl_->addTab(tabSheetCommands_, QStringLiteral("C&ommands"));
  pageControl_->addTab(tabSheetAnswers_, QStringLiteral("A&nswers"));

  struct TButton {
    QPushButton** button;
    const char* name;
    const char* caption;
    const char* hint;
  };
  const TButton entries[] = {
      {&buttonAdd_, "ButtonAdd", "&Add", "Add record"},
      {&buttonModify_, "ButtonModify", "&Modify", "Modify record"},
      {&buttonRemove_, "ButtonRemove", "&Remove", "Remove record"},
      {&buttonClose_, "ButtonClose", "&Close", "Close dialog"},
  };
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (const TButton& entry : entries) {
    auto* button = new QPushButton(QString::fromLatin1(entry.caption));
    button->setObjectName(QString::fromLatin1(entry.name));
    SetHint(button, QString::fromLatin1(entry.hint));
    button->setAutoDefault(false);
    buttons->addWidget(button);
    *entry.button = button;
  }
  buttonClose_->setDefault(true);  // Enter closes; Esc closes as the dialog's reject
  connect(buttonAdd_, &QPushButton::clicked, this, &TFormEditCmdAns::ButtonAddClick);
  connect(buttonModify_, &QPushButton::clicked, this, &TFormEditCmdAns::ButtonModifyClick);
  connect(buttonRemove_, &QPushButton::clicked, this, &TFormEditCmdAns::ButtonRemoveClick);
  connect(buttonClose_, &QPushButton::clicked, this, &TFormEditCmdAns::ButtonCloseClick);
  connect(gridCommands_, &QTableWidget::cellDoubleClicked, this, [this] { GridDoubleClick(); });
  connect(gridAnswers_, &QTableWidget::cellDoubleClicked, this, [this] { GridDoubleClick(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pageControl_, 1);
  layout->addLayout(buttons);
  resize(900, 420);

  LoadAnswers();
  LoadCommands();
  pageControl_->setCurrentWidget(tabSheetCommands_);
  // Every page shown re-reads its list from the file.
  connect(pageControl_, &QTabWidget::currentChanged, this, [this] { LoadShownPage(); });
  gridCommands_->setFocus();
}

bool TFormEditCmdAns::OnCommandsPage() const { return pageControl_->currentWidget() == tabSheetCommands_; }

QTableWidget* TFormEditCmdAns::ShownGrid() const { return OnCommandsPage() ? gridCommands_ : gridAnswers_; }

void TFormEditCmdAns::LoadShownPage() {
  if (OnCommandsPage()) {
    LoadCommands();
  } else {
    LoadAnswers();
  }
}

void TFormEditCmdAns::SetRowButtons(bool hasFields) {
  buttonModify_->setEnabled(hasFields);
  buttonRemove_->setEnabled(hasFields);
}

void TFormEditCmdAns::ShowError(const QString& text) { widgets::ShowError(prompts_, this, text); }

void TFormEditCmdAns::LoadCommands() {
  commands_ = editor_.ReadCommandFields(section_);
  ShowRows(gridCommands_, static_cast<int>(commands_.size()));
  for (std::size_t i = 0; i < commands_.size(); ++i) FillCommandRow(static_cast<int>(i), commands_[i]);
  if (OnCommandsPage()) SetRowButtons(!commands_.empty());
}

void TFormEditCmdAns::LoadAnswers() {
  answers_ = editor_.ReadAnswerFields(section_);
  ShowRows(gridAnswers_, static_cast<int>(answers_.size()));
  for (std::size_t i = 0; i < answers_.size(); ++i) FillAnswerRow(static_cast<int>(i), answers_[i]);
  if (!OnCommandsPage()) SetRowButtons(!answers_.empty());
}

void TFormEditCmdAns::FillCommandRow(int row, const model::TCommandField& field) {
  const QString cells[] = {
      QString::number(row + 1),
      FromBytes(model::ModeName(field.Mode)),
      FromBytes(field.Caption),
      FromBytes(field.Hint),
      FromBytes(model::TextTypeName(field.TextType)),
      FromBytes(field.DefaultText),
      FromBytes(model::ControlTypeName(field.ControlType)),
      QString::number(field.MaxLength),
      YesNo(field.Required),
      YesNo(field.ReadOnly),
      QString::number(field.MinLength),
      QString::number(field.Decimals),
      YesNo(field.AutoIncrement),
  };
  for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
    SetCell(gridCommands_, row, column, cells[column]);
  }
}

void TFormEditCmdAns::FillAnswerRow(int row, const model::TAnswerField& field) {
  SetCell(gridAnswers_, row, 0, QString::number(row + 1));
  SetCell(gridAnswers_, row, 1, FromBytes(field.Caption));
  SetCell(gridAnswers_, row, 2, FromBytes(model::TextTypeName(field.Type)));
  SetCell(gridAnswers_, row, 3, QString::number(field.Type == model::kTextCurrency ? field.Decimals : 0));
}

bool TFormEditCmdAns::Change(const std::function<model::TEditResult()>& change) {
  bool done = false;
  try {
    const model::TEditResult result = change();
    if (changed_ && result.Before != result.After) changed_(result.Before, result.After);
    done = true;
  } catch (const std::exception& error) {
    // The layer's refusal (a limit, a record that cannot be read, a refused write): nothing was written.
    ShowError(QString::fromLatin1(error.what()));
  }
  LoadShownPage();
  return done;
}

// ---- Add ----

void TFormEditCmdAns::ButtonAddClick() {
  if (OnCommandsPage()) {
    AddCommand();
  } else {
    AddAnswer();
  }
  ShownGrid()->setFocus();
}

void TFormEditCmdAns::AddCommand() {
  const bool first = commands_.empty();
  const int mode = first ? model::kModeHost : commands_.front().Mode;
  const std::optional<TCommandRecord> record =
      dialogs_.EditCommandRecord(this, static_cast<int>(commands_.size()) + 1, first, mode, nullptr);
  if (!record) return;
  Change([&] { return editor_.AddCommandField(section_, *record); });
  gridCommands_->setCurrentCell(static_cast<int>(commands_.size()) - 1, 0);
}

void TFormEditCmdAns::AddAnswer() {
  const std::optional<model::TAnswerField> field =
      dialogs_.EditAnswerRecord(this, static_cast<int>(answers_.size()) + 1, nullptr);
  if (!field) return;
  Change([&] { return editor_.AddAnswerField(section_, *field); });
  gridAnswers_->setCurrentCell(static_cast<int>(answers_.size()) - 1, 0);
}

// ---- Modify ----

void TFormEditCmdAns::ButtonModifyClick() {
  QTableWidget* grid = ShownGrid();
  const int row = std::max(0, grid->currentRow());
  if (OnCommandsPage()) {
    if (static_cast<std::size_t>(row) < commands_.size()) ModifyCommand(row);
  } else {
    if (static_cast<std::size_t>(row) < answers_.size()) ModifyAnswer(row);
  }
  grid->setFocus();
}

void TFormEditCmdAns::ModifyCommand(int row) {
  const int number = row + 1;
  TCommandRecord stored;
  stored.Field = commands_[static_cast<std::size_t>(row)];
  stored.Items = editor_.ReadItemList(section_, number);
  if (number == 1) stored.Notes = editor_.ReadNotes(section_);
  const std::optional<TCommandRecord> record = dialogs_.EditCommandRecord(this, number, number == 1,
                                                                          stored.Field.Mode, &stored);
  if (!record) return;
  Change([&] { return editor_.ModifyCommandField(section_, number, *record); });
  gridCommands_->setCurrentCell(row, 0);
}

void TFormEditCmdAns::ModifyAnswer(int row) {
  const model::TAnswerField stored = answers_[static_cast<std::size_t>(row)];
  const std::optional<model::TAnswerField> field = dialogs_.EditAnswerRecord(this, row + 1, &stored);
  if (!field) return;
  Change([&] { return editor_.ModifyAnswerField(section_, row + 1, *field); });
  gridAnswers_->setCurrentCell(row, 0);
}

// ---- Remove ----

void TFormEditCmdAns::ButtonRemoveClick() {
  QTableWidget* grid = ShownGrid();
  const bool commands = OnCommandsPage();
  const std::size_t count = commands ? commands_.size() : answers_.size();
  const int row = std::max(0, grid->currentRow());
  if (static_cast<std::size_t>(row) >= count) return;
  const int number = row + 1;
  const widgets::TPromptResult answer =
      prompts_.Message(this, widgets::TPromptIcon::Warning, QStringLiteral(" W A R N I N G "),
                       QStringLiteral("Do you wish to delete this field number? %1").arg(number),
                       widgets::TPromptButtons::OkCancel);
  if (answer != widgets::TPromptResult::Ok) {
    grid->setFocus();
    return;
  }
  if (commands) {
    Change([&] { return editor_.RemoveCommandField(section_, number); });
  } else {
    Change([&] { return editor_.RemoveAnswerField(section_, number); });
  }
  const std::size_t left = commands ? commands_.size() : answers_.size();
  if (left > 0) grid->setCurrentCell(std::min(row, static_cast<int>(left) - 1), 0);
  grid->setFocus();
}

void TFormEditCmdAns::ButtonCloseClick() { accept(); }

void TFormEditCmdAns::GridDoubleClick() {
  const bool hasFields = OnCommandsPage() ? !commands_.empty() : !answers_.empty();
  if (hasFields) {
    ButtonModifyClick();
  } else {
    ButtonAddClick();
  }
}

}  // namespace quorvel::editors
