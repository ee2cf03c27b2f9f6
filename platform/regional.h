// The legacy regional settings (the "intl" section) the journal's separator
// is chosen from.  The Win32 adapter reads them with GetProfileStringW.
#pragma once

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

}  // namespace korvex
