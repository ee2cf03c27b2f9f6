// The tariff control's 8-bit strings and the protocol's UTF-16 strings.
//
// The control's strings are in the system ANSI code page of the host's
// machines, Windows-1252 (Western European: the host's Spanish texts, and
// the control's French ones).  The conversion is written out here rather
// than asked of the system, so it is the same on every platform: bytes 0x80
// to 0x9F follow the code page's table (0x80 is the euro sign), the five
// bytes the code page leaves undefined stand for the control characters of
// the same number, and every other byte is the code point of the same
// number.  Code units without a byte of their own become "?", as
// WideCharToMultiByte writes them.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace korvex::tarifex {

Text FromAnsi(std::string_view ansi);
std::string ToAnsi(TextView text);

}  // namespace korvex::tarifex
