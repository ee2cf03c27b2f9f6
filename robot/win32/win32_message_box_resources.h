// The query handlers' MessageBoxResources over User32: LoadIconW for the
// shared system icons and the undocumented export MB_GetString, looked up at
// run time (Wine's user32 does not export it).
#pragma once

#include <windows.h>

#include <mutex>

#include "robot/query/message_box_resources.h"

namespace korvex::win32 {

class Win32MessageBoxResources final : public query::MessageBoxResources {
 public:
  Win32MessageBoxResources() = default;
  ~Win32MessageBoxResources() override;
  Win32MessageBoxResources(const Win32MessageBoxResources&) = delete;
  Win32MessageBoxResources& operator=(const Win32MessageBoxResources&) = delete;

  IconHandle LoadSystemIcon(int id) override;
  // Loads "user32.dll" and looks the export up once for the object's life
  // (every connection asks; the answer does not change); thread-safe.
  bool LoadMB_GetString() override;
  std::optional<Text> MB_GetString(unsigned index) override;

 private:
  using MbGetString = LPCWSTR(WINAPI*)(UINT);

  std::once_flag m_once;
  HMODULE m_user32 = nullptr;
  MbGetString m_getString = nullptr;
};

}  // namespace korvex::win32
