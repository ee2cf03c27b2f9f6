// The registry port: the registry operations the profile store and the
// settings use, named after the AdvAPI32 calls they stand for.  Every call
// returns the system error code (0 is success), as the Win32 calls do.
//
// The Win32 adapter (platform/win32/win32_registry.*) opens every key in the
// 32-bit view; tests use the in-memory registry of tests/fakes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace korvex {

// An open key, as a number (HKEY).
using RegKey = std::uintptr_t;
// HKEY_CURRENT_USER, sign-extended as Windows defines it.
inline constexpr RegKey kHkeyCurrentUser =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));

namespace reg {
// System error codes the callers tell apart.
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kFileNotFound = 2;
inline constexpr std::int32_t kAccessDenied = 5;
inline constexpr std::int32_t kInvalidParameter = 87;
inline constexpr std::int32_t kMoreData = 234;
inline constexpr std::int32_t kNoMoreItems = 259;

// Value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// What a key is opened for.
enum class Access { AllAccess, Write, Read };
}  // namespace reg

struct RegValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// How a key deletion ended.  The deletion functions are looked up at run
// time, so a deletion can fail before it is attempted.
struct RegDeleteResult {
  enum class Stage {
    Done,              // code is the deletion's result (0 on success)
    LibraryNotLoaded,  // "AdvAPI32.dll" could not be loaded; code is the last error
    FunctionNotFound,  // neither deletion function was found; code is the last error
  };
  Stage stage = Stage::Done;
  std::int32_t code = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegCreateKeyExW(parent, subkey, 0, NULL, 0, KEY_ALL_ACCESS, ...).
  virtual std::int32_t RegCreateKeyExW(RegKey parent, TextView subkey, RegKey* key) = 0;
  virtual std::int32_t RegOpenKeyExW(RegKey parent, TextView subkey, reg::Access access,
                                     RegKey* key) = 0;
  virtual std::int32_t RegCloseKey(RegKey key) = 0;
  // The name of subkey number index (ERROR_NO_MORE_ITEMS past the last).
  virtual std::int32_t RegEnumKeyExW(RegKey key, std::uint32_t index, Text* name) = 0;
  // The longest value name (characters) and longest value data (bytes).
  virtual std::int32_t RegQueryInfoKeyW(RegKey key, std::uint32_t* max_value_name_chars,
                                        std::uint32_t* max_value_data_bytes) = 0;
  // Value number index: its name, type and data.
  virtual std::int32_t RegEnumValueW(RegKey key, std::uint32_t index, Text* name,
                                     RegValue* value) = 0;
  virtual std::int32_t RegQueryValueExW(RegKey key, TextView name, RegValue* value) = 0;
  virtual std::int32_t RegSetValueExW(RegKey key, TextView name, const RegValue& value) = 0;
  virtual std::int32_t RegDeleteValueW(RegKey key, TextView name) = 0;
  // RegDeleteKeyExW (32-bit view) where the system has it, else RegDeleteKeyW;
  // the subkey must have no subkeys of its own.
  virtual RegDeleteResult RegDeleteKeyExW(RegKey parent, TextView subkey) = 0;
};

// The registry compares key and value names without regard to case: it
// upper-cases each UTF-16 code unit with the system's table.  This is that
// table for the letters of the Latin, Greek and Cyrillic scripts that names
// are written in (ASCII, Latin-1, Latin Extended-A, basic Greek and
// Cyrillic, full-width Latin); every other code unit stays as it is, so two
// names this calls different may still be one name to the registry only in
// scripts outside those.
char16_t RegistryUpcase(char16_t c);
// Whether the registry takes the two names as one.
bool SameRegistryName(TextView a, TextView b);

// REG_SZ data: the text's UTF-16LE code units, with a terminating NUL only
// when asked for (the profile store writes none).
RegValue MakeStringValue(TextView text, bool with_nul = false);
RegValue MakeDwordValue(std::uint32_t number);
// The whole data as text; a terminating NUL, if present, is not part of it.
Text ReadStringValue(const RegValue& value);

// Closes a key when it goes out of scope.
class ScopedRegKey {
 public:
  explicit ScopedRegKey(Registry& registry) : m_registry(registry) {}
  ~ScopedRegKey() { Reset(); }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  RegKey* Out() {
    Reset();
    return &m_key;
  }
  RegKey Get() const { return m_key; }
  void Reset() {
    if (m_key != 0) m_registry.RegCloseKey(m_key);
    m_key = 0;
  }

 private:
  Registry& m_registry;
  RegKey m_key = 0;
};

}  // namespace korvex
