#include "robot/win32/profile_dialogs.h"

#include "platform/win32/wide_text.h"
#include "robot/app/frame_ports.h"
#include "robot/profiles/profile.h"
#include "robot/profiles/profile_repository.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

// --- the confirmation -----------------------------------------------------------------

CConfirmDlg::CConfirmDlg() : Dialog(IDD_CONFIRM) {}

int CConfirmDlg::Ask(HWND host_dialog) {
  m_owner = host_dialog;
  const INT_PTR result = RunModal(host_dialog);
  if (result == kConfirmStore || result == kConfirmRetry) return static_cast<int>(result);
  return kConfirmDontStore;
}

bool CConfirmDlg::OnInitDialog() {
  CenterOnWindow(hwnd(), m_owner);
  // The focus on the text: no button is the default, so Enter answers
  // nothing.
  ::SetFocus(Item(IDC_CONFIRM_TEXT));
  return false;
}

bool CConfirmDlg::OnCommand(int id, int code, HWND) {
  if (id == IDC_CONFIRM_YES || id == IDC_CONFIRM_NO || id == IDC_CONFIRM_RETRY) {
    if (code == BN_CLICKED) End(id);
    return true;
  }
  // Enter (IDOK) and Escape (IDCANCEL) do nothing.
  return id == IDOK || id == IDCANCEL;
}

bool CConfirmDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT* result) {
  if (message != WM_CLOSE) return false;
  End(kConfirmDontStore);
  *result = 0;
  return true;
}

// --- a new profile --------------------------------------------------------------------------

CAddProfileDlg::CAddProfileDlg() : Dialog(IDD_ADD_PROFILE) {}

bool CAddProfileDlg::OnCommand(int id, int code, HWND control) {
  if (id != IDOK || code != BN_CLICKED) return Dialog::OnCommand(id, code, control);
  const std::wstring name = ItemText(IDC_PROFILE_NAME);
  if (name.empty()) {
    ShowMessage(hwnd(), L"Ingrese un texto", L"Error", MB_OK | MB_ICONERROR);
    return true;
  }
  // A name the store cannot keep is refused here rather than lost later.
  if (const auto problem = ProfileNameProblem(FromWide(name)); problem) {
    ShowMessage(hwnd(), ToWide(*problem), L"Error", MB_OK | MB_ICONERROR);
    return true;
  }
  m_name = name;
  End(IDOK);
  return true;
}

// --- choosing a profile ---------------------------------------------------------------------

CSelectProfileDlg::CSelectProfileDlg(std::vector<std::wstring> names)
    : Dialog(IDD_SELECT_PROFILE), m_names(std::move(names)) {}

bool CSelectProfileDlg::OnInitDialog() {
  for (const std::wstring& name : m_names) {
    ::SendDlgItemMessageW(hwnd(), IDC_PROFILE_LIST, LB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(name.c_str()));
  }
  ::SetFocus(Item(IDC_PROFILE_LIST));
  return false;
}

bool CSelectProfileDlg::OnCommand(int id, int code, HWND) {
  if ((id == IDOK && code == BN_CLICKED) || (id == IDC_PROFILE_LIST && code == LBN_DBLCLK)) {
    Choose();
    return true;
  }
  if (id == IDC_PROFILE_CREATE && code == BN_CLICKED) {
    m_choice = kSelectionCreateNew;
    End(IDC_PROFILE_CREATE);
    return true;
  }
  if (id == IDCANCEL && code == BN_CLICKED) {
    m_choice = kSelectionCancelled;
    End(IDCANCEL);
    return true;
  }
  return false;
}

void CSelectProfileDlg::Choose() {
  const auto selected = ::SendDlgItemMessageW(hwnd(), IDC_PROFILE_LIST, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) {
    ShowMessage(hwnd(), L"Seleccione un perfil", L"No hay un perfil seleccionado",
                MB_OK | MB_ICONERROR);
    return;
  }
  const auto length =
      ::SendDlgItemMessageW(hwnd(), IDC_PROFILE_LIST, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
  std::wstring name(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  name.resize(static_cast<std::size_t>(::SendDlgItemMessageW(
      hwnd(), IDC_PROFILE_LIST, LB_GETTEXT, static_cast<WPARAM>(selected),
      reinterpret_cast<LPARAM>(name.data()))));
  m_choice = kSelectionCancelled;
  for (std::size_t i = 0; i < m_names.size(); ++i) {
    if (m_names[i] == name) {
      m_choice = static_cast<int>(i);
      break;
    }
  }
  End(IDOK);
}

// --- the port --------------------------------------------------------------------------------

std::optional<Text> Win32ProfileDialogs::AskNewProfileName() {
  CAddProfileDlg dialog;
  if (dialog.RunModal(nullptr) != IDOK) return std::nullopt;
  return FromWide(dialog.Name());
}

int Win32ProfileDialogs::SelectProfile(const std::vector<CProfile*>& profiles) {
  std::vector<std::wstring> names;
  names.reserve(profiles.size());
  for (const CProfile* profile : profiles) names.push_back(ToWide(profile->GetName()));
  CSelectProfileDlg dialog(std::move(names));
  if (dialog.RunModal(nullptr) == Dialog::kNotCreated) return kSelectionCancelled;
  return dialog.Choice();
}

}  // namespace korvex::win32
