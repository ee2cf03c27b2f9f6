#include "robot/watcher/item_number.h"

#include "sentrel/host_windows.h"

namespace korvex {

namespace {

constexpr TextView kProgressPrefix = sentrel::kProgressPrefix;

}  // namespace

std::uint16_t ItemNumberFromCaption(TextView caption) {
  if (caption.size() < kProgressPrefix.size() ||
      caption.substr(0, kProgressPrefix.size()) != kProgressPrefix) {
    return 0;
  }
  std::size_t i = caption.find(u':') + 1;
  while (i < caption.size() && (caption[i] == u' ' || caption[i] == u'\t')) ++i;
  bool negative = false;
  if (i < caption.size() && (caption[i] == u'+' || caption[i] == u'-')) negative = caption[i++] == u'-';
  std::uint32_t n = 0;
  for (; i < caption.size() && IsDigit(caption[i]); ++i) {
    n = n * 10 + static_cast<std::uint32_t>(caption[i] - u'0');
    if (n > 9999) return 0;  // no item has such a number; never wrap it into range
  }
  if (negative || n == 0) return 0;
  return static_cast<std::uint16_t>(n);
}

}  // namespace korvex
