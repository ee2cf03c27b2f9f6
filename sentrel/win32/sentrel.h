// Sentrel.dll as the robot program sees it.  The robot links the library by
// import for RegisterPilotek and RobotGetDLLModule, and looks the hook
// procedure up by its export name to hand it to SetWindowsHookExW (with
// WH_CALLWNDPROCRET) on the host's user-interface thread.
//
// The library exports the two functions under the names the Microsoft
// compiler gives their C++ signatures (for example
// "?RegisterPilotek@@YAXPAUHWND__@@@Z" in the 32-bit library), which other
// programs built against it import, and under the plain names this header
// declares (sentrel_x86.def, sentrel_x64.def).
#pragma once

#include <windows.h>

#ifdef SENTREL_BUILD
#define SENTREL_API
#else
#define SENTREL_API __declspec(dllimport)
#endif

extern "C" {

// Stores the window that receives the notifications 0x8000-0x8004.  The value
// lives in the library's shared section, so the copy of the library inside
// the host process posts to it too.
SENTREL_API void RegisterPilotek(HWND robot_window);

// The library's own module handle, for SetWindowsHookExW.
SENTREL_API HMODULE RobotGetDLLModule();

}  // extern "C"

namespace korvex::sentrel {

// The export name of the hook procedure (standard call, 12 bytes of
// arguments), the same in the 32-bit and the 64-bit library.
inline constexpr char kHookProcExport[] = "_CallWndRetProc@12";

}  // namespace korvex::sentrel
