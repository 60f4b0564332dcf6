#pragma once
// The communication log of the open terminal file: every port opening and
// closing, every frame written and read (as hexadecimal bytes) and the
// printer's acknowledgements, shown coloured by source and appended to a log
// file next to the terminal file (same name, extension ".log").
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class QTextEdit;
class QMenu;
class QAction;

namespace quorvel::model {
struct TSettingsRecord;
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
  // be opened or created is no error: the view works as usual.
  TFormChildLogWindow(const model::TSettingsRecord& settings, const QString& terminalFileName,
                      QWidget* parent = nullptr);
  ~TFormChildLogWindow() override;  // closes the log file

  QString LogFileName() const { return logFileName_; }
  bool LogFileIsOpen() const { return logFd_ >= 0; }
  QTextEdit* RichEditLog() const { return richEditLog_; }
  // The view's text as plain text, pending entries included.
  QString ViewText();
  // Puts every queued entry on screen now (entries are shown in batches from
  // the event loop; the file gets each entry at once).
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

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class TSource { Host, Printer, Dgi };
  struct TEntry {
    std::uint32_t color;  // taken when the entry is made
    std::string prefix;
    std::string text;
  };

  void CopySettings();
  void OpenLogFile();
  // Writes the pieces and a CR LF as one line of the log file.
  void WriteFileLine(std::initializer_list<std::string> pieces);
  void AddEntry(TSource source, const std::string& prefix, const std::string& text,
                bool showInView, bool fileWithPrefix);
  void ScheduleFlush();
  // Puts the first `count` queued entries on screen.
  void FlushBatch(std::size_t count);
  std::uint32_t ColorOf(TSource source) const;

  const model::TSettingsRecord& settings_;
  QString logFileName_;
  int logFd_ = -1;  // -1 when the log file could be neither opened nor created
  QTextEdit* richEditLog_ = nullptr;
  QMenu* popupMenuLog_ = nullptr;
  QAction* menuItemClear_ = nullptr;
  std::uint32_t hostColor_ = 0;
  std::uint32_t fpColor_ = 0;
  std::uint32_t dgiColor_ = 0;
  bool lowLevel_ = false;
  double hangingIndent_ = 48.0;  // points
  std::vector<TEntry> pending_;
  bool flushScheduled_ = false;
  std::size_t batchSize_ = 200;  // entries per batch, sized from the last one
  bool viewHasEntries_ = false;  // the first entry goes into the empty first paragraph
  bool closeAllowed_ = false;
};

}  // namespace quorvel::app
