#include "robot/win32/mascot_window.h"

#include "robot/common/settings.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

CRaravOvedov::CRaravOvedov(const Settings& settings, std::function<void(HMENU)> menu_update)
    : m_settings(settings), m_menuUpdate(std::move(menu_update)) {}

CRaravOvedov::~CRaravOvedov() {
  const HWND window = hwnd();
  Detach();
  if (window != nullptr) ::DestroyWindow(window);
}

RECT CRaravOvedov::Placement() const {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT r{};
  r.right = work.right - m_size.cx / 5;
  r.bottom = work.bottom - m_size.cy / 5;
  r.left = r.right - m_size.cx;
  r.top = r.bottom - m_size.cy;
  return r;
}

bool CRaravOvedov::Create(HWND frame) {
  m_frame = frame;
  const int ids[3] = {IDB_MASCOT_REST, IDB_MASCOT_BLINK, IDB_MASCOT_ANSWER};
  for (int i = 0; i < 3; ++i) {
    m_bitmaps[i].reset(static_cast<HBITMAP>(
        ::LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(ids[i]), IMAGE_BITMAP, 0, 0, 0)));
  }
  BITMAP info{};
  if (m_bitmaps[0] && ::GetObjectW(m_bitmaps[0].get(), sizeof info, &info) != 0) {
    m_size = SIZE{info.bmWidth, info.bmHeight};
  }
  const RECT r = Placement();
  const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"#32770", L"RaravOvedov", 0x80000008,
                                        r.left, r.top, r.right - r.left, r.bottom - r.top,
                                        ::GetDesktopWindow(), nullptr, ProgramInstance(), nullptr);
  if (window == nullptr || !Attach(window)) return false;
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  // The region of the first size; WM_SIZE keeps it up to date afterwards.
  ::SetWindowRgn(window, ::CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1,
                                              20, 20), TRUE);
  return true;
}

void CRaravOvedov::Show(bool show) {
  if (hwnd() == nullptr) return;
  if (show && m_settings.ShowMascot()) {
    const bool start_timer = m_animation.Show(::GetTickCount());
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    if (start_timer || !m_timer) m_timer = ::SetTimer(hwnd(), kTimerId, MascotAnimation::kTickMs,
                                                      nullptr) != 0;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    return;
  }
  m_animation.Hide();
  ::ShowWindow(hwnd(), SW_HIDE);
  if (m_timer) ::KillTimer(hwnd(), kTimerId);
  m_timer = false;
}

void CRaravOvedov::Blink() {
  if (hwnd() != nullptr && m_animation.Blink()) ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void CRaravOvedov::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = ::BeginPaint(hwnd(), &ps);
  const int picture = m_animation.Picture();
  const int index = picture == MascotAnimation::kBlinkPicture    ? 1
                    : picture == MascotAnimation::kAnswerPicture ? 2
                                                                 : 0;
  RECT r{};
  ::GetWindowRect(hwnd(), &r);
  if (m_bitmaps[index]) {
    const HDC memory = ::CreateCompatibleDC(dc);
    const HGDIOBJ old = ::SelectObject(memory, m_bitmaps[index].get());
    ::BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  ::EndPaint(hwnd(), &ps);
}

void CRaravOvedov::ShowMenu() {
  const UniqueMenu menu(::LoadMenuW(ProgramInstance(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
  if (!menu) return;
  const HMENU popup = ::GetSubMenu(menu.get(), 0);
  if (m_menuUpdate) m_menuUpdate(popup);
  POINT at{};
  ::GetCursorPos(&at);
  ::SetForegroundWindow(m_frame);
  ::TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, m_frame, nullptr);
  ::PostMessageW(m_frame, WM_NULL, 0, 0);
}

LRESULT CRaravOvedov::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE: {
      RECT r{};
      ::GetWindowRect(hwnd(), &r);
      ::SetWindowRgn(hwnd(), ::CreateRoundRectRgn(0, 0, r.right - r.left + 1,
                                                  r.bottom - r.top + 1, 20, 20), TRUE);
      break;
    }
    case WM_SETTINGCHANGE: {
      const LRESULT result = CallOriginal(message, wparam, lparam);
      if (wparam == SPI_SETWORKAREA) {
        const RECT r = Placement();
        ::SetWindowPos(hwnd(), nullptr, r.left, r.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return result;
    }
    case WM_TIMER:
      if (wparam != kTimerId) break;
      if (m_animation.OnTick(::GetTickCount())) ::InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole window
    case WM_PAINT:
      Paint();
      return 0;
    case WM_RBUTTONUP:
      ShowMenu();
      return 0;
    case WM_LBUTTONDBLCLK:
      // Hidden until the next activation shows it; the animation goes on.
      ::ShowWindow(hwnd(), SW_HIDE);
      return 0;
    default:
      break;
  }
  return CallOriginal(message, wparam, lparam);
}

}  // namespace korvex::win32
