// SPDX-License-Identifier: MIT
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
#include "terminal/answerlayout.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"

namespace quorvel::terminal {

namespace {

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
  answerPageBuilt_ = false;
  if (!LetPendingEventsRun()) return;

  fiscalPanelCount_ = BuildStatusBox(groupBoxFiscalAnswer_, "Fiscal answer = ", fiscalStatus, fiscalAnswers_,
                                     fiscalPanels_, "PanelFiscal");
  printerPanelCount_ = BuildStatusBox(groupBoxPrinterAnswer_, "Printer answer = ", printerStatus, printerAnswers_,
                                      printerPanels_, "PanelPrinter");
  bevelSeparator_->show();
  BuildAnswerRows(values, returnCode);
  answerPageBuilt_ = true;

  scrollBoxAnswer_->show();
  // A page that has never been the current one still has its initial size:
  // its real width is known only once it is shown.
  pageControl_->setCurrentWidget(tabSheetAnswer_);
  LayOutAnswerPage();
  answerForm_->setUpdatesEnabled(true);
  scrollBoxAnswer_->setFocus();
}

void TFormChildTerminalWindow::LayOutAnswerPage() {
  if (!answerPageBuilt_ || layingOutAnswerPage_) return;
  layingOutAnswerPage_ = true;
  // Resizing the content may show or hide a scroll bar, which changes the width
  // again; the content only grows as the width shrinks, so this settles at once.
  for (int pass = 0; pass < 3; ++pass) {
    const int width = scrollBoxAnswer_->viewport()->width();
    PlaceAnswerWidgets(width);
    if (scrollBoxAnswer_->viewport()->width() == width) break;
  }
  layingOutAnswerPage_ = false;
}

void TFormChildTerminalWindow::PlaceAnswerWidgets(int width) {
  const TAnswerPageLayout page = ComputeAnswerPageLayout(width, fiscalPanelCount_, printerPanelCount_,
                                                         static_cast<int>(answerRows_.size()));
  const auto placePanels = [](QGroupBox* box, const QRect& geometry, const std::vector<QLabel*>& panels,
                              const std::vector<QPoint>& places) {
    box->setGeometry(geometry);
    // After ClearStatusPanels the box keeps its place but has no panels.
    for (std::size_t i = 0; i < panels.size() && i < places.size(); ++i)
      panels[i]->setGeometry(QRect(places[i], QSize(TPanelGrid::kPanelWidth, TPanelGrid::kPanelHeight)));
  };
  placePanels(groupBoxFiscalAnswer_, page.fiscalBox, fiscalPanels_, page.fiscalPanels);
  placePanels(groupBoxPrinterAnswer_, page.printerBox, printerPanels_, page.printerPanels);
  bevelSeparator_->setGeometry(page.separator);
  for (std::size_t i = 0; i < answerRows_.size(); ++i) {
    const QPoint place = page.rowLabels[i];
    answerRows_[i].label->move(place);
    answerRows_[i].box->setGeometry(place.x(), place.y() + TAnswerGrid::kLabelToBox, page.rows.boxWidth,
                                    TAnswerGrid::kBoxHeight);
  }
  answerForm_->resize(width, page.height);
}

// One status box: caption with the word, one panel per panel number, the matching
// records' texts in their colours. Returns the number of panels.
int TFormChildTerminalWindow::BuildStatusBox(QGroupBox* box, const char* caption, std::uint16_t word,
                                             const model::TFixedAnswerTable& table, std::vector<QLabel*>& panels,
                                             const char* panelName) {
  box->setTitle(FromBytes(model::StatusCaption(caption, word)));
  box->show();
  const std::vector<model::TPanelText> decoded = model::DecodeStatusWord(table, word);
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    auto* panel = new QLabel(box);
    panel->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(panelName)).arg(i + 1));
    if (decoded[i].matched) {
      panel->setText(FromBytes(decoded[i].text));
      SetTextColor(panel, decoded[i].color);
    }
    panel->show();
    panels.push_back(panel);
  }
  return static_cast<int>(decoded.size());
}

// The caption labels and value boxes of the answer rows; LayOutAnswerPage places them.
void TFormChildTerminalWindow::BuildAnswerRows(const std::vector<std::string>& values, std::uint16_t returnCode) {
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

  const std::vector<model::TAnswerRow> rows = model::BuildAnswerRows(values, fields, answerContext);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const model::TAnswerRow& row = rows[i];
    auto* label = new QLabel(FromBytes(row.caption), answerForm_);
    label->setObjectName(QStringLiteral("AnswerLabel%1").arg(i));
    label->adjustSize();
    if (row.maroon) SetTextColor(label, model::clMaroon);
    auto* box = new QLineEdit(FromBytes(row.value), answerForm_);
    box->setObjectName(QStringLiteral("AnswerBox%1").arg(i));
    box->setReadOnly(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, widgets::ToQColor(widgets::clInactiveBorder));
    box->setPalette(palette);
    box->setToolTip(FromBytes(row.hint));
    label->setBuddy(box);
    label->setVisible(row.visible);
    box->setVisible(row.visible);
    answerRows_.push_back({label, box});
  }
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
