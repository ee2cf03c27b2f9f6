#include "robot/win32/tray_icon.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "robot/tray/tray_text.h"

namespace korvex::win32 {

namespace {

template <std::size_t N>
void CopyField(wchar_t (&field)[N], TextView text, std::size_t max_chars) {
  const Text cut = CutText(text, std::min(max_chars, N - 1));
  std::copy(cut.begin(), cut.end(), field);
  field[cut.size()] = L'\0';
}

}  // namespace

CTrayIcon::CTrayIcon(UINT id) {
  // The record with balloons and without the item's GUID.
  m_data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  m_data.uID = id;
}

CTrayIcon::~CTrayIcon() { Remove(); }

void CTrayIcon::SetNotificationWnd(HWND window, UINT callback_message) {
  m_data.hWnd = window;
  m_data.uCallbackMessage = callback_message;
}

bool CTrayIcon::SetIcon(HICON icon, const std::wstring& tooltip) {
  NOTIFYICONDATAW data = m_data;
  data.uFlags = 0;
  DWORD action = NIM_DELETE;
  if (icon != nullptr) {
    action = m_data.hIcon == nullptr ? NIM_ADD : NIM_MODIFY;
    data.hIcon = icon;
    data.uFlags = NIF_ICON;
    CopyField(data.szTip, FromWide(tooltip), kTooltipChars);
    if (data.szTip[0] != L'\0') data.uFlags |= NIF_TIP;
    if (data.uCallbackMessage != 0 && data.hWnd != nullptr) data.uFlags |= NIF_MESSAGE;
  } else if (m_data.hIcon == nullptr) {
    return true;  // nothing shown, nothing to remove
  }
  const bool done = ::Shell_NotifyIconW(action, &data) != FALSE;
  if (action == NIM_DELETE || !done) {
    m_data.hIcon = nullptr;
  } else {
    m_data.hIcon = icon;
    m_tooltip = tooltip;
  }
  return done;
}

void CTrayIcon::OnTaskbarCreated() {
  const HICON icon = m_data.hIcon;
  m_data.hIcon = nullptr;
  if (icon != nullptr) SetIcon(icon, m_tooltip);
}

HICON CTrayIcon::LoadTrayIcon(int id) {
  auto it = m_icons.find(id);
  if (it != m_icons.end()) return it->second.get();
  const auto icon = static_cast<HICON>(
      ::LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON,
                   ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (icon == nullptr) return nullptr;
  return m_icons.emplace(id, UniqueIcon(icon)).first->second.get();
}

void CTrayIcon::SetIcon(int icon, TextView tooltip) {
  if (icon == 0) {
    Remove();
    return;
  }
  SetIcon(LoadTrayIcon(icon), ToWide(tooltip));
}

void CTrayIcon::ShowBalloon(TextView text, TextView title, std::uint32_t timeout_ms,
                            BalloonIcon icon) {
  if (m_data.hIcon == nullptr) return;  // a balloon needs the icon
  NOTIFYICONDATAW data = m_data;
  data.uFlags = NIF_INFO;
  CopyField(data.szInfo, text, kBalloonTextChars);
  CopyField(data.szInfoTitle, title, kBalloonTitleChars);
  data.uTimeout = timeout_ms;
  switch (icon) {
    case BalloonIcon::None: data.dwInfoFlags = NIIF_NONE; break;
    case BalloonIcon::Information: data.dwInfoFlags = NIIF_INFO; break;
    case BalloonIcon::Warning: data.dwInfoFlags = NIIF_WARNING; break;
    case BalloonIcon::Error: data.dwInfoFlags = NIIF_ERROR; break;
  }
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void CTrayIcon::HideBalloon() { ShowBalloon(u"", u"", 0, BalloonIcon::None); }

}  // namespace korvex::win32
