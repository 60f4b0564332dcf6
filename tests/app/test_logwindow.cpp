// SPDX-License-Identifier: MIT
// The communication log: entries in the view and in the log file, the file's
// header and date-and-time lines, low-level mode, colours, "&Clear", wrapping
// with the hanging indent, selection and copy, following the end, and a log
// file that stays whole (no planted link followed, a failed write reported once).
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "app/logwindow.h"
#include "model/colors.h"
#include "widgets/prompts.h"
#include "widgets/qtcolors.h"
#include "model/settingsrecord.h"

using quorvel::app::TFormChildLogWindow;
using quorvel::app::TLogSource;
using quorvel::app::TLogText;
using quorvel::app::TLogView;
using quorvel::app::TLogWrap;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int v : values) bytes += static_cast<char>(v);
  return bytes;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
}

QList<QByteArray> FileLines(const QString& path) {
  QByteArray text = ReadAll(path);
  if (text.endsWith("\r\n")) text.chop(2);
  return text.split('\n');  // every line but the last still ends in "\r"
}

QStringList ViewLines(TFormChildLogWindow& window) {
  return window.ViewText().split('\n');
}

// A 50-byte frame that carries its number, so that every entry is different.
std::string NumberedFrame(int n) {
  std::string frame = "\x02" + std::to_string(n);
  frame.resize(49, 'x');
  return frame + "\x03";
}

// A small file system of its own for the log, made read-write; empty when the
// test may not mount one (not running as root).
class TSmallFileSystem {
 public:
  explicit TSmallFileSystem(const QString& folder) : folder_(folder) {
    QDir().mkpath(folder_);
    mounted_ = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", folder_}) == 0;
  }
  ~TSmallFileSystem() {
    if (mounted_) QProcess::execute("umount", {folder_});
  }
  bool Mounted() const { return mounted_; }

 private:
  QString folder_;
  bool mounted_ = false;
};

}  // namespace

class TestLogWindow : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void hexText_data();
  void hexText();
  void portTexts_data();
  void portTexts();
  void logFileNameReplacesTheExtension_data();
  void logFileNameReplacesTheExtension();

  void newLogFileStartsWithItsHeader();
  void secondOpeningAppendsADateLine();
  void typicalExchangeInFileAndView_data();
  void typicalExchangeInFileAndView();
  void portEntriesHaveNoPrefixInTheFile();
  void dgiFramesAndAnswers();
  void emptyFrameGivesThePrefixAlone();
  void clearEmptiesTheViewOnly();
  void coloursFollowTheSettingsFromTheirChange();
  void entriesHaveAHangingIndent();
  void wrappedLinesHoldTheWholeEntry_data();
  void wrappedLinesHoldTheWholeEntry();
  void continuationLinesArePaintedAtTheIndent();
  void resizingWrapsAgainAndKeepsTheScrollRange();
  void scrollingReachesAnyEntry();
  void followsTheEndOnlyWhileScrolledToIt();
  void mouseAndKeyboardSelectLines();
  void copyPutsTheSelectedLinesOnTheClipboard();
  void clearForgetsTheSelection();
  void burstOfEntriesIsPaintedOnce();
  void burstOfEntriesReachesTheFileWholeAndInOrder();
  void plantedLinkIsNotFollowed();
  void failedWriteIsReportedOnceAndTheViewGoesOn();
  void unwritableLogFileIsSilent();
  void windowLooks();

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  quorvel::model::TSettingsRecord settings_;
  QString terminalFile_;
  QString logFile_;
  quorvel::widgets::TScriptedPrompts prompts_;
  std::unique_ptr<TFormChildLogWindow> Open() {
    return std::make_unique<TFormChildLogWindow>(settings_, terminalFile_, &prompts_);
  }
  // A shown window of the given size holding `count` host frames of `bytes` bytes.
  std::unique_ptr<TFormChildLogWindow> ShownWith(int count, int bytes, QSize size = {400, 300}) {
    auto window = Open();
    window->resize(size);
    window->show();
    for (int i = 0; i < count; ++i) window->LogHostWrite(std::string(std::size_t(bytes), char(i)));
    window->FlushView();
    return window;
  }
};

void TestLogWindow::init() {
  folder_ = std::make_unique<QTemporaryDir>();
  QVERIFY(folder_->isValid());
  settings_ = {};
  prompts_ = {};
  terminalFile_ = QDir(folder_->path()).filePath("shop.qvl");
  logFile_ = QDir(folder_->path()).filePath("shop.log");
}

void TestLogWindow::cleanup() { folder_.reset(); }

void TestLogWindow::hexText_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<QString>("text");
  QTest::newRow("empty") << QByteArray() << "";
  QTest::newRow("stx A etx") << QByteArray("\x02\x41\x03") << "02 41 03 ";
  QTest::newRow("extremes") << QByteArray("\x00\xff\x0a", 3) << "00 FF 0A ";
}

void TestLogWindow::hexText() {
  QFETCH(QByteArray, frame);
  QFETCH(QString, text);
  QCOMPARE(QString::fromStdString(quorvel::app::HexText(frame.toStdString())), text);
}

void TestLogWindow::portTexts_data() {
  QTest::addColumn<int>("commPort");
  QTest::addColumn<int>("baudRate");
  QTest::addColumn<QString>("text");
  QTest::newRow("COM3 19200") << 2 << 4 << "Open COM3 19200,N,8,1";
  QTest::newRow("COM1 1200") << 0 << 0 << "Open COM1 1200,N,8,1";
  QTest::newRow("COM16 115200") << 15 << 7 << "Open COM16 115200,N,8,1";
  QTest::newRow("USB has no baud") << 16 << 3 << "Open USB";
  QTest::newRow("baud beyond 7 adds nothing") << 0 << 8 << "Open COM1,N,8,1";
  QTest::newRow("negative baud adds nothing") << 4 << -1 << "Open COM5,N,8,1";
}

void TestLogWindow::portTexts() {
  QFETCH(int, commPort);
  QFETCH(int, baudRate);
  QFETCH(QString, text);
  QCOMPARE(QString::fromStdString(quorvel::app::HostPortText(commPort, baudRate)), text);
  QCOMPARE(QString::fromStdString(quorvel::app::DgiPortText(1)), QString("Open COM2 9600,N,8,1"));
}

void TestLogWindow::logFileNameReplacesTheExtension_data() {
  QTest::addColumn<QString>("terminal");
  QTest::addColumn<QString>("log");
  QTest::newRow("plain") << "/work/shop.qvl" << "/work/shop.log";
  QTest::newRow("two dots") << "/work/my.shop.qvl" << "/work/my.shop.log";
  QTest::newRow("no extension") << "/work/shop" << "/work/shop.log";
  QTest::newRow("capitals") << "/work/SHOP.QVL" << "/work/SHOP.log";
}

void TestLogWindow::logFileNameReplacesTheExtension() {
  QFETCH(QString, terminal);
  QTEST(quorvel::app::LogFileNameFor(terminal), "log");
}

void TestLogWindow::newLogFileStartsWithItsHeader() {
  QVERIFY(!QFile::exists(logFile_));
  auto window = Open();
  QCOMPARE(window->LogFileName(), logFile_);
  QVERIFY(window->LogFileIsOpen());
  const QList<QByteArray> lines = FileLines(logFile_);
  QCOMPARE(lines.size(), 4);
  QVERIFY(lines[0].endsWith('\r'));
  QVERIFY(lines[0].size() > 1);  // the maker's name
  QCOMPARE(lines[1], QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLatin1() + "\r");
  QCOMPARE(lines[2], QByteArray("\r"));
  const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
  QVERIFY2(QString::fromLatin1(lines[3]).startsWith(today), lines[3].constData());
  QVERIFY(ReadAll(logFile_).endsWith("\r\n"));
}

void TestLogWindow::secondOpeningAppendsADateLine() {
  {
    auto window = Open();
    window->LogHostClose();
  }
  const QByteArray first = ReadAll(logFile_);
  { auto window = Open(); }
  const QByteArray second = ReadAll(logFile_);
  QVERIFY(second.startsWith(first));
  const QList<QByteArray> added = second.mid(first.size()).split('\n');
  QCOMPARE(added.size(), 3);  // "", the date line, and the end after the last line end
  QCOMPARE(added[0], QByteArray("\r"));
  QVERIFY(added[1].size() > 1);
  QCOMPARE(added[2], QByteArray());
  QCOMPARE(first.count("Close port\r\n"), 1);
}

void TestLogWindow::typicalExchangeInFileAndView_data() {
  QTest::addColumn<bool>("lowLevel");
  QTest::newRow("normal") << false;
  QTest::newRow("low level") << true;
}

void TestLogWindow::typicalExchangeInFileAndView() {
  QFETCH(bool, lowLevel);
  settings_.LowLevel = lowLevel;
  auto window = Open();
  window->LogHostWrite(Bytes({0x02, 0x41, 0x03}));
  window->LogAck();
  window->LogIntermediateAnswer();
  window->LogFrameRead(Bytes({0x02, 0x42, 0x03}));
  window->LogHostWrite(Bytes({0x06}));
  window->LogNack();

  const QList<QByteArray> file = FileLines(logFile_).mid(4);
  const QList<QByteArray> expectedFile = {
      "HOST --> 02 41 03 \r", "FP   --> ACK\r", "FP   --> INTERMEDIATE ANSWER\r",
      "FP   --> 02 42 03 \r", "HOST --> 06 \r", "FP   --> NACK"};
  QCOMPARE(file, expectedFile);  // the file has every entry in both modes

  QStringList expectedView = {"HOST --> 02 41 03 ", "FP   --> 02 42 03 ", "HOST --> 06 "};
  if (lowLevel) {
    expectedView = {"HOST --> 02 41 03 ", "FP   --> ACK", "FP   --> INTERMEDIATE ANSWER",
                    "FP   --> 02 42 03 ", "HOST --> 06 ", "FP   --> NACK"};
  }
  QCOMPARE(ViewLines(*window), expectedView);
}

void TestLogWindow::portEntriesHaveNoPrefixInTheFile() {
  auto window = Open();
  window->LogHostOpen(2, 4);
  window->LogHostClose();
  window->LogDgiOpen(0);
  window->LogDgiClose();
  QCOMPARE(FileLines(logFile_).mid(4),
           QList<QByteArray>({"Open COM3 19200,N,8,1\r", "Close port\r", "Open COM1 9600,N,8,1\r",
                              "Close port"}));
  QCOMPARE(ViewLines(*window),
           QStringList({"HOST --> Open COM3 19200,N,8,1", "HOST --> Close port",
                        "FISCAL-> Open COM1 9600,N,8,1", "FISCAL-> Close port"}));
}

void TestLogWindow::dgiFramesAndAnswers() {
  auto window = Open();
  window->LogDgiWrite(Bytes({0x05}));
  window->LogFrameRead(Bytes({0x02, 0x30, 0x03}));
  QCOMPARE(ViewLines(*window), QStringList({"FISCAL-> 05 ", "FP   --> 02 30 03 "}));
  QCOMPARE(FileLines(logFile_).mid(4),
           QList<QByteArray>({"FISCAL-> 05 \r", "FP   --> 02 30 03 "}));
}

void TestLogWindow::emptyFrameGivesThePrefixAlone() {
  auto window = Open();
  window->LogHostWrite(std::string());
  QCOMPARE(ViewLines(*window), QStringList({"HOST --> "}));
  QCOMPARE(FileLines(logFile_).mid(4), QList<QByteArray>({"HOST --> "}));
}

void TestLogWindow::clearEmptiesTheViewOnly() {
  auto window = Open();
  window->LogHostClose();
  window->FlushView();
  window->LogDgiClose();  // still queued for the view when "&Clear" comes
  const QByteArray before = ReadAll(logFile_);
  window->MenuItemClearClick();
  QCOMPARE(window->ViewText(), QString());
  QCOMPARE(ReadAll(logFile_), before);
  window->LogHostClose();
  QCOMPARE(ViewLines(*window), QStringList({"HOST --> Close port"}));
  QCOMPARE(window->RichEditLog()->Entries().Count(), 1u);
}

void TestLogWindow::coloursFollowTheSettingsFromTheirChange() {
  using namespace quorvel::model;
  using quorvel::widgets::ToQColor;
  settings_.HostColor = clRed;
  settings_.FPColor = clGreen;
  settings_.DGIColor = clBlue;
  auto window = Open();
  window->LogHostClose();
  window->LogFrameRead(Bytes({0x01}));
  window->LogDgiClose();
  settings_.HostColor = clNavy;
  settings_.LowLevel = true;
  window->LogAck();  // before the change is announced: old flag, not in the view
  window->LogSettingsChanged();
  window->LogHostClose();
  window->LogAck();

  const TLogView& view = *window->RichEditLog();
  QCOMPARE(view.Entries().Count(), 5u);
  QCOMPARE(view.EntryColor(0), ToQColor(clRed));
  QCOMPARE(view.EntryColor(1), ToQColor(clGreen));
  QCOMPARE(view.EntryColor(2), ToQColor(clBlue));
  QCOMPARE(view.EntryColor(3), ToQColor(clNavy));  // later entries take the new colour
  QCOMPARE(view.EntryColor(0), ToQColor(clRed));   // earlier ones keep theirs
  QCOMPARE(view.Entries().Text(4), std::string("FP   --> ACK"));

  // And they are painted in those colours.
  window->resize(400, 300);
  window->show();
  window->FlushView();
  for (const TLogView::TScreenRow& row : window->RichEditLog()->ScreenRows()) {
    QCOMPARE(row.color, view.EntryColor(row.entry));
  }
}

void TestLogWindow::entriesHaveAHangingIndent() {
  auto window = ShownWith(0, 0);
  window->LogHostWrite(std::string(200, 'A'));
  window->LogHostClose();
  window->FlushView();
  TLogView& view = *window->RichEditLog();
  // 48 points on a 96 dpi screen, 44 points on any other, in pixels.
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
  const double indent = (qRound(dpi) == 96 ? 48.0 : 44.0) * dpi / 72.0;
  QCOMPARE(view.HangingIndent(), indent);
  const std::vector<TLogView::TScreenRow> rows = view.ScreenRows();
  QVERIFY(rows.size() > 3);  // the long frame wraps
  const int viewportWidth = view.viewport()->width();
  const QFontMetricsF metrics(view.font());
  for (const TLogView::TScreenRow& row : rows) {
    QCOMPARE(row.x, TLogView::kMargin + (row.row == 0 ? 0 : qRound(indent)));
    // No line passes the right edge (the blank after the last byte may).
    QVERIFY2(row.x + metrics.horizontalAdvance(row.text.trimmed()) <= viewportWidth, qPrintable(row.text));
  }
  QCOMPARE(rows.back().text, QString("HOST --> Close port"));
  QCOMPARE(rows.back().row, 0u);
}

void TestLogWindow::wrappedLinesHoldTheWholeEntry_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<int>("firstColumns");
  QTest::addColumn<int>("nextColumns");
  QTest::newRow("hex, wide") << int(TLogText::Hex) << 80 << 70;
  QTest::newRow("hex, first line ends on a byte") << int(TLogText::Hex) << 17 << 9;
  QTest::newRow("hex, blank passes the edge") << int(TLogText::Hex) << 16 << 8;
  QTest::newRow("hex, no byte beside the prefix") << int(TLogText::Hex) << 10 << 2;
  QTest::newRow("plain, wide") << int(TLogText::Plain) << 80 << 70;
  QTest::newRow("plain, narrow") << int(TLogText::Plain) << 12 << 5;
  QTest::newRow("plain, one column") << int(TLogText::Plain) << 1 << 1;
}

// Whatever the width: the lines of an entry, in order, give back its text;
// none is longer than its columns; and the count of lines is what the
// arithmetic says, so that the scroll range matches what is painted.
void TestLogWindow::wrappedLinesHoldTheWholeEntry() {
  QFETCH(int, kind);
  QFETCH(int, firstColumns);
  QFETCH(int, nextColumns);
  const TLogWrap wrap{firstColumns, nextColumns};
  const auto textKind = TLogText(kind);
  quorvel::app::TLogEntries entries;
  for (std::size_t length = 0; length <= 120; ++length) {
    entries.Add(TLogSource::Printer, 0, textKind, std::string(length, 'Z'));
    const std::uint64_t entry = entries.Count() - 1;
    const std::string whole = entries.Text(entry);
    const std::uint64_t rows = wrap.Rows(textKind, length);
    std::string joined;
    for (std::uint64_t row = 0; row < rows; ++row) {
      const std::string line = wrap.RowText(TLogSource::Printer, textKind, entries.Bytes(entry), row);
      QVERIFY2(row == 0 || !line.empty(), qPrintable(QString("empty line %1 of length %2").arg(row).arg(length)));
      std::string shown = line;
      if (textKind == TLogText::Hex && !shown.empty() && shown.back() == ' ') shown.pop_back();
      const int columns = row == 0 ? firstColumns : nextColumns;
      QVERIFY2(int(shown.size()) <= std::max(columns, row == 0 ? 9 : 2), line.c_str());
      joined += line;
    }
    QCOMPARE(joined, whole);
    QVERIFY(wrap.RowText(TLogSource::Printer, textKind, entries.Bytes(entry), rows).empty());
  }
}

void TestLogWindow::continuationLinesArePaintedAtTheIndent() {
  settings_.HostColor = quorvel::model::clBlack;
  auto window = ShownWith(1, 120);
  TLogView& view = *window->RichEditLog();
  const std::vector<TLogView::TScreenRow> rows = view.ScreenRows();
  QVERIFY(rows.size() >= 2 && rows[1].row == 1);
  const QImage image = view.viewport()->grab().toImage();
  const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
  auto inkBetween = [&](int top, int left, int right) {
    for (int y = top; y < top + view.LineHeight(); ++y) {
      for (int x = left; x < right; ++x) {
        if (image.pixelColor(x, y) != background) return true;
      }
    }
    return false;
  };
  const int indentX = rows[1].x;
  QVERIFY(inkBetween(rows[0].y, 0, indentX));                 // the first line starts at the margin
  QVERIFY(!inkBetween(rows[1].y, 0, indentX - 1));            // the continuation leaves the indent empty
  QVERIFY(inkBetween(rows[1].y, indentX, image.width() / 2));  // and starts right after it
}

void TestLogWindow::resizingWrapsAgainAndKeepsTheScrollRange() {
  auto window = ShownWith(300, 40, {400, 300});
  TLogView& view = *window->RichEditLog();
  auto expectedMaximum = [&] {
    std::uint64_t rows = 0;
    for (std::uint64_t e = 0; e < view.Entries().Count(); ++e) rows += view.Wrap().Rows(TLogText::Hex, 40);
    const std::uint64_t page = std::uint64_t(view.viewport()->height() / view.LineHeight());
    return int(rows - page);
  };
  const TLogWrap narrow = view.Wrap();
  QCOMPARE(view.verticalScrollBar()->maximum(), expectedMaximum());
  window->resize(900, 300);
  window->FlushView();
  QVERIFY(view.Wrap().firstColumns > narrow.firstColumns);
  QCOMPARE(view.verticalScrollBar()->maximum(), expectedMaximum());
  QVERIFY(view.FollowsEnd());
  QCOMPARE(view.ScreenRows().back().entry, 299u);
}

void TestLogWindow::scrollingReachesAnyEntry() {
  // Every frame takes the same number of lines, so line n belongs to entry n / lines.
  auto window = ShownWith(5000, 40);
  TLogView& view = *window->RichEditLog();
  const std::uint64_t lines = view.Wrap().Rows(TLogText::Hex, 40);
  QVERIFY(lines > 1);
  for (const int row : {0, 1, 7, 1234, 9999, view.verticalScrollBar()->maximum() - 1}) {
    view.verticalScrollBar()->setValue(row);
    const std::vector<TLogView::TScreenRow> rows = view.ScreenRows();
    QCOMPARE(rows.front().entry, std::uint64_t(row) / lines);
    QCOMPARE(rows.front().row, std::uint64_t(row) % lines);
    QCOMPARE(view.TopEntry(), std::uint64_t(row) / lines);
  }
}

void TestLogWindow::followsTheEndOnlyWhileScrolledToIt() {
  auto window = ShownWith(200, 10);
  TLogView& view = *window->RichEditLog();
  QScrollBar* bar = view.verticalScrollBar();
  QVERIFY(view.FollowsEnd());
  QCOMPARE(bar->value(), bar->maximum());
  window->LogHostClose();
  window->FlushView();
  QCOMPARE(view.ScreenRows().back().text, QString("HOST --> Close port"));  // pulled along
  QCOMPARE(bar->value(), bar->maximum());

  bar->setValue(5);  // the user reads older lines
  QVERIFY(!view.FollowsEnd());
  const std::uint64_t top = view.TopEntry();
  for (int i = 0; i < 50; ++i) window->LogFrameRead("\x06");
  QTest::qWait(100);  // the view catches up from the event loop
  window->FlushView();
  QCOMPARE(view.TopEntry(), top);  // not pulled away
  QCOMPARE(bar->value(), 5);
  QVERIFY(bar->maximum() > 5);

  bar->setValue(bar->maximum());  // back at the end: following again
  QVERIFY(view.FollowsEnd());
  window->LogDgiClose();
  window->FlushView();
  QCOMPARE(view.ScreenRows().back().text, QString("FISCAL-> Close port"));
}

void TestLogWindow::mouseAndKeyboardSelectLines() {
  auto window = ShownWith(0, 0);
  for (int i = 0; i < 40; ++i) window->LogHostClose();
  window->FlushView();
  TLogView& view = *window->RichEditLog();
  view.verticalScrollBar()->setValue(0);
  const int line = view.LineHeight();
  QWidget* viewport = view.viewport();

  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(30, 2 * line + line / 2));
  QVERIFY(view.HasSelection());
  QCOMPARE(view.SelectionFirst(), 2u);
  QCOMPARE(view.SelectionLast(), 2u);
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 5 * line + 1));
  QCOMPARE(view.SelectionFirst(), 2u);
  QCOMPARE(view.SelectionLast(), 5u);
  // Dragging from line 1 to line 3.
  QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(30, line + 1));
  QMouseEvent move(QEvent::MouseMove, QPointF(30, 3 * line + 1), viewport->mapToGlobal(QPointF(30, 3 * line + 1)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(30, 3 * line + 1));
  QCOMPARE(view.SelectionFirst(), 1u);
  QCOMPARE(view.SelectionLast(), 3u);

  view.setFocus();
  QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(view.SelectionFirst(), 1u);
  QCOMPARE(view.SelectionLast(), 5u);
  QTest::keyClick(&view, Qt::Key_Up);  // without Shift: one line
  QCOMPARE(view.SelectionFirst(), 4u);
  QCOMPARE(view.SelectionLast(), 4u);
  QTest::keyClick(&view, Qt::Key_End);
  QCOMPARE(view.SelectionFirst(), 39u);
  QVERIFY(view.FollowsEnd());  // the current line is kept on screen
  QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
  QCOMPARE(view.SelectionFirst(), 0u);
  QCOMPARE(view.SelectionLast(), 39u);
  QCOMPARE(view.TopEntry(), 0u);
  QVERIFY(!view.FollowsEnd());

  // A click below the last line selects nothing.
  window->MenuItemClearClick();
  window->LogHostClose();
  window->FlushView();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(30, 0));
  QVERIFY(view.HasSelection());
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(30, 6 * line));
  QVERIFY(!view.HasSelection());
}

void TestLogWindow::copyPutsTheSelectedLinesOnTheClipboard() {
  settings_.LowLevel = true;
  auto window = ShownWith(0, 0);
  window->LogHostWrite(Bytes({0x02, 0x41, 0x03}));
  window->LogAck();
  window->LogFrameRead(Bytes({0x02, 0x42, 0x03}));
  window->FlushView();
  TLogView& view = *window->RichEditLog();
  QClipboard* clipboard = QGuiApplication::clipboard();

  clipboard->setText("before");
  window->MenuItemCopyClick();  // nothing selected: nothing copied
  QCOMPARE(clipboard->text(), QString("before"));

  view.SelectEntries(0, 1);
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(clipboard->text(), QString("HOST --> 02 41 03 \nFP   --> ACK"));

  QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
  auto* copy = window->findChild<QAction*>("MenuItemCopy");
  QVERIFY(copy != nullptr);
  QCOMPARE(copy->text(), QString("&Copy"));
  copy->trigger();
  QCOMPARE(clipboard->text(), QString("HOST --> 02 41 03 \nFP   --> ACK\nFP   --> 02 42 03 "));

  // "&Copy" sits beside "&Clear" in the context menu.
  auto* menu = window->findChild<QMenu*>("PopupMenuLog");
  QVERIFY(menu != nullptr);
  QStringList items;
  for (QAction* action : menu->actions()) items << action->text();
  QCOMPARE(items, QStringList({"&Copy", "&Clear"}));
}

void TestLogWindow::clearForgetsTheSelection() {
  auto window = ShownWith(100, 10);
  TLogView& view = *window->RichEditLog();
  view.verticalScrollBar()->setValue(0);
  view.SelectEntries(3, 7);
  window->MenuItemClearClick();
  QVERIFY(!view.HasSelection());
  QVERIFY(view.FollowsEnd());
  QCOMPARE(view.verticalScrollBar()->maximum(), 0);
  QVERIFY(view.ScreenRows().empty());
  window->LogHostClose();
  window->FlushView();
  QCOMPARE(view.ScreenRows().front().y, 0);  // at the top again
}

// Counts the paint events of a widget.
class TPaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

void TestLogWindow::burstOfEntriesIsPaintedOnce() {
  auto window = ShownWith(0, 0);
  QTest::qWait(50);  // the first paints of a new window are done
  TPaintCounter counter;
  window->RichEditLog()->viewport()->installEventFilter(&counter);
  for (int i = 0; i < 5000; ++i) window->LogHostWrite(NumberedFrame(i));
  QCOMPARE(counter.paints, 0);  // nothing is laid out or painted per entry
  QTRY_COMPARE(window->RichEditLog()->ScreenRows().back().entry, 4999u);
  QTRY_VERIFY(counter.paints >= 1);
  QTest::qWait(100);
  // One catch-up for the whole burst (a paint of the window's own start may
  // still come on a loaded machine): a handful at most, not thousands.
  QVERIFY2(counter.paints <= 5, qPrintable(QString::number(counter.paints)));
}

void TestLogWindow::burstOfEntriesReachesTheFileWholeAndInOrder() {
  constexpr int kEntries = 100000;
  auto window = Open();
  window->resize(500, 300);
  window->show();
  TFormChildLogWindow* log = window.get();
  // Handed over the way the main window does it: one queued notification each,
  // all of them before the event loop gets to the first.
  for (int i = 0; i < kEntries; ++i) {
    QMetaObject::invokeMethod(log, [log, frame = NumberedFrame(i)] { log->LogHostWrite(frame); },
                              Qt::QueuedConnection);
  }
  QTRY_COMPARE_WITH_TIMEOUT(log->RichEditLog()->Entries().Count(), std::uint64_t(kEntries), 60000);

  const QList<QByteArray> lines = FileLines(logFile_).mid(4);
  QCOMPARE(lines.size(), kEntries);
  for (int i = 0; i < kEntries; ++i) {
    QByteArray expected = "HOST --> " + QByteArray::fromStdString(quorvel::app::HexText(NumberedFrame(i)));
    if (i + 1 < kEntries) expected += '\r';
    if (lines[i] != expected) QFAIL(qPrintable(QString("line %1 is %2").arg(i).arg(QString::fromLatin1(lines[i]))));
  }
  QVERIFY(ReadAll(logFile_).endsWith("\r\n"));
  // The view has them all as well, the last one on screen.
  log->FlushView();
  QCOMPARE(log->RichEditLog()->ScreenRows().back().entry, std::uint64_t(kEntries - 1));
  QCOMPARE(QString::fromStdString(log->RichEditLog()->Entries().Text(kEntries - 1)),
           "HOST --> " + QString::fromStdString(quorvel::app::HexText(NumberedFrame(kEntries - 1))));
}

void TestLogWindow::plantedLinkIsNotFollowed() {
  const QString target = QDir(folder_->path()).filePath("private.txt");
  {
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("mine\n");
  }
  QVERIFY(QFile::link(target, logFile_));
  auto window = Open();
  QVERIFY(!window->LogFileIsOpen());
  window->LogHostClose();
  window->LogHostWrite(Bytes({0x06}));
  QTRY_COMPARE(prompts_.shown.size(), std::size_t(1));
  QTest::qWait(50);
  QCOMPARE(prompts_.shown.size(), std::size_t(1));  // told once
  QCOMPARE(prompts_.shown[0].icon, quorvel::widgets::TPromptIcon::Warning);
  QVERIFY2(prompts_.shown[0].text.contains("symbolic link"), qPrintable(prompts_.shown[0].text));
  QVERIFY(prompts_.shown[0].text.contains(QDir::toNativeSeparators(logFile_)));
  QCOMPARE(ReadAll(target), QByteArray("mine\n"));  // the target is untouched
  QVERIFY(QFileInfo(logFile_).isSymLink());
  QCOMPARE(ViewLines(*window), QStringList({"HOST --> Close port", "HOST --> 06 "}));  // the view goes on

  // A link that leads nowhere is not followed either (nothing is created at its end).
  const QString nowhere = QDir(folder_->path()).filePath("nowhere.log");
  QVERIFY(QFile::remove(logFile_));
  QVERIFY(QFile::link(nowhere, logFile_));
  auto second = Open();
  QVERIFY(!second->LogFileIsOpen());
  QVERIFY(!QFile::exists(nowhere));
}

void TestLogWindow::failedWriteIsReportedOnceAndTheViewGoesOn() {
  const QString small = QDir(folder_->path()).filePath("small");
  TSmallFileSystem fileSystem(small);
  if (!fileSystem.Mounted()) QSKIP("mounting a small file system needs root");
  terminalFile_ = QDir(small).filePath("shop.qvl");
  logFile_ = QDir(small).filePath("shop.log");
  {
    auto window = Open();
    QVERIFY(window->LogFileIsOpen());
    constexpr int kEntries = 400;  // about 60 KiB of lines: more than the file system holds
    for (int i = 0; i < kEntries; ++i) window->LogHostWrite(NumberedFrame(i));
    QTRY_COMPARE(prompts_.shown.size(), std::size_t(1));
    QTest::qWait(50);
    QCOMPARE(prompts_.shown.size(), std::size_t(1));  // once, not once per entry
    QVERIFY2(prompts_.shown[0].text.contains("could not be written"), qPrintable(prompts_.shown[0].text));
    QVERIFY(prompts_.shown[0].text.contains("No space left on device"));
    QCOMPARE(window->RichEditLog()->Entries().Count(), std::uint64_t(kEntries));  // the view goes on

    // The file holds whole lines only, in order, from the first entry on.
    const QList<QByteArray> lines = FileLines(logFile_).mid(4);
    QVERIFY(lines.size() > 10);
    QVERIFY(ReadAll(logFile_).endsWith("\r\n"));
    for (int i = 0; i < lines.size(); ++i) {
      QByteArray expected = "HOST --> " + QByteArray::fromStdString(quorvel::app::HexText(NumberedFrame(i)));
      if (i + 1 < lines.size()) expected += '\r';
      QCOMPARE(lines[i], expected);
    }
  }
}

void TestLogWindow::unwritableLogFileIsSilent() {
  terminalFile_ = QDir(folder_->path()).filePath("missing-folder/shop.qvl");
  auto window = Open();
  QVERIFY(!window->LogFileIsOpen());
  window->LogHostClose();
  QCOMPARE(ViewLines(*window), QStringList({"HOST --> Close port"}));
}

void TestLogWindow::windowLooks() {
  auto window = Open();
  QCOMPARE(window->windowTitle(), QString("Log window"));
  const QFont font = window->RichEditLog()->font();
  QCOMPARE(font, quorvel::app::LogViewFont());
  // The desktop's fixed-width font at the window's 8 points.
  QCOMPARE(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  QCOMPARE(font.pointSize(), 8);
  // Wrapped heights are worked out from one character width.
  QCOMPARE(QFontMetricsF(font).horizontalAdvance('i'), QFontMetricsF(font).horizontalAdvance('W'));
  QCOMPARE(window->RichEditLog()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(window->RichEditLog()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  window->show();
  window->resize(200, 300);
  QTRY_COMPARE(window->width(), TFormChildLogWindow::kMinimumWidth);
  QVERIFY(!window->close());  // the close box only minimizes
  QVERIFY(window->isVisible());
  window->SetCloseAllowed(true);
  QVERIFY(window->close());
}

QTEST_MAIN(TestLogWindow)
#include "test_logwindow.moc"
