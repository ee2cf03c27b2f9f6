#include "robot/win32/transfer_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "robot/common/robot_strings.h"
#include "robot/win32/list_view.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

// --- the selection ----------------------------------------------------------------------------

CImpExpDlg::CImpExpDlg(const std::vector<CProfile*>& profiles, TransferMode mode)
    : Dialog(IDD_IMP_EXP), m_entries(SortedProfileList(profiles)), m_mode(mode) {}

bool CImpExpDlg::OnInitDialog() {
  ::SetWindowTextW(hwnd(), ToWide(TransferTitle(m_mode)).c_str());
  const HWND list = Item(IDC_IMPEXP_LIST);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  // The column fills the list, the room of a vertical scroll bar aside.
  RECT client{};
  ::GetClientRect(list, &client);
  const int width = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL) - 5;
  AddListColumns(list, {{kTransferColumn, width > 0 ? width : 0, false}});
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const int row = AppendListRow(list, {ToWide(m_entries[i].name)}, static_cast<LPARAM>(i));
    if (row >= 0) CheckListRow(list, row, true);
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  return true;
}

bool CImpExpDlg::OnCommand(int id, int code, HWND control) {
  if (id != IDOK || code != BN_CLICKED) return Dialog::OnCommand(id, code, control);
  const HWND list = Item(IDC_IMPEXP_LIST);
  m_selection.clear();
  for (int row = 0; row < ListRowCount(list); ++row) {
    if (!IsListRowChecked(list, row)) continue;
    const auto entry = static_cast<std::size_t>(ListRowData(list, row));
    if (entry < m_entries.size()) m_selection.push_back(m_entries[entry].index);
  }
  if (m_selection.empty()) {
    ShowMessage(hwnd(), ToWide(TransferNothingChecked(m_mode)),
                ToWide(LoadRobotString(str::kProgramName)), MB_OK | MB_ICONWARNING);
    return true;
  }
  End(IDOK);
  return true;
}

// --- the file dialogs ---------------------------------------------------------------------------

namespace {

// "Perfiles de KORVEX (*.kvxpf)|*.kvxpf|Todos los archivos (*.*)|*.*||" in
// the dialog's form, pairs of zero-terminated texts.
const wchar_t kProfileFilter[] =
    L"Perfiles de KORVEX (*.kvxpf)\0*.kvxpf\0Todos los archivos (*.*)\0*.*\0";

// Long enough for any path the file system takes.
constexpr DWORD kPathChars = 32768;

std::optional<Text> AskProfileFile(bool save) {
  std::wstring path(kPathChars, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = nullptr;  // the desktop
  ofn.lpstrFilter = kProfileFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = kPathChars;
  ofn.lpstrDefExt = L"kvxpf";
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES | OFN_ENABLESIZING |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  BOOL chosen = FALSE;
  {
    SystemDialogScope modal;
    chosen = save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
  }
  if (!chosen) return std::nullopt;
  path.resize(std::wcslen(path.c_str()));
  if (path.empty()) return std::nullopt;
  return FromWide(path);
}

}  // namespace

std::optional<Text> AskProfileFileToSave() { return AskProfileFile(true); }

std::optional<Text> AskProfileFileToOpen() { return AskProfileFile(false); }

}  // namespace korvex::win32
