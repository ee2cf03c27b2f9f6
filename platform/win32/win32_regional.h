// The regional settings over GetProfileStringW.
#pragma once

#include "platform/regional.h"

namespace korvex {

class Win32RegionalSettings final : public RegionalSettings {
 public:
  Text GetProfileStringW(TextView section, TextView key, TextView default_value,
                         int buffer_chars) override;
};

}  // namespace korvex
