// Conversions between the core's UTF-16 text and the wide strings of the
// Win32 "W" calls.  wchar_t is a 16-bit code unit on Windows, so a
// conversion copies code units unchanged.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace korvex::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Win32 adapters need a 16-bit wchar_t");

inline std::wstring ToWide(TextView text) { return std::wstring(text.begin(), text.end()); }

inline Text FromWide(std::wstring_view text) { return Text(text.begin(), text.end()); }

inline Text FromWide(const wchar_t* text, std::size_t length) {
  return Text(text, text + length);
}

}  // namespace korvex::win32
