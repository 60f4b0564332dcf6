// SPDX-License-Identifier: MIT
#pragma once
// What the terminal window needs from the main window that owns it.
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace quorvel::model {
struct TSettingsRecord;
}  // namespace quorvel::model
namespace quorvel::widgets {
class TPrompts;
}  // namespace quorvel::widgets
namespace quorvel::host {
class TFPHostControl;
}
namespace quorvel::dgi {
class TFPAuxControl;
}

namespace quorvel::terminal {

class TTerminalContext {
 public:
  virtual ~TTerminalContext() = default;

  // The settings record of the running program (port flags, date formats, TVWidth, ...).
  virtual model::TSettingsRecord& Settings() = 0;
  virtual host::TFPHostControl& Host() = 0;
  virtual dgi::TFPAuxControl& Dgi() = 0;
  virtual widgets::TPrompts& Prompts() = 0;
  // Status bar panel `panel` (0 to 3); the terminal window writes panel 1.
  virtual void SetStatusText(int panel, const QString& text) = 0;
  // The long part of a "short|long" hint, for status panel 0.
  virtual void ShowHint(const QString& hint) = 0;

  // ---- the editors the command tree opens ----
  // Called after each change an editor made to the terminal file, with the
  // file's bytes before and after it.
  using TFileChanged = std::function<void(const std::string& before, const std::string& after)>;
  // The field list editor of one command section, shown modally over `owner`
  // (the main window's; a context without editors offers none).
  virtual void EditFields(QWidget* /*owner*/, const std::string& /*fileName*/, const std::string& /*section*/,
                          const TFileChanged& /*changed*/) {}
  // What to do with a pasted or dropped command whose name the target group has.
  enum class TOverwriteChoice { Overwrite, New, Cancel };
  virtual TOverwriteChoice ChooseOverwriteOrNew(QWidget* /*owner*/) { return TOverwriteChoice::Cancel; }
  // The terminal window's Undo became possible or impossible.
  virtual void UndoChanged() {}
};

}  // namespace quorvel::terminal
