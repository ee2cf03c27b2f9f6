#include "robot/key/text_escape.h"

namespace korvex {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

bool NeedsByteEscape(char16_t c) {
  return c < 0x20 || c > 0x7E || c == u'\\' || c == u'<' || c == u'>' || c == u'|' ||
         c == u'"' || c == u'\'';
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The value of `digits` hexadecimal digits at field[pos], or -1 when the
// field ends before them or one of them is not a hexadecimal digit.
long HexAt(TextView field, std::size_t pos, std::size_t digits) {
  if (field.size() - pos < digits) return -1;
  long value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int d = HexValue(field[pos + i]);
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

Text ReplaceAll(TextView text, TextView from, TextView to) {
  Text out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t hit; (hit = text.find(from, pos)) != TextView::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out.append(to);
  }
  out.append(text, pos);
  return out;
}

}  // namespace

void AppendEscaped(Text& out, TextView text) {
  out += u"<>";
  // Plain characters are copied in runs; only the escaped ones one by one.
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    char16_t escape[6] = {u'\\'};
    std::size_t length = 0;
    if (c >= 0x100) {
      escape[1] = u'X';
      for (int k = 0; k < 4; ++k) escape[2 + k] = kHexDigits[(c >> (12 - 4 * k)) & 0xF];
      length = 6;
    } else if (NeedsByteEscape(c)) {
      escape[1] = u'x';
      escape[2] = kHexDigits[c >> 4];
      escape[3] = kHexDigits[c & 0xF];
      length = 4;
    } else {
      continue;
    }
    out.append(text, run, i - run);
    out.append(escape, length);
    run = i + 1;
  }
  out.append(text, run);
}

Text EscapeText(TextView text) {
  Text out;
  out.reserve(2 + text.size());
  AppendEscaped(out, text);
  return out;
}

Text UnescapeText(TextView field) {
  if (!field.starts_with(u"<>")) {
    return ReplaceAll(ReplaceAll(field, u"[BAR]", u"|"), u"[_BAR]", u"[BAR]");
  }
  Text out;
  out.reserve(field.size() - 2);
  std::size_t i = 2;
  while (i < field.size()) {
    const char16_t c = field[i];
    if (c != u'\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 == field.size()) break;  // a backslash that ends the field
    const char16_t kind = field[i + 1];
    if (kind == u'X' || kind == u'x') {
      const std::size_t digits = kind == u'X' ? 4 : 2;
      const long value = HexAt(field, i + 2, digits);
      if (value >= 0) {
        out.push_back(static_cast<char16_t>(value));
        i += 2 + digits;
      } else {
        i += 2;  // drop "\X" or "\x" and read on after the letter
      }
    } else if (kind == u'\\') {
      out.push_back(u'\\');
      i += 2;
    } else {
      ++i;  // drop the backslash; the next character is read as ordinary
    }
  }
  return out;
}

}  // namespace korvex
