// SPDX-License-Identifier: MIT
#include "app/logwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QScreen>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/fiscalcontrol.h"
#include "model/settingsrecord.h"
#include "terminal/childwindow.h"
#include "widgets/prompts.h"

namespace quorvel::app {

namespace {

constexpr const char* kClosePort = "Close port";
constexpr const char* kLineEnd = "\r\n";
// First line of a new log file: the maker's name.
constexpr const char* kCompanyName = "Quorvel Project";

std::string BaudText(int baudRate) {
  if (baudRate < host::br1200 || baudRate > host::br115200) return std::string();
  return " " + std::to_string(host::BitsPerSecond(static_cast<host::TBaudRate>(baudRate)));
}

std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace

std::string HexText(const std::string& frame) {
  std::string text;
  AppendHexText(text, frame);
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
                                         const QString& terminalFileName, widgets::TPrompts* prompts,
                                         QWidget* parent)
    : QWidget(parent), settings_(settings), prompts_(prompts) {
  setObjectName(QStringLiteral("FormChildLogWindow"));
  setWindowTitle(QStringLiteral("Log window"));
  setMinimumWidth(kMinimumWidth);

  richEditLog_ = new TLogView(this);
  richEditLog_->setObjectName(QStringLiteral("RichEditLog"));
  richEditLog_->setContextMenuPolicy(Qt::CustomContextMenu);

  popupMenuLog_ = new QMenu(this);
  popupMenuLog_->setObjectName(QStringLiteral("PopupMenuLog"));
  menuItemCopy_ = popupMenuLog_->addAction(QStringLiteral("&Copy"));
  menuItemCopy_->setObjectName(QStringLiteral("MenuItemCopy"));
  menuItemCopy_->setShortcut(QKeySequence::Copy);
  menuItemCopy_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  richEditLog_->addAction(menuItemCopy_);  // Ctrl+C while the view has the focus
  menuItemClear_ = popupMenuLog_->addAction(QStringLiteral("&Clear"));
  menuItemClear_->setObjectName(QStringLiteral("MenuItemClear"));
  connect(menuItemCopy_, &QAction::triggered, this, &TFormChildLogWindow::MenuItemCopyClick);
  connect(menuItemClear_, &QAction::triggered, this, &TFormChildLogWindow::MenuItemClearClick);
  connect(richEditLog_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    menuItemCopy_->setEnabled(richEditLog_->HasSelection());
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
  richEditLog_->SetHangingIndent(indentPoints * dpi / 72.0);  // the view measures in pixels
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

void TFormChildLogWindow::TellUserLater(const QString& text) {
  if (prompts_ == nullptr) return;
  // Not from inside the notification being handled: a modal box there would
  // handle later notifications before this one is done.
  QMetaObject::invokeMethod(
      this, [this, text] { widgets::ShowWarning(*prompts_, this, text); }, Qt::QueuedConnection);
}

void TFormChildLogWindow::OpenLogFile() {
  const QByteArray path = QFile::encodeName(logFileName_);
  // O_NOFOLLOW: a link planted under the log's name must not lead the log
  // into another file. O_NONBLOCK: a FIFO there must not hang the window.
  constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd = ::open(path.constData(), kFlags);
  bool created = false;
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.constData(), kFlags | O_CREAT | O_EXCL, 0644);
    created = fd >= 0;
  }
  if (fd < 0 && errno == ELOOP) {
    TellUserLater(QStringLiteral("The log file %1 is a symbolic link. It was not opened, so that the file "
                                 "it points to is left alone; the log is kept in the log window only.")
                      .arg(QDir::toNativeSeparators(logFileName_)));
    return;
  }
  if (fd < 0) return;  // no log file: the view works on its own
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return;
  }
  ::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);  // blocking writes from here on
  logFd_ = fd;
  if (created) {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    WriteTextLine(kCompanyName);
    WriteTextLine(ToBytes(exe));
  }
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale = QLocale::system();
  const QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                        locale.toString(now.time(), QLocale::LongFormat);
  WriteTextLine({});
  WriteTextLine(ToBytes(stamp));
}

// A line goes to the file at once, unbuffered, in one write: O_APPEND puts it
// at the end of the file, and a crash cannot leave half a line. A write that
// fails closes the log file (a part already written is cut off again, so the
// file keeps whole lines), the user is told once, and the view goes on alone.
void TFormChildLogWindow::WriteFileLine() {
  if (logFd_ < 0) return;
  std::size_t done = 0;
  while (done < fileLine_.size()) {
    const ssize_t n = ::write(logFd_, fileLine_.data() + done, fileLine_.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int reason = n < 0 ? errno : ENOSPC;  // a write of nothing: the device is full
    if (done > 0) {
      const off_t end = ::lseek(logFd_, 0, SEEK_END);
      if (end >= off_t(done)) (void)::ftruncate(logFd_, end - off_t(done));
    }
    ::close(logFd_);
    logFd_ = -1;
    TellUserLater(QStringLiteral("The log file %1 could not be written: %2. Later entries are kept in "
                                 "the log window only.")
                      .arg(QDir::toNativeSeparators(logFileName_), QString::fromLocal8Bit(std::strerror(reason))));
    return;
  }
}

void TFormChildLogWindow::WriteTextLine(std::string_view text) {
  fileLine_.assign(text).append(kLineEnd);
  WriteFileLine();
}

std::uint32_t TFormChildLogWindow::ColorOf(TLogSource source) const {
  switch (source) {
    case TLogSource::Host: return hostColor_;
    case TLogSource::Printer: return fpColor_;
    case TLogSource::Dgi: return dgiColor_;
  }
  return 0;
}

void TFormChildLogWindow::AddEntry(TLogSource source, TLogText kind, std::string_view bytes,
                                   bool showInView, bool fileWithPrefix) {
  if (logFd_ >= 0) {
    fileLine_.clear();
    if (fileWithPrefix) fileLine_.append(LogPrefix(source));
    if (kind == TLogText::Hex) {
      AppendHexText(fileLine_, bytes);
    } else {
      fileLine_.append(bytes);
    }
    fileLine_.append(kLineEnd);
    WriteFileLine();
  }
  if (showInView) richEditLog_->Append(source, ColorOf(source), kind, bytes);
}

void TFormChildLogWindow::FlushView() { richEditLog_->Refresh(); }

QString TFormChildLogWindow::ViewText() {
  const TLogEntries& entries = richEditLog_->Entries();
  std::string text;
  for (std::uint64_t entry = 0; entry < entries.Count(); ++entry) {
    if (entry > 0) text += '\n';
    text += entries.Text(entry);
  }
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

void TFormChildLogWindow::LogHostOpen(int commPort, int baudRate) {
  AddEntry(TLogSource::Host, TLogText::Plain, HostPortText(commPort, baudRate), true, false);
}

void TFormChildLogWindow::LogHostClose() {
  AddEntry(TLogSource::Host, TLogText::Plain, kClosePort, true, false);
}

void TFormChildLogWindow::LogHostWrite(const std::string& frame) {
  AddEntry(TLogSource::Host, TLogText::Hex, frame, true, true);
}

void TFormChildLogWindow::LogFrameRead(const std::string& frame) {
  AddEntry(TLogSource::Printer, TLogText::Hex, frame, true, true);
}

void TFormChildLogWindow::LogAck() { AddEntry(TLogSource::Printer, TLogText::Plain, "ACK", lowLevel_, true); }

void TFormChildLogWindow::LogNack() { AddEntry(TLogSource::Printer, TLogText::Plain, "NACK", lowLevel_, true); }

void TFormChildLogWindow::LogIntermediateAnswer() {
  AddEntry(TLogSource::Printer, TLogText::Plain, "INTERMEDIATE ANSWER", lowLevel_, true);
}

void TFormChildLogWindow::LogDgiOpen(int commPort) {
  AddEntry(TLogSource::Dgi, TLogText::Plain, DgiPortText(commPort), true, false);
}

void TFormChildLogWindow::LogDgiClose() { AddEntry(TLogSource::Dgi, TLogText::Plain, kClosePort, true, false); }

void TFormChildLogWindow::LogDgiWrite(const std::string& frame) {
  AddEntry(TLogSource::Dgi, TLogText::Hex, frame, true, true);
}

void TFormChildLogWindow::LogSettingsChanged() { CopySettings(); }

void TFormChildLogWindow::MenuItemClearClick() { richEditLog_->Clear(); }

void TFormChildLogWindow::MenuItemCopyClick() { richEditLog_->Copy(); }

void TFormChildLogWindow::closeEvent(QCloseEvent* event) { terminal::CloseOrMinimize(*this, event, closeAllowed_); }

void TFormChildLogWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (width() < kMinimumWidth) resize(kMinimumWidth, height());
}

}  // namespace quorvel::app
