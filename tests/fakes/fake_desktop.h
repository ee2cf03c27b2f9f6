// An in-memory desktop that stands for the window system in tests.
//
// Windows have a class, a text, a style, a parent or owner, z-ordered
// children, a control id, an enabled flag, an icon, list items and a
// selection, rectangles, and thread/process ids.  Everything sent to a
// window through the port is recorded in order, and a test can play the
// host: by default a click on a button ends its dialog with the button's
// control id.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_system.h"

namespace korvex::testing {

struct WindowProps {
  Text class_name = u"#32770";
  Text text;
  std::uint32_t style = 0x10000000;  // WS_VISIBLE
  int control_id = 0;
  bool enabled = true;
  IconHandle icon = 0;             // what STM_GETICON answers
  std::vector<Text> items;         // list box items
  Rect window_rect{};
  Rect client_rect{};
  // A child window is made by its parent's thread, an owned window by its
  // owner's unless these name another; a window without either is of thread
  // and process 1 unless these name another.
  std::uint32_t thread_id = 0;
  std::uint32_t process_id = 0;
};

// One message or call that changed or acted on a window.
struct SentMessage {
  Hwnd window = kNoWindow;
  std::string what;  // "BM_CLICK", "WM_SETTEXT", "SetWindowTextW", "LB_SETCURSEL", ...
  Text text;         // the text carried, if any
  std::intptr_t value = 0;  // the number carried, if any
  friend bool operator==(const SentMessage&, const SentMessage&) = default;
};

class FakeDesktop : public WindowSystem {
 public:
  struct Window {
    Hwnd handle = kNoWindow;
    WindowProps props;
    Hwnd parent = kNoWindow;  // for child windows
    Hwnd owner = kNoWindow;   // for owned top-level windows
    std::vector<Hwnd> children;  // z-order, topmost first
    int cur_sel = -1;
    int top_index = 0;
    std::uintptr_t font = 0;
    bool alive = true;
    std::optional<int> dialog_result;  // set when the dialog was ended
    std::map<Text, std::uintptr_t> properties;  // what GetPropW reads
  };

  FakeDesktop();

  // --- building the scene -------------------------------------------------
  Hwnd AddTopLevel(WindowProps props, Hwnd owner = kNoWindow);
  // Appends a child at the bottom of the parent's z-order.
  Hwnd AddChild(Hwnd parent, WindowProps props);
  // A message box laid out like the system's: icon static (when icon is not
  // 0), the buttons (text, id) in order, then the text static.
  Hwnd AddMessageBox(TextView caption, TextView text, IconHandle icon,
                     const std::vector<std::pair<Text, int>>& buttons, Hwnd owner = kNoWindow);
  // The shared system icons (what LoadSystemIcon answers).
  IconHandle SystemIcon(int idi) const { return 0x10000 + static_cast<IconHandle>(idi); }
  void SetProcessModuleName(std::uint32_t process_id, Text name) {
    m_modules[process_id] = std::move(name);
  }

  // --- playing the host -----------------------------------------------------
  Window& Get(Hwnd window);
  const Window& Get(Hwnd window) const;
  void Destroy(Hwnd window);  // the window and its children
  // Ends a dialog with a result, as EndDialog would, and destroys it.
  void EndDialog(Hwnd dialog, int result);
  // Called when the host handles BM_CLICK; the default ends the button's
  // dialog with the button's control id.
  std::function<std::intptr_t(Hwnd button)> on_click;
  // Presses wait in the host's queue until RunHostQueue (false: handled at
  // once, as if the host answered before the robot's next step).
  bool clicks_wait_for_host = false;
  // Handles the queued presses in order; returns how many.
  std::size_t RunHostQueue();
  std::size_t QueuedClicks() const { return m_hostQueue.size(); }
  // A window whose thread does not answer: bounded sends to it, or to a
  // child of it, throw WindowTimeoutError; SetWindowTextW, which would wait
  // for it for ever, throws std::logic_error.
  std::set<Hwnd> hung;
  // Called with the window and the message's name before every bounded send.
  std::function<void(Hwnd window, std::string_view what)> on_send;

  const std::vector<SentMessage>& Sent() const { return m_sent; }
  std::vector<SentMessage> SentTo(Hwnd window) const;
  void ClearSent() { m_sent.clear(); }

  // --- WindowSystem ---------------------------------------------------------
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
  Hwnd CreateChildControl(TextView class_name, TextView text, std::uint32_t style,
                          const Rect& rect, Hwnd parent, int control_id) override;
  bool DestroyWindow(Hwnd window) override;
  std::uintptr_t SendGetFont(Hwnd window) override;
  void SendSetFont(Hwnd window, std::uintptr_t font) override;
  bool PostMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                    std::intptr_t lparam) override;
  std::intptr_t SendMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;

  // System metrics the fake answers (dialog frame and caption sizes).
  std::map<int, int> metrics;

 private:
  Window* Find(Hwnd window);
  const Window* Find(Hwnd window) const;
  Hwnd NewHandle();
  void Record(Hwnd window, std::string what, Text text = {}, std::intptr_t value = 0);
  Hwnd TopLevelDialogOf(Hwnd window) const;
  // The checks of a bounded send: on_send, then the hung windows.
  void BeforeSend(Hwnd window, std::string_view what, std::uint32_t message);

  std::map<Hwnd, Window> m_windows;
  std::vector<Hwnd> m_top_levels;  // z-order, topmost first
  std::map<std::uint32_t, Text> m_modules;
  std::vector<SentMessage> m_sent;
  std::deque<Hwnd> m_hostQueue;
  Hwnd m_next = 0x1000;
  Hwnd m_active = kNoWindow;
};

}  // namespace korvex::testing
