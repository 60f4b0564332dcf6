// SPDX-License-Identifier: MIT
#pragma once
// Message boxes and prompts go through one small interface, so that tests can
// answer them without a person and check what the user would have seen.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace quorvel::widgets {

enum class TPromptIcon { Error, Warning, Information };
enum class TPromptButtons { Ok, OkCancel, YesNo };
enum class TPromptResult { Ok, Cancel, Yes, No };

// The text of the "Input text:" prompt is cut to this many characters.
inline constexpr int kInputTextMaxLength = 25;

class TPrompts {
 public:
  virtual ~TPrompts() = default;

  // A modal message box; returns the button the user pressed.
  virtual TPromptResult Message(QWidget* parent, TPromptIcon icon, const QString& title,
                                const QString& text, TPromptButtons buttons) = 0;
  // A modal input box with the prompt "Input text:"; nullopt when cancelled.
  virtual std::optional<QString> InputText(QWidget* parent, const QString& caption,
                                           const QString& initial) = 0;
  // The desktop's open and save dialogs; nullopt when cancelled.
  // `filter` uses Qt's form, e.g. "Quorvel Files ( *.qvl) (*.qvl)".
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& title,
                                              const QString& folder, const QString& filter) = 0;
  // `defaultSuffix` is appended when the chosen name has no extension.
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                              const QString& folder, const QString& filter,
                                              const QString& defaultSuffix) = 0;
};

// Shorthands for the common boxes (one OK button).
void ShowError(TPrompts& prompts, QWidget* parent, const QString& text,
               const QString& title = QStringLiteral("Error"));
void ShowWarning(TPrompts& prompts, QWidget* parent, const QString& text,
                 const QString& title = QStringLiteral("Warning"));
void ShowInformation(TPrompts& prompts, QWidget* parent, const QString& text,
                     const QString& title = QStringLiteral("Information"));

// The "Input text:" prompt as the program uses it: the answer cut to its first
// 25 characters; Cancel gives the empty text.
QString InputText(TPrompts& prompts, QWidget* parent, const QString& caption);

// The real boxes: QMessageBox, QInputDialog, QFileDialog.
class TDialogPrompts final : public TPrompts {
 public:
  TPromptResult Message(QWidget* parent, TPromptIcon icon, const QString& title,
                        const QString& text, TPromptButtons buttons) override;
  std::optional<QString> InputText(QWidget* parent, const QString& caption,
                                   const QString& initial) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& title,
                                      const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                      const QString& folder, const QString& filter,
                                      const QString& defaultSuffix) override;
};

// For tests: answers come from queues, every box shown is recorded.
// An empty answer queue gives the default answer: Ok/Yes for messages (by the
// buttons offered), nullopt (cancel) for input and file prompts.
class TScriptedPrompts final : public TPrompts {
 public:
  enum class TKind { Message, InputText, OpenFileName, SaveFileName };
  struct TShown {
    TKind kind = TKind::Message;
    TPromptIcon icon = TPromptIcon::Information;  // messages only
    TPromptButtons buttons = TPromptButtons::Ok;  // messages only
    QString title;                                // title or caption
    QString text;                                 // message text, or the initial text / folder
  };

  std::deque<TPromptResult> messageAnswers;
  std::deque<std::optional<QString>> inputAnswers;
  std::deque<std::optional<QString>> fileAnswers;  // shared by open and save dialogs
  std::vector<TShown> shown;

  TPromptResult Message(QWidget* parent, TPromptIcon icon, const QString& title,
                        const QString& text, TPromptButtons buttons) override;
  std::optional<QString> InputText(QWidget* parent, const QString& caption,
                                   const QString& initial) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& title,
                                      const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                      const QString& folder, const QString& filter,
                                      const QString& defaultSuffix) override;

  // Texts of the message boxes shown so far, in order.
  QStringList MessageTexts() const;
};

}  // namespace quorvel::widgets
