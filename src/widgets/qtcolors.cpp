// SPDX-License-Identifier: MIT
#include "widgets/qtcolors.h"

#include <QApplication>
#include <QPalette>
#include <array>

namespace quorvel::widgets {

using model::kSystemColorBase;
using model::TColor;

namespace {

struct TSystemColor {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The 25 system colours clScrollBar ... clInfoBk, in number order, mapped to
// the nearest palette entries of the desktop.
constexpr std::array<TSystemColor, 25> kSystemColors = {{
    {QPalette::Active, QPalette::Button},           // clScrollBar
    {QPalette::Active, QPalette::Window},           // clBackground
    {QPalette::Active, QPalette::Highlight},        // clActiveCaption
    {QPalette::Inactive, QPalette::Mid},            // clInactiveCaption
    {QPalette::Active, QPalette::Window},           // clMenu
    {QPalette::Active, QPalette::Base},             // clWindow
    {QPalette::Active, QPalette::Shadow},           // clWindowFrame
    {QPalette::Active, QPalette::WindowText},       // clMenuText
    {QPalette::Active, QPalette::Text},             // clWindowText
    {QPalette::Active, QPalette::HighlightedText},  // clCaptionText
    {QPalette::Active, QPalette::Window},           // clActiveBorder
    {QPalette::Active, QPalette::Midlight},         // clInactiveBorder
    {QPalette::Active, QPalette::Dark},             // clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},        // clHighlight
    {QPalette::Active, QPalette::HighlightedText},  // clHighlightText
    {QPalette::Active, QPalette::Button},           // clBtnFace
    {QPalette::Active, QPalette::Dark},             // clBtnShadow
    {QPalette::Disabled, QPalette::Text},           // clGrayText
    {QPalette::Active, QPalette::ButtonText},       // clBtnText
    {QPalette::Active, QPalette::Mid},              // clInactiveCaptionText
    {QPalette::Active, QPalette::Light},            // clBtnHighlight
    {QPalette::Active, QPalette::Shadow},           // cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},         // cl3DLight
    {QPalette::Active, QPalette::ToolTipText},      // clInfoText
    {QPalette::Active, QPalette::ToolTipBase},      // clInfoBk
}};

}  // namespace

QColor ToQColor(TColor colorValue) {
  if (colorValue >= kSystemColorBase) {
    const TColor index = colorValue - kSystemColorBase;
    if (index >= kSystemColors.size()) return QColor();
    const TSystemColor& entry = kSystemColors[index];
    return QApplication::palette().color(entry.group, entry.role);
  }
  if (colorValue > 0x00FFFFFF) return QColor();  // clNone and other non-colours
  const int red = static_cast<int>(colorValue & 0xFF);
  const int green = static_cast<int>((colorValue >> 8) & 0xFF);
  const int blue = static_cast<int>((colorValue >> 16) & 0xFF);
  return QColor(red, green, blue);
}

}  // namespace quorvel::widgets
