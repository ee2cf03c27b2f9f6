#include "robot/win32/profile_dialogs.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"
#include "robot/profiles/profile.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/frame_ports.h"
#include "robot/win32/list_view.h"
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

// --- lists of profiles ------------------------------------------------------------------------

CProfileListDlg::CProfileListDlg(int template_id, const std::vector<CProfile*>& profiles)
    : Dialog(template_id), m_entries(SortedProfileList(profiles)) {}

bool CProfileListDlg::OnInitDialog() {
  const HWND list = Item(IDC_PROFILE_LIST);
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const std::wstring name = ToWide(m_entries[i].name);
    const auto line =
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (line >= 0) ::SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(line), i);
  }
  ::SetFocus(list);
  return false;
}

std::optional<std::size_t> CProfileListDlg::Selected() const {
  const HWND list = Item(IDC_PROFILE_LIST);
  const auto line = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (line == LB_ERR) return std::nullopt;
  const auto entry =
      static_cast<std::size_t>(::SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(line), 0));
  if (entry >= m_entries.size()) return std::nullopt;
  return m_entries[entry].index;
}

// --- choosing a profile ---------------------------------------------------------------------

CSelectProfileDlg::CSelectProfileDlg(const std::vector<CProfile*>& profiles)
    : CProfileListDlg(IDD_SELECT_PROFILE, profiles) {}

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
  const std::optional<std::size_t> selected = Selected();
  if (!selected) {
    ShowMessage(hwnd(), L"Seleccione un perfil", L"No hay un perfil seleccionado",
                MB_OK | MB_ICONERROR);
    return;
  }
  m_choice = static_cast<int>(*selected);
  End(IDOK);
}

// --- deleting a profile ---------------------------------------------------------------------

CDeleteProfileDlg::CDeleteProfileDlg(const std::vector<CProfile*>& profiles)
    : CProfileListDlg(IDD_DELETE_PROFILE, profiles) {}

bool CDeleteProfileDlg::OnCommand(int id, int code, HWND control) {
  if ((id == IDOK && code == BN_CLICKED) || (id == IDC_PROFILE_LIST && code == LBN_DBLCLK)) {
    Choose();
    return true;
  }
  return Dialog::OnCommand(id, code, control);  // "Cancelar" and closing
}

void CDeleteProfileDlg::Choose() {
  const std::optional<std::size_t> selected = Selected();
  if (!selected) {
    ShowMessage(hwnd(), L"Seleccione un perfil a borrar", L"No hay un perfil seleccionado",
                MB_OK | MB_ICONERROR);
    return;
  }
  if (ShowMessage(hwnd(), L"¿Está seguro de que desea eliminar el perfil seleccionado?",
                  L"Confirmación", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  m_choice = selected;
  End(IDOK);
}

// --- the stored answers ------------------------------------------------------------------------

CAnswersDlg::CAnswersDlg(const std::vector<CProfile*>& profiles)
    : Dialog(IDD_ANSWERS), m_profiles(profiles), m_entries(SortedProfileList(profiles)) {}

bool CAnswersDlg::OnInitDialog() {
  const HWND combo = Item(IDC_ANSWERS_PROFILE);
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const std::wstring name = ToWide(m_entries[i].name);
    const auto line =
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (line >= 0) ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(line), i);
  }
  const HWND list = Item(IDC_ANSWERS_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  AddListColumns(list, AnswerColumns());
  ::SetFocus(combo);
  return false;
}

bool CAnswersDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_ANSWERS_PROFILE && code == CBN_SELCHANGE) {
    const HWND combo = Item(IDC_ANSWERS_PROFILE);
    const auto line = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    m_profile = nullptr;
    if (line != CB_ERR) {
      const auto entry = static_cast<std::size_t>(
          ::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(line), 0));
      if (entry < m_entries.size()) m_profile = m_profiles[m_entries[entry].index];
    }
    Fill();
    return true;
  }
  if (id == IDC_ANSWERS_DELETE && code == BN_CLICKED) {
    DeleteTicked();
    return true;
  }
  return Dialog::OnCommand(id, code, control);  // "Cerrar" and closing
}

void CAnswersDlg::Fill() {
  const HWND list = Item(IDC_ANSWERS_LIST);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  m_rows = m_profile != nullptr ? AnswerRows(*m_profile) : std::vector<AnswerRow>();
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    AppendListRow(list,
                  {ToWide(m_rows[i].description), ToWide(m_rows[i].caption),
                   ToWide(m_rows[i].answer)},
                  static_cast<LPARAM>(i));
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void CAnswersDlg::DeleteTicked() {
  const HWND list = Item(IDC_ANSWERS_LIST);
  std::vector<Text> keys;
  for (int row = 0; row < ListRowCount(list); ++row) {
    if (!IsListRowChecked(list, row)) continue;
    const auto index = static_cast<std::size_t>(ListRowData(list, row));
    if (index < m_rows.size()) keys.push_back(m_rows[index].key);
  }
  if (keys.empty() || m_profile == nullptr) {
    ShowMessage(hwnd(), L"Seleccione una o varias respuestas a borrar",
                L"No hay respuestas seleccionadas", MB_OK | MB_ICONERROR);
    return;
  }
  if (ShowMessage(hwnd(), L"¿Esta seguro de que desea eliminar las respuesta/s seleccionada/s?",
                  L"Confirmación", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  RemoveAnswers(*m_profile, keys);
  Fill();
}

// --- the port --------------------------------------------------------------------------------

std::optional<Text> Win32ProfileDialogs::AskNewProfileName() {
  CAddProfileDlg dialog;
  if (dialog.RunModal(nullptr) != IDOK) return std::nullopt;
  return FromWide(dialog.Name());
}

int Win32ProfileDialogs::SelectProfile(const std::vector<CProfile*>& profiles) {
  CSelectProfileDlg dialog(profiles);
  if (dialog.RunModal(nullptr) == Dialog::kNotCreated) return kSelectionCancelled;
  return dialog.Choice();
}

}  // namespace korvex::win32
