// SPDX-License-Identifier: MIT
#include "model/colors.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "model/errors.h"
#include "model/textnumbers.h"
#include "model/extinifile.h"

namespace quorvel::model {
namespace {

constexpr TColor System(TColor n) { return kSystemColorBase + n; }

constexpr std::array<TColorName, 42> kColorNames{{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clNone", clNone},
    {"clScrollBar", System(0)},
    {"clBackground", System(1)},
    {"clActiveCaption", System(2)},
    {"clInactiveCaption", System(3)},
    {"clMenu", System(4)},
    {"clWindow", System(5)},
    {"clWindowFrame", System(6)},
    {"clMenuText", System(7)},
    {"clWindowText", System(8)},
    {"clCaptionText", System(9)},
    {"clActiveBorder", System(10)},
    {"clInactiveBorder", System(11)},
    {"clAppWorkSpace", System(12)},
    {"clHighlight", System(13)},
    {"clHighlightText", System(14)},
    {"clBtnFace", System(15)},
    {"clBtnShadow", System(16)},
    {"clGrayText", System(17)},
    {"clBtnText", System(18)},
    {"clInactiveCaptionText", System(19)},
    {"clBtnHighlight", System(20)},
    {"cl3DDkShadow", System(21)},
    {"cl3DLight", System(22)},
    {"clInfoText", System(23)},
    {"clInfoBk", System(24)},
}};

constexpr std::size_t kStandardColorCount = 16;

bool ParseHexColor(std::string_view digits, TColor& color) {
  if (digits.size() > 8) return false;
  const std::optional<std::uint32_t> value = ParseHexDigits(digits, 0xFFFFFFFF);
  if (!value) return false;
  color = static_cast<TColor>(*value);
  return true;
}

// A decimal colour number, negative ones taken as their 32-bit pattern.
bool ParseDecimalColor(std::string_view text, TColor& color) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > 0xFFFFFFFFLL) return false;
  }
  if (negative) {
    if (value > 0x80000000LL) return false;
    value = -value;
  }
  color = static_cast<TColor>(static_cast<std::uint32_t>(value & 0xFFFFFFFFLL));
  return true;
}

}  // namespace

std::span<const TColorName> ColorNames() { return kColorNames; }

std::span<const TColorName> StandardColors() { return std::span(kColorNames).first(kStandardColorCount); }

bool IdentToColor(std::string_view name, TColor& color) {
  for (const TColorName& entry : kColorNames) {
    if (SameIniName(entry.Name, name)) {
      color = entry.Value;
      return true;
    }
  }
  return false;
}

std::string ColorToString(TColor color) {
  for (const TColorName& entry : kColorNames) {
    if (entry.Value == color) return std::string(entry.Name);
  }
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
  return text;
}

TColor StringToColor(std::string_view text) {
  TColor color = 0;
  if (IdentToColor(text, color)) return color;
  const bool ok = !text.empty() && text.front() == '$' ? ParseHexColor(text.substr(1), color)
                                                       : ParseDecimalColor(text, color);
  if (!ok) throw TConvertError(std::string(text));
  return color;
}

}  // namespace quorvel::model
