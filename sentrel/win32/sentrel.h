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

// Registers the window that receives the notifications 0x8000-0x8004 from
// the hosts of the caller's terminal-server session.  The value is kept in
// the library's shared section, as the library's interface says, and the
// first process of a session that registers becomes the robot of that
// session for as long as it runs (kSessionRobotName): the copy of the library
// inside a host posts to the window of its own session's robot only.
SENTREL_API void RegisterPilotek(HWND robot_window);

// The library's own module handle, for SetWindowsHookExW.
SENTREL_API HMODULE RobotGetDLLModule();

}  // extern "C"

namespace korvex::sentrel {

// The export name of the hook procedure (standard call, 12 bytes of
// arguments), the same in the 32-bit and the 64-bit library.
inline constexpr char kHookProcExport[] = "_CallWndRetProc@12";

// The robot of a session: a named file mapping in the session's own
// namespace, created by RegisterPilotek in the robot's process and read by
// the hook in the hosts of that session.  The same layout in the 32-bit and
// the 64-bit library.
inline constexpr wchar_t kSessionRobotName[] = L"Local\\KORVEX.RobotWindow";
struct SessionRobotRecord {
  LONG window;       // the robot's window (HandleToLong)
  DWORD process_id;  // the robot's process, which the window must belong to
};

}  // namespace korvex::sentrel
