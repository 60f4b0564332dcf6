#include "app/logwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include "host/fiscalcontrol.h"
#include "widgets/qtcolors.h"
#include "model/settingsrecord.h"
#include "terminal/childwindow.h"

namespace quorvel::app {

namespace {

constexpr const char* kHostPrefix = "HOST --> ";
constexpr const char* kPrinterPrefix = "FP   --> ";
constexpr const char* kDgiPrefix = "FISCAL-> ";
constexpr const char* kClosePort = "Close port";
constexpr const char* kLineEnd = "\r\n";
// First line of a new log file: the maker's name.
constexpr const char* kCompanyName = "Quorvel Project";
// Entries are put on screen in batches from the event loop; one batch stops
// after this long, so a burst of traffic never holds the loop for long.
constexpr qint64 kFlushBudgetMs = 15;
constexpr std::size_t kMinBatch = 16;
constexpr std::size_t kMaxBatch = 4000;

std::string BaudText(int baudRate) {
  if (baudRate < host::br1200 || baudRate > host::br115200) return std::string();
  return " " + std::to_string(host::BitsPerSecond(static_cast<host::TBaudRate>(baudRate)));
}

std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace

std::string HexText(const std::string& frame) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(frame.size() * 3);
  for (const char c : frame) {
    const auto byte = static_cast<unsigned char>(c);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
    text += ' ';
  }
  return text;
}

std::string HostPortText(int commPort, int baudRate) {
  if (commPort == 16) return "Open USB";
  return "Open COM" + std::to_string(commPort + 1) + BaudText(baudRate) + ",N,8,1";
}

std::string DgiPortText(int commPort) {
  return "Open COM" + std::to_string(commPort + 1) + " 9600,N,8,1";
}

QString LogFileNameFor(const QString& terminalFileName) {
  const QFileInfo info(terminalFileName);
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(".log"));
}

TFormChildLogWindow::TFormChildLogWindow(const model::TSettingsRecord& settings,
                                         const QString& terminalFileName, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  setObjectName(QStringLiteral("FormChildLogWindow"));
  setWindowTitle(QStringLiteral("Log window"));
  setMinimumWidth(kMinimumWidth);

  richEditLog_ = new QTextEdit(this);
  richEditLog_->setObjectName(QStringLiteral("RichEditLog"));
  richEditLog_->setReadOnly(true);
  richEditLog_->setUndoRedoEnabled(false);
  richEditLog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  richEditLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font(QStringLiteral("Courier New"), 8);
  font.setStyleHint(QFont::Monospace);
  // Set on the view, not only its document: a later font change of the view
  // (the desktop's font, say) would otherwise reset the document's font.
  richEditLog_->setFont(font);
  richEditLog_->document()->setDefaultFont(font);
  richEditLog_->setContextMenuPolicy(Qt::CustomContextMenu);

  popupMenuLog_ = new QMenu(this);
  popupMenuLog_->setObjectName(QStringLiteral("PopupMenuLog"));
  menuItemClear_ = popupMenuLog_->addAction(QStringLiteral("&Clear"));
  menuItemClear_->setObjectName(QStringLiteral("MenuItemClear"));
  connect(menuItemClear_, &QAction::triggered, this, &TFormChildLogWindow::MenuItemClearClick);
  connect(richEditLog_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    popupMenuLog_->popup(richEditLog_->viewport()->mapToGlobal(pos));
  });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(richEditLog_);

  CopySettings();
  logFileName_ = LogFileNameFor(terminalFileName);
  OpenLogFile();

  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
  const double indentPoints = qRound(dpi) == 96 ? 48.0 : 44.0;
  hangingIndent_ = indentPoints * dpi / 72.0;  // the document measures in pixels
}

TFormChildLogWindow::~TFormChildLogWindow() {
  if (logFd_ >= 0) ::close(logFd_);
}

void TFormChildLogWindow::CopySettings() {
  hostColor_ = settings_.HostColor;
  fpColor_ = settings_.FPColor;
  dgiColor_ = settings_.DGIColor;
  lowLevel_ = settings_.LowLevel;
}

void TFormChildLogWindow::OpenLogFile() {
  const QByteArray path = QFile::encodeName(logFileName_);
  logFd_ = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
  bool created = false;
  if (logFd_ < 0 && errno == ENOENT) {
    logFd_ = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created = logFd_ >= 0;
  }
  if (logFd_ < 0) return;  // no log file: the view works on its own
  if (created) {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    WriteFileLine({kCompanyName});
    WriteFileLine({ToBytes(exe)});
  }
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale = QLocale::system();
  const QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                        locale.toString(now.time(), QLocale::LongFormat);
  WriteFileLine({});
  WriteFileLine({ToBytes(stamp)});
}

// A line goes to the file at once, unbuffered, in one write: O_APPEND puts it
// at the end of the file, and a failing write cannot leave half a line. A
// failed write is ignored: the log file is a best-effort copy of the view.
void TFormChildLogWindow::WriteFileLine(std::initializer_list<std::string> pieces) {
  if (logFd_ < 0) return;
  std::string line;
  for (const std::string& piece : pieces) line += piece;
  line += kLineEnd;
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(logFd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::uint32_t TFormChildLogWindow::ColorOf(TSource source) const {
  switch (source) {
    case TSource::Host: return hostColor_;
    case TSource::Printer: return fpColor_;
    case TSource::Dgi: return dgiColor_;
  }
  return 0;
}

void TFormChildLogWindow::AddEntry(TSource source, const std::string& prefix,
                                   const std::string& text, bool showInView,
                                   bool fileWithPrefix) {
  if (fileWithPrefix) {
    WriteFileLine({prefix, text});
  } else {
    WriteFileLine({text});
  }
  if (!showInView) return;
  pending_.push_back({ColorOf(source), prefix, text});
  ScheduleFlush();
}

void TFormChildLogWindow::ScheduleFlush() {
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    flushScheduled_ = false;
    FlushBatch(batchSize_);
  });
}

void TFormChildLogWindow::FlushView() { FlushBatch(pending_.size()); }

// The document lays the text out when the edit block ends, so the cost of a
// batch is known only afterwards: the next batch is sized from it to take
// about kFlushBudgetMs.
void TFormChildLogWindow::FlushBatch(std::size_t count) {
  count = std::min(count, pending_.size());
  if (count == 0) return;
  QElapsedTimer clock;
  clock.start();
  QTextCursor cursor(richEditLog_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  QTextBlockFormat block;
  block.setLeftMargin(hangingIndent_);
  block.setTextIndent(-hangingIndent_);
  const QColor defaultColor = richEditLog_->palette().color(QPalette::Text);
  for (std::size_t i = 0; i < count; ++i) {
    const TEntry& entry = pending_[i];
    QTextCharFormat format;
    const QColor color = widgets::ToQColor(entry.color);
    format.setForeground(color.isValid() ? color : defaultColor);
    if (viewHasEntries_) {
      cursor.insertBlock(block, format);
    } else {
      cursor.setBlockFormat(block);
      viewHasEntries_ = true;
    }
    cursor.insertText(QString::fromLatin1(entry.prefix.data(), qsizetype(entry.prefix.size())) +
                          QString::fromLatin1(entry.text.data(), qsizetype(entry.text.size())),
                      format);
  }
  cursor.endEditBlock();
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
  // Follow the newest entry without asking for the caret to be laid out.
  QScrollBar* scroll = richEditLog_->verticalScrollBar();
  scroll->setValue(scroll->maximum());

  const double elapsed = std::max<double>(1.0, double(clock.nsecsElapsed()) / 1e6);
  const double next = double(count) * double(kFlushBudgetMs) / elapsed;
  batchSize_ = std::clamp<std::size_t>(static_cast<std::size_t>(next), kMinBatch, kMaxBatch);
  if (!pending_.empty()) ScheduleFlush();
}

QString TFormChildLogWindow::ViewText() {
  FlushView();
  return richEditLog_->toPlainText();
}

void TFormChildLogWindow::LogHostOpen(int commPort, int baudRate) {
  AddEntry(TSource::Host, kHostPrefix, HostPortText(commPort, baudRate), true, false);
}

void TFormChildLogWindow::LogHostClose() {
  AddEntry(TSource::Host, kHostPrefix, kClosePort, true, false);
}

void TFormChildLogWindow::LogHostWrite(const std::string& frame) {
  AddEntry(TSource::Host, kHostPrefix, HexText(frame), true, true);
}

void TFormChildLogWindow::LogFrameRead(const std::string& frame) {
  AddEntry(TSource::Printer, kPrinterPrefix, HexText(frame), true, true);
}

void TFormChildLogWindow::LogAck() {
  AddEntry(TSource::Printer, kPrinterPrefix, "ACK", lowLevel_, true);
}

void TFormChildLogWindow::LogNack() {
  AddEntry(TSource::Printer, kPrinterPrefix, "NACK", lowLevel_, true);
}

void TFormChildLogWindow::LogIntermediateAnswer() {
  AddEntry(TSource::Printer, kPrinterPrefix, "INTERMEDIATE ANSWER", lowLevel_, true);
}

void TFormChildLogWindow::LogDgiOpen(int commPort) {
  AddEntry(TSource::Dgi, kDgiPrefix, DgiPortText(commPort), true, false);
}

void TFormChildLogWindow::LogDgiClose() {
  AddEntry(TSource::Dgi, kDgiPrefix, kClosePort, true, false);
}

void TFormChildLogWindow::LogDgiWrite(const std::string& frame) {
  AddEntry(TSource::Dgi, kDgiPrefix, HexText(frame), true, true);
}

void TFormChildLogWindow::LogSettingsChanged() { CopySettings(); }

void TFormChildLogWindow::MenuItemClearClick() {
  pending_.clear();
  richEditLog_->clear();
  viewHasEntries_ = false;
}

void TFormChildLogWindow::closeEvent(QCloseEvent* event) { terminal::CloseOrMinimize(*this, event, closeAllowed_); }

void TFormChildLogWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (width() < kMinimumWidth) resize(kMinimumWidth, height());
}

}  // namespace quorvel::app
