// Text helpers of the portable core.
//
// The core's text type is UTF-16 (std::u16string) on every platform, so a
// window key or a protocol string is the same sequence of code units in the
// native tests and in the Windows build.  Conversions happen only at the
// edges: Win32 "W" calls, files, the console.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 <-> UTF-16.  Invalid input never throws: a malformed UTF-8 sequence
// becomes U+FFFD, an unpaired surrogate becomes U+FFFD in UTF-8.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView text);

// Removes every '&' (accelerator marks), for comparisons and descriptions.
Text WithoutAccelerators(TextView text);

// Case-insensitive comparison of ASCII letters; other characters compare
// exactly.  Window class names are ASCII.
bool EqualsIgnoringAsciiCase(TextView a, TextView b);

// The runtime's wide-character classification of one UTF-16 code unit.  The
// Windows runtime classifies by its own tables; elsewhere the C library's
// iswalpha and friends decide under the process locale, with ASCII decided
// the same way on every platform.
bool IsLetter(char16_t c);
bool IsDigit(char16_t c);
bool IsLetterOrDigit(char16_t c);

}  // namespace korvex
