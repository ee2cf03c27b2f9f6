// The management commands' dialogs on real windows (ManagementDialogs).
#pragma once

#include <windows.h>

#include <functional>

#include "robot/tray/management_commands.h"

namespace korvex {
class RegionalSettings;
class Settings;
}

namespace korvex::win32 {

class Win32ManagementDialogs final : public ManagementDialogs {
 public:
  // frame gives the main frame's window: the outcome boxes and the about
  // box belong to it.
  Win32ManagementDialogs(Settings& settings, RegionalSettings& regional,
                         std::function<HWND()> frame);

  std::optional<std::size_t> ChooseProfileToDelete(
      const std::vector<CProfile*>& profiles) override;
  void ShowAnswers(const std::vector<CProfile*>& profiles) override;
  std::optional<std::vector<std::size_t>> ChooseProfilesToTransfer(
      const std::vector<CProfile*>& profiles, TransferMode mode) override;
  std::optional<Text> AskExportPath() override;
  std::optional<Text> AskImportPath() override;
  void ShowOutcome(int string_id, bool failed) override;
  void Configure() override;
  void About() override;

 private:
  Settings& m_settings;
  RegionalSettings& m_regional;
  std::function<HWND()> m_frame;
};

}  // namespace korvex::win32
