#include "platform/single_byte.h"

#include <array>
#include <optional>

namespace korvex {

namespace {

// Windows-1252 bytes 0x80..0x9F.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::optional<char> ByteOf(char16_t c, CodePage page) {
  if (page == CodePage::kLatin1) {
    if (c <= 0xFF) return static_cast<char>(static_cast<unsigned char>(c));
    return std::nullopt;
  }
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(static_cast<unsigned char>(c));
  for (std::size_t i = 0; i < kWindows1252High.size(); ++i) {
    if (kWindows1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

Text DecodeSingleByte(std::string_view bytes, CodePage page) {
  Text out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto byte = static_cast<unsigned char>(ch);
    if (page == CodePage::kWindows1252 && byte >= 0x80 && byte <= 0x9F) {
      out.push_back(kWindows1252High[byte - 0x80]);
    } else {
      out.push_back(static_cast<char16_t>(byte));
    }
  }
  return out;
}

std::string EncodeSingleByte(TextView text, CodePage page) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    out.push_back(ByteOf(c, page).value_or('?'));
  }
  return out;
}

bool FitsSingleByte(TextView text, CodePage page) {
  for (const char16_t c : text) {
    if (!ByteOf(c, page)) return false;
  }
  return true;
}

}  // namespace korvex
