// The window-system port over the real window system: every operation
// forwards to the User32 (or PSAPI) call or message it is named after.
//
// The adapter keeps no state, caches nothing and may be used from any thread.
// Messages sent to a window of another thread wait for that thread at most
// the adapter's bound (SendMessageTimeoutW with SMTO_ABORTIFHUNG; a hung
// thread fails at once) and then throw WindowTimeoutError; a window that no
// longer exists answers 0 as the window system does.  A button press goes
// out with SendNotifyMessageW and never waits.  This header stays free of
// <windows.h> so that any code can hold the adapter behind the port.
#pragma once

#include "platform/window_system.h"

namespace korvex {

class Win32WindowSystem final : public WindowSystem {
 public:
  // How long a message sent to another thread's window may take.
  static constexpr std::uint32_t kDefaultSendTimeoutMs = 2000;

  explicit Win32WindowSystem(std::uint32_t send_timeout_ms = kDefaultSendTimeoutMs)
      : m_sendTimeoutMs(send_timeout_ms) {}

  Text GetWindowTextW(Hwnd window) override;
  Text GetWindowTextW(Hwnd window, int buffer_chars) override;
  bool SetWindowTextW(Hwnd window, TextView text) override;
  bool SendSetText(Hwnd window, TextView text) override;

  Hwnd GetWindow(Hwnd window, std::uint32_t command) override;
  Text GetClassNameW(Hwnd window, int buffer_chars) override;
  int GetDlgCtrlID(Hwnd window) override;
  bool IsWindowEnabled(Hwnd window) override;
  bool IsWindow(Hwnd window) override;
  std::int32_t GetWindowLongW(Hwnd window, int index) override;
  // An empty class name matches windows of every class.
  Hwnd FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) override;
  Hwnd FindWindowW(TextView caption) override;
  std::uintptr_t GetPropW(Hwnd window, TextView name) override;
  ThreadProcessIds GetWindowThreadProcessId(Hwnd window) override;
  Text GetProcessModuleBaseName(std::uint32_t process_id) override;

  std::optional<Rect> GetWindowRect(Hwnd window) override;
  std::optional<Rect> GetClientRect(Hwnd window) override;
  int GetSystemMetrics(int index) override;

  bool SetForegroundWindow(Hwnd window) override;
  Hwnd SetActiveWindow(Hwnd window) override;
  bool SendNotifyClick(Hwnd button) override;

  IconHandle SendGetIcon(Hwnd static_control) override;
  IconHandle SendSetIcon(Hwnd static_control, IconHandle icon) override;
  IconHandle LoadSystemIcon(int id) override;

  int SendListSetCurSel(Hwnd list, int index) override;
  int SendListGetCurSel(Hwnd list) override;
  int SendListSetTopIndex(Hwnd list, int index) override;
  int SendListGetTopIndex(Hwnd list) override;
  int SendListFindString(Hwnd list, int start, TextView text) override;
  int SendListGetCount(Hwnd list) override;
  Text SendListGetText(Hwnd list, int index) override;

  // The control belongs to the module that created the parent window, and
  // the style is passed unchanged (callers include WS_CHILD).
  Hwnd CreateChildControl(TextView class_name, TextView text, std::uint32_t style,
                          const Rect& rect, Hwnd parent, int control_id) override;
  bool DestroyWindow(Hwnd window) override;
  std::uintptr_t SendGetFont(Hwnd window) override;
  void SendSetFont(Hwnd window, std::uintptr_t font) override;

  bool PostMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                    std::intptr_t lparam) override;
  std::intptr_t SendMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;

  // SendMessageTimeoutW within the bound: the message's result; 0 when the
  // window does not exist; WindowTimeoutError when it exists and did not
  // answer in time.
  std::intptr_t SendBounded(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam);

 private:
  int SendListMessage(Hwnd list, std::uint32_t message, std::uintptr_t wparam = 0,
                      std::intptr_t lparam = 0);

  std::uint32_t m_sendTimeoutMs;
};

}  // namespace korvex
