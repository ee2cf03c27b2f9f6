// Live dialogs for the tests that run against the real window system.
//
// The robot meets the host's dialogs as windows of another thread that is
// blocked in a modal loop.  LiveDialog reproduces that inside the test
// process: a second thread shows a message box or a dialog built from an
// in-memory template, the test thread finds its window once it is visible,
// works on it through the window-system port, and reads the dialog's result
// when it ends.  Every wait is bounded, and an object that goes away with its
// dialog still open ends it, so a failing test never leaves a hanging dialog
// behind.  (Icon handles are per process under Wine, so a dialog whose icon
// is compared with LoadIconW must be shown by this process.)
//
// OwnDialog is the same template shown as a modeless dialog of the calling
// thread, for tests of single operations that need no second thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/handles.h"
#include "platform/window_system.h"

namespace korvex::wine_test {

// The dialog templates are the shared builder's.
using win32::ControlAtom;
using win32::DialogItem;
using win32::DialogTemplate;
using win32::DluRect;

// What a template dialog's controls showed when the dialog ended: the text
// of every child and the selection of every list box, by control id.
struct EndState {
  std::map<int, Text> texts;
  std::map<int, int> list_selections;
};

class LiveDialog {
 public:
  // How long any single wait of the helper lasts at most (stretched by
  // KORVEX_TIME_SCALE, tools/common/time_scale.h).
  static constexpr DWORD kWaitMs = 10000;

  // MessageBoxW(nullptr, text, caption, type) on a new thread.
  static std::unique_ptr<LiveDialog> ShowMessageBox(Text caption, Text text, UINT type);
  // DialogBoxIndirectParamW on a new thread.  The dialog fills its list
  // boxes when it starts, and a click on any of its buttons ends it with the
  // button's id (WM_CLOSE ends it with IDCANCEL).
  static std::unique_ptr<LiveDialog> ShowModal(const DialogTemplate& dialog);

  // Ends the dialog when it is still open (see Close).
  ~LiveDialog();
  LiveDialog(const LiveDialog&) = delete;
  LiveDialog& operator=(const LiveDialog&) = delete;

  // The dialog's window, or nullptr when it did not become visible in time
  // (or its thread ended first).
  HWND hwnd() const { return m_hwnd; }
  Hwnd handle() const { return win32::FromHwnd(m_hwnd); }
  // The control with the given id, as a port handle.
  Hwnd Item(int id) const { return win32::FromHwnd(::GetDlgItem(m_hwnd, id)); }
  DWORD thread_id() const { return m_thread_id; }

  // Waits until the dialog has ended and returns what MessageBoxW or
  // DialogBoxIndirectParamW returned; nullopt when it did not end in time.
  std::optional<INT_PTR> WaitForResult(DWORD timeout_ms = kWaitMs);
  // The controls as they were when a template dialog ended (empty for a
  // message box, or while the dialog is open).
  EndState end_state() const;

  // Ends the dialog from outside, the way a user would, trying in turn
  // WM_CLOSE, a click on each of its buttons and (for a template dialog) a
  // direct EndDialog; every window of the dialog's thread gets the same
  // treatment.  Returns true when the thread has ended.
  bool Close();

  // The state the dialog's thread shares with this object (it outlives the
  // object when a dialog cannot be ended).
  struct Shared;

 private:
  LiveDialog(std::shared_ptr<Shared> shared, win32::UniqueHandle thread, DWORD thread_id);
  static std::unique_ptr<LiveDialog> Start(std::shared_ptr<Shared> shared);
  bool ThreadEnded(DWORD timeout_ms) const;

  std::shared_ptr<Shared> m_shared;
  win32::UniqueHandle m_thread;
  DWORD m_thread_id = 0;
  HWND m_hwnd = nullptr;
};

// A modeless dialog of the calling thread, destroyed with the object.  Its
// list boxes are filled; button clicks do nothing but notify.
class OwnDialog {
 public:
  explicit OwnDialog(const DialogTemplate& dialog, HWND owner = nullptr);
  ~OwnDialog();
  OwnDialog(const OwnDialog&) = delete;
  OwnDialog& operator=(const OwnDialog&) = delete;

  HWND hwnd() const { return m_hwnd; }
  Hwnd handle() const { return win32::FromHwnd(m_hwnd); }
  // The control with the given id, as a port handle.
  Hwnd Item(int id) const { return win32::FromHwnd(::GetDlgItem(m_hwnd, id)); }

 private:
  HWND m_hwnd = nullptr;
};

// Handles every message waiting for the calling thread.
void PumpMessages();

}  // namespace korvex::wine_test
