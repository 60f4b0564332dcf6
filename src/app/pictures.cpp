// SPDX-License-Identifier: MIT
#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvel::app {
namespace {

constexpr int kSize = 32;
const QColor kInk(40, 48, 64);
const QColor kPaper(250, 250, 244);
const QColor kAccent(38, 110, 190);

void DrawSheet(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(kPaper);
  QPainterPath path;
  const qreal fold = r.width() / 3;
  path.moveTo(r.topLeft());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.bottomRight());
  path.lineTo(r.bottomLeft());
  path.closeSubpath();
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void DrawWindow(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.fillRect(QRectF(r.left(), r.top(), r.width(), 4), kAccent);
}

void DrawPrinter(QPainter& p, const QRectF& r, const QColor& light) {
  const qreal w = r.width(), h = r.height();
  // Receipt coming out of the top.
  DrawSheet(p, QRectF(r.left() + w * 0.28, r.top(), w * 0.44, h * 0.45));
  // Body.
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(QColor(120, 132, 150));
  p.drawRoundedRect(QRectF(r.left() + 1, r.top() + h * 0.38, w - 2, h * 0.5), 3, 3);
  p.setBrush(QColor(70, 78, 92));
  p.drawRect(QRectF(r.left() + w * 0.22, r.top() + h * 0.38, w * 0.56, h * 0.08));
  p.setBrush(light);
  p.drawEllipse(QRectF(r.right() - w * 0.26, r.top() + h * 0.58, w * 0.14, w * 0.14));
}

void DrawScissors(QPainter& p) {
  p.setPen(QPen(kInk, 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(5, 20, 8, 8));
  p.drawEllipse(QRectF(19, 20, 8, 8));
  p.drawLine(QPointF(11, 21), QPointF(22, 4));
  p.drawLine(QPointF(21, 21), QPointF(10, 4));
}

void DrawPicture(QPainter& p, TPicture picture) {
  switch (picture) {
    case TPicture::New:
      DrawSheet(p, QRectF(7, 3, 18, 26));
      p.setPen(QPen(kAccent, 2.5));
      p.drawLine(QPointF(12, 18), QPointF(20, 18));
      p.drawLine(QPointF(16, 14), QPointF(16, 22));
      break;
    case TPicture::Open:
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(QColor(236, 196, 92));
      p.drawRect(QRectF(3, 9, 24, 18));
      p.setBrush(QColor(248, 216, 120));
      p.drawPolygon(QPolygonF({QPointF(7, 14), QPointF(30, 14), QPointF(26, 27), QPointF(3, 27)}));
      break;
    case TPicture::SaveAs:
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
      p.setBrush(kPaper);
      p.drawRect(QRectF(9, 4, 14, 9));
      p.drawRect(QRectF(8, 18, 16, 10));
      break;
    case TPicture::Cut:
      DrawScissors(p);
      break;
    case TPicture::Copy:
      DrawSheet(p, QRectF(4, 3, 15, 20));
      DrawSheet(p, QRectF(13, 9, 15, 20));
      break;
    case TPicture::Paste:
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(QColor(176, 128, 80));
      p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(11, 3, 8, 5));
      DrawSheet(p, QRectF(13, 12, 15, 18));
      break;
    case TPicture::Cascade:
      DrawWindow(p, QRectF(3, 3, 16, 13));
      DrawWindow(p, QRectF(8, 9, 16, 13));
      DrawWindow(p, QRectF(13, 15, 16, 13));
      break;
    case TPicture::TileHorizontal:
      DrawWindow(p, QRectF(3, 3, 26, 12));
      DrawWindow(p, QRectF(3, 17, 26, 12));
      break;
    case TPicture::TileVertical:
      DrawWindow(p, QRectF(3, 3, 12, 26));
      DrawWindow(p, QRectF(17, 3, 12, 26));
      break;
    case TPicture::EditFixAnswer:
    case TPicture::TestFixAnswer: {
      const QColor colors[] = {QColor(200, 40, 40), QColor(40, 150, 60), QColor(40, 80, 200)};
      for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(colors[i]);
        p.drawRect(QRectF(3, 4 + i * 8, 18, 6));
      }
      p.setPen(QPen(kInk, 2.5));
      if (picture == TPicture::EditFixAnswer) {
        p.drawLine(QPointF(20, 28), QPointF(29, 14));  // a pencil stroke
      } else {
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(19, 16, 9, 9));  // a magnifier
        p.drawLine(QPointF(26, 24), QPointF(30, 29));
      }
      break;
    }
    case TPicture::EditReturnCode:
      DrawSheet(p, QRectF(5, 3, 20, 26));
      p.setPen(QPen(kAccent, 1));
      p.setFont(QFont(QStringLiteral("Sans"), 8, QFont::Bold));
      p.drawText(QRectF(5, 9, 20, 16), Qt::AlignCenter, QStringLiteral("RC"));
      break;
    case TPicture::PortOn:
      DrawPrinter(p, QRectF(2, 4, 28, 26), QColor(60, 210, 80));
      break;
    case TPicture::PortOff:
      DrawPrinter(p, QRectF(2, 4, 28, 26), QColor(90, 90, 90));
      p.setPen(QPen(QColor(200, 30, 30), 3));
      p.drawLine(QPointF(4, 28), QPointF(28, 6));
      break;
  }
}

}  // namespace

QIcon PictureIcon(TPicture picture) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  DrawPicture(p, picture);
  p.end();
  return QIcon(pixmap);
}

QImage ProgramImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / qreal(kSize), size / qreal(kSize));
  DrawPrinter(p, QRectF(1, 1, 30, 30), QColor(60, 210, 80));
  p.end();
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(ProgramImage(size)));
  return icon;
}

QPixmap BackgroundTile() {
  // A quiet diagonal pattern of receipt-paper stripes with a small printer mark.
  constexpr int kTile = 96;
  QPixmap tile(kTile, kTile);
  tile.fill(QColor(86, 104, 128));
  QPainter p(&tile);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(96, 116, 142), 6));
  for (int offset = -kTile; offset < kTile * 2; offset += 24) {
    p.drawLine(QPointF(offset, 0), QPointF(offset + kTile, kTile));
  }
  p.setOpacity(0.25);
  p.translate(kTile / 2.0 - 12, kTile / 2.0 - 12);
  p.scale(0.75, 0.75);
  DrawPrinter(p, QRectF(0, 0, 32, 32), QColor(200, 220, 240));
  p.end();
  return tile;
}

}  // namespace quorvel::app
