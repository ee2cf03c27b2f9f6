// Test doubles of the small environment ports: a clock that stands still and
// regional settings held in memory.
#pragma once

#include <cstdint>
#include <map>

#include "platform/clock.h"
#include "platform/regional.h"
#include "platform/text.h"

namespace korvex {

// A clock that stands still until it is told otherwise.
class SettableClock final : public Clock {
 public:
  LocalTime local;
  std::uint32_t ticks = 0;
  std::int64_t seconds = 0;
  LocalTime LocalNow() override { return local; }
  std::uint32_t TickCount() override { return ticks; }
  std::int64_t SecondsSince1970() override { return seconds; }
};

// Regional settings held in memory ("intl" values keyed by name).
class FixedRegionalSettings final : public RegionalSettings {
 public:
  std::map<Text, Text> intl;
  Text GetProfileStringW(TextView section, TextView key, TextView default_value,
                         int buffer_chars) override {
    Text value(default_value);
    if (section == u"intl") {
      auto it = intl.find(Text(key));
      if (it != intl.end()) value = it->second;
    }
    if (buffer_chars > 0 && value.size() > static_cast<std::size_t>(buffer_chars - 1)) {
      value.resize(static_cast<std::size_t>(buffer_chars - 1));
    }
    return value;
  }
};

}  // namespace korvex
