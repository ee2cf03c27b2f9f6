// A window system that counts what each call costs the robot when the window
// belongs to another process, and hands the call on unchanged.
//
//   waits        a message sent to the window's thread and waited for: that
//                thread must wake up and answer before the call returns
//                (texts set, icons, list boxes, fonts, any other send)
//   server_calls a call the window system answers itself without the
//                window's thread (texts read, classes, ids, styles, the
//                window tree, rectangles, activation, posts)
//   presses      the non-blocking press
//
// The robot's answer timeline reports these counts per dialog.
#pragma once

#include "platform/window_system.h"

namespace korvex {

struct WindowCallCounts {
  int waits = 0;
  int server_calls = 0;
  int presses = 0;
};

class CountingWindowSystem final : public WindowSystem {
 public:
  explicit CountingWindowSystem(WindowSystem& next) : m_next(next) {}

  const WindowCallCounts& counts() const { return m_counts; }
  void Reset() { m_counts = {}; }

  Text GetWindowTextW(Hwnd w) override { return Server(), m_next.GetWindowTextW(w); }
  Text GetWindowTextW(Hwnd w, int n) override { return Server(), m_next.GetWindowTextW(w, n); }
  bool SetWindowTextW(Hwnd w, TextView t) override { return Wait(), m_next.SetWindowTextW(w, t); }
  bool SendSetText(Hwnd w, TextView t) override { return Wait(), m_next.SendSetText(w, t); }
  Hwnd GetWindow(Hwnd w, std::uint32_t c) override { return Server(), m_next.GetWindow(w, c); }
  Text GetClassNameW(Hwnd w, int n) override { return Server(), m_next.GetClassNameW(w, n); }
  int GetDlgCtrlID(Hwnd w) override { return Server(), m_next.GetDlgCtrlID(w); }
  bool IsWindowEnabled(Hwnd w) override { return Server(), m_next.IsWindowEnabled(w); }
  bool IsWindow(Hwnd w) override { return Server(), m_next.IsWindow(w); }
  std::int32_t GetWindowLongW(Hwnd w, int i) override {
    return Server(), m_next.GetWindowLongW(w, i);
  }
  Hwnd FindWindowExW(Hwnd p, Hwnd after, TextView c) override {
    return Server(), m_next.FindWindowExW(p, after, c);
  }
  Hwnd FindWindowW(TextView caption) override { return Server(), m_next.FindWindowW(caption); }
  std::uintptr_t GetPropW(Hwnd w, TextView name) override {
    return Server(), m_next.GetPropW(w, name);
  }
  ThreadProcessIds GetWindowThreadProcessId(Hwnd w) override {
    return Server(), m_next.GetWindowThreadProcessId(w);
  }
  Text GetProcessModuleBaseName(std::uint32_t id) override {
    return Server(), m_next.GetProcessModuleBaseName(id);
  }
  std::optional<Rect> GetWindowRect(Hwnd w) override { return Server(), m_next.GetWindowRect(w); }
  std::optional<Rect> GetClientRect(Hwnd w) override { return Server(), m_next.GetClientRect(w); }
  int GetSystemMetrics(int i) override { return m_next.GetSystemMetrics(i); }
  bool SetForegroundWindow(Hwnd w) override { return Server(), m_next.SetForegroundWindow(w); }
  Hwnd SetActiveWindow(Hwnd w) override { return Server(), m_next.SetActiveWindow(w); }
  bool SendNotifyClick(Hwnd b) override {
    ++m_counts.presses;
    return m_next.SendNotifyClick(b);
  }
  IconHandle SendGetIcon(Hwnd w) override { return Wait(), m_next.SendGetIcon(w); }
  IconHandle SendSetIcon(Hwnd w, IconHandle i) override { return Wait(), m_next.SendSetIcon(w, i); }
  IconHandle LoadSystemIcon(int id) override { return m_next.LoadSystemIcon(id); }
  int SendListSetCurSel(Hwnd l, int i) override { return Wait(), m_next.SendListSetCurSel(l, i); }
  int SendListGetCurSel(Hwnd l) override { return Wait(), m_next.SendListGetCurSel(l); }
  int SendListSetTopIndex(Hwnd l, int i) override {
    return Wait(), m_next.SendListSetTopIndex(l, i);
  }
  int SendListGetTopIndex(Hwnd l) override { return Wait(), m_next.SendListGetTopIndex(l); }
  int SendListFindString(Hwnd l, int s, TextView t) override {
    return Wait(), m_next.SendListFindString(l, s, t);
  }
  int SendListGetCount(Hwnd l) override { return Wait(), m_next.SendListGetCount(l); }
  Text SendListGetText(Hwnd l, int i) override { return Wait(), m_next.SendListGetText(l, i); }
  Hwnd CreateChildControl(TextView c, TextView t, std::uint32_t s, const Rect& r, Hwnd p,
                          int id) override {
    return Server(), m_next.CreateChildControl(c, t, s, r, p, id);
  }
  bool DestroyWindow(Hwnd w) override { return Server(), m_next.DestroyWindow(w); }
  std::uintptr_t SendGetFont(Hwnd w) override { return Wait(), m_next.SendGetFont(w); }
  void SendSetFont(Hwnd w, std::uintptr_t f) override {
    Wait();
    m_next.SendSetFont(w, f);
  }
  bool PostMessageW(Hwnd w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override {
    return Server(), m_next.PostMessageW(w, m, wp, lp);
  }
  std::intptr_t SendMessageW(Hwnd w, std::uint32_t m, std::uintptr_t wp,
                             std::intptr_t lp) override {
    return Wait(), m_next.SendMessageW(w, m, wp, lp);
  }

 private:
  void Wait() { ++m_counts.waits; }
  void Server() { ++m_counts.server_calls; }

  WindowSystem& m_next;
  WindowCallCounts m_counts;
};

}  // namespace korvex
