#include "robot/win32/about_dialog.h"

#include <objbase.h>
#include <shellapi.h>

#include <vector>

#include "platform/win32/wide_text.h"
#include "robot/common/robot_strings.h"
#include "robot/tray/management_forms.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

// --- the program's file ----------------------------------------------------------------------

namespace {

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: a longer path
  }
}

}  // namespace

std::wstring ProgramFolder() {
  std::wstring path = ProgramPath();
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::optional<std::wstring> ProgramVersionText() {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  return ToWide(VersionText(HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                            HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)));
}

// --- the link ------------------------------------------------------------------------------------

CStaticLink::~CStaticLink() {
  Detach();
  if (m_font != nullptr) ::DeleteObject(m_font);
}

bool CStaticLink::Attach(HWND control) {
  if (!Subclass::Attach(control)) return false;
  // Clicks reach the dialog only from a static that notifies.
  ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
  LOGFONTW font{};
  const auto current = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  if (::GetObjectW(current != nullptr ? static_cast<HGDIOBJ>(current)
                                      : ::GetStockObject(DEFAULT_GUI_FONT),
                   sizeof font, &font) != 0) {
    font.lfUnderline = TRUE;
    m_font = ::CreateFontIndirectW(&font);
    if (m_font != nullptr) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
  }
  return true;
}

bool CStaticLink::Follow() {
  const HWND control = hwnd();
  std::vector<std::wstring> candidates;
  if (!m_target.empty()) candidates.push_back(m_target);
  if (control != nullptr) {
    candidates.push_back(WindowText(control));
    candidates.push_back(LoadResourceString(static_cast<UINT>(::GetDlgCtrlID(control))));
  }
  // The shell may hand the document to a program that uses COM.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  bool opened = false;
  for (const std::wstring& candidate : candidates) {
    if (candidate.empty()) continue;
    const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
        control != nullptr ? ::GetParent(control) : nullptr, L"open", candidate.c_str(), nullptr,
        nullptr, SW_SHOWNORMAL));
    if (result > 32) {
      opened = true;
      break;
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  if (!opened) {
    ::MessageBeep(0);
    return false;
  }
  m_visited = true;
  if (control != nullptr) ::InvalidateRect(control, nullptr, TRUE);
  return true;
}

HBRUSH CStaticLink::OnCtlColor(HDC dc) const {
  ::SetTextColor(dc, m_visited ? RGB(128, 0, 128) : RGB(0, 0, 255));
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CStaticLink::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETCURSOR) {
    if (const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND); hand != nullptr) {
      ::SetCursor(hand);
      return TRUE;
    }
  }
  return CallOriginal(message, wparam, lparam);
}

// --- the about box ---------------------------------------------------------------------------------

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUT) {}

bool CAboutDlg::OnInitDialog() {
  if (const auto version = ProgramVersionText()) {
    ::SetDlgItemTextW(hwnd(), IDC_ABOUT_VERSION, version->c_str());
  }
  m_link.Attach(Item(IDC_ABOUT_LINK));
  // The manual the installer puts beside the program.
  m_link.SetTarget(ProgramFolder() + L"\\" + ToWide(LoadRobotString(str::kManualFile)));
  return true;
}

bool CAboutDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_ABOUT_LINK) {
    if (code == STN_CLICKED) m_link.Follow();
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

bool CAboutDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lparam) == m_link.hwnd() &&
      m_link.hwnd() != nullptr) {
    *result = reinterpret_cast<LRESULT>(m_link.OnCtlColor(reinterpret_cast<HDC>(wparam)));
    return true;
  }
  return false;
}

}  // namespace korvex::win32
