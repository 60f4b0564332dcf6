// SPDX-License-Identifier: MIT
#pragma once
// The communication log of the open terminal file: every port opening and
// closing, every frame written and read (as hexadecimal bytes) and the
// printer's acknowledgements, shown coloured by source and appended to a log
// file next to the terminal file (same name, extension ".log").
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/logview.h"

class QMenu;
class QAction;

namespace quorvel::model {
struct TSettingsRecord;
}
namespace quorvel::widgets {
class TPrompts;
}

namespace quorvel::app {

// Two upper-case hexadecimal digits and one blank per byte: {02 41 03} -> "02 41 03 ".
std::string HexText(const std::string& frame);
// "Open USB" for commPort 16; otherwise "Open COM<commPort + 1>" + baud text + ",N,8,1".
// Baud ordinals 0 ... 7 give " 1200" ... " 115200"; any other value adds nothing.
std::string HostPortText(int commPort, int baudRate);
// "Open COM<commPort + 1> 9600,N,8,1".
std::string DgiPortText(int commPort);
// The log file of a terminal file: same folder and name, extension ".log".
QString LogFileNameFor(const QString& terminalFileName);

class TFormChildLogWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMinimumWidth = 350;

  // Copies the colours and the low-level flag from `settings`, opens (or
  // creates, with its two-line header) the log file of `terminalFileName` and
  // appends an empty line and the date-and-time line. A log file that cannot
  // be opened or created is no error: the view works as usual. A log file
  // name that is a symbolic link is not followed: the file it points to is
  // left alone, the log is kept in the view only, and the user is told once
  // through `prompts` (when given), after the constructor has returned.
  TFormChildLogWindow(const model::TSettingsRecord& settings, const QString& terminalFileName,
                      widgets::TPrompts* prompts = nullptr, QWidget* parent = nullptr);
  ~TFormChildLogWindow() override;  // closes the log file

  QString LogFileName() const { return logFileName_; }
  bool LogFileIsOpen() const { return logFd_ >= 0; }
  TLogView* RichEditLog() const { return richEditLog_; }
  // Every entry of the view as plain text, one line each.
  QString ViewText();
  // Brings the screen up to date now (it catches up once per frame from the
  // event loop; the file gets each entry at once).
  void FlushView();
  // Closing by the close box only minimizes the window; the owner sets this
  // before it really closes it.
  void SetCloseAllowed(bool allowed) { closeAllowed_ = allowed; }

 public slots:
  // Frames are passed as they were when the event happened (the main window
  // captures them), so two quick writes each log their own bytes.
  void LogHostOpen(int commPort, int baudRate);
  void LogHostClose();
  void LogHostWrite(const std::string& frame);
  void LogFrameRead(const std::string& frame);
  void LogAck();
  void LogNack();
  void LogIntermediateAnswer();
  void LogDgiOpen(int commPort);
  void LogDgiClose();
  void LogDgiWrite(const std::string& frame);
  // Takes HostColor, FPColor, DGIColor and LowLevel again; earlier entries keep theirs.
  void LogSettingsChanged();
  // "&Clear": empties the view; the log file is not touched.
  void MenuItemClearClick();
  // "&Copy": puts the selected lines on the clipboard.
  void MenuItemCopyClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CopySettings();
  void OpenLogFile();
  // Writes fileLine_ (a whole line, CR LF included) to the log file in one write.
  void WriteFileLine();
  // Writes `text` and CR LF as one line of the log file.
  void WriteTextLine(std::string_view text);
  void AddEntry(TLogSource source, TLogText kind, std::string_view bytes, bool showInView,
                bool fileWithPrefix);
  std::uint32_t ColorOf(TLogSource source) const;
  // Shows `text` in a warning box once the current notification has been handled.
  void TellUserLater(const QString& text);

  const model::TSettingsRecord& settings_;
  widgets::TPrompts* prompts_ = nullptr;
  QString logFileName_;
  int logFd_ = -1;  // -1 when the log file could be neither opened nor created
  std::string fileLine_;  // the line being written, kept to spare an allocation per entry
  TLogView* richEditLog_ = nullptr;
  QMenu* popupMenuLog_ = nullptr;
  QAction* menuItemCopy_ = nullptr;
  QAction* menuItemClear_ = nullptr;
  std::uint32_t hostColor_ = 0;
  std::uint32_t fpColor_ = 0;
  std::uint32_t dgiColor_ = 0;
  bool lowLevel_ = false;
  bool closeAllowed_ = false;
};

}  // namespace quorvel::app
