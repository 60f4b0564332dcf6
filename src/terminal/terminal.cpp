// SPDX-License-Identifier: MIT
#include "terminal/terminal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QScrollArea>
#include <QStyle>
#include <QSplitter>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "model/errors.h"
#include "widgets/fieldtypecombobox.h"
#include "widgets/fixedfont.h"
#include "widgets/prompts.h"
#include "widgets/qtcolors.h"
#include "model/settingsrecord.h"
#include "terminal/childwindow.h"
#include "terminal/terminalcontext.h"
#include "terminal/treenodes.h"

namespace quorvel::terminal {

namespace {

constexpr int kDefaultTreeWidth = 127;
constexpr int kMaxTreeWidth = 222;
constexpr int kTreeIndent = 19;
constexpr int kSelectionDelayMs = 50;
constexpr int kSplitterWidth = 5;
constexpr int kPanelMainMinWidth = 400;
constexpr int kButtonPanelHeight = 46;

// Command form arithmetic.
constexpr int kColumnPitch = 220;
constexpr int kBaseControlWidth = 200;
constexpr int kFormMargin = 20;
constexpr int kColumnGap = 10;
constexpr int kFirstRowTop = 15;
constexpr int kRowPitch = 55;
constexpr int kLabelToControl = 18;
constexpr int kNotesLineHeight = 20;

// A "short|long" hint: the short part as tooltip, the long part for the status bar.
void SetHint(QWidget* widget, const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  widget->setToolTip(bar < 0 ? hint : hint.left(bar));
  widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

widgets::TFieldTypeComboBox::TStyle ComboStyle(int controlType) {
  switch (controlType) {
    case model::kControlDropDown: return widgets::TFieldTypeComboBox::TStyle::DropDown;
    case model::kControlDropDownList: return widgets::TFieldTypeComboBox::TStyle::DropDownList;
    default: return widgets::TFieldTypeComboBox::TStyle::Simple;
  }
}

}  // namespace

TCommandLayout ComputeCommandLayout(int clientWidth, int dpi) {
  TCommandLayout layout;
  layout.columns = std::max(1, clientWidth / kColumnPitch);
  const int n = layout.columns;
  layout.controlWidth =
      kBaseControlWidth +
      (clientWidth - 2 * kFormMargin - kBaseControlWidth * n - kColumnGap * (n - 1)) / n;
  layout.left = kFormMargin;
  layout.controlHeight = dpi == 96 ? 20 : 24;
  return layout;
}

TFormPlacement PlaceCommandFields(const TCommandLayout& layout, std::size_t fieldCount) {
  TFormPlacement placement;
  int x = layout.left;
  int y = kFirstRowTop;
  int freeColumns = layout.columns;
  for (std::size_t i = 0; i < fieldCount; ++i) {
    placement.labels.emplace_back(x, y);
    if (freeColumns <= 1) {
      x = layout.left;
      y += kRowPitch;
      freeColumns = layout.columns;
    } else {
      x += layout.controlWidth + kColumnGap;
      --freeColumns;
    }
  }
  placement.notesTop = y + kRowPitch;
  return placement;
}

// ---- creation and destruction ----

TFormChildTerminalWindow::TFormChildTerminalWindow(TTerminalContext& context,
                                                   const QString& fileName, QWidget* parent)
    : QWidget(parent),
      context_(context),
      fileName_(fileName),
      editor_(QFile::encodeName(fileName).toStdString()) {
  setObjectName(QStringLiteral("FormChildTerminalWindow"));
  setWindowTitle(fileName_);
  CreateWidgets();
  CreatePopupMenu();
  terminalFile_ = std::make_unique<model::TIniMemory>(QFile::encodeName(fileName_).toStdString());
  ReadTree();
  const std::uint32_t storedWidth = context_.Settings().TVWidth;
  treeWidth_ = storedWidth != 0
                   ? static_cast<int>(std::min<std::uint32_t>(storedWidth, kMaxTreeWidth))
                   : kDefaultTreeWidth;
  splitter_->setSizes({treeWidth_, std::max(kPanelMainMinWidth, width() - treeWidth_)});
  ReadFixedAnswerTables();
  ApplySendAvailability();
}

TFormChildTerminalWindow::~TFormChildTerminalWindow() {
  context_.Settings().TVWidth = static_cast<std::uint32_t>(treeWidth_);
}

void TFormChildTerminalWindow::CreateWidgets() {
  treeViewCommand_ = new QTreeWidget;
  treeViewCommand_->setObjectName(QStringLiteral("TreeViewCommand"));
  treeViewCommand_->setHeaderHidden(true);
  treeViewCommand_->setIndentation(kTreeIndent);
  treeViewCommand_->setMouseTracking(true);  // hot tracking
  treeViewCommand_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  treeViewCommand_->setMinimumWidth(1);
  treeViewCommand_->setMaximumWidth(kMaxTreeWidth);
  // The selection stays visible when the tree loses the focus.
  QPalette treePalette = treeViewCommand_->palette();
  treePalette.setColor(QPalette::Inactive, QPalette::Highlight,
                       treePalette.color(QPalette::Active, QPalette::Highlight));
  treePalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                       treePalette.color(QPalette::Active, QPalette::HighlightedText));
  treeViewCommand_->setPalette(treePalette);
  treeViewCommand_->installEventFilter(this);

  treeChangeDelay_ = new QTimer(this);
  treeChangeDelay_->setSingleShot(true);
  treeChangeDelay_->setInterval(kSelectionDelayMs);
  connect(treeChangeDelay_, &QTimer::timeout, this,
          [this] { TreeViewCommandChange(treeViewCommand_->currentItem()); });
  connect(treeViewCommand_, &QTreeWidget::currentItemChanged, treeChangeDelay_,
          qOverload<>(&QTimer::start));
  // Any click on the tree, on a node or beside the nodes, counts as a click on it.
  treeViewCommand_->viewport()->installEventFilter(this);

  panelMain_ = new QWidget;
  panelMain_->setObjectName(QStringLiteral("PanelMain"));
  panelMain_->setMinimumWidth(kPanelMainMinWidth);
  auto* mainLayout = new QVBoxLayout(panelMain_);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->setSpacing(0);

  pageControl_ = new QTabWidget;
  pageControl_->setObjectName(QStringLiteral("PageControl"));
  mainLayout->addWidget(pageControl_, 1);

  // Page "Co&mmands": the scrollable command form.
  tabSheetCommand_ = new QWidget;
  tabSheetCommand_->setObjectName(QStringLiteral("TabSheetCommand"));
  scrollBoxCommand_ = new QScrollArea;
  scrollBoxCommand_->setObjectName(QStringLiteral("ScrollBoxCommand"));
  commandForm_ = new QWidget;
  commandForm_->setObjectName(QStringLiteral("CommandForm"));
  scrollBoxCommand_->setWidget(commandForm_);
  auto* commandLayout = new QVBoxLayout(tabSheetCommand_);
  commandLayout->setContentsMargins(0, 0, 0, 0);
  commandLayout->addWidget(scrollBoxCommand_);
  pageControl_->addTab(tabSheetCommand_, QStringLiteral("Co&mmands"));

  // Page "Host &Answer": status boxes, separator and answer rows.
  tabSheetAnswer_ = new QWidget;
  tabSheetAnswer_->setObjectName(QStringLiteral("TabSheetAnswer"));
  scrollBoxAnswer_ = new QScrollArea;
  scrollBoxAnswer_->setObjectName(QStringLiteral("ScrollBoxAnswer"));
  answerForm_ = new QWidget;
  answerForm_->setObjectName(QStringLiteral("AnswerForm"));
  scrollBoxAnswer_->setWidget(answerForm_);
  scrollBoxAnswer_->viewport()->installEventFilter(this);  // its width lays out the answer page
  groupBoxFiscalAnswer_ = new QGroupBox(QStringLiteral("Fiscal answer = "), answerForm_);
  groupBoxFiscalAnswer_->setObjectName(QStringLiteral("GroupBoxFiscalAnswer"));
  SetHint(groupBoxFiscalAnswer_, QStringLiteral("Decode Fiscal state"));
  groupBoxFiscalAnswer_->hide();
  groupBoxPrinterAnswer_ = new QGroupBox(QStringLiteral("Printer answer = "), answerForm_);
  groupBoxPrinterAnswer_->setObjectName(QStringLiteral("GroupBoxPrinterAnswer"));
  SetHint(groupBoxPrinterAnswer_, QStringLiteral("Decode Printer state"));
  groupBoxPrinterAnswer_->hide();
  bevelSeparator_ = new QFrame(answerForm_);
  bevelSeparator_->setObjectName(QStringLiteral("BevelSeparator"));
  bevelSeparator_->setFrameShape(QFrame::HLine);
  bevelSeparator_->setFrameShadow(QFrame::Sunken);
  bevelSeparator_->setFixedHeight(3);
  bevelSeparator_->hide();
  auto* answerLayout = new QVBoxLayout(tabSheetAnswer_);
  answerLayout->setContentsMargins(0, 0, 0, 0);
  answerLayout->addWidget(scrollBoxAnswer_);
  pageControl_->addTab(tabSheetAnswer_, QStringLiteral("Host &Answer"));

  // Page "&Fiscal Answer": the DGI answers as text lines.
  tabSheetFiscalAnswer_ = new QWidget;
  tabSheetFiscalAnswer_->setObjectName(QStringLiteral("TabSheetFiscalAnswer"));
  memoFiscalAnswer_ = new QPlainTextEdit;
  memoFiscalAnswer_->setObjectName(QStringLiteral("MemoFiscalAnswer"));
  memoFiscalAnswer_->setReadOnly(true);
  memoFiscalAnswer_->setFrameShape(QFrame::NoFrame);
  memoFiscalAnswer_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoFiscalAnswer_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoFiscalAnswer_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoFiscalAnswer_->setFont(widgets::FixedWidthFontInPixels(13));
  memoFiscalAnswer_->viewport()->installEventFilter(this);
  auto* fiscalLayout = new QVBoxLayout(tabSheetFiscalAnswer_);
  fiscalLayout->setContentsMargins(0, 0, 0, 0);
  fiscalLayout->addWidget(memoFiscalAnswer_);
  pageControl_->addTab(tabSheetFiscalAnswer_, QStringLiteral("&Fiscal Answer"));
  connect(pageControl_, &QTabWidget::currentChanged, this,
          &TFormChildTerminalWindow::PageControlChange);

  CreateButtonPanel(panelMain_);
  mainLayout->addWidget(buttonPanel_);

  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->setObjectName(QStringLiteral("Splitter"));
  splitter_->setHandleWidth(kSplitterWidth);
  splitter_->setOpaqueResize(true);
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(treeViewCommand_);
  splitter_->addWidget(panelMain_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
}

void TFormChildTerminalWindow::CreateButtonPanel(QWidget* panelMain) {
  buttonPanel_ = new QWidget(panelMain);
  buttonPanel_->setObjectName(QStringLiteral("ButtonPanel"));
  buttonPanel_->setFixedHeight(kButtonPanelHeight);
  struct TButtonEntry {
    QPushButton** button;
    const char* name;
    const char* caption;
    const char* hint;
    int left;
  };
  const TButtonEntry buttonEntries[] = {
      {&buttonSend_, "ButtonSend", "&Send", "Send selected command", 124},
      {&buttonRepeat_, "ButtonRepeat", "&Repeat ...", "Send commands \"n\" times", 212},
      {&buttonCancel_, "ButtonCancel", "&Cancel", "Cancel command in progress", 300},
  };
  for (const TButtonEntry& entry : buttonEntries) {
    auto* button = new QPushButton(QString::fromLatin1(entry.caption), buttonPanel_);
    button->setObjectName(QString::fromLatin1(entry.name));
    SetHint(button, QString::fromLatin1(entry.hint));
    button->setGeometry(entry.left, 11, 75, 25);
    *entry.button = button;
  }
  connect(buttonSend_, &QPushButton::clicked, this, &TFormChildTerminalWindow::ButtonSendClick);
  connect(buttonRepeat_, &QPushButton::clicked, this,
          &TFormChildTerminalWindow::ButtonRepeatClick);
  connect(buttonCancel_, &QPushButton::clicked, this,
          &TFormChildTerminalWindow::ButtonCancelClick);
  buttonSend_->setEnabled(false);
  buttonRepeat_->setEnabled(false);
}

// Groups in the order of "Groups", commands in the order of their group's
// section. The tree is read from the in-memory copy: the INI layer would read
// the whole file once per group, far too slow for a file of thousands of commands.
void TFormChildTerminalWindow::ReadTree() {
  treeViewCommand_->clear();
  auto* root = new QTreeWidgetItem(treeViewCommand_, {QStringLiteral("Root")});
  for (const std::string& group : model::ReadGroups(*terminalFile_)) {
    QTreeWidgetItem* groupNode = AddNode(root, group);
    for (const std::string& command : model::ReadGroupCommands(*terminalFile_, group)) {
      AddNode(groupNode, command);
    }
  }
  root->setExpanded(true);
}

void TFormChildTerminalWindow::ReadFixedAnswerTables() {
  fiscalAnswers_ = {};
  printerAnswers_ = {};
  try {
    fiscalAnswers_ = model::ReadFixedAnswers(*terminalFile_, model::kSectionFiscalAnswer);
    printerAnswers_ = model::ReadFixedAnswers(*terminalFile_, model::kSectionPrinterAnswer);
  } catch (const model::TConvertError& error) {
    widgets::ShowError(context_.Prompts(), this, QString::fromLatin1(error.what()));
  }
}

void TFormChildTerminalWindow::ReloadFile() {
  try {
    terminalFile_->Reload();
  } catch (const model::TIniError& error) {  // the copy keeps what it held
    widgets::ShowError(context_.Prompts(), this, QString::fromLocal8Bit(error.what()));
  }
  ReadFixedAnswerTables();
}

TFormChildTerminalWindow::TNodeKind TFormChildTerminalWindow::NodeKind(
    const QTreeWidgetItem* node) {
  int depth = 0;
  for (const QTreeWidgetItem* up = node->parent(); up != nullptr; up = up->parent()) ++depth;
  if (depth == 0) return TNodeKind::Root;
  return depth == 1 ? TNodeKind::Group : TNodeKind::Command;
}

std::string TFormChildTerminalWindow::CommandSection(const QTreeWidgetItem* node) {
  if (node == nullptr || NodeKind(node) != TNodeKind::Command) return std::string();
  return model::CommandSectionName(NodeName(node->parent()), NodeName(node));
}

QString TFormChildTerminalWindow::InputText(const QString& caption) {
  return widgets::InputText(context_.Prompts(), this, caption);
}

// ---- window events ----

bool TFormChildTerminalWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    context_.ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QWidget::event(event);
}

void TFormChildTerminalWindow::closeEvent(QCloseEvent* event) { terminal::CloseOrMinimize(*this, event, closeAllowed_); }

bool TFormChildTerminalWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == treeViewCommand_ && event->type() == QEvent::Resize && isVisible()) {
    treeWidth_ = treeViewCommand_->width();
  } else if (watched == treeViewCommand_->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonRelease:
        TreeMouseEvent(event);
        TreeViewCommandClick();
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseMove:
        if (TreeMouseEvent(event)) return true;
        break;
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::DragLeave:
      case QEvent::Drop:
        return TreeDragEvent(event);
      default: break;
    }
  } else if (event->type() == QEvent::Resize && answerPageBuilt_ && watched == scrollBoxAnswer_->viewport()) {
    LayOutAnswerPage();
  } else if (event->type() == QEvent::MouseButtonDblClick && watched == memoFiscalAnswer_->viewport()) {
    MemoFiscalAnswerDblClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// Either answer page hides the buttons; the commands page shows them.
void TFormChildTerminalWindow::PageControlChange(int index) {
  buttonPanel_->setVisible(pageControl_->widget(index) == tabSheetCommand_);
}

void TFormChildTerminalWindow::TreeViewCommandClick() {
  pageControl_->setCurrentWidget(tabSheetCommand_);
}

bool TFormChildTerminalWindow::LetPendingEventsRun() {
  const QPointer<TFormChildTerminalWindow> self(this);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return !self.isNull();
}

void TFormChildTerminalWindow::TreeViewCommandChange(QTreeWidgetItem* node) {
  if (changingSelection_) {
    // A change that arrives while the form is being built is handled after it.
    selectionChangedMeanwhile_ = true;
    return;
  }
  changingSelection_ = true;
  const QPointer<TFormChildTerminalWindow> self(this);
  const std::string section = CommandSection(node);
  if (!section.empty()) {
    if (section != currentCommand_) {
      ClearCommandForm();
      LoadCommandDefinition(section);
      pageControl_->setCurrentWidget(tabSheetCommand_);
      if (!LetPendingEventsRun()) return;
      currentCommand_ = section;  // before the form, so its Send availability sees it
      BuildCommandForm(section);
    }
  } else {
    ClearCommandForm();
    if (!LetPendingEventsRun()) return;
    currentCommand_.clear();
    commandDefinition_ = {};
    buttonSend_->setEnabled(false);
    buttonRepeat_->setEnabled(false);
  }
  changingSelection_ = false;
  if (selectionChangedMeanwhile_) {
    selectionChangedMeanwhile_ = false;
    TreeViewCommandChange(treeViewCommand_->currentItem());
  }
}

// ---- the command form ----

void TFormChildTerminalWindow::ClearCommandForm() {
  scrollBoxCommand_->hide();
  commandForm_->setUpdatesEnabled(false);
  for (const TFieldWidgets& widgets : fieldWidgets_) {
    delete widgets.label;
    delete widgets.control;
  }
  fieldWidgets_.clear();
  delete notesLabel_;
  notesLabel_ = nullptr;
  delete notesMemo_;
  notesMemo_ = nullptr;
  commandForm_->resize(0, 0);
  commandForm_->setUpdatesEnabled(true);
  scrollBoxCommand_->show();
}

void TFormChildTerminalWindow::LoadCommandDefinition(const std::string& section) {
  commandDefinition_ = {};
  try {
    commandDefinition_ = model::ReadCommandDefinition(*terminalFile_, section);
  } catch (const model::TConvertError& error) {
    widgets::ShowError(context_.Prompts(), this, QString::fromLatin1(error.what()));
  }
}

void TFormChildTerminalWindow::BuildCommandForm(const std::string& section) {
  scrollBoxCommand_->hide();
  commandForm_->setUpdatesEnabled(false);

  const int clientWidth = scrollBoxCommand_->viewport()->width();
  commandLayout_ = ComputeCommandLayout(clientWidth, logicalDpiY());
  const std::vector<model::TCommandField>& fields = commandDefinition_.Fields;
  const TFormPlacement placement = PlaceCommandFields(commandLayout_, fields.size());
  QRect used;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const model::TCommandField& field = fields[i];
    const QPoint at = placement.labels[i];
    auto* label = new QLabel(FromBytes(field.Caption), commandForm_);
    label->move(at);
    label->adjustSize();
    QWidget* control = CreateFieldControl(field, section, i, commandForm_);
    control->setGeometry(at.x(), at.y() + kLabelToControl, commandLayout_.controlWidth,
                         commandLayout_.controlHeight);
    label->setBuddy(control);
    if (field.Required) {
      QPalette palette = label->palette();
      palette.setColor(QPalette::WindowText, widgets::ToQColor(model::clMaroon));
      label->setPalette(palette);
    }
    SetHint(control, FromBytes(field.Hint));
    used = used.united(label->geometry()).united(control->geometry());
    label->show();
    control->show();
    fieldWidgets_.push_back({label, control});
  }
  if (!fields.empty()) CreateNotes(section, placement.notesTop, commandForm_);
  if (notesMemo_ != nullptr) used = used.united(notesMemo_->geometry());
  const int formHeight = used.isEmpty() ? 0 : used.bottom() + 1 + kFirstRowTop;
  int formWidth = std::max(clientWidth, used.right() + 1 + kFormMargin);
  if (formHeight > scrollBoxCommand_->viewport()->height()) {
    // The vertical scroll bar narrows the page: the right margin gives way to it
    // rather than bringing in a horizontal bar as well.
    const int bar = scrollBoxCommand_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBoxCommand_);
    formWidth = std::max(used.right() + 1, formWidth - bar);
  }
  commandForm_->resize(formWidth, formHeight);

  commandForm_->setUpdatesEnabled(true);
  scrollBoxCommand_->show();
  ApplySendAvailability();
}

QWidget* TFormChildTerminalWindow::CreateFieldControl(const model::TCommandField& field,
                                                      const std::string& section,
                                                      std::size_t fieldIndex, QWidget* form) {
  QWidget* control = nullptr;
  if (field.ControlType == model::kControlDate) {
    auto* picker = new QDateEdit(QDate::currentDate(), form);
    picker->setCalendarPopup(true);
    control = picker;
  } else if (field.ControlType == model::kControlTime) {
    auto* picker = new QTimeEdit(QTime::currentTime(), form);
    picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    control = picker;
  } else {
    auto* combo = new widgets::TFieldTypeComboBox(form, ComboStyle(field.ControlType));
    combo->SetFldType(field.TextType);
    combo->SetText(FromBytes(field.DefaultText));
    combo->SetMaxLength(field.MaxLength);
    combo->SetRequired(field.Required);
    if (field.ControlType != model::kControlSimple) {
      for (const std::string& item : model::ReadItemList(*terminalFile_, section, static_cast<int>(fieldIndex) + 1)) {
        combo->addItem(FromBytes(item));
      }
      if (combo->count() > 0) {
        combo->setCurrentIndex(0);
      } else if (combo->isEditable()) {
        combo->setEditText(FromBytes(field.DefaultText));
      }
    }
    control = combo;
  }
  if (field.ReadOnly) {
    control->setEnabled(false);
    const QColor background = widgets::ToQColor(widgets::clInactiveCaptionText);
    QPalette palette = control->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window}) {
      palette.setColor(QPalette::Disabled, role, background);
    }
    // The value stays readable: it is sent like any other.
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText}) {
      palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    }
    control->setPalette(palette);
    control->setAutoFillBackground(true);
  }
  return control;
}

void TFormChildTerminalWindow::CreateNotes(const std::string& section, int top, QWidget* form) {
  const std::vector<std::string> lines = model::ReadNotes(*terminalFile_, section);
  if (lines.empty()) return;
  const int clientWidth = scrollBoxCommand_->viewport()->width();
  notesLabel_ = new QLabel(QStringLiteral("Notes"), form);
  notesLabel_->setObjectName(QStringLiteral("LabelNotes"));
  notesLabel_->move(kFormMargin, top);
  notesLabel_->adjustSize();
  notesMemo_ = new QPlainTextEdit(form);
  notesMemo_->setObjectName(QStringLiteral("MemoNotes"));
  QStringList text;
  for (const std::string& line : lines) text << FromBytes(line);
  notesMemo_->setPlainText(text.join(QLatin1Char('\n')));
  notesMemo_->setGeometry(kFormMargin, top + kLabelToControl, clientWidth - 2 * kFormMargin,
                          kNotesLineHeight * static_cast<int>(lines.size()));
  notesMemo_->setEnabled(false);
  notesLabel_->setBuddy(notesMemo_);
  notesLabel_->show();
  notesMemo_->show();
}

model::TFieldEntry TFormChildTerminalWindow::FieldEntry(std::size_t index) const {
  model::TFieldEntry entry;
  QWidget* control = FieldControl(index);
  if (auto* combo = qobject_cast<widgets::TFieldTypeComboBox*>(control)) {
    entry.text = ToBytes(combo->Text());
  } else if (auto* time = qobject_cast<QTimeEdit*>(control)) {
    const QTime picked = time->time();
    entry.time = {picked.hour(), picked.minute(), picked.second()};
  } else if (auto* date = qobject_cast<QDateEdit*>(control)) {
    const QDate picked = date->date();
    entry.date = {picked.year(), picked.month(), picked.day()};
  }
  return entry;
}

void TFormChildTerminalWindow::ApplySendAvailability() {
  const model::TSettingsRecord& settings = context_.Settings();
  bool send = false;
  bool repeat = false;
  if (!currentCommand_.empty() && !commandDefinition_.Fields.empty()) {
    if (model::IsDgiCommand(commandDefinition_)) {
      send = settings.DgiPortOpen;
    } else {
      send = settings.HostPortOpen;
      repeat = settings.HostPortOpen;
    }
  }
  buttonSend_->setEnabled(send);
  buttonRepeat_->setEnabled(repeat);
}

}  // namespace quorvel::terminal
