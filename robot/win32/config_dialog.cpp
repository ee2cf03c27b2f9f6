#include "robot/win32/config_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "robot/common/robot_strings.h"
#include "robot/common/settings.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

namespace {

// COM for the calling thread while it lasts; released only when this call
// initialized it.
class ComScope {
 public:
  ComScope() {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    m_release = SUCCEEDED(hr);  // S_OK or S_FALSE; another model is left alone
  }
  ~ComScope() {
    if (m_release) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool m_release = false;
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

}  // namespace

// --- the choosers -------------------------------------------------------------------------------

Text ChooseFolder(HWND owner, const Text& initial) {
  ComScope com;
  const std::wstring start = ToWide(initial);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = L"Seleccione un directorio por favor...";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &BrowseCallback;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = nullptr;
  {
    SystemDialogScope modal;
    chosen = ::SHBrowseForFolderW(&info);
  }
  if (chosen == nullptr) return {};
  wchar_t path[MAX_PATH] = L"";
  const bool converted = ::SHGetPathFromIDListW(chosen, path) != FALSE;
  ::CoTaskMemFree(chosen);
  return converted ? FromWide(path) : Text();
}

Text ChooseSoundFile(HWND owner) {
  wchar_t path[MAX_PATH] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"Archivos WAV (*.wav)\0*.wav\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = L"wav";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES;
  BOOL chosen = FALSE;
  {
    SystemDialogScope modal;
    chosen = ::GetOpenFileNameW(&ofn);
  }
  if (!chosen || path[0] == L'\0') return {};
  return FromWide(path);
}

// --- the dialog ---------------------------------------------------------------------------------

CConfigDialog::CConfigDialog(Settings& settings, RegionalSettings& regional)
    : Dialog(IDD_CONFIG), m_settings(settings), m_regional(regional) {}

bool CConfigDialog::Checked(int id) const {
  return ::IsDlgButtonChecked(hwnd(), id) == BST_CHECKED;
}

void CConfigDialog::Check(int id, bool checked) {
  ::CheckDlgButton(hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool CConfigDialog::OnInitDialog() {
  const HWND alarm_spin = Item(IDC_CONFIG_ALARM_SPIN);
  const HWND loop_spin = Item(IDC_CONFIG_LOOP_SPIN);
  ::SendMessageW(alarm_spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(IDC_CONFIG_ALARM_TIME)), 0);
  ::SendMessageW(loop_spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(IDC_CONFIG_LOOP_TIME)), 0);
  // The arrows step through the values the fields accept; the default range
  // (100 down to 0) would count the wrong way and out of range.
  ::SendMessageW(alarm_spin, UDM_SETRANGE32, kMinAlarmTime, kMaxMinutes);
  ::SendMessageW(loop_spin, UDM_SETRANGE32, kMinLoopTime, kMaxMinutes);

  const ConfigForm form = LoadConfigForm(m_settings);
  m_correcting = true;  // the loaded values are in range already
  ::SetDlgItemTextW(hwnd(), IDC_CONFIG_LOG_DIR, ToWide(form.log_dir).c_str());
  ::SendDlgItemMessageW(hwnd(), IDC_CONFIG_SEPARATOR, EM_LIMITTEXT, 1, 0);
  Check(IDC_CONFIG_OWN_SEPARATOR, form.own_separator);
  ::SetDlgItemTextW(hwnd(), IDC_CONFIG_SEPARATOR, ToWide(form.separator).c_str());
  ::EnableWindow(Item(IDC_CONFIG_SEPARATOR), form.own_separator);
  Check(IDC_CONFIG_USE_ALARM, form.use_alarm);
  Check(IDC_CONFIG_MUST_LOOP, form.must_loop);
  ::SetDlgItemTextW(hwnd(), IDC_CONFIG_ALARM_TIME, ToWide(form.alarm_time).c_str());
  ::SetDlgItemTextW(hwnd(), IDC_CONFIG_LOOP_TIME, ToWide(form.loop_time).c_str());
  ::SetDlgItemTextW(hwnd(), IDC_CONFIG_WAV_FILE, ToWide(form.wav_file).c_str());
  m_correcting = false;
  ApplyEnabling();
  Check(IDC_CONFIG_MASCOT, form.show_mascot);
  return true;
}

void CConfigDialog::ApplyEnabling() {
  const ConfigEnabling enabling =
      EnablingFor(Checked(IDC_CONFIG_USE_ALARM), Checked(IDC_CONFIG_MUST_LOOP));
  // Each up-down follows its field: a live arrow would change a disabled
  // value.
  ::EnableWindow(Item(IDC_CONFIG_ALARM_TIME), enabling.alarm_time);
  ::EnableWindow(Item(IDC_CONFIG_ALARM_SPIN), enabling.alarm_time);
  ::EnableWindow(Item(IDC_CONFIG_MUST_LOOP), enabling.must_loop);
  ::EnableWindow(Item(IDC_CONFIG_CHOOSE_WAV), enabling.sound_button);
  ::EnableWindow(Item(IDC_CONFIG_LOOP_TIME), enabling.loop_time);
  ::EnableWindow(Item(IDC_CONFIG_LOOP_SPIN), enabling.loop_time);
}

void CConfigDialog::OnSeparatorBox() {
  const HWND edit = Item(IDC_CONFIG_SEPARATOR);
  if (Checked(IDC_CONFIG_OWN_SEPARATOR)) {
    ::SetWindowTextW(edit, ToWide(SeparatorInForce(m_settings, m_regional)).c_str());
    ::EnableWindow(edit, TRUE);
  } else {
    ::SetWindowTextW(edit, L"");
    ::EnableWindow(edit, FALSE);
  }
}

void CConfigDialog::CorrectMinutes(int edit, std::optional<Text> (*correct)(TextView)) {
  if (m_correcting) return;
  const std::optional<Text> corrected = correct(FromWide(ItemText(edit)));
  if (!corrected) return;
  // Setting the text notifies again; the corrected text stands.
  m_correcting = true;
  ::SetDlgItemTextW(hwnd(), edit, ToWide(*corrected).c_str());
  ::SendDlgItemMessageW(hwnd(), edit, EM_SETSEL, corrected->size(), corrected->size());
  m_correcting = false;
}

bool CConfigDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_CONFIG_USE_ALARM:
    case IDC_CONFIG_MUST_LOOP:
      if (code == BN_CLICKED) ApplyEnabling();
      return true;
    case IDC_CONFIG_OWN_SEPARATOR:
      if (code == BN_CLICKED) OnSeparatorBox();
      return true;
    case IDC_CONFIG_ALARM_TIME:
      if (code == EN_CHANGE) CorrectMinutes(id, &CorrectedAlarmTime);
      return true;
    case IDC_CONFIG_LOOP_TIME:
      if (code == EN_CHANGE) CorrectMinutes(id, &CorrectedLoopTime);
      return true;
    case IDC_CONFIG_CHOOSE_DIR:
      if (code == BN_CLICKED) {
        const Text folder = ChooseFolder(hwnd(), FromWide(ItemText(IDC_CONFIG_LOG_DIR)));
        if (!folder.empty()) ::SetDlgItemTextW(hwnd(), IDC_CONFIG_LOG_DIR, ToWide(folder).c_str());
      }
      return true;
    case IDC_CONFIG_CHOOSE_WAV:
      if (code == BN_CLICKED) {
        const Text file = ChooseSoundFile(hwnd());
        if (!file.empty()) ::SetDlgItemTextW(hwnd(), IDC_CONFIG_WAV_FILE, ToWide(file).c_str());
      }
      return true;
    case IDOK:
      if (code == BN_CLICKED) Save();
      return true;
    default:
      return Dialog::OnCommand(id, code, control);  // Cancel and closing write nothing
  }
}

ConfigForm CConfigDialog::ReadForm() const {
  ConfigForm form;
  form.log_dir = FromWide(ItemText(IDC_CONFIG_LOG_DIR));
  form.own_separator = Checked(IDC_CONFIG_OWN_SEPARATOR);
  form.separator = FromWide(ItemText(IDC_CONFIG_SEPARATOR));
  form.use_alarm = Checked(IDC_CONFIG_USE_ALARM);
  form.alarm_time = FromWide(ItemText(IDC_CONFIG_ALARM_TIME));
  form.must_loop = Checked(IDC_CONFIG_MUST_LOOP);
  form.loop_time = FromWide(ItemText(IDC_CONFIG_LOOP_TIME));
  form.wav_file = FromWide(ItemText(IDC_CONFIG_WAV_FILE));
  form.show_mascot = Checked(IDC_CONFIG_MASCOT);
  return form;
}

void CConfigDialog::Save() {
  if (!SaveConfigForm(m_settings, ReadForm())) {
    // Closing as if all were saved would hide it; the user may try again.
    ShowMessage(hwnd(), ToWide(LoadRobotString(str::kConfigSaveFailed)), L"Configuración",
                MB_OK | MB_ICONERROR);
    return;
  }
  End(IDOK);
}

}  // namespace korvex::win32
