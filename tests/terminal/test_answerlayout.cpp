// SPDX-License-Identifier: MIT
// Where the answer page puts its widgets: the panel and row grids, the page
// stacked from the width of its scroll box, and the window laying the page out
// for the width it really has, on its first answer and after every resize.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "terminal/answerlayout.h"
#include "terminal/terminal.h"
#include "terminaltestcontext.h"

using quorvel::terminal::ComputeAnswerPageLayout;
using quorvel::terminal::TAnswerGrid;
using quorvel::terminal::TAnswerPageLayout;
using quorvel::terminal::TFormChildTerminalWindow;
using quorvel::terminal::TPanelGrid;
using quorvel::terminal::test::TTestContext;
using quorvel::terminal::test::WriteTerminalFile;

namespace {

// Five fiscal panels (numbers 1 to 5) and two printer panels.
const QStringList kStatusFile = {
    "[FiscalAnswer]",
    "Record1=1,1,0001,0001,\"Error\",clRed",
    "Record2=2,5,0000,0000,\"Always\",clGreen",
    "[PrinterAnswer]",
    "Record1=1,2,0004,0004,\"Paper out\",clRed",
};
constexpr int kFiscalPanels = 5;
constexpr int kPrinterPanels = 2;

// The terminal window as the main window shows it: maximized in a multiple-document area.
struct TMaximizedWindow {
  explicit TMaximizedWindow(QSize areaSize) {
    path = WriteTerminalFile(folder, QStringLiteral("layout.qvl"), kStatusFile);
    area.resize(areaSize);
    area.show();
    window = new TFormChildTerminalWindow(context, path);
    sub = area.addSubWindow(window);
    sub->showMaximized();
  }

  template <typename T>
  T* Child(const QString& name) const { return window->findChild<T*>(name); }
  int ClientWidth() const { return Child<QScrollArea>("ScrollBoxAnswer")->viewport()->width(); }

  // Every widget of the shown answer stands where the page of the current client width puts it.
  void CheckLaidOutForItsWidth(int rowCount) const {
    const int width = ClientWidth();
    const TAnswerPageLayout page = ComputeAnswerPageLayout(width, kFiscalPanels, kPrinterPanels, rowCount);
    QCOMPARE(Child<QGroupBox>("GroupBoxFiscalAnswer")->geometry(), page.fiscalBox);
    QCOMPARE(Child<QGroupBox>("GroupBoxPrinterAnswer")->geometry(), page.printerBox);
    QCOMPARE(Child<QLabel>("PanelFiscal5")->pos(), page.fiscalPanels[4]);
    QCOMPARE(Child<QLabel>("PanelPrinter2")->pos(), page.printerPanels[1]);
    QCOMPARE(Child<QFrame>("BevelSeparator")->geometry(), page.separator);
    for (int i = 0; i < rowCount; ++i) {
      QCOMPARE(Child<QLabel>(QStringLiteral("AnswerLabel%1").arg(i))->pos(), page.rowLabels[i]);
      QCOMPARE(Child<QLineEdit>(QStringLiteral("AnswerBox%1").arg(i))->geometry(),
               QRect(page.rowLabels[i].x(), page.rowLabels[i].y() + 18, page.rows.boxWidth, 24));
    }
    QCOMPARE(Child<QWidget>("AnswerForm")->size(), QSize(width, page.height));
  }

  QTemporaryDir folder;
  QString path;
  TTestContext context;
  QMdiArea area;
  TFormChildTerminalWindow* window = nullptr;  // owned by the area
  QMdiSubWindow* sub = nullptr;
};

std::vector<std::string> Values(int count) { return std::vector<std::string>(static_cast<std::size_t>(count), "v"); }

}  // namespace

class TestAnswerLayout : public QObject {
  Q_OBJECT

 private slots:
  void panelGridOfABox_data();
  void panelGridOfABox();
  void answerRowGrid_data();
  void answerRowGrid();
  void pageStacksBoxesSeparatorAndRows();
  void firstAnswerOfANewlyShownMaximizedWindowUsesThePagesWidth();
  void resizeLaysTheShownPageOutAgain();
  void resizeWhileAnotherPageIsShownTakesEffectWhenTheAnswerPageReturns();
  void answerTallerThanThePageFitsTheWidthLeftBesideTheScrollBar();
  void windowIsBuiltUnderAnApplicationStyleSheet();
};

void TestAnswerLayout::panelGridOfABox_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("columns");
  QTest::addColumn<int>("left");
  QTest::addColumn<QPoint>("fifth");  // where panel 5 goes
  QTest::addColumn<int>("heightOfFive");
  QTest::newRow("two columns") << 464 << 2 << 52 << QPoint(52, 77) << 101;
  QTest::newRow("exactly one column") << 195 << 1 << 10 << QPoint(10, 139) << 163;
  // Narrower than a panel: still one column, centred, so it starts left of the box.
  QTest::newRow("narrower than a panel") << 100 << 1 << (100 - 175) / 2 << QPoint((100 - 175) / 2, 139) << 163;
  QTest::newRow("five columns") << 1000 << 5 << 42 << QPoint(42 + 4 * 185, 15) << 39;
}

void TestAnswerLayout::panelGridOfABox() {
  QFETCH(int, width);
  QFETCH(int, columns);
  QFETCH(int, left);
  QFETCH(QPoint, fifth);
  QFETCH(int, heightOfFive);
  const TPanelGrid grid = TPanelGrid::ForClientWidth(width);
  QCOMPARE(grid.columns, columns);
  QCOMPARE(grid.left, left);
  QCOMPARE(grid.Place(0), QPoint(left, 15));
  QCOMPARE(grid.Place(4), fifth);
  QCOMPARE(grid.BoxHeight(5), heightOfFive);
  QCOMPARE(grid.Rows(0), 0);
}

void TestAnswerLayout::answerRowGrid_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("columns");
  QTest::addColumn<int>("boxWidth");
  QTest::newRow("600: three columns") << 600 << 3 << 180;  // 150 + (600 - 40 - 450 - 20) / 3
  QTest::newRow("1145: six columns") << 1145 << 6 << 175;  // 150 + (1145 - 40 - 900 - 50) / 6
  // Narrower than one column: one column, the division truncating toward zero.
  QTest::newRow("100: one narrow column") << 100 << 1 << 60;
}

void TestAnswerLayout::answerRowGrid() {
  QFETCH(int, width);
  QFETCH(int, columns);
  QFETCH(int, boxWidth);
  const TAnswerGrid grid = TAnswerGrid::ForClientWidth(width, 100);
  QCOMPARE(grid.columns, columns);
  QCOMPARE(grid.boxWidth, boxWidth);
  QCOMPARE(grid.Place(0), QPoint(20, 100));
  QCOMPARE(grid.Place(columns - 1), QPoint(20 + (columns - 1) * (boxWidth + 10), 100));
  QCOMPARE(grid.Place(columns), QPoint(20, 155));  // the next row
}

void TestAnswerLayout::pageStacksBoxesSeparatorAndRows() {
  // 600 wide: boxes 580 wide hold 2 panels a row; 5 panels make 3 rows (101 high).
  const TAnswerPageLayout page = ComputeAnswerPageLayout(600, 5, 0, 4);
  QCOMPARE(page.fiscalBox, QRect(10, 20, 580, 101));
  QCOMPARE(page.fiscalPanels.size(), std::size_t{5});
  QCOMPARE(page.fiscalPanels[2], TPanelGrid::ForClientWidth(580).Place(2));
  QCOMPARE(page.printerBox, QRect(10, 20 + 101 + 20, 580, 22));  // no panels: the bare box
  QVERIFY(page.printerPanels.empty());
  QCOMPARE(page.separator, QRect(0, 141 + 22 + 20, 600, 3));
  QCOMPARE(page.rows.top, 183 + 3 + 10);
  QCOMPARE(page.rowLabels.size(), std::size_t{4});
  QCOMPARE(page.rowLabels[3], QPoint(20, 196 + 55));  // three columns: the fourth row starts a new line
  QCOMPARE(page.height, 251 + 18 + 24 + 10);
  // No rows: the page ends 10 below where they would start; negative counts are none.
  const TAnswerPageLayout empty = ComputeAnswerPageLayout(600, -1, -3, -2);
  QCOMPARE(empty.fiscalBox.height(), 22);
  QVERIFY(empty.rowLabels.empty());
  QCOMPARE(empty.height, empty.rows.top + 10);
}

void TestAnswerLayout::firstAnswerOfANewlyShownMaximizedWindowUsesThePagesWidth() {
  TMaximizedWindow shown(QSize(1300, 800));
  QVERIFY(QTest::qWaitForWindowExposed(&shown.area));
  // The first answer of the window, with the commands page still in front.
  shown.window->ShowAnswer(0x0001, 0x0004, Values(8), 0);
  QCOMPARE(shown.Child<QTabWidget>("PageControl")->currentWidget()->objectName(), QStringLiteral("TabSheetAnswer"));
  QVERIFY2(shown.ClientWidth() > 1000, qPrintable(QString::number(shown.ClientWidth())));
  QCOMPARE(shown.Child<QGroupBox>("GroupBoxFiscalAnswer")->width(), shown.ClientWidth() - 20);
  shown.CheckLaidOutForItsWidth(8);
  // More than 1000 pixels hold five panels and at least six rows side by side.
  QCOMPARE(shown.Child<QLabel>("PanelFiscal5")->y(), shown.Child<QLabel>("PanelFiscal1")->y());
  QCOMPARE(shown.Child<QLabel>("AnswerLabel5")->y(), shown.Child<QLabel>("AnswerLabel0")->y());
}

void TestAnswerLayout::resizeLaysTheShownPageOutAgain() {
  TMaximizedWindow shown(QSize(1300, 800));
  QVERIFY(QTest::qWaitForWindowExposed(&shown.area));
  shown.window->ShowAnswer(0x0001, 0x0004, Values(8), 0);
  const int wide = shown.ClientWidth();
  for (const QSize size : {QSize(700, 800), QSize(1100, 700), QSize(500, 600)}) {
    shown.area.resize(size);
    QTRY_VERIFY(shown.ClientWidth() != wide);
    QTRY_COMPARE(shown.Child<QGroupBox>("GroupBoxFiscalAnswer")->width(), shown.ClientWidth() - 20);
    shown.CheckLaidOutForItsWidth(8);
  }
}

void TestAnswerLayout::resizeWhileAnotherPageIsShownTakesEffectWhenTheAnswerPageReturns() {
  TMaximizedWindow shown(QSize(700, 700));
  QVERIFY(QTest::qWaitForWindowExposed(&shown.area));
  shown.window->ShowAnswer(0x0001, 0x0004, Values(8), 0);
  auto* pages = shown.Child<QTabWidget>("PageControl");
  pages->setCurrentIndex(0);
  shown.area.resize(1300, 800);
  QTest::qWait(0);
  pages->setCurrentWidget(shown.Child<QWidget>("TabSheetAnswer"));
  QTRY_VERIFY(shown.ClientWidth() > 1000);
  QTRY_COMPARE(shown.Child<QGroupBox>("GroupBoxFiscalAnswer")->width(), shown.ClientWidth() - 20);
  shown.CheckLaidOutForItsWidth(8);
}

void TestAnswerLayout::answerTallerThanThePageFitsTheWidthLeftBesideTheScrollBar() {
  TMaximizedWindow shown(QSize(900, 500));
  QVERIFY(QTest::qWaitForWindowExposed(&shown.area));
  shown.window->ShowAnswer(0x0001, 0x0004, Values(70), 0);
  auto* scroll = shown.Child<QScrollArea>("ScrollBoxAnswer");
  QTRY_VERIFY(scroll->verticalScrollBar()->isVisible());
  // The vertical bar took its width from the page: the page follows, so no
  // horizontal bar is needed and no box is cut at the right edge.
  QVERIFY(!scroll->horizontalScrollBar()->isVisible());
  shown.CheckLaidOutForItsWidth(70);
}

void TestAnswerLayout::windowIsBuiltUnderAnApplicationStyleSheet() {
  // The program sets one; it makes the widgets receive events while the window
  // is still being built, before all of its parts exist.
  qApp->setStyleSheet(QStringLiteral("QToolTip { border: 1px solid palette(shadow); padding: 2px; }"));
  {
    TMaximizedWindow shown(QSize(900, 700));
    QVERIFY(QTest::qWaitForWindowExposed(&shown.area));
    shown.window->ShowAnswer(0x0001, 0x0004, Values(3), 0);
    shown.CheckLaidOutForItsWidth(3);
  }
  qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestAnswerLayout)
#include "test_answerlayout.moc"
