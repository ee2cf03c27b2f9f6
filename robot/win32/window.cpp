#include "robot/win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>

#include "platform/barrier.h"

namespace korvex::win32 {

HINSTANCE ProgramInstance() { return ::GetModuleHandleW(nullptr); }

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

std::wstring LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW gives a pointer into the resource.
  const int length = ::LoadStringW(ProgramInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::wstring(text, static_cast<std::size_t>(length));
}

// --- windows ---------------------------------------------------------------------------

namespace {

// The window being created: WM_NCCREATE binds it before CreateWindowExW
// returns (messages before WM_NCCREATE go to DefWindowProcW).
thread_local Window* t_creating = nullptr;

std::vector<HWND>& Modals() {
  static std::vector<HWND> modals;
  return modals;
}

}  // namespace

Window::~Window() {
  if (m_hwnd != nullptr) {
    const HWND window = m_hwnd;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    m_hwnd = nullptr;
    ::DestroyWindow(window);
  }
}

bool Window::RegisterWindowClass(const wchar_t* class_name, UINT style, HICON icon) {
  WNDCLASSEXW existing{sizeof existing};
  if (::GetClassInfoExW(ProgramInstance(), class_name, &existing)) return true;
  WNDCLASSEXW wc{sizeof wc};
  wc.style = style;
  wc.lpfnWndProc = &Window::Procedure;
  wc.hInstance = ProgramInstance();
  wc.hIcon = icon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = class_name;
  return ::RegisterClassExW(&wc) != 0;
}

bool Window::Create(DWORD ex_style, const wchar_t* class_name, const wchar_t* caption,
                    DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu) {
  t_creating = this;
  const HWND window = ::CreateWindowExW(ex_style, class_name, caption, style, x, y, width, height,
                                        parent, menu, ProgramInstance(), nullptr);
  t_creating = nullptr;
  return window != nullptr;
}

LRESULT Window::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return ::DefWindowProcW(m_hwnd, message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr && message == WM_NCCREATE && t_creating != nullptr) {
    self = t_creating;
    self->m_hwnd = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  const LRESULT result = Barrier("Window::Procedure", LRESULT{0}, [&] {
    return self->OnMessage(message, wparam, lparam);
  });
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->m_hwnd = nullptr;
  }
  return result;
}

// --- subclasses --------------------------------------------------------------------------

Subclass::~Subclass() { Detach(); }

bool Subclass::Attach(HWND window) {
  Detach();
  if (!::SetWindowSubclass(window, &Subclass::Procedure, 1, reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  m_hwnd = window;
  return true;
}

void Subclass::Detach() {
  if (m_hwnd == nullptr) return;
  ::RemoveWindowSubclass(m_hwnd, &Subclass::Procedure, 1);
  m_hwnd = nullptr;
}

LRESULT Subclass::CallOriginal(UINT message, WPARAM wparam, LPARAM lparam) {
  return ::DefSubclassProc(m_hwnd, message, wparam, lparam);
}

LRESULT CALLBACK Subclass::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Subclass*>(data);
  if (message == WM_NCDESTROY) {
    const LRESULT result = ::DefSubclassProc(hwnd, message, wparam, lparam);
    ::RemoveWindowSubclass(hwnd, &Subclass::Procedure, 1);
    self->m_hwnd = nullptr;
    return result;
  }
  return Barrier("Subclass::Procedure", LRESULT{0}, [&] {
    return self->OnMessage(message, wparam, lparam);
  });
}

// --- dialogs -------------------------------------------------------------------------------

HWND CurrentModal() {
  const auto& modals = Modals();
  return modals.empty() ? nullptr : modals.back();
}

INT_PTR Dialog::RunModal(HWND owner) {
  m_ownLoop = false;
  m_ended = false;
  return ::DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(m_templateId), owner,
                           &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunOwnLoop(HWND parent, const std::function<void(HWND)>& after_end) {
  m_ownLoop = true;
  m_ended = false;
  m_result = kNotCreated;
  const HWND dialog = ::CreateDialogParamW(ProgramInstance(), MAKEINTRESOURCEW(m_templateId),
                                           parent, &Dialog::Procedure,
                                           reinterpret_cast<LPARAM>(this));
  if (dialog == nullptr) return kNotCreated;
  ::ShowWindow(dialog, SW_SHOW);
  ::SetForegroundWindow(dialog);
  MSG msg;
  while (!m_ended) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The program is ending: the loop that called us sees it too.
      if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!::IsDialogMessageW(dialog, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (after_end) after_end(dialog);
  ::DestroyWindow(dialog);
  return m_result;
}

void Dialog::End(INT_PTR result) {
  if (m_ownLoop) {
    m_result = result;
    m_ended = true;
    ::PostMessageW(m_hwnd, WM_NULL, 0, 0);  // wakes the loop
    return;
  }
  ::EndDialog(m_hwnd, result);
}

bool Dialog::OnCommand(int id, int code, HWND) {
  if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
    End(id);
    return true;
  }
  return false;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lparam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    self->m_hwnd = hwnd;
    Modals().push_back(hwnd);
    return Barrier("Dialog::OnInitDialog", false, [&] { return self->OnInitDialog(); }) ? TRUE
                                                                                      : FALSE;
  }
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_DESTROY) {
    auto& modals = Modals();
    modals.erase(std::remove(modals.begin(), modals.end(), hwnd), modals.end());
  }
  if (message == WM_COMMAND) {
    return Barrier("Dialog::OnCommand", false, [&] {
             return self->OnCommand(LOWORD(wparam), HIWORD(wparam),
                                    reinterpret_cast<HWND>(lparam));
           })
               ? TRUE
               : FALSE;
  }
  LRESULT result = 0;
  const bool handled = Barrier("Dialog::OnMessage", false, [&] {
    return self->OnMessage(message, wparam, lparam, &result);
  });
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->m_hwnd = nullptr;
  }
  if (!handled) return FALSE;
  // These messages take their result as the dialog procedure's own value.
  if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
      message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
      message == WM_QUERYDRAGICON) {
    return static_cast<INT_PTR>(result);
  }
  ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

// --- dialogs of the system -------------------------------------------------------------------

namespace {
thread_local SystemDialogScope* t_systemDialogScope = nullptr;
}  // namespace

SystemDialogScope::SystemDialogScope() : m_outer(t_systemDialogScope) {
  t_systemDialogScope = this;
  m_hook.reset(::SetWindowsHookExW(WH_CBT, &SystemDialogScope::Hook, nullptr,
                                   ::GetCurrentThreadId()));
}

SystemDialogScope::~SystemDialogScope() {
  m_hook.reset();
  Forget();
  t_systemDialogScope = m_outer;
}

void SystemDialogScope::Forget() {
  if (m_dialog == nullptr) return;
  auto& modals = Modals();
  modals.erase(std::remove(modals.begin(), modals.end(), m_dialog), modals.end());
  m_dialog = nullptr;
}

LRESULT CALLBACK SystemDialogScope::Hook(int code, WPARAM wparam, LPARAM lparam) {
  SystemDialogScope* self = t_systemDialogScope;
  if (self != nullptr && code >= 0) {
    const auto window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_CREATEWND && self->m_dialog == nullptr) {
      const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam)->lpcs;
      wchar_t class_name[16] = L"";
      ::GetClassNameW(window, class_name, 16);
      if ((create->style & WS_CHILD) == 0 && std::wstring_view(class_name) == L"#32770") {
        self->m_dialog = window;
        Modals().push_back(window);
      }
    } else if (code == HCBT_DESTROYWND && window == self->m_dialog) {
      self->Forget();
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

// --- helpers -------------------------------------------------------------------------------

void CenterOnWindow(HWND dialog, HWND window) {
  if (window == nullptr || !::IsWindow(window)) window = ::GetDesktopWindow();
  RECT around{}, own{};
  if (!::GetWindowRect(window, &around) || !::GetWindowRect(dialog, &own)) return;
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  LONG x = around.left + ((around.right - around.left) >> 1) - (width >> 1);
  LONG y = around.top + ((around.bottom - around.top) >> 1) - (height >> 1);
  // A validation window near the screen's edge would push the dialog off
  // the screen: it stays inside the work area of the validation window's
  // monitor, its caption first.
  MONITORINFO monitor{sizeof monitor};
  if (::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
  }
  ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(dialog, nullptr, TRUE);
}

int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace korvex::win32
