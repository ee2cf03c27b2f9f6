#include "robot/tray/tray_text.h"

namespace korvex {

Text CutText(TextView text, std::size_t max_chars) {
  if (text.size() <= max_chars) return Text(text);
  std::size_t n = max_chars;
  // A high surrogate whose low half would be cut off goes too.
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return Text(text.substr(0, n));
}

}  // namespace korvex
