// "Acerca de KORVEX" (dialog 100): the program's icon, name and version
// (from its version resource), and a link to its manual.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/text.h"
#include "robot/win32/window.h"

namespace korvex::win32 {

// A static control shown as a link: underlined, blue (purple once
// followed) on a transparent background, with the hand cursor.  A click
// opens its target with the shell's "open" verb, or else its own text, or
// else the string resource numbered as the control; it beeps when none
// opens.  The dialog that holds it hands it the clicks (STN_CLICKED) and
// its WM_CTLCOLORSTATIC.
class CStaticLink final : public Subclass {
 public:
  CStaticLink() = default;
  ~CStaticLink() override;

  // Subclasses the static and gives it the underlined font.
  bool Attach(HWND control);
  // The document or address the link opens first.
  void SetTarget(std::wstring target) { m_target = std::move(target); }
  // Opens the link; false (after a beep) when nothing could be opened.
  bool Follow();
  bool Visited() const { return m_visited; }
  // The colours of WM_CTLCOLORSTATIC; the brush to return.
  HBRUSH OnCtlColor(HDC dc) const;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  std::wstring m_target;
  bool m_visited = false;
  HFONT m_font = nullptr;  // owned
};

class CAboutDlg final : public Dialog {
 public:
  CAboutDlg();

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  CStaticLink m_link;
};

// The product version of the program's version resource: "Versión 1.0",
// or nothing when the program carries none.
std::optional<std::wstring> ProgramVersionText();

// The folder of the program's file, without a trailing backslash.
std::wstring ProgramFolder();

}  // namespace korvex::win32
