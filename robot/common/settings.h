// The robot's user settings: per-user values under
// HKEY_CURRENT_USER\Software\Norvane\KORVEX\Settings.  Every reader reads the
// value when it needs it, so a change made by the configuration dialog takes
// effect at the next read.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/registry.h"
#include "platform/text.h"

namespace korvex {

inline constexpr std::u16string_view kSettingsPath = u"Software\\Norvane\\KORVEX\\Settings";
inline constexpr std::u16string_view kNoSeparator = u"{{NO_SEPARATOR}}";

class Settings {
 public:
  // program_folder gives the folder of the robot's program (empty when it
  // cannot be read; none: ProgramFolder); the WavFile default, the sound
  // installed beside the program, is built from it at each read.
  explicit Settings(Registry& registry, std::function<Text()> program_folder = nullptr);

  // The stored REG_DWORD, or the default when the value is absent or not a
  // number.
  std::uint32_t GetInt(TextView name, std::uint32_t default_value) const;
  // The stored REG_SZ, or the default when the value is absent or not text.
  Text GetString(TextView name, TextView default_value) const;
  // Creates the key when needed; false when the registry refused.
  bool SetInt(TextView name, std::uint32_t value);
  bool SetString(TextView name, TextView value);

  Text LogDir() const { return GetString(u"LogDir", u"C:\\"); }
  Text LogSeparator() const { return GetString(u"LogSeparator", kNoSeparator); }
  Text WavFile() const { return GetString(u"WavFile", DefaultWavFile()); }
  bool UseAlarm() const { return GetInt(u"UseAlarm", 0) != 0; }
  std::uint32_t AlarmTime() const { return GetInt(u"AlarmTime", 1); }
  bool AlarmMustLoop() const { return GetInt(u"AlarmMustLoop", 0) != 0; }
  std::uint32_t AlarmLoopTime() const { return GetInt(u"AlarmLoopTime", 10); }
  bool ShowMascot() const { return GetInt(u"ShowMascot", 1) != 0; }

  // The program's folder, "\" and "default.wav": a full path whatever the
  // process's current directory; the folder part is empty when it cannot be
  // read or is longer than 259 characters.
  Text DefaultWavFile() const;

 private:
  Registry& m_registry;
  std::function<Text()> m_programFolder;
};

}  // namespace korvex
