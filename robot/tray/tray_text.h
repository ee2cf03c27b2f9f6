// The texts of the tray icon's notify record, cut to the record's fields:
// the tooltip holds 127 characters, a balloon's text 255 and its title 63
// (each field also holds the terminator).  A cut never ends in the first
// half of a surrogate pair.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace korvex {

inline constexpr std::size_t kTooltipChars = 127;
inline constexpr std::size_t kBalloonTextChars = 255;
inline constexpr std::size_t kBalloonTitleChars = 63;
// The option list's tool tips: 511 characters and a terminator.
inline constexpr std::size_t kListTipChars = 511;

// The text, at most max_chars UTF-16 code units of it.
Text CutText(TextView text, std::size_t max_chars);

}  // namespace korvex
