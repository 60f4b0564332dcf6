// SPDX-License-Identifier: MIT
#pragma once
// Colour values as stored in terminal files: 0x00BBGGRR for a plain colour,
// 0x80000000 + n for the system colour n, 0x1FFFFFFF for none ("clNone").
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvel::model {

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor kSystemColorBase = 0x80000000;

struct TColorName {
  std::string_view Name;
  TColor Value;
};

// Every named colour: the sixteen standard colours, "clNone", then the system colours
// "clScrollBar" (0x80000000) to "clInfoBk" (0x80000018).
std::span<const TColorName> ColorNames();
// The sixteen standard colours, "clBlack" to "clWhite".
std::span<const TColorName> StandardColors();

// Looks a name up without regard to case.
bool IdentToColor(std::string_view name, TColor& color);
// The colour's name, or "$" and 8 upper-case hexadecimal digits.
std::string ColorToString(TColor color);
// A name, "$" and hexadecimal digits, or a decimal number; anything else throws
// TConvertError ("'%s' is not a valid integer value").
TColor StringToColor(std::string_view text);

}  // namespace quorvel::model
