// SPDX-License-Identifier: MIT
#include "widgets/prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace quorvel::widgets {

void ShowError(TPrompts& prompts, QWidget* parent, const QString& text, const QString& title) {
  prompts.Message(parent, TPromptIcon::Error, title, text, TPromptButtons::Ok);
}

void ShowWarning(TPrompts& prompts, QWidget* parent, const QString& text, const QString& title) {
  prompts.Message(parent, TPromptIcon::Warning, title, text, TPromptButtons::Ok);
}

void ShowInformation(TPrompts& prompts, QWidget* parent, const QString& text,
                     const QString& title) {
  prompts.Message(parent, TPromptIcon::Information, title, text, TPromptButtons::Ok);
}

QString InputText(TPrompts& prompts, QWidget* parent, const QString& caption) {
  const std::optional<QString> answer = prompts.InputText(parent, caption, QString());
  if (!answer) return QString();
  return answer->left(kInputTextMaxLength);
}

// ---- the real boxes ----

namespace {

QMessageBox::Icon ToQtIcon(TPromptIcon icon) {
  switch (icon) {
    case TPromptIcon::Error: return QMessageBox::Critical;
    case TPromptIcon::Warning: return QMessageBox::Warning;
    case TPromptIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(TPromptButtons buttons) {
  switch (buttons) {
    case TPromptButtons::Ok: return QMessageBox::Ok;
    case TPromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case TPromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

TPromptResult FromQtButton(int button) {
  switch (button) {
    case QMessageBox::Ok: return TPromptResult::Ok;
    case QMessageBox::Yes: return TPromptResult::Yes;
    case QMessageBox::No: return TPromptResult::No;
    default: return TPromptResult::Cancel;
  }
}

// The dialogs' options: resizable, no read-only option (Qt has none to hide).
QFileDialog::Options FileDialogOptions() { return QFileDialog::Options(); }

}  // namespace

TPromptResult TDialogPrompts::Message(QWidget* parent, TPromptIcon icon, const QString& title,
                                      const QString& text, TPromptButtons buttons) {
  QMessageBox box(ToQtIcon(icon), title, text, ToQtButtons(buttons), parent);
  return FromQtButton(box.exec());
}

std::optional<QString> TDialogPrompts::InputText(QWidget* parent, const QString& caption,
                                                 const QString& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent, caption, QStringLiteral("Input text:"),
                                             QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<QString> TDialogPrompts::OpenFileName(QWidget* parent, const QString& title,
                                                    const QString& folder, const QString& filter) {
  const QString path =
      QFileDialog::getOpenFileName(parent, title, folder, filter, nullptr, FileDialogOptions());
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> TDialogPrompts::SaveFileName(QWidget* parent, const QString& title,
                                                    const QString& folder, const QString& filter,
                                                    const QString& defaultSuffix) {
  QFileDialog dialog(parent, title, folder, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

// ---- scripted answers for tests ----

namespace {

TPromptResult DefaultAnswer(TPromptButtons buttons) {
  return buttons == TPromptButtons::YesNo ? TPromptResult::Yes : TPromptResult::Ok;
}

// The next scripted answer; an empty queue answers as Cancel does.
std::optional<QString> TakeFront(std::deque<std::optional<QString>>& queue) {
  if (queue.empty()) return std::nullopt;
  const bool answered = queue.front().has_value();
  const QString text = queue.front().value_or(QString());
  queue.pop_front();
  if (!answered) return std::nullopt;
  return text;
}

}  // namespace

TPromptResult TScriptedPrompts::Message(QWidget*, TPromptIcon icon, const QString& title,
                                        const QString& text, TPromptButtons buttons) {
  shown.push_back({TKind::Message, icon, buttons, title, text});
  if (messageAnswers.empty()) return DefaultAnswer(buttons);
  const TPromptResult answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

std::optional<QString> TScriptedPrompts::InputText(QWidget*, const QString& caption,
                                                   const QString& initial) {
  shown.push_back({TKind::InputText, TPromptIcon::Information, TPromptButtons::OkCancel, caption,
                   initial});
  return TakeFront(inputAnswers);
}

std::optional<QString> TScriptedPrompts::OpenFileName(QWidget*, const QString& title,
                                                      const QString& folder, const QString&) {
  shown.push_back({TKind::OpenFileName, TPromptIcon::Information, TPromptButtons::OkCancel, title,
                   folder});
  return TakeFront(fileAnswers);
}

std::optional<QString> TScriptedPrompts::SaveFileName(QWidget*, const QString& title,
                                                      const QString& folder, const QString&,
                                                      const QString&) {
  shown.push_back({TKind::SaveFileName, TPromptIcon::Information, TPromptButtons::OkCancel, title,
                   folder});
  return TakeFront(fileAnswers);
}

QStringList TScriptedPrompts::MessageTexts() const {
  QStringList texts;
  for (const TShown& box : shown) {
    if (box.kind == TKind::Message) texts << box.text;
  }
  return texts;
}

}  // namespace quorvel::widgets
