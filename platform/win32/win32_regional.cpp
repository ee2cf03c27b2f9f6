#include "platform/win32/win32_regional.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace korvex {

Text Win32RegionalSettings::GetProfileStringW(TextView section, TextView key,
                                              TextView default_value, int buffer_chars) {
  if (buffer_chars <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(buffer_chars));
  const DWORD n = ::GetProfileStringW(win32::ToWide(section).c_str(), win32::ToWide(key).c_str(),
                                      win32::ToWide(default_value).c_str(), buffer.data(),
                                      static_cast<DWORD>(buffer.size()));
  return win32::FromWide(buffer.data(), n);
}

}  // namespace korvex
