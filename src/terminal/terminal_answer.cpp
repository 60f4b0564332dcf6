// The answer pages of the terminal window: the host answer decoded into status
// panels and captioned answer rows, and the DGI answers as text lines.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>

#include "dgi/fpauxcontrol.h"
#include "host/fiscalcontrol.h"
#include "model/answerdecode.h"
#include "model/errors.h"
#include "widgets/prompts.h"
#include "widgets/qtcolors.h"
#include "model/settingsrecord.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"

namespace quorvel::terminal {

namespace {

constexpr int kBoxLeft = 10;
constexpr int kBoxTop = 20;
constexpr int kBoxGap = 20;
constexpr int kBoxHeightWithoutPanels = 22;
constexpr int kPanelHeight = 20;
constexpr int kSeparatorToRows = 10;
constexpr int kAnswerBoxHeight = 24;

QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void SetTextColor(QWidget* widget, model::TColor color) {
  const QColor qt = widgets::ToQColor(color);
  if (!qt.isValid()) return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, qt);
  widget->setPalette(palette);
}

}  // namespace

void TFormChildTerminalWindow::HostFinalAnswer() {
  if (!commandInProgress_) return;  // an earlier step of a repetition: its answer reaches the log only
  treeViewCommand_->setEnabled(true);
  host::TFPHostControl& control = context_.Host();
  std::vector<std::string> values;
  for (int n = 1; n <= control.ExtraFieldsCount(); ++n) values.push_back(control.GetExtraField(n));
  const QPointer<TFormChildTerminalWindow> self(this);
  ShowAnswer(static_cast<std::uint16_t>(control.FiscalStatus()), static_cast<std::uint16_t>(control.PrinterStatus()),
             values, static_cast<std::uint16_t>(control.ReturnCode()));
  if (self.isNull()) return;
  SetStatus(QStringLiteral("Ready"));
  ApplySendAvailability();
  commandInProgress_ = false;
}

void TFormChildTerminalWindow::ShowAnswer(std::uint16_t fiscalStatus, std::uint16_t printerStatus,
                                          const std::vector<std::string>& values, std::uint16_t returnCode) {
  answerForm_->setUpdatesEnabled(false);
  ClearStatusPanels();
  DestroyAnswerRows();
  if (!LetPendingEventsRun()) return;

  const int width = scrollBoxAnswer_->viewport()->width();
  const int fiscalBottom = BuildStatusBox(groupBoxFiscalAnswer_, "Fiscal answer = ", fiscalStatus, fiscalAnswers_,
                                          fiscalPanels_, "PanelFiscal", kBoxTop, width);
  const int printerBottom = BuildStatusBox(groupBoxPrinterAnswer_, "Printer answer = ", printerStatus, printerAnswers_,
                                           printerPanels_, "PanelPrinter", fiscalBottom + kBoxGap, width);
  bevelSeparator_->setGeometry(0, printerBottom + kBoxGap, width, bevelSeparator_->height());
  bevelSeparator_->show();

  const int rowsBottom = BuildAnswerRows(values, returnCode, bevelSeparator_->geometry().bottom() + 1 + kSeparatorToRows, width);
  answerForm_->resize(width, rowsBottom + kSeparatorToRows);
  answerForm_->setUpdatesEnabled(true);
  scrollBoxAnswer_->show();
  pageControl_->setCurrentWidget(tabSheetAnswer_);
  scrollBoxAnswer_->setFocus();
}

// One status box: caption with the word, one panel per panel number, the matching
// records' texts in their colours. Returns the box's bottom edge (exclusive).
int TFormChildTerminalWindow::BuildStatusBox(QGroupBox* box, const char* caption, std::uint16_t word,
                                             const model::TFixedAnswerTable& table, std::vector<QLabel*>& panels,
                                             const char* panelName, int top, int width) {
  box->setGeometry(kBoxLeft, top, width - 2 * kBoxLeft, kBoxHeightWithoutPanels);
  box->setTitle(FromBytes(model::StatusCaption(caption, word)));
  box->show();
  const std::vector<model::TPanelText> decoded = model::DecodeStatusWord(table, word);
  if (!decoded.empty()) {
    const model::TPanelGrid grid = model::TPanelGrid::ForClientWidth(box->width());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
      auto* panel = new QLabel(box);
      panel->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(panelName)).arg(i + 1));
      const model::TGridPlace place = grid.Place(static_cast<int>(i));
      panel->setGeometry(place.x, place.y, model::TPanelGrid::kPanelWidth, kPanelHeight);
      if (decoded[i].matched) {
        panel->setText(FromBytes(decoded[i].text));
        SetTextColor(panel, decoded[i].color);
      }
      panel->show();
      panels.push_back(panel);
    }
    box->resize(box->width(), grid.BoxHeight(static_cast<int>(decoded.size())));
  }
  return top + box->height();
}

// The answer rows below the separator; returns the bottom edge of the last row.
int TFormChildTerminalWindow::BuildAnswerRows(const std::vector<std::string>& values, std::uint16_t returnCode,
                                              int top, int width) {
  std::vector<model::TAnswerField> fields;
  if (!sentCommand_.empty()) {
    try {
      fields = model::ReadAnswerDefinition(*terminalFile_, sentCommand_).Fields;
    } catch (const model::TConvertError& error) {
      widgets::ShowError(context_.Prompts(), this, QString::fromLatin1(error.what()));
    }
  }
  const model::TSettingsRecord& settings = context_.Settings();
  model::TAnswerContext answerContext;
  answerContext.extended = model::IsExtendedProtocol(settings.Protocol);
  answerContext.showReserved = settings.ExtReservedFields;
  answerContext.returnCode = returnCode;
  answerContext.returnCodeDescription = model::ReadReturnCodeDescription(*terminalFile_, returnCode);
  answerContext.inputDateFormat = settings.InputDateFormat;
  answerContext.outputDateFormat = settings.OutputDateFormat;

  const model::TAnswerGrid grid = model::TAnswerGrid::ForClientWidth(width, top);
  const std::vector<model::TAnswerRow> rows = model::BuildAnswerRows(values, fields, answerContext);
  int bottom = top;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const model::TAnswerRow& row = rows[i];
    const model::TGridPlace place = grid.Place(static_cast<int>(i));
    auto* label = new QLabel(FromBytes(row.caption), answerForm_);
    label->setObjectName(QStringLiteral("AnswerLabel%1").arg(i));
    label->move(place.x, place.y);
    label->adjustSize();
    if (row.maroon) SetTextColor(label, model::clMaroon);
    auto* box = new QLineEdit(FromBytes(row.value), answerForm_);
    box->setObjectName(QStringLiteral("AnswerBox%1").arg(i));
    box->setReadOnly(true);
    box->setGeometry(place.x, place.y + model::TAnswerGrid::kLabelToBox, grid.boxWidth, kAnswerBoxHeight);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, widgets::ToQColor(widgets::clInactiveBorder));
    box->setPalette(palette);
    box->setToolTip(FromBytes(row.hint));
    label->setBuddy(box);
    label->setVisible(row.visible);
    box->setVisible(row.visible);
    answerRows_.push_back({label, box});
    bottom = std::max(bottom, box->geometry().bottom() + 1);
  }
  return bottom;
}

void TFormChildTerminalWindow::DestroyAnswerRows() {
  for (const TAnswerRowWidgets& row : answerRows_) {
    delete row.label;
    delete row.box;
  }
  answerRows_.clear();
}

void TFormChildTerminalWindow::ClearStatusPanels() {
  const auto clear = [](std::vector<QLabel*>& panels, QGroupBox* box) {
    if (panels.empty()) return;  // not built
    for (QLabel* panel : panels) delete panel;
    panels.clear();
    box->hide();
  };
  clear(fiscalPanels_, groupBoxFiscalAnswer_);
  clear(printerPanels_, groupBoxPrinterAnswer_);
}

void TFormChildTerminalWindow::DgiAnswer(const std::string& answer) {
  pageControl_->setCurrentWidget(tabSheetFiscalAnswer_);
  memoFiscalAnswer_->appendPlainText(FromBytes(answer));
}

void TFormChildTerminalWindow::DgiFinalAnswer(const std::string& answer) {
  DgiAnswer(answer);
  treeViewCommand_->setEnabled(true);
  SetStatus(QStringLiteral("Ready"));
  ApplySendAvailability();
  commandInProgress_ = false;
}

void TFormChildTerminalWindow::MemoFiscalAnswerDblClick() { memoFiscalAnswer_->clear(); }

}  // namespace quorvel::terminal
