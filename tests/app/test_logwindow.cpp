// The communication log: entries in the view and in the log file, the file's
// header and date-and-time lines, low-level mode, colours, "&Clear".
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "app/logwindow.h"
#include "model/colors.h"
#include "widgets/qtcolors.h"
#include "model/settingsrecord.h"

using quorvel::app::TFormChildLogWindow;

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
  void unwritableLogFileIsSilent();
  void windowLooks();

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  quorvel::model::TSettingsRecord settings_;
  QString terminalFile_;
  QString logFile_;
  std::unique_ptr<TFormChildLogWindow> Open() {
    return std::make_unique<TFormChildLogWindow>(settings_, terminalFile_);
  }
};

void TestLogWindow::init() {
  folder_ = std::make_unique<QTemporaryDir>();
  QVERIFY(folder_->isValid());
  settings_ = {};
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
  QCOMPARE(window->RichEditLog()->document()->blockCount(), 1);
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
  window->FlushView();

  QTextDocument* document = window->RichEditLog()->document();
  auto colourOf = [&](int block) {
    return document->findBlockByNumber(block).begin().fragment().charFormat().foreground().color();
  };
  QCOMPARE(document->blockCount(), 5);
  QCOMPARE(colourOf(0), ToQColor(clRed));
  QCOMPARE(colourOf(1), ToQColor(clGreen));
  QCOMPARE(colourOf(2), ToQColor(clBlue));
  QCOMPARE(colourOf(3), ToQColor(clNavy));  // later entries take the new colour
  QCOMPARE(colourOf(0), ToQColor(clRed));   // earlier ones keep theirs
  QCOMPARE(document->findBlockByNumber(4).text(), QString("FP   --> ACK"));
}

void TestLogWindow::entriesHaveAHangingIndent() {
  auto window = Open();
  window->LogHostWrite(std::string(200, 'A'));
  window->LogHostClose();
  window->FlushView();
  QTextDocument* document = window->RichEditLog()->document();
  // 48 points on a 96 dpi screen, 44 points on any other, in the document's pixels.
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
  const double expected = (qRound(dpi) == 96 ? 48.0 : 44.0) * dpi / 72.0;
  for (int block = 0; block < document->blockCount(); ++block) {
    const QTextBlockFormat format = document->findBlockByNumber(block).blockFormat();
    QCOMPARE(format.leftMargin(), expected);
    QCOMPARE(format.textIndent(), -expected);
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
  QVERIFY(window->RichEditLog()->isReadOnly());
  const QFont font = window->RichEditLog()->document()->defaultFont();
  QCOMPARE(font.family(), QString("Courier New"));
  QCOMPARE(font.pointSize(), 8);
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
