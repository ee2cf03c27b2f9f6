#include "tests/wine/desktop_user.h"

namespace korvex::wine_test {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

struct Search {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == search->process && ::IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevel(DWORD process) {
  Search search{process, {}};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FirstChild(HWND window, const wchar_t* window_class) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::lstrcmpiW(ClassOf(child).c_str(), window_class) == 0) return child;
  }
  return nullptr;
}

}  // namespace

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  // Another process's window: never wait on it without a bound.
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
    return {};
  }
  return std::wstring(text, length);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

HWND DesktopUser::Find(const std::wstring& caption, const wchar_t* window_class) const {
  for (HWND window : TopLevel(m_process)) {
    if (window_class != nullptr && ClassOf(window) != window_class) continue;
    if (TextOf(window) == caption) return window;
  }
  return nullptr;
}

HWND DesktopUser::WaitFor(const std::wstring& caption, DWORD timeout_ms,
                          const wchar_t* window_class) const {
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  for (;;) {
    if (HWND window = Find(caption, window_class)) return window;
    if (::GetTickCount64() >= deadline) return nullptr;
    ::Sleep(20);
  }
}

std::vector<HWND> DesktopUser::Dialogs() const {
  std::vector<HWND> dialogs;
  for (HWND window : TopLevel(m_process)) {
    if (ClassOf(window) == L"#32770") dialogs.push_back(window);
  }
  return dialogs;
}

bool DesktopUser::Type(HWND window, const std::wstring& text) const {
  HWND edit = FirstChild(window, L"Edit");
  DWORD_PTR result = 0;
  return edit != nullptr &&
         ::SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0;
}

bool DesktopUser::Pick(HWND window, int line) const {
  HWND list = FirstChild(window, L"ListBox");
  DWORD_PTR result = 0;
  return list != nullptr &&
         ::SendMessageTimeoutW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0,
                               SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
         static_cast<int>(result) == line;
}

bool DesktopUser::Click(HWND window, const std::wstring& button_text) const {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    // The host's command buttons are buttons under a class name of their own.
    const std::wstring name = ClassOf(child);
    const bool button = name.size() >= 6 && name.compare(name.size() - 6, 6, L"Button") == 0;
    if (button && TextOf(child) == button_text) {
      // The click is delivered without waiting for what it sets off.
      return ::PostMessageW(child, BM_CLICK, 0, 0) != 0;
    }
  }
  return false;
}

bool DesktopUser::Press(HWND window, int control_id) const {
  HWND button = ::GetDlgItem(window, control_id);
  return button != nullptr && ::PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

}  // namespace korvex::wine_test
