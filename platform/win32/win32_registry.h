// The registry port over AdvAPI32.  Every key is opened in the 32-bit view
// (KEY_WOW64_32KEY), which is where the 32-bit robot keeps its store.  The
// key-deletion functions are looked up in "AdvAPI32.dll" at the moment of
// each deletion, so the program also starts on systems that lack the Ex
// form.
#pragma once

#include "platform/registry.h"

namespace korvex {

class Win32Registry final : public Registry {
 public:
  std::int32_t RegCreateKeyExW(RegKey parent, TextView subkey, RegKey* key) override;
  std::int32_t RegOpenKeyExW(RegKey parent, TextView subkey, reg::Access access,
                             RegKey* key) override;
  std::int32_t RegCloseKey(RegKey key) override;
  std::int32_t RegEnumKeyExW(RegKey key, std::uint32_t index, Text* name) override;
  std::int32_t RegQueryInfoKeyW(RegKey key, std::uint32_t* max_value_name_chars,
                                std::uint32_t* max_value_data_bytes) override;
  std::int32_t RegEnumValueW(RegKey key, std::uint32_t index, Text* name,
                             RegValue* value) override;
  std::int32_t RegQueryValueExW(RegKey key, TextView name, RegValue* value) override;
  std::int32_t RegSetValueExW(RegKey key, TextView name, const RegValue& value) override;
  std::int32_t RegDeleteValueW(RegKey key, TextView name) override;
  RegDeleteResult RegDeleteKeyExW(RegKey parent, TextView subkey) override;
};

}  // namespace korvex
