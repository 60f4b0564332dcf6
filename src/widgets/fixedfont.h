// SPDX-License-Identifier: MIT
#pragma once
// The font of the monospaced views (the fiscal answers, the communication log): the
// desktop's fixed-width font, at the size the window asks for.
#include <QFont>

namespace quorvel::widgets {

// The desktop's fixed-width font (QFontDatabase::FixedFont) at `points` points;
// a size below 1 is taken as 1.
QFont FixedWidthFontInPoints(int points);
// The same font `pixels` pixels high; a size below 1 is taken as 1.
QFont FixedWidthFontInPixels(int pixels);

}  // namespace quorvel::widgets
