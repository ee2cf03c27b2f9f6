// The escaping of text fields in window keys and answer lists.
//
// Every text that the key writer puts into a key (caption, button and static
// texts, list items, typed values) is escaped so that the field separator "|"
// never occurs inside it and the key is plain printable ASCII.
//
// Current form, the only one written: the two characters "<>", then each
// character c of the text as
//   - "\X" and four lower-case hexadecimal digits when c >= 0x100,
//   - "\x" and two lower-case hexadecimal digits when c < 0x20, c > 0x7E, or
//     c is one of  \ < > | " '
//   - c itself otherwise.
//
// Legacy form, still read: a field that does not start with "<>" is the text
// itself, except that "[BAR]" stands for "|" and "[_BAR]" for "[BAR]".  The
// query handlers' key templates carry their fixed texts in this form.
#pragma once

#include "platform/text.h"

namespace korvex {

Text EscapeText(TextView text);
// Appends EscapeText(text) to out.
void AppendEscaped(Text& out, TextView text);

// Never fails.  Decoding of the current form is lenient, the way stored keys
// have always been read: an escape whose digits are missing or not
// hexadecimal loses its backslash and letter and the rest is read on; a
// backslash before any other character is dropped ("<>a\qb" is "aqb"); a
// backslash that ends the field is dropped; "\\" is one backslash.
Text UnescapeText(TextView field);

}  // namespace korvex
