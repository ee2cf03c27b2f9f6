// A scripted user for the end-to-end tests: acts on another program's
// windows only as a person would, by what is on the screen.  It finds a
// window by its caption, types into its edit field, picks a line of its
// list, and clicks a button by the button's text.  Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvex::wine_test {

class DesktopUser {
 public:
  // Acts on the windows of one process.
  explicit DesktopUser(DWORD process_id) : m_process(process_id) {}

  // A visible top-level window of the process with this caption (and
  // class, when given), or nullptr.
  HWND Find(const std::wstring& caption, const wchar_t* window_class = nullptr) const;
  // The same, waiting up to timeout_ms.
  HWND WaitFor(const std::wstring& caption, DWORD timeout_ms,
               const wchar_t* window_class = nullptr) const;
  // The visible top-level windows of the process that are dialogs (#32770).
  std::vector<HWND> Dialogs() const;

  // Replaces the text of the window's first edit field.
  bool Type(HWND window, const std::wstring& text) const;
  // Selects the line of the window's first list box.
  bool Pick(HWND window, int line) const;
  // Clicks the window's button with this text (as shown, "&" included).
  bool Click(HWND window, const std::wstring& button_text) const;
  // Clicks the window's button with this control identifier (IDOK, ...),
  // whatever its text in the system's language.
  bool Press(HWND window, int control_id) const;

 private:
  DWORD m_process;
};

std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);

}  // namespace korvex::wine_test
