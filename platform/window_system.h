// The window-system port: every window operation that recognition, answers,
// the watcher and the tariff control's robot client use, named after the
// Win32 call or message it stands for.  The Win32 adapter
// (platform/win32/win32_window_system.*) forwards each one to User32/PSAPI;
// tests use the in-memory desktop of tests/fakes.
//
// Only scalar values cross this interface: messages that carry a pointer
// (WM_SETTEXT, LB_GETTEXT, LB_FINDSTRING, ...) have their own operation, so a
// fake never has to decode memory.
//
// The host is another process that may be slow, hung or modal, so nothing
// here waits on another thread's window without a bound:
//   - a button press is delivered without waiting for the button's handler
//     (SendNotifyClick);
//   - every other message sent to a window ("Send..." below, and the length
//     query of GetWindowTextW(window)) is bounded in time; when the window's
//     thread does not take it within the bound, or is hung, the operation
//     throws WindowTimeoutError, so the caller's whole read (a capture, a
//     performed answer) fails at that point instead of going on with a
//     half-read window.
// Messages to a window of the calling thread are handled at once, as the
// window system does.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "platform/text.h"

namespace korvex {

// A window handle as a number.  0 is "no window"; the model uses -1 for a
// meta window that is not bound to a live window (kUnboundWindow).
using Hwnd = std::uintptr_t;
inline constexpr Hwnd kNoWindow = 0;
inline constexpr Hwnd kUnboundWindow = ~Hwnd{0};

// An icon handle as a number (HICON).
using IconHandle = std::uintptr_t;

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct ThreadProcessIds {
  std::uint32_t thread_id = 0;   // 0 when the window does not exist
  std::uint32_t process_id = 0;
};

// Win32 constants the callers pass through the port, with the Win32 values so
// the adapter forwards them unchanged (named apart from the <windows.h>
// macros, which would otherwise replace them).
namespace win {
inline constexpr std::uint32_t kGwHwndNext = 2;
inline constexpr std::uint32_t kGwOwner = 4;
inline constexpr std::uint32_t kGwChild = 5;

inline constexpr int kGwlStyle = -16;

inline constexpr int kSmCxDlgFrame = 7;
inline constexpr int kSmCyDlgFrame = 8;
inline constexpr int kSmCyCaption = 4;

inline constexpr int kIdiHand = 32513;
inline constexpr int kIdiQuestion = 32514;
inline constexpr int kIdiExclamation = 32515;
inline constexpr int kIdiAsterisk = 32516;

inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kSsIcon = 0x00000003;
inline constexpr std::uint32_t kSsCenterImage = 0x00000200;

inline constexpr std::uint32_t kWmNull = 0x0000;

inline constexpr int kLbErr = -1;
}  // namespace win

// A message sent to a window was not handled within the adapter's bound (or
// the window's thread is hung).
class WindowTimeoutError : public std::runtime_error {
 public:
  WindowTimeoutError(Hwnd window, std::uint32_t message)
      : std::runtime_error("a window did not answer a sent message in time"),
        m_window(window),
        m_message(message) {}
  Hwnd window() const noexcept { return m_window; }
  std::uint32_t message() const noexcept { return m_message; }

 private:
  Hwnd m_window;
  std::uint32_t m_message;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // --- texts -------------------------------------------------------------
  // SendMessageW WM_GETTEXTLENGTH, then GetWindowTextW into a buffer of
  // length+1 characters: the whole text, without a length limit.  Empty for a
  // window that does not exist.
  virtual Text GetWindowTextW(Hwnd window) = 0;
  // GetWindowTextW into a buffer of buffer_chars characters (the result holds
  // at most buffer_chars - 1 characters).
  virtual Text GetWindowTextW(Hwnd window, int buffer_chars) = 0;
  virtual bool SetWindowTextW(Hwnd window, TextView text) = 0;
  // SendMessageW WM_SETTEXT.
  virtual bool SendSetText(Hwnd window, TextView text) = 0;

  // --- structure and identity -------------------------------------------
  // GetWindow with GW_CHILD, GW_HWNDNEXT, GW_OWNER.
  virtual Hwnd GetWindow(Hwnd window, std::uint32_t command) = 0;
  // GetClassNameW into a buffer of buffer_chars characters.
  virtual Text GetClassNameW(Hwnd window, int buffer_chars) = 0;
  virtual int GetDlgCtrlID(Hwnd window) = 0;
  virtual bool IsWindowEnabled(Hwnd window) = 0;
  virtual bool IsWindow(Hwnd window) = 0;
  // GetWindowLongW; callers use GWL_STYLE, where 0 marks a dead window.
  virtual std::int32_t GetWindowLongW(Hwnd window, int index) = 0;
  // FindWindowExW(parent, child_after, class_name, nullptr); parent kNoWindow
  // searches the top-level windows.
  virtual Hwnd FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) = 0;
  // FindWindowW(nullptr, caption): a top-level window with exactly this
  // caption, of any class.  The window system shows a program the windows
  // of its own terminal-server session only.
  virtual Hwnd FindWindowW(TextView caption) = 0;
  // GetPropW(window, name) as a number; 0 when the window has no such
  // property.  No message is sent.
  virtual std::uintptr_t GetPropW(Hwnd window, TextView name) = 0;
  virtual ThreadProcessIds GetWindowThreadProcessId(Hwnd window) = 0;
  // OpenProcess(0x410), EnumProcessModules (first module),
  // GetModuleBaseNameW (260 characters); "<unknown>" when any step fails.
  virtual Text GetProcessModuleBaseName(std::uint32_t process_id) = 0;

  // --- geometry ----------------------------------------------------------
  virtual std::optional<Rect> GetWindowRect(Hwnd window) = 0;
  virtual std::optional<Rect> GetClientRect(Hwnd window) = 0;
  virtual int GetSystemMetrics(int index) = 0;

  // --- activation and buttons -------------------------------------------
  virtual bool SetForegroundWindow(Hwnd window) = 0;
  virtual Hwnd SetActiveWindow(Hwnd window) = 0;
  // BM_CLICK (wParam 0, lParam 0) with SendNotifyMessageW: for a window of
  // another thread it returns at once, without waiting for the button's
  // handler (which may open a modal popup and keep it up for minutes); the
  // messages sent to that thread before it are handled first.  False when
  // the message could not be delivered.
  virtual bool SendNotifyClick(Hwnd button) = 0;

  // --- icons -------------------------------------------------------------
  // SendMessageW STM_GETICON; 0 when the static shows no icon.
  virtual IconHandle SendGetIcon(Hwnd static_control) = 0;
  // SendMessageW STM_SETICON.
  virtual IconHandle SendSetIcon(Hwnd static_control, IconHandle icon) = 0;
  // LoadIconW(NULL, id) for the shared system icons (IDI_*).
  virtual IconHandle LoadSystemIcon(int id) = 0;

  // --- list boxes ----------------------------------------------------------
  virtual int SendListSetCurSel(Hwnd list, int index) = 0;         // LB_SETCURSEL
  virtual int SendListGetCurSel(Hwnd list) = 0;                    // LB_GETCURSEL
  virtual int SendListSetTopIndex(Hwnd list, int index) = 0;       // LB_SETTOPINDEX
  virtual int SendListGetTopIndex(Hwnd list) = 0;                  // LB_GETTOPINDEX
  virtual int SendListFindString(Hwnd list, int start, TextView text) = 0;  // LB_FINDSTRING
  virtual int SendListGetCount(Hwnd list) = 0;                     // LB_GETCOUNT
  // LB_GETTEXTLEN, then LB_GETTEXT into a buffer of length+1 characters;
  // empty when the index is out of range.
  virtual Text SendListGetText(Hwnd list, int index) = 0;

  // --- replicas ------------------------------------------------------------
  // CreateWindowExW of a child control of parent (class "Static" or
  // "Button").  Returns kNoWindow on failure.
  virtual Hwnd CreateChildControl(TextView class_name, TextView text, std::uint32_t style,
                                  const Rect& rect, Hwnd parent, int control_id) = 0;
  virtual bool DestroyWindow(Hwnd window) = 0;
  // SendMessageW WM_GETFONT / WM_SETFONT (lParam 0).
  virtual std::uintptr_t SendGetFont(Hwnd window) = 0;
  virtual void SendSetFont(Hwnd window, std::uintptr_t font) = 0;

  // --- plain messages ------------------------------------------------------
  // Messages whose parameters are plain numbers (WM_NULL, the robot's
  // notifications, ...).  SendMessageW is not bounded: it is for windows of
  // the calling process.
  virtual bool PostMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) = 0;
  virtual std::intptr_t SendMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) = 0;
};

}  // namespace korvex
