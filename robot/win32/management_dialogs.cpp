#include "robot/win32/management_dialogs.h"

#include "platform/win32/wide_text.h"
#include "robot/common/robot_strings.h"
#include "robot/win32/about_dialog.h"
#include "robot/win32/config_dialog.h"
#include "robot/win32/profile_dialogs.h"
#include "robot/win32/transfer_dialogs.h"

namespace korvex::win32 {

Win32ManagementDialogs::Win32ManagementDialogs(Settings& settings, RegionalSettings& regional,
                                               std::function<HWND()> frame)
    : m_settings(settings), m_regional(regional), m_frame(std::move(frame)) {}

std::optional<std::size_t> Win32ManagementDialogs::ChooseProfileToDelete(
    const std::vector<CProfile*>& profiles) {
  CDeleteProfileDlg dialog(profiles);
  if (dialog.RunModal(nullptr) != IDOK) return std::nullopt;
  return dialog.Choice();
}

void Win32ManagementDialogs::ShowAnswers(const std::vector<CProfile*>& profiles) {
  CAnswersDlg(profiles).RunModal(nullptr);
}

std::optional<std::vector<std::size_t>> Win32ManagementDialogs::ChooseProfilesToTransfer(
    const std::vector<CProfile*>& profiles, TransferMode mode) {
  CImpExpDlg dialog(profiles, mode);
  if (dialog.RunModal(nullptr) != IDOK) return std::nullopt;
  return dialog.Selection();
}

std::optional<Text> Win32ManagementDialogs::AskExportPath() { return AskProfileFileToSave(); }

std::optional<Text> Win32ManagementDialogs::AskImportPath() { return AskProfileFileToOpen(); }

void Win32ManagementDialogs::ShowOutcome(int string_id, bool failed,
                                         const std::vector<MessageArg>& inserts) {
  const std::wstring text =
      inserts.empty() ? LoadResourceString(static_cast<UINT>(string_id))
                      : ToWide(FormatMessageText(LoadRobotString(string_id), inserts));
  ShowMessage(m_frame ? m_frame() : nullptr, text,
              LoadResourceString(str::kProgramName),
              MB_OK | MB_SETFOREGROUND | (failed ? MB_ICONERROR : MB_ICONINFORMATION));
}

void Win32ManagementDialogs::Configure() { CConfigDialog(m_settings, m_regional).RunModal(nullptr); }

void Win32ManagementDialogs::About() { CAboutDlg().RunModal(m_frame ? m_frame() : nullptr); }

}  // namespace korvex::win32
