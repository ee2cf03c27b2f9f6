// The single-byte text forms at the system's edges: the journal's CSV files
// and the profile files are ISO-8859-1 (each byte the code point of the same
// number), the tariff control's strings are in the ANSI code page of the
// host's machines, Windows-1252.  The conversions are written out here
// rather than asked of the system, so they are the same on every platform.
//
// Windows-1252: bytes 0x80 to 0x9F follow the code page's table (0x80 is
// the euro sign), the five bytes the code page leaves undefined stand for
// the control characters of the same number, every other byte is the code
// point of the same number.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace korvex {

enum class CodePage { kLatin1, kWindows1252 };

Text DecodeSingleByte(std::string_view bytes, CodePage page);

// A character without a byte of its own becomes "?", as WideCharToMultiByte
// writes it; a surrogate pair is one character.
std::string EncodeSingleByte(TextView text, CodePage page);

// Whether every character has a byte of its own.
bool FitsSingleByte(TextView text, CodePage page);

}  // namespace korvex
