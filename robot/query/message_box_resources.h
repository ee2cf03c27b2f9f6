// What the query handlers take from the system to write the window key of a
// message box that the tariff control would show: the shared system icons
// and the localised texts of the message-box buttons.  The Win32 adapter is
// robot/win32/win32_message_box_resources.*; tests use a table.
#pragma once

#include <optional>

#include "platform/text.h"
#include "platform/window_system.h"

namespace korvex::query {

class MessageBoxResources {
 public:
  virtual ~MessageBoxResources() = default;

  // LoadIconW(NULL, id) for IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION,
  // IDI_ASTERISK; 0 when it fails.
  virtual IconHandle LoadSystemIcon(int id) = 0;
  // LoadLibraryW("user32.dll") and GetProcAddress(module, "MB_GetString"):
  // true when the undocumented export is there (it is not under Wine).
  virtual bool LoadMB_GetString() = 0;
  // MB_GetString(index): the localised text of the message-box button with
  // the identifier index + 1 (IDOK 1, IDYES 6, IDNO 7); no value for a null
  // result or when the export is not there.
  virtual std::optional<Text> MB_GetString(unsigned index) = 0;
};

}  // namespace korvex::query
