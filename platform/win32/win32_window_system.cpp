#include <windows.h>
#include <psapi.h>

#include "platform/win32/win32_window_system.h"

#include <algorithm>
#include <climits>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace korvex {

using win32::FromHicon;
using win32::FromHwnd;
using win32::FromWide;
using win32::ToHicon;
using win32::ToHwnd;
using win32::ToWide;

namespace {

Rect FromRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

// A buffer of `chars` wide characters for a call that writes a terminated
// string, and the text of the `written` characters it reports.
Text ReadInto(int chars, const auto& call) {
  if (chars <= 0) return {};
  std::wstring buffer(static_cast<std::size_t>(chars), L'\0');
  const auto written = call(buffer.data(), chars);
  if (written <= 0) return {};
  const auto length = std::min<std::size_t>(static_cast<std::size_t>(written), buffer.size() - 1);
  return FromWide(buffer.data(), length);
}

}  // namespace

// --- texts -------------------------------------------------------------------

std::intptr_t Win32WindowSystem::SendBounded(Hwnd window, std::uint32_t message,
                                             std::uintptr_t wparam, std::intptr_t lparam) {
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(ToHwnd(window), message, wparam, lparam, SMTO_ABORTIFHUNG,
                            m_sendTimeoutMs, &result) != 0) {
    return static_cast<std::intptr_t>(result);
  }
  // A window that is gone fails the way the window system fails; one that
  // is there and did not answer is the hung or busy host.
  if (::IsWindow(ToHwnd(window))) throw WindowTimeoutError(window, message);
  return 0;
}

Text Win32WindowSystem::GetWindowTextW(Hwnd window) {
  const LRESULT length = SendBounded(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0 || length >= INT_MAX) return {};
  return ReadInto(static_cast<int>(length) + 1, [&](wchar_t* buffer, int chars) {
    return ::GetWindowTextW(ToHwnd(window), buffer, chars);
  });
}

Text Win32WindowSystem::GetWindowTextW(Hwnd window, int buffer_chars) {
  return ReadInto(buffer_chars, [&](wchar_t* buffer, int chars) {
    return ::GetWindowTextW(ToHwnd(window), buffer, chars);
  });
}

bool Win32WindowSystem::SetWindowTextW(Hwnd window, TextView text) {
  return ::SetWindowTextW(ToHwnd(window), ToWide(text).c_str()) != FALSE;
}

bool Win32WindowSystem::SendSetText(Hwnd window, TextView text) {
  const std::wstring wide = ToWide(text);
  return SendBounded(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())) != FALSE;
}

// --- structure and identity ----------------------------------------------------

Hwnd Win32WindowSystem::GetWindow(Hwnd window, std::uint32_t command) {
  return FromHwnd(::GetWindow(ToHwnd(window), command));
}

Text Win32WindowSystem::GetClassNameW(Hwnd window, int buffer_chars) {
  return ReadInto(buffer_chars, [&](wchar_t* buffer, int chars) {
    return ::GetClassNameW(ToHwnd(window), buffer, chars);
  });
}

int Win32WindowSystem::GetDlgCtrlID(Hwnd window) { return ::GetDlgCtrlID(ToHwnd(window)); }

bool Win32WindowSystem::IsWindowEnabled(Hwnd window) {
  return ::IsWindowEnabled(ToHwnd(window)) != FALSE;
}

bool Win32WindowSystem::IsWindow(Hwnd window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

std::int32_t Win32WindowSystem::GetWindowLongW(Hwnd window, int index) {
  return static_cast<std::int32_t>(::GetWindowLongW(ToHwnd(window), index));
}

Hwnd Win32WindowSystem::FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) {
  const std::wstring wanted = ToWide(class_name);
  return FromHwnd(::FindWindowExW(ToHwnd(parent), ToHwnd(child_after),
                                  wanted.empty() ? nullptr : wanted.c_str(), nullptr));
}

Hwnd Win32WindowSystem::FindWindowW(TextView caption) {
  return FromHwnd(::FindWindowW(nullptr, ToWide(caption).c_str()));
}

std::uintptr_t Win32WindowSystem::GetPropW(Hwnd window, TextView name) {
  return reinterpret_cast<std::uintptr_t>(::GetPropW(ToHwnd(window), ToWide(name).c_str()));
}

ThreadProcessIds Win32WindowSystem::GetWindowThreadProcessId(Hwnd window) {
  DWORD process_id = 0;
  const DWORD thread_id = ::GetWindowThreadProcessId(ToHwnd(window), &process_id);
  if (thread_id == 0) return {};
  return ThreadProcessIds{thread_id, process_id};
}

Text Win32WindowSystem::GetProcessModuleBaseName(std::uint32_t process_id) {
  static constexpr char16_t kUnknown[] = u"<unknown>";
  constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410
  const win32::UniqueHandle process(::OpenProcess(kQueryAndRead, FALSE, process_id));
  if (!process) return kUnknown;
  HMODULE first = nullptr;
  DWORD needed = 0;
  if (!::EnumProcessModules(process.get(), &first, sizeof(first), &needed) || first == nullptr) {
    return kUnknown;
  }
  Text name = ReadInto(MAX_PATH, [&](wchar_t* buffer, int chars) {
    return static_cast<int>(
        ::GetModuleBaseNameW(process.get(), first, buffer, static_cast<DWORD>(chars)));
  });
  return name.empty() ? Text(kUnknown) : name;
}

// --- geometry --------------------------------------------------------------------

std::optional<Rect> Win32WindowSystem::GetWindowRect(Hwnd window) {
  RECT r{};
  if (!::GetWindowRect(ToHwnd(window), &r)) return std::nullopt;
  return FromRect(r);
}

std::optional<Rect> Win32WindowSystem::GetClientRect(Hwnd window) {
  RECT r{};
  if (!::GetClientRect(ToHwnd(window), &r)) return std::nullopt;
  return FromRect(r);
}

int Win32WindowSystem::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

// --- activation and buttons --------------------------------------------------------

bool Win32WindowSystem::SetForegroundWindow(Hwnd window) {
  return ::SetForegroundWindow(ToHwnd(window)) != FALSE;
}

Hwnd Win32WindowSystem::SetActiveWindow(Hwnd window) {
  return FromHwnd(::SetActiveWindow(ToHwnd(window)));
}

bool Win32WindowSystem::SendNotifyClick(Hwnd button) {
  return ::SendNotifyMessageW(ToHwnd(button), BM_CLICK, 0, 0) != FALSE;
}

// --- icons ---------------------------------------------------------------------------

IconHandle Win32WindowSystem::SendGetIcon(Hwnd static_control) {
  return static_cast<IconHandle>(SendBounded(static_control, STM_GETICON, 0, 0));
}

IconHandle Win32WindowSystem::SendSetIcon(Hwnd static_control, IconHandle icon) {
  return static_cast<IconHandle>(
      SendBounded(static_control, STM_SETICON, static_cast<WPARAM>(icon), 0));
}

IconHandle Win32WindowSystem::LoadSystemIcon(int id) {
  return FromHicon(::LoadIconW(nullptr, MAKEINTRESOURCEW(id)));
}

// --- list boxes ------------------------------------------------------------------------

int Win32WindowSystem::SendListMessage(Hwnd list, std::uint32_t message, std::uintptr_t wparam,
                                       std::intptr_t lparam) {
  return static_cast<int>(SendBounded(list, message, wparam, lparam));
}

int Win32WindowSystem::SendListSetCurSel(Hwnd list, int index) {
  return SendListMessage(list, LB_SETCURSEL, static_cast<WPARAM>(index));
}

int Win32WindowSystem::SendListGetCurSel(Hwnd list) { return SendListMessage(list, LB_GETCURSEL); }

int Win32WindowSystem::SendListSetTopIndex(Hwnd list, int index) {
  return SendListMessage(list, LB_SETTOPINDEX, static_cast<WPARAM>(index));
}

int Win32WindowSystem::SendListGetTopIndex(Hwnd list) {
  return SendListMessage(list, LB_GETTOPINDEX);
}

int Win32WindowSystem::SendListFindString(Hwnd list, int start, TextView text) {
  const std::wstring wanted = ToWide(text);
  return SendListMessage(list, LB_FINDSTRING, static_cast<WPARAM>(start),
                         reinterpret_cast<LPARAM>(wanted.c_str()));
}

int Win32WindowSystem::SendListGetCount(Hwnd list) { return SendListMessage(list, LB_GETCOUNT); }

Text Win32WindowSystem::SendListGetText(Hwnd list, int index) {
  const int length = SendListMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length == LB_ERR || length < 0 || length == INT_MAX) return {};
  return ReadInto(length + 1, [&](wchar_t* buffer, int) {
    return SendListMessage(list, LB_GETTEXT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(buffer));
  });
}

// --- replicas ----------------------------------------------------------------------------

Hwnd Win32WindowSystem::CreateChildControl(TextView class_name, TextView text,
                                           std::uint32_t style, const Rect& rect, Hwnd parent,
                                           int control_id) {
  auto instance =
      reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(ToHwnd(parent), GWLP_HINSTANCE));
  if (instance == nullptr) instance = ::GetModuleHandleW(nullptr);
  const std::wstring wide_class = ToWide(class_name);
  const std::wstring wide_text = ToWide(text);
  return FromHwnd(::CreateWindowExW(
      0, wide_class.c_str(), wide_text.c_str(), style, rect.left, rect.top,
      rect.right - rect.left, rect.bottom - rect.top, ToHwnd(parent),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), instance, nullptr));
}

bool Win32WindowSystem::DestroyWindow(Hwnd window) {
  return ::DestroyWindow(ToHwnd(window)) != FALSE;
}

std::uintptr_t Win32WindowSystem::SendGetFont(Hwnd window) {
  return static_cast<std::uintptr_t>(SendBounded(window, WM_GETFONT, 0, 0));
}

void Win32WindowSystem::SendSetFont(Hwnd window, std::uintptr_t font) {
  SendBounded(window, WM_SETFONT, static_cast<WPARAM>(font), 0);
}

// --- plain messages ------------------------------------------------------------------------

bool Win32WindowSystem::PostMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
  return ::PostMessageW(ToHwnd(window), message, wparam, lparam) != FALSE;
}

std::intptr_t Win32WindowSystem::SendMessageW(Hwnd window, std::uint32_t message,
                                              std::uintptr_t wparam, std::intptr_t lparam) {
  return ::SendMessageW(ToHwnd(window), message, wparam, lparam);
}

}  // namespace korvex
