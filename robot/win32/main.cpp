// KORVEX.exe: the robot program.  One instance per user session; it starts
// hidden, lives in the notification area and ends only through its tray
// command "&Cerrar".
#include <windows.h>

#include <commctrl.h>

#include "platform/barrier.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_window_system.h"
#include "robot/key/system_icons.h"
#include "robot/win32/main_frame_window.h"

namespace korvex::win32 {
namespace {

constexpr wchar_t kInstanceMutex[] = L"Norvane - KORVEX APPLICATION - Only Instance Mutex";

int Run() {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  ::InitCommonControlsEx(&controls);

  // A second instance ends at once, without a message and without touching
  // the first.
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
  if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  // The icon descriptions compare with this process's system icons.
  Win32WindowSystem ws;
  SetSystemIcons(LoadSystemIcons(ws));

  Win32Registry registry;
  CMainFrameWindow frame(registry);
  if (!frame.Create()) return 0;

  MSG msg{};
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace
}  // namespace korvex::win32

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  // The program's entry: nothing unwinds past it.
  return korvex::Barrier("wWinMain", 1, [] { return korvex::win32::Run(); });
}
