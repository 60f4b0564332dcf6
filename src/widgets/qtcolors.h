// SPDX-License-Identifier: MIT
#pragma once
// Colour values of the terminal file and the settings (0x00BBGGRR, system
// colours 0x80000000 + n, clNone) as Qt colours.
#include <QColor>

#include "model/colors.h"

namespace quorvel::widgets {

// The system colours the windows use by name.
inline constexpr model::TColor clInactiveBorder = model::kSystemColorBase + 11;
inline constexpr model::TColor clInactiveCaptionText = model::kSystemColorBase + 19;

// A plain colour as it is; a system colour from the application palette;
// clNone and unknown system colours give an invalid QColor (meaning "leave as is").
QColor ToQColor(model::TColor colorValue);

}  // namespace quorvel::widgets
