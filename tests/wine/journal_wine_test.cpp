// Settings in the real registry and a journal written by the Windows build.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/win32/win32_regional.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_window_system.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"

namespace korvex {
namespace {

using ::testing::HasSubstr;

std::string RegQuerySettings() {
  std::string out;
  if (FILE* pipe = _popen("reg query \"HKCU\\Software\\Norvane\\KORVEX\\Settings\" 2>&1", "r")) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    _pclose(pipe);
  }
  return out;
}

TEST(SettingsWine, WrittenValuesReadBackAndShowInReg) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Settings");
  Win32Registry registry;
  Settings settings(registry);
  EXPECT_EQ(settings.LogDir(), u"C:\\");
  EXPECT_EQ(settings.AlarmLoopTime(), 10u);
  EXPECT_THAT(ToUtf8(settings.WavFile()), ::testing::EndsWith("\\default.wav"));

  ASSERT_TRUE(settings.SetString(u"LogDir", u"C:\\Registros KORVEX"));
  ASSERT_TRUE(settings.SetString(u"LogSeparator", u"|"));
  ASSERT_TRUE(settings.SetInt(u"AlarmLoopTime", 25));
  ASSERT_TRUE(settings.SetInt(u"UseAlarm", 1));
  Settings fresh(registry);
  EXPECT_EQ(fresh.LogDir(), u"C:\\Registros KORVEX");
  EXPECT_EQ(fresh.LogSeparator(), u"|");
  EXPECT_EQ(fresh.AlarmLoopTime(), 25u);
  EXPECT_TRUE(fresh.UseAlarm());

  const std::string shown = RegQuerySettings();
  EXPECT_THAT(shown, HasSubstr("LogDir"));
  EXPECT_THAT(shown, HasSubstr("C:\\Registros KORVEX"));
  EXPECT_THAT(shown, HasSubstr("REG_DWORD"));
  EXPECT_THAT(shown, HasSubstr("0x19"));  // AlarmLoopTime 25
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Settings");
}

TEST(JournalWine, LogFileLandsInTheConfiguredFolder) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Settings");
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path root =
      std::filesystem::path(temp) / ("korvex-journal-" + std::to_string(::GetCurrentProcessId()));
  const std::filesystem::path folder = root / L"Registros ñ" / L"2026";

  Win32Registry registry;
  Settings settings(registry);
  ASSERT_TRUE(settings.SetString(u"LogDir", folder.u16string()));
  ASSERT_TRUE(settings.SetString(u"LogSeparator", u";"));
  HWND host = ::CreateWindowExW(0, L"STATIC", L"Dossa 12001IC04000123@", WS_POPUP, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);

  Win32WindowSystem ws;
  Win32RegionalSettings regional;
  SystemClock clock;
  {
    CVTIActions journal(ws, settings, regional, clock);
    journal.Open(reinterpret_cast<Hwnd>(host), u"Perfil Norte");
    journal.AddQuestion(true, 7, u"¿Seguir?", u"Presionar Sí");
    journal.Close(false);
    const std::string name = ToUtf8(journal.GetLogName());
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{6}_\d{6}_12001IC04000123@\.csv)"))) << name;
    EXPECT_TRUE(std::filesystem::exists(folder / journal.GetLogName()));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(journal.GetLogPath(), &bytes));
    EXPECT_EQ(bytes,
              "\"Se ha activado el perfil \"\"Perfil Norte\"\"\"\r\n"
              "\"Item #\";\"Tipo de acci\xF3n\";\"Tipo de respuesta\";\"Pregunta o mensaje\";"
              "\"Respuesta\"\r\n"
              "\"7\";\"Pregunta\";\"Autom\xE1tica\";\"\xBFSeguir?\";\"Presionar S\xED\"\r\n"
              "\"La validaci\xF3n total de \xEDtems ha conclu\xED" "do.\"\r\n");
  }
  ::DestroyWindow(host);
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Settings");
}

}  // namespace
}  // namespace korvex
