#include "platform/registry.h"

namespace korvex {

char16_t RegistryUpcase(char16_t c) {
  const auto up = [](int u) { return static_cast<char16_t>(u); };
  if (c < 0x80) return c >= u'a' && c <= u'z' ? up(c - 0x20) : c;
  // Latin-1: à..þ except ÷; ÿ has its capital in Latin Extended-A.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return up(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: capital and small letters alternate, the capital on
  // even code units except in 0x139..0x148 and 0x179..0x17E.  0x130, 0x131
  // (dotted I, dotless i), 0x138 (kra), 0x149 and 0x17F have no pair here.
  if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    const bool odd_capitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool small = odd_capitals ? (c % 2 == 0) : (c % 2 == 1);
    return small ? up(c - 1) : c;
  }
  // Greek: α..ω (not the final sigma), and the small letters with tonos.
  if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return up(c - 0x20);
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return up(c - 0x25);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return up(c - 0x3F);
  // Cyrillic: а..я, ѐ..џ.
  if (c >= 0x430 && c <= 0x44F) return up(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return up(c - 0x50);
  // Full-width ａ..ｚ.
  if (c >= 0xFF41 && c <= 0xFF5A) return up(c - 0x20);
  return c;
}

bool SameRegistryName(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (RegistryUpcase(a[i]) != RegistryUpcase(b[i])) return false;
  }
  return true;
}

RegValue MakeStringValue(TextView text, bool with_nul) {
  RegValue value{reg::kRegSz, {}};
  value.data.reserve(text.size() * 2 + 2);
  for (char16_t c : text) {
    value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    value.data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (with_nul) value.data.insert(value.data.end(), {0, 0});
  return value;
}

RegValue MakeDwordValue(std::uint32_t number) {
  RegValue value{reg::kRegDword, {}};
  for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
  return value;
}

Text ReadStringValue(const RegValue& value) {
  Text text(value.data.size() / 2, u'\0');
  const std::uint8_t* in = value.data.data();
  for (char16_t& c : text) {
    c = static_cast<char16_t>(in[0] | (in[1] << 8));
    in += 2;
  }
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  return text;
}

}  // namespace korvex
