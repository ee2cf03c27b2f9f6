// Asking the user about a host dialog: the replica of a message dialog
// (CDynDialog) and the follower that drags the host dialog along with it,
// the data-input question (CInputDlg) and the option question (COptionsDlg,
// with its list CExListBox), and the port that the watcher asks them
// through.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/window_system.h"
#include "robot/capture/ask_user.h"
#include "robot/capture/dialog_follower.h"
#include "robot/win32/window.h"

namespace korvex {
class CDialogWindow;
}

namespace korvex::win32 {

// The dialog follower: while the replica of a host dialog is on screen, a
// WH_CALLWNDPROCRET hook on the robot's own thread sees the replica move
// and moves the host dialog to the same place (posted, so that a slow host
// never holds the robot).  Armed on every capture, disarmed when the
// captured dialog goes; it follows the first window created with the live
// dialog as its owner and stops when that window is destroyed.
class Win32DialogFollower final : public DialogFollower {
 public:
  ~Win32DialogFollower() override;
  void Arm(Hwnd dialog) override;
  void Disarm() override;

  static HWND LiveDialog();
  static HWND CopyWindow();

 private:
  static LRESULT CALLBACK HookProcedure(int code, WPARAM wparam, LPARAM lparam);
};

// The replica: the host dialog's caption, place and size, and a copy of
// each of its controls; it ends with the identifier of the command that
// reached it (the pressed copy of a button; 1 or 2 for Enter, Escape and
// closing).
class CDynDialog final : public Dialog {
 public:
  explicit CDynDialog(const CDialogWindow& root);
  // The copy could not be made (the host dialog stopped answering).
  bool Failed() const { return m_failed; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  const CDialogWindow& m_root;
  std::vector<HWND> m_controls;
  bool m_failed = false;
};

// The option list: a list box that shows each option's whole text as a
// tool tip (at most 511 characters).
class CExListBox final : public Subclass {
 public:
  ~CExListBox() override;
  bool Attach(HWND list);

 protected:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  HWND m_tip = nullptr;
  int m_item = -1;  // the item the tip is about
};

// "Ingreso de dato complementario": the prompt, the value typed, mirrored
// into the host dialog's edit before it ends with 1 ("Validar lo
// ingresado") or 2.
class CInputDlg final : public Dialog {
 public:
  CInputDlg(WindowSystem& ws, std::wstring prompt, HWND host, HWND center_on);
  const std::wstring& Value() const { return m_value; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Finish(int result);

  WindowSystem& m_ws;
  std::wstring m_prompt;
  HWND m_host;
  HWND m_centerOn;
  std::wstring m_value;
};

// "Selección de una opción": ends with 1 (the selected index, -999 for
// none), 1006 (-1) or 2 (-999), after mirroring the list's selection and
// top index into the host dialog's list.
class COptionsDlg final : public Dialog {
 public:
  COptionsDlg(WindowSystem& ws, std::vector<std::wstring> options, HWND host, bool none_enabled,
              HWND center_on);
  int Chosen() const { return m_chosen; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Finish(int result, int chosen);

  WindowSystem& m_ws;
  std::vector<std::wstring> m_options;
  HWND m_host;
  bool m_noneEnabled;
  HWND m_centerOn;
  CExListBox m_list;
  int m_chosen = -999;
};

// The watcher's questions to the user, on the dialogs above.  The question
// dialogs centre on the validation window that validation_window names.
class Win32AskUser final : public AskUserPort {
 public:
  Win32AskUser(WindowSystem& ws, std::function<HWND()> validation_window)
      : m_ws(ws), m_validationWindow(std::move(validation_window)) {}

  // Throws when the replica could not be made: the watcher then leaves the
  // dialog to the user in the host.
  int AskMessage(const CDialogWindow& root, Hwnd parent) override;
  InputResult AskInput(TextView prompt, Hwnd parent) override;
  OptionsResult AskOptions(const std::vector<Text>& options, Hwnd parent,
                           bool none_enabled) override;

 private:
  WindowSystem& m_ws;
  std::function<HWND()> m_validationWindow;
};

}  // namespace korvex::win32
