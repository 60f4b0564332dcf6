// SPDX-License-Identifier: MIT
#include "widgets/fixedfont.h"

#include <QFontDatabase>

#include <algorithm>

namespace quorvel::widgets {
namespace {

QFont DesktopFixedFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  // Where the desktop names no font of its own, the matching still has to pick a
  // fixed-width one.
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

}  // namespace

QFont FixedWidthFontInPoints(int points) {
  QFont font = DesktopFixedFont();
  font.setPointSize(std::max(points, 1));
  return font;
}

QFont FixedWidthFontInPixels(int pixels) {
  QFont font = DesktopFixedFont();
  font.setPixelSize(std::max(pixels, 1));
  return font;
}

}  // namespace quorvel::widgets
