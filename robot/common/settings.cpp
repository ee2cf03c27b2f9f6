#include "robot/common/settings.h"

#include "platform/file_io.h"

namespace korvex {

Settings::Settings(Registry& registry, std::function<Text()> program_folder)
    : m_registry(registry),
      m_programFolder(program_folder ? std::move(program_folder) : ProgramFolder) {}

std::uint32_t Settings::GetInt(TextView name, std::uint32_t default_value) const {
  ScopedRegKey key(m_registry);
  if (m_registry.RegOpenKeyExW(kHkeyCurrentUser, kSettingsPath, reg::Access::Read, key.Out())) {
    return default_value;
  }
  RegValue value;
  if (m_registry.RegQueryValueExW(key.Get(), name, &value) != reg::kSuccess ||
      value.type != reg::kRegDword || value.data.size() < 4) {
    return default_value;
  }
  return static_cast<std::uint32_t>(value.data[0]) | (static_cast<std::uint32_t>(value.data[1]) << 8) |
         (static_cast<std::uint32_t>(value.data[2]) << 16) |
         (static_cast<std::uint32_t>(value.data[3]) << 24);
}

Text Settings::GetString(TextView name, TextView default_value) const {
  ScopedRegKey key(m_registry);
  if (m_registry.RegOpenKeyExW(kHkeyCurrentUser, kSettingsPath, reg::Access::Read, key.Out())) {
    return Text(default_value);
  }
  RegValue value;
  if (m_registry.RegQueryValueExW(key.Get(), name, &value) != reg::kSuccess ||
      value.type != reg::kRegSz) {
    return Text(default_value);
  }
  return ReadStringValue(value);
}

bool Settings::SetInt(TextView name, std::uint32_t value) {
  ScopedRegKey key(m_registry);
  return m_registry.RegCreateKeyExW(kHkeyCurrentUser, kSettingsPath, key.Out()) == reg::kSuccess &&
         m_registry.RegSetValueExW(key.Get(), name, MakeDwordValue(value)) == reg::kSuccess;
}

bool Settings::SetString(TextView name, TextView value) {
  ScopedRegKey key(m_registry);
  return m_registry.RegCreateKeyExW(kHkeyCurrentUser, kSettingsPath, key.Out()) == reg::kSuccess &&
         m_registry.RegSetValueExW(key.Get(), name, MakeStringValue(value, /*with_nul=*/true)) == reg::kSuccess;
}

Text Settings::DefaultWavFile() const {
  Text folder = m_programFolder();
  if (folder.size() > 259) folder.clear();
  return folder + u"\\default.wav";
}

}  // namespace korvex
