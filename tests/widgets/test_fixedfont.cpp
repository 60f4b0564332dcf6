// SPDX-License-Identifier: MIT
// The font of the monospaced views: the desktop's fixed-width font at the size the
// window asks for, and a font whose characters really are all of one width.
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QtTest>

#include "widgets/fixedfont.h"

using quorvel::widgets::FixedWidthFontInPixels;
using quorvel::widgets::FixedWidthFontInPoints;

class TestFixedFont : public QObject {
  Q_OBJECT

 private slots:
  void takesTheDesktopsFixedWidthFontAtTheAskedSize_data() {
    QTest::addColumn<bool>("inPixels");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("size");
    QTest::newRow("8 points (the log)") << false << 8 << 8;
    QTest::newRow("13 pixels (the fiscal answers)") << true << 13 << 13;
    QTest::newRow("no points") << false << 0 << 1;
    QTest::newRow("negative pixels") << true << -4 << 1;
  }

  void takesTheDesktopsFixedWidthFontAtTheAskedSize() {
    QFETCH(bool, inPixels);
    QFETCH(int, asked);
    QFETCH(int, size);
    const QFont font = inPixels ? FixedWidthFontInPixels(asked) : FixedWidthFontInPoints(asked);
    QCOMPARE(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    QCOMPARE(inPixels ? font.pixelSize() : font.pointSize(), size);
  }

  void everyCharacterHasTheSameWidth() {
    // Measured rather than asked of QFontInfo, whose fixedPitch() reads false for
    // some fixed-width fonts that fontconfig offers.
    const QFontMetricsF metrics(FixedWidthFontInPoints(8));
    for (const QChar c : QStringLiteral("W.0 x|"))
      QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(QLatin1Char('i')));
  }
};

QTEST_MAIN(TestFixedFont)
#include "test_fixedfont.moc"
