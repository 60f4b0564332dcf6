// SPDX-License-Identifier: MIT
// Send, Repeat and Cancel of the terminal window, and the notifications that end a
// command without an answer page (errors, the DGI acknowledgement, the port reset).
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include "dgi/fpauxcontrol.h"
#include "host/fiscalcontrol.h"
#include "widgets/prompts.h"
#include "model/sendtext.h"
#include "model/settingsrecord.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"

namespace quorvel::terminal {

namespace {

const char kBadInput[] = "Bad user data input in control";
const char kNotReady[] = "Communication errors!!! Fiscal printer not ready.";
const char kBadFrame[] = "Error!!! Bad data in frame.";
const char kAlive[] = "     Fiscal Port it's alive !!!     ";
const char kRepeatCaption[] = "Enter times to repeat the command";

constexpr int kStatusPanel = 1;

// How an exchange that ended without an answer is shown: status text and error
// box, or nothing for errors that are not the line's.
struct TFailure {
  const char* status = nullptr;
  const char* message = nullptr;
};

TFailure FailureOf(host::TErrorType error) {
  switch (error) {
    case host::EFP_E_WriteError:
    case host::EFP_E_ReadTimeOut: return {"TimeOut", kNotReady};
    case host::EFP_E_NackReceived: return {"Error", kBadFrame};
    default: return {};
  }
}

TFailure FailureOf(dgi::TFErrorType error) {
  switch (error) {
    case dgi::FEFP_E_WriteError:
    case dgi::FEFP_E_ReadTimeOut: return {"TimeOut", kNotReady};
    case dgi::FEFP_E_NackReceived: return {"Error", kBadFrame};
    default: return {};
  }
}

}  // namespace

void TFormChildTerminalWindow::SetStatus(const QString& text) { context_.SetStatusText(kStatusPanel, text); }

bool TFormChildTerminalWindow::IsDgiCommand() const { return model::IsDgiCommand(commandDefinition_); }

// Runs the window's events, sleeping while there are none, until the port is no
// longer busy: the controls change their state only while their notifications are
// handled on this thread, so looking after each batch of events misses nothing.
// Then the notifications that the main window queued for the exchange that just
// ended are handled too, so that a repetition's next step never starts before the
// previous step's answer or error has been passed over.
TFormChildTerminalWindow::TWaitResult TFormChildTerminalWindow::WaitUntilIdle(TPort port) {
  const QPointer<TFormChildTerminalWindow> self(this);
  const auto busy = [this, port] {
    return port == TPort::Host ? context_.Host().State() == host::EFP_S_Busy
                               : context_.Dgi().State() == dgi::FEFP_S_Busy;
  };
  while (busy()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (self.isNull()) return TWaitResult::WindowGone;
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (self.isNull()) return TWaitResult::WindowGone;
  if (busy()) return WaitUntilIdle(port);  // a command was handed over meanwhile
  const bool idle = port == TPort::Host ? context_.Host().State() == host::EFP_S_Idle
                                        : context_.Dgi().State() == dgi::FEFP_S_Idle;
  return idle ? TWaitResult::Idle : TWaitResult::PortClosed;
}

bool TFormChildTerminalWindow::AddField(const model::TCommandField& field, std::size_t index, int repetition) {
  const std::optional<std::string> bytes =
      model::FieldBytes(field, FieldEntry(index), context_.Settings().InputDateFormat, repetition);
  if (!bytes) return false;
  if (IsDgiCommand()) {
    dgiFrameText_ += *bytes;
    return true;
  }
  return context_.Host().AddDataField(*bytes);
}

bool TFormChildTerminalWindow::AddCommandFields(int repetition, bool purgeDgi) {
  const std::vector<model::TCommandField>& fields = commandDefinition_.Fields;
  for (std::size_t i = 0; i < fields.size() && i < FieldCount(); ++i) {
    if (AddField(fields[i], i, repetition)) continue;
    widgets::ShowError(context_.Prompts(), this, QString::fromLatin1(kBadInput));
    context_.Host().Purge();
    if (purgeDgi) context_.Dgi().Purge();
    if (!fields[i].ReadOnly) FieldControl(i)->setFocus();
    SetStatus(QStringLiteral("Error"));
    ApplySendAvailability();
    return false;
  }
  return true;
}

void TFormChildTerminalWindow::ButtonSendClick() {
  dgiFrameText_.clear();
  const bool dgi = IsDgiCommand();
  if (dgi && !context_.Settings().DgiPortOpen) {
    buttonSend_->setEnabled(false);
    return;
  }
  const std::string section = currentCommand_;
  buttonSend_->setEnabled(false);  // no second Send while this one waits
  buttonRepeat_->setEnabled(false);
  const TWaitResult waited = WaitUntilIdle(dgi ? TPort::Dgi : TPort::Host);
  if (waited == TWaitResult::WindowGone) return;
  if (waited == TWaitResult::PortClosed || section != currentCommand_) {
    ApplySendAvailability();
    return;
  }
  if (!AddCommandFields(model::kNoRepetition, true)) return;
  if (commandDefinition_.Fields.empty()) {
    ApplySendAvailability();
    return;
  }
  if (dgi) {
    if (context_.Dgi().SendData(dgiFrameText_)) {
      treeViewCommand_->setEnabled(false);
      commandInProgress_ = true;
      SetStatus(QStringLiteral("Sending ..."));
      buttonSend_->setEnabled(false);
    } else {
      SetStatus(QStringLiteral("Error"));
      context_.Dgi().Purge();
      ApplySendAvailability();
    }
    return;
  }
  if (context_.Host().SendCommand()) {
    treeViewCommand_->setEnabled(false);
    sentCommand_ = currentCommand_;
    commandInProgress_ = true;
    SetStatus(QStringLiteral("Sending ..."));
    buttonSend_->setEnabled(false);
    buttonRepeat_->setEnabled(false);
  } else {
    SetStatus(QStringLiteral("Error"));
    context_.Host().Purge();
    ApplySendAvailability();
  }
}

// Ends a repetition early: the status, the buttons by the availability rule, the tree back.
void TFormChildTerminalWindow::StopRepeat(const QString& status, bool purge) {
  SetStatus(status);
  if (purge) context_.Host().Purge();
  ApplySendAvailability();
  treeViewCommand_->setEnabled(true);
}

void TFormChildTerminalWindow::ButtonRepeatClick() {
  if (IsDgiCommand()) {
    buttonRepeat_->setEnabled(false);
    return;
  }
  const QPointer<TFormChildTerminalWindow> self(this);
  const QString answer = InputText(QString::fromLatin1(kRepeatCaption));
  if (self.isNull()) return;
  const int count = model::ParseRepeatCount(answer.toLatin1().toStdString());
  host::TFPHostControl& control = context_.Host();
  control.Purge();
  cancelRequested_ = false;
  if (!model::IsRepeatCountValid(count)) return;

  const std::string section = currentCommand_;
  treeViewCommand_->setEnabled(false);
  buttonSend_->setEnabled(false);
  buttonRepeat_->setEnabled(false);
  for (int r = 1; r <= count; ++r) {
    const TWaitResult waited = WaitUntilIdle(TPort::Host);
    if (waited == TWaitResult::WindowGone) return;
    if (cancelRequested_) return StopRepeat(QStringLiteral("Abort"), false);
    if (waited == TWaitResult::PortClosed || section != currentCommand_ || control.LastError() != host::EFP_Success)
      return StopRepeat(QStringLiteral("Error"), true);
    if (!AddCommandFields(r, false)) {
      treeViewCommand_->setEnabled(true);
      return;
    }
    if (!control.SendCommand()) return StopRepeat(QStringLiteral("Error"), true);
    sentCommand_ = currentCommand_;
    if (r == count) commandInProgress_ = true;
    buttonSend_->setEnabled(false);
    buttonRepeat_->setEnabled(false);
    SetStatus(QStringLiteral("%1/%2").arg(r).arg(count));
    if (control.LastError() != host::EFP_Success) return StopRepeat(QStringLiteral("Error"), true);
  }
}

void TFormChildTerminalWindow::ButtonCancelClick() {
  context_.Host().Purge();
  context_.Dgi().Purge();
  commandInProgress_ = false;
  cancelRequested_ = true;
  ApplySendAvailability();
  treeViewCommand_->setEnabled(true);
}

void TFormChildTerminalWindow::StopWaiting() { commandInProgress_ = false; }

void TFormChildTerminalWindow::ShowFailure(const char* status, const char* message) {
  if (status == nullptr) return;
  SetStatus(QString::fromLatin1(status));
  widgets::ShowError(context_.Prompts(), this, QString::fromLatin1(message));
}

void TFormChildTerminalWindow::HostError() {
  treeViewCommand_->setEnabled(true);
  // The box is modal; the command's state is settled before it opens, so events
  // handled while it is shown see the command ended.
  commandInProgress_ = false;
  ApplySendAvailability();
  const TFailure failure = FailureOf(context_.Host().LastError());
  ShowFailure(failure.status, failure.message);
}

// Send disabled the tree; a DGI exchange that fails gives it back here as well.
void TFormChildTerminalWindow::DgiError() {
  treeViewCommand_->setEnabled(true);
  commandInProgress_ = false;
  ApplySendAvailability();
  const TFailure failure = FailureOf(context_.Dgi().LastError());
  ShowFailure(failure.status, failure.message);
}

void TFormChildTerminalWindow::DgiAck() {
  treeViewCommand_->setEnabled(true);
  SetStatus(QStringLiteral("Ready"));
  commandInProgress_ = false;
  ApplySendAvailability();
  widgets::ShowInformation(context_.Prompts(), this, QString::fromLatin1(kAlive));
}

}  // namespace quorvel::terminal
