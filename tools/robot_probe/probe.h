// The robot's side of the hook, for tests and manual checks: a window
// captioned "PILOTEK_MAIN_FRAME" that finds the host program the way the
// robot's watcher does, installs Sentrel.dll's hook on the host's
// user-interface thread, registers itself with the library and records the
// notifications 0x8000-0x8004 it receives.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sentrel/host_windows.h"
#include "sentrel/notifications.h"

namespace korvex::probe {

using sentrel::kAnswerRejected;
using sentrel::kDialogReady;
using sentrel::kValidateButton;
using sentrel::kValidationEnded;
using sentrel::kValidationStarted;

// The notification's name as the watcher knows it ("RM_DIALOG_READY"), or
// null for another message.
const char* NotificationName(UINT message);

struct Notification {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  // Of the window in wParam (0x8000, 0x8001, 0x8003), read on arrival.
  std::wstring window_class;
  std::wstring caption;
};

struct Host {
  HWND window = nullptr;
  DWORD thread_id = 0;
  DWORD process_id = 0;
  explicit operator bool() const { return window != nullptr; }
};

// A name of sentrel/host_windows.h as the wide string of the W calls.
inline std::wstring Wide(const char16_t* text) {
  return std::wstring(text, text + std::char_traits<char16_t>::length(text));
}

// The base name of the process's first module, or "<unknown>".
std::wstring ProcessModuleName(DWORD process_id);

// The first top-level window of the host's form class whose process module
// is named module_name (compared without case).
Host FindHost(const std::wstring& module_name = Wide(sentrel::kHostModule));

// The dialog's child button with this control id, or with this text once
// every '&' is removed from both.
HWND FindButtonById(HWND dialog, int id);
HWND FindButtonByText(HWND dialog, std::wstring_view text);

// Presses a button of another program the way the robot does, with
// BM_CLICK.  The message is posted: a button whose press opens a modal
// popup would otherwise hold us until the popup closes.
bool Click(HWND button);

class RobotProbe {
 public:
  RobotProbe() = default;
  ~RobotProbe();
  RobotProbe(const RobotProbe&) = delete;
  RobotProbe& operator=(const RobotProbe&) = delete;

  // Creates the window; false when it cannot.
  bool Create();
  HWND window() const { return m_window; }

  // SetWindowsHookExW(WH_CALLWNDPROCRET) on the host's thread with the
  // library's hook procedure, WM_NULL posted to the host window (Wine applies
  // a new hook once the thread takes a message), then RegisterPilotek.
  // Returns the system's error code, 0 on success.
  DWORD Install(const Host& host);
  void Uninstall();

  // Called for each notification as it arrives, after it is recorded.
  std::function<void(const Notification&)> on_notification;

  const std::vector<Notification>& notifications() const { return m_notifications; }

  // Handles messages until done() is true or ms have passed (stretched by
  // KORVEX_TIME_SCALE, tools/common/time_scale.h); returns done().
  bool PumpUntil(DWORD ms, const std::function<bool()>& done);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_window = nullptr;
  HHOOK m_hook = nullptr;
  std::vector<Notification> m_notifications;
};

}  // namespace korvex::probe
