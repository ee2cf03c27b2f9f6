// The legacy regional settings (the "intl" section) the journal's separator
// is chosen from.  The Win32 adapter reads them with GetProfileStringW.
#pragma once

#include <map>

#include "platform/text.h"

namespace korvex {

class RegionalSettings {
 public:
  virtual ~RegionalSettings() = default;
  // GetProfileStringW(section, key, default, buffer of buffer_chars): the
  // value, cut to buffer_chars - 1 characters, or the default when absent.
  virtual Text GetProfileStringW(TextView section, TextView key, TextView default_value,
                                 int buffer_chars) = 0;
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
