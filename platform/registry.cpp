#include "platform/registry.h"

namespace korvex {

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
  Text text;
  text.reserve(value.data.size() / 2);
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    text.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
  }
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  return text;
}

}  // namespace korvex
