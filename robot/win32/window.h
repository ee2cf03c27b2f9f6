// The small framework of the robot's windows: a window class with one window
// procedure, a dialog class with one dialog procedure over a template, a
// subclass of another class's window, and the owners of the handles they
// use.  Every procedure runs its handler behind the one exception barrier
// (platform/barrier.h): nothing the robot throws unwinds through the
// window system.
//
// Everything here belongs to the robot's user-interface thread.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvex::win32 {

// --- owners of handles -----------------------------------------------------------------

template <typename Handle, BOOL(WINAPI* Free)(Handle)>
class UniqueGdi {
 public:
  UniqueGdi() = default;
  explicit UniqueGdi(Handle handle) : m_handle(handle) {}
  ~UniqueGdi() { reset(); }
  UniqueGdi(UniqueGdi&& other) noexcept : m_handle(other.release()) {}
  UniqueGdi& operator=(UniqueGdi&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueGdi(const UniqueGdi&) = delete;
  UniqueGdi& operator=(const UniqueGdi&) = delete;

  Handle get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }
  Handle release() {
    Handle h = m_handle;
    m_handle = nullptr;
    return h;
  }
  void reset(Handle handle = nullptr) {
    if (m_handle != nullptr) Free(m_handle);
    m_handle = handle;
  }

 private:
  Handle m_handle = nullptr;
};

inline BOOL WINAPI DeleteBitmap(HBITMAP bitmap) { return ::DeleteObject(bitmap); }
inline BOOL WINAPI DeleteRegion(HRGN region) { return ::DeleteObject(region); }

using UniqueIcon = UniqueGdi<HICON, ::DestroyIcon>;
using UniqueMenu = UniqueGdi<HMENU, ::DestroyMenu>;
using UniqueBitmap = UniqueGdi<HBITMAP, DeleteBitmap>;
using UniqueRegion = UniqueGdi<HRGN, DeleteRegion>;
using UniqueHook = UniqueGdi<HHOOK, ::UnhookWindowsHookEx>;

// The program's module (resources, window classes).
HINSTANCE ProgramInstance();

// The text of a window (GetWindowTextW, whole).
std::wstring WindowText(HWND window);
// A string of the program's string table; empty when it is missing.
std::wstring LoadResourceString(UINT id);

// --- windows ---------------------------------------------------------------------------

// A window of a class registered by this program.  The object outlives its
// window: the window is destroyed by the object's destructor at the latest.
class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return m_hwnd; }

 protected:
  // Registers the class once per process, with the common window procedure.
  static bool RegisterWindowClass(const wchar_t* class_name, UINT style = 0, HICON icon = nullptr);
  // CreateWindowExW of a registered class, bound to this object.
  bool Create(DWORD ex_style, const wchar_t* class_name, const wchar_t* caption, DWORD style,
              int x, int y, int width, int height, HWND parent, HMENU menu = nullptr);
  // The message's handling; the default is DefWindowProcW.
  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND m_hwnd = nullptr;
};

// A subclass of a window of another class (a list box, the mascot's dialog
// class window): its messages reach OnMessage first, the original procedure
// after (CallOriginal).
class Subclass {
 public:
  Subclass() = default;
  virtual ~Subclass();
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;

  bool Attach(HWND window);
  void Detach();
  HWND hwnd() const { return m_hwnd; }

 protected:
  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return CallOriginal(message, wparam, lparam);
  }
  LRESULT CallOriginal(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR data);

  HWND m_hwnd = nullptr;
};

// --- dialogs ---------------------------------------------------------------------------

// A dialog over a template of the program's resources, run modally.  While
// it runs it is the robot's current modal dialog (CurrentModal), which the
// tray brings to the front on a right click.
class Dialog {
 public:
  // The result of a dialog that could not be created.
  static constexpr INT_PTR kNotCreated = -1;

  explicit Dialog(int template_id) : m_templateId(template_id) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // DialogBoxParamW with the owner (none: the desktop); EndDialog's value.
  INT_PTR RunModal(HWND owner);
  HWND hwnd() const { return m_hwnd; }

 protected:
  // WM_INITDIALOG: true lets the system put the focus on the first control.
  virtual bool OnInitDialog() { return true; }
  // WM_COMMAND: true when handled.  The default ends the dialog on IDOK and
  // IDCANCEL with that identifier.
  virtual bool OnCommand(int id, int code, HWND control);
  // Any other message: true when handled (result in *result; for the
  // WM_CTLCOLOR* messages the brush).
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    return false;
  }
  void End(INT_PTR result);
  HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
  std::wstring ItemText(int id) const { return WindowText(Item(id)); }

  // Runs the dialog modelessly in a loop of its own (CLockingDialog).
  INT_PTR RunOwnLoop(HWND parent, const std::function<void(HWND)>& after_end);

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  int m_templateId;
  HWND m_hwnd = nullptr;
  bool m_ownLoop = false;
  bool m_ended = false;
  INT_PTR m_result = 0;
};

// The robot's modal dialog on top, or none (m_currentModal).
HWND CurrentModal();

// While it lasts, the dialog that a system function shows on this thread (a
// file dialog, the folder browser) is the robot's current modal dialog, like
// the robot's own: the first top-level window of the dialog class created on
// this thread from then on, until it is destroyed.
class SystemDialogScope {
 public:
  SystemDialogScope();
  ~SystemDialogScope();
  SystemDialogScope(const SystemDialogScope&) = delete;
  SystemDialogScope& operator=(const SystemDialogScope&) = delete;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
  void Forget();

  SystemDialogScope* m_outer = nullptr;
  UniqueHook m_hook;
  HWND m_dialog = nullptr;
};

// Moves the dialog, keeping its size, so that its centre is the centre of
// the window (the validation window; none: the desktop), kept inside the
// work area of that window's monitor, and repaints it.
void CenterOnWindow(HWND dialog, HWND window);

// A message box of the robot, owned by owner.
int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

}  // namespace korvex::win32
