// SPDX-License-Identifier: MIT
// The status bar's panels: at least their classic widths, and wide enough for
// their text in the desktop's font, whatever that font is.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>
#include <QtTest>
#include <memory>

#include "emulator/emulator.h"
#include "mainwindowfixture.h"

using quorvel::app::testing::TMainWindowFixture;
using quorvel::emulator::TEmulator;
using quorvel::emulator::TLine;

namespace {

constexpr int kMinimumWidths[4] = {300, 70, 150, 100};

QLabel* Panel(const quorvel::app::TFormMain& window, int panel) {
  return window.findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(panel));
}

// The label's text fits inside its frame and margins.
bool TextFits(const QLabel* label) {
  return label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(label->text());
}

QFont FontOfPixelSize(int pixels) {
  QFont font = QApplication::font();
  font.setPixelSize(pixels);
  return font;
}

// The main window as the program shows it, maximized on a wide screen.
std::unique_ptr<quorvel::app::TFormMain> StartWide(TMainWindowFixture& fixture) {
  auto window = fixture.StartShown();
  window->resize(1600, 700);
  return window;
}

// Restores the application's font at the end of a test.
struct TFontGuard {
  QFont saved = QApplication::font();
  ~TFontGuard() { QApplication::setFont(saved); }
};

}  // namespace

class TestStatusBar : public QObject {
  Q_OBJECT

 private slots:
  void panelsFitTheirTextsAndKeepTheirWidths_data() {
    QTest::addColumn<int>("pixels");         // the desktop's font size; 0 keeps the default
    QTest::addColumn<bool>("changedLater");  // the font changes while the program runs
    QTest::newRow("default font") << 0 << false;
    QTest::newRow("large font at start") << 28 << false;
    QTest::newRow("large font set while running") << 28 << true;
    QTest::newRow("tiny font") << 6 << false;
  }

  // Ports: COM1 at 115200 baud and the fiscal port on COM4, both open: the longest port texts.
  void panelsFitTheirTextsAndKeepTheirWidths() {
    QFETCH(int, pixels);
    QFETCH(bool, changedLater);
    TFontGuard guard;
    if (pixels != 0 && !changedLater) QApplication::setFont(FontOfPixelSize(pixels));
    TMainWindowFixture fixture;
    TEmulator host(TLine::Host, fixture.Path(QStringLiteral("host")).toStdString());
    TEmulator dgi(TLine::Dgi, fixture.Path(QStringLiteral("dgi")).toStdString());
    fixture.MapPort(1, host.DevicePath());
    fixture.MapPort(4, dgi.DevicePath());
    fixture.SetSetting("HComm", 0);
    fixture.SetSetting("HBaud", 7);
    fixture.SetSetting("DGIEnabled", 1);
    fixture.SetSetting("DComm", 3);
    auto window = StartWide(fixture);
    QCOMPARE(window->StatusText(2), QStringLiteral("COM1 115200,N,8,1"));
    QCOMPARE(window->StatusText(3), QStringLiteral("COM4 9600,N,8,1"));
    if (changedLater) QApplication::setFont(FontOfPixelSize(pixels));
    window->SetStatusText(0, QStringLiteral("A long hint that runs far beyond the width of the hint panel, on and on"));

    for (int i = 0; i < 4; ++i) {
      const QLabel* panel = Panel(*window, i);
      QVERIFY(panel != nullptr);
      QTRY_VERIFY2(panel->width() >= kMinimumWidths[i], qPrintable(QString::number(i)));
      if (i > 0) QTRY_VERIFY2(TextFits(panel), qPrintable(panel->text()));
    }
    // The hint panel keeps its width: hints come and go with the pointer.
    QCOMPARE(Panel(*window, 0)->width(), kMinimumWidths[0]);
    // A panel is no wider than its minimum or its text needs.
    const QLabel* host2 = Panel(*window, 2);
    QCOMPARE(host2->width(), std::max(kMinimumWidths[2], host2->sizeHint().width()));
  }

  void panelWidensWhenItsTextGrows() {
    TMainWindowFixture fixture;
    auto window = StartWide(fixture);
    const QLabel* status = Panel(*window, 1);
    QCOMPARE(status->width(), kMinimumWidths[1]);  // its first text fits the classic width
    window->SetStatusText(1, QStringLiteral("999999/1000000"));  // a long repetition's progress
    QTRY_VERIFY(TextFits(status));
    QVERIFY(status->width() > kMinimumWidths[1]);
    window->SetStatusText(1, QStringLiteral("Ready"));
    QTRY_COMPARE(status->width(), kMinimumWidths[1]);
  }
};

QTEST_MAIN(TestStatusBar)
#include "test_statusbar.moc"
