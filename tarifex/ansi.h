// The tariff control's 8-bit strings and the protocol's UTF-16 strings.
//
// The control's strings are in the system ANSI code page of the host's
// machines, Windows-1252 (Western European: the host's Spanish texts, and
// the control's French ones); platform/single_byte.h converts it the same way
// on every platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/single_byte.h"
#include "platform/text.h"

namespace korvex::tarifex {

inline Text FromAnsi(std::string_view ansi) {
  return DecodeSingleByte(ansi, CodePage::kWindows1252);
}
inline std::string ToAnsi(TextView text) { return EncodeSingleByte(text, CodePage::kWindows1252); }

}  // namespace korvex::tarifex
