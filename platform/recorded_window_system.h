// A window system that answers the reads of one dialog from a recording made
// inside the host, and hands every other call to the live window system.
//
// The robot reads a host dialog control by control, and each read of a
// control's text, icon or list is a message the host's thread must wake up
// to answer.  When the hook recorded the dialog on that thread the moment it
// was ready, the robot reads the recording instead: the same calls, the same
// answers, no wake-up.  What the recording answers:
//
//   GetWindowTextW(w)            the dialog's and its children's texts
//   GetWindowTextW(w, n)         a progress frame's caption (read with the
//                                buffer the recording was made with)
//   GetWindow(dialog, GW_CHILD), GetWindow(child, GW_HWNDNEXT)
//   GetClassNameW, GetDlgCtrlID, IsWindowEnabled   of the recorded windows
//   SendGetIcon                  a static's icon
//   SendListGetCount, SendListGetText              a list box's items
//   FindWindowExW(validation, after, frame class)  the progress frames
//
// Everything else (styles, which say whether a window is still alive,
// geometry, and every call that changes a window or presses a button) goes to
// the live window system.  A window whose text or icon is changed through
// this object is read live from then on (a text cleared reads empty), and
// Expire() sends every later call to the live window system.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/window_system.h"

namespace korvex {

struct RecordedWindow {
  enum class Kind { kDialog, kChild, kFrame };
  Hwnd window = kNoWindow;
  Kind kind = Kind::kChild;
  Text class_name;
  Text text;
  int control_id = 0;
  bool enabled = true;
  IconHandle icon = 0;
  int list_count = -1;  // a list box's item count, -1 for other windows
  std::vector<Text> items;
};

struct DialogRecording {
  Hwnd dialog = kNoWindow;
  Hwnd validation = kNoWindow;  // whose progress frames are recorded (none: kNoWindow)
  Text frame_class;             // the class they were found by
  int frame_text_chars = 0;     // the buffer their captions were read with
  std::vector<RecordedWindow> windows;  // the dialog, its children in z-order, the frames
  // The recorder's performance counter when it began and when it was done.
  std::uint64_t taken_at = 0;
  std::uint64_t done_at = 0;
};

class RecordedWindowSystem final : public WindowSystem {
 public:
  RecordedWindowSystem(WindowSystem& live, DialogRecording recording);
  // Without a recording: every call goes to the live window system until
  // Record().
  explicit RecordedWindowSystem(WindowSystem& live);

  // Answers from this recording from now on, in place of any earlier one.
  void Record(DialogRecording recording);
  // From now on every call goes to the live window system.
  void Expire() { m_expired = true; }
  bool expired() const { return m_expired; }
  // Reads answered from the recording so far.
  int answered() const { return m_answered; }
  const DialogRecording& recording() const { return m_recording; }

  Text GetWindowTextW(Hwnd window) override;
  Text GetWindowTextW(Hwnd window, int buffer_chars) override;
  bool SetWindowTextW(Hwnd window, TextView text) override;
  bool SendSetText(Hwnd window, TextView text) override;
  Hwnd GetWindow(Hwnd window, std::uint32_t command) override;
  Text GetClassNameW(Hwnd window, int buffer_chars) override;
  int GetDlgCtrlID(Hwnd window) override;
  bool IsWindowEnabled(Hwnd window) override;
  bool IsWindow(Hwnd window) override { return m_live.IsWindow(window); }
  std::int32_t GetWindowLongW(Hwnd window, int index) override {
    return m_live.GetWindowLongW(window, index);
  }
  Hwnd FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) override;
  Hwnd FindWindowW(TextView caption) override { return m_live.FindWindowW(caption); }
  std::uintptr_t GetPropW(Hwnd window, TextView name) override {
    return m_live.GetPropW(window, name);
  }
  ThreadProcessIds GetWindowThreadProcessId(Hwnd window) override {
    return m_live.GetWindowThreadProcessId(window);
  }
  Text GetProcessModuleBaseName(std::uint32_t process_id) override {
    return m_live.GetProcessModuleBaseName(process_id);
  }
  std::optional<Rect> GetWindowRect(Hwnd window) override { return m_live.GetWindowRect(window); }
  std::optional<Rect> GetClientRect(Hwnd window) override { return m_live.GetClientRect(window); }
  int GetSystemMetrics(int index) override { return m_live.GetSystemMetrics(index); }
  bool SetForegroundWindow(Hwnd window) override { return m_live.SetForegroundWindow(window); }
  Hwnd SetActiveWindow(Hwnd window) override { return m_live.SetActiveWindow(window); }
  bool SendNotifyClick(Hwnd button) override { return m_live.SendNotifyClick(button); }
  IconHandle SendGetIcon(Hwnd static_control) override;
  IconHandle SendSetIcon(Hwnd static_control, IconHandle icon) override;
  IconHandle LoadSystemIcon(int id) override { return m_live.LoadSystemIcon(id); }
  int SendListSetCurSel(Hwnd list, int index) override;
  int SendListGetCurSel(Hwnd list) override { return m_live.SendListGetCurSel(list); }
  int SendListSetTopIndex(Hwnd list, int index) override {
    return m_live.SendListSetTopIndex(list, index);
  }
  int SendListGetTopIndex(Hwnd list) override { return m_live.SendListGetTopIndex(list); }
  int SendListFindString(Hwnd list, int start, TextView text) override {
    return m_live.SendListFindString(list, start, text);
  }
  int SendListGetCount(Hwnd list) override;
  Text SendListGetText(Hwnd list, int index) override;
  Hwnd CreateChildControl(TextView class_name, TextView text, std::uint32_t style,
                          const Rect& rect, Hwnd parent, int control_id) override {
    return m_live.CreateChildControl(class_name, text, style, rect, parent, control_id);
  }
  bool DestroyWindow(Hwnd window) override { return m_live.DestroyWindow(window); }
  std::uintptr_t SendGetFont(Hwnd window) override { return m_live.SendGetFont(window); }
  void SendSetFont(Hwnd window, std::uintptr_t font) override { m_live.SendSetFont(window, font); }
  bool PostMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                    std::intptr_t lparam) override {
    return m_live.PostMessageW(window, message, wparam, lparam);
  }
  std::intptr_t SendMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override {
    return m_live.SendMessageW(window, message, wparam, lparam);
  }

 private:
  // The recorded window, or null when the call must go live.
  const RecordedWindow* Find(Hwnd window, bool frames_too = false);
  void Forget(Hwnd window);
  void Changed(Hwnd window, bool set, TextView text);

  WindowSystem& m_live;
  DialogRecording m_recording;
  std::map<Hwnd, std::size_t> m_index;  // window -> position in m_recording.windows
  std::vector<bool> m_changed;          // changed through this object: read live
  bool m_expired = false;
  int m_answered = 0;
};

}  // namespace korvex
