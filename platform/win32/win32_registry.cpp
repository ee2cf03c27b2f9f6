#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"

namespace korvex {

namespace {

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey FromHkey(HKEY key) { return reinterpret_cast<RegKey>(key); }

REGSAM Sam(reg::Access access) {
  switch (access) {
    case reg::Access::Write: return KEY_WRITE | KEY_WOW64_32KEY;
    case reg::Access::Read: return KEY_READ | KEY_WOW64_32KEY;
    case reg::Access::AllAccess: break;
  }
  return KEY_ALL_ACCESS | KEY_WOW64_32KEY;
}

// The longest subkey name the registry allows, plus its NUL.
constexpr DWORD kMaxKeyNameChars = 16383 + 1;
constexpr DWORD kClassChars = 260;

using DeleteKeyFn = LONG(WINAPI*)(HKEY, LPCWSTR);
using DeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

}  // namespace

std::int32_t Win32Registry::RegCreateKeyExW(RegKey parent, TextView subkey, RegKey* key) {
  HKEY created = nullptr;
  const LONG code = ::RegCreateKeyExW(ToHkey(parent), win32::ToWide(subkey).c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &created, nullptr);
  if (code == ERROR_SUCCESS) *key = FromHkey(created);
  return code;
}

std::int32_t Win32Registry::RegOpenKeyExW(RegKey parent, TextView subkey, reg::Access access,
                                          RegKey* key) {
  HKEY opened = nullptr;
  const LONG code =
      ::RegOpenKeyExW(ToHkey(parent), win32::ToWide(subkey).c_str(), 0, Sam(access), &opened);
  if (code == ERROR_SUCCESS) *key = FromHkey(opened);
  return code;
}

std::int32_t Win32Registry::RegCloseKey(RegKey key) { return ::RegCloseKey(ToHkey(key)); }

std::int32_t Win32Registry::RegEnumKeyExW(RegKey key, std::uint32_t index, Text* name) {
  std::vector<wchar_t> name_buffer(kMaxKeyNameChars);
  std::vector<wchar_t> class_buffer(kClassChars);
  DWORD name_chars = kMaxKeyNameChars;
  DWORD class_chars = kClassChars;
  FILETIME written{};
  const LONG code = ::RegEnumKeyExW(ToHkey(key), index, name_buffer.data(), &name_chars, nullptr,
                                    class_buffer.data(), &class_chars, &written);
  if (code == ERROR_SUCCESS) *name = win32::FromWide(name_buffer.data(), name_chars);
  return code;
}

std::int32_t Win32Registry::RegQueryInfoKeyW(RegKey key, std::uint32_t* max_value_name_chars,
                                             std::uint32_t* max_value_data_bytes) {
  DWORD name_chars = 0, data_bytes = 0;
  const LONG code = ::RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, &name_chars, &data_bytes, nullptr, nullptr);
  if (code == ERROR_SUCCESS) {
    *max_value_name_chars = name_chars;
    *max_value_data_bytes = data_bytes;
  }
  return code;
}

std::int32_t Win32Registry::RegEnumValueW(RegKey key, std::uint32_t index, Text* name,
                                          RegValue* value) {
  // Buffers kept per thread and grown when a value does not fit, so that an
  // enumeration costs one call per value.
  thread_local std::vector<wchar_t> name_buffer(16384);
  thread_local std::vector<BYTE> data(64 * 1024);
  LONG code = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 4 && code == ERROR_MORE_DATA; ++attempt) {
    DWORD name_chars = static_cast<DWORD>(name_buffer.size());
    DWORD data_bytes = static_cast<DWORD>(data.size());
    DWORD type = 0;
    code = ::RegEnumValueW(ToHkey(key), index, name_buffer.data(), &name_chars, nullptr, &type,
                           data.data(), &data_bytes);
    if (code == ERROR_SUCCESS) {
      *name = win32::FromWide(name_buffer.data(), name_chars);
      value->type = type;
      value->data.assign(data.begin(), data.begin() + data_bytes);
      return code;
    }
    if (code == ERROR_MORE_DATA) {
      // The key says how much the longest name and data need.
      DWORD longest_name = 0, longest_data = 0;
      const LONG info = ::RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, &longest_name, &longest_data, nullptr,
                                           nullptr);
      if (info != ERROR_SUCCESS) return info;
      name_buffer.resize(std::max<std::size_t>(name_buffer.size(), longest_name + 1));
      data.resize(std::max<std::size_t>(data.size() * 2, longest_data + 2));
    }
  }
  return code;
}

std::int32_t Win32Registry::RegQueryValueExW(RegKey key, TextView name, RegValue* value) {
  const std::wstring wide_name = win32::ToWide(name);
  DWORD type = 0, bytes = 0;
  LONG code = ::RegQueryValueExW(ToHkey(key), wide_name.c_str(), nullptr, &type, nullptr, &bytes);
  for (int attempt = 0; code == ERROR_SUCCESS && attempt < 4; ++attempt) {
    std::vector<BYTE> data(bytes + 2);
    DWORD size = static_cast<DWORD>(data.size());
    code = ::RegQueryValueExW(ToHkey(key), wide_name.c_str(), nullptr, &type, data.data(), &size);
    if (code == ERROR_SUCCESS) {
      value->type = type;
      value->data.assign(data.begin(), data.begin() + size);
      return code;
    }
    if (code == ERROR_MORE_DATA) {
      bytes = size;
      code = ERROR_SUCCESS;
    }
  }
  return code;
}

std::int32_t Win32Registry::RegSetValueExW(RegKey key, TextView name, const RegValue& value) {
  return ::RegSetValueExW(ToHkey(key), win32::ToWide(name).c_str(), 0, value.type,
                          value.data.empty() ? nullptr : value.data.data(),
                          static_cast<DWORD>(value.data.size()));
}

std::int32_t Win32Registry::RegDeleteValueW(RegKey key, TextView name) {
  return ::RegDeleteValueW(ToHkey(key), win32::ToWide(name).c_str());
}

RegDeleteResult Win32Registry::RegDeleteKeyExW(RegKey parent, TextView subkey) {
  HMODULE advapi = ::LoadLibraryW(L"AdvAPI32.dll");
  if (advapi == nullptr) {
    return {RegDeleteResult::Stage::LibraryNotLoaded, static_cast<std::int32_t>(::GetLastError())};
  }
  auto delete_key = reinterpret_cast<DeleteKeyFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(advapi, "RegDeleteKey")));
  if (delete_key == nullptr) {
    delete_key = reinterpret_cast<DeleteKeyFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(advapi, "RegDeleteKeyW")));
  }
  auto delete_key_ex = reinterpret_cast<DeleteKeyExFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(advapi, "RegDeleteKeyEx")));
  if (delete_key_ex == nullptr) {
    delete_key_ex = reinterpret_cast<DeleteKeyExFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(advapi, "RegDeleteKeyExW")));
  }
  RegDeleteResult result;
  const std::wstring name = win32::ToWide(subkey);
  if (delete_key_ex != nullptr) {
    result.code = delete_key_ex(ToHkey(parent), name.c_str(), KEY_WOW64_32KEY, 0);
  } else if (delete_key != nullptr) {
    result.code = delete_key(ToHkey(parent), name.c_str());
  } else {
    result = {RegDeleteResult::Stage::FunctionNotFound, static_cast<std::int32_t>(::GetLastError())};
  }
  ::FreeLibrary(advapi);
  return result;
}

}  // namespace korvex
