// Sentrel.dll: the window hook loaded into the host program.  The robot
// installs CallWndRetProc as a WH_CALLWNDPROCRET hook on the host's
// user-interface thread; the system then loads this library into the host,
// where the hook sees every message after the host's window procedure has
// processed it and posts what HookLogic decides to the robot's window.
//
// The library is built without any C or C++ runtime (see CMakeLists.txt):
// it imports only kernel32 and user32, and its entry point is DllMain itself.
#define SENTREL_BUILD
#include "sentrel/win32/sentrel.h"

#include "sentrel/hook_logic.h"

namespace {

using korvex::sentrel::CreationParams;
using korvex::sentrel::HookLogic;
using korvex::sentrel::Posts;
using korvex::sentrel::WindowId;

// The robot's window, one value for every process that loads the library.
// Kept as 32 bits in both builds, as window handles are meant to be passed
// between 32-bit and 64-bit processes (HandleToLong / LongToHandle).
__attribute__((section("Shared"), shared)) volatile LONG g_robotWindow = 0;

// Per-process values; in the host process they describe the host's windows.
HMODULE g_module = nullptr;
constinit HookLogic g_hook;

// A string pointer below 64 KB is a resource ordinal, never text.
bool IsText(LPCWSTR text) { return reinterpret_cast<ULONG_PTR>(text) > 0xFFFF; }

}  // namespace

extern "C" {

void RegisterPilotek(HWND robot_window) { g_robotWindow = HandleToLong(robot_window); }

HMODULE RobotGetDLLModule() { return g_module; }

// Exported as "_CallWndRetProc@12" (sentrel_x86.def, sentrel_x64.def).
LRESULT CALLBACK CallWndRetProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && lParam != 0) {
    const auto* processed = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    CreationParams creation;
    const CreationParams* creation_ptr = nullptr;
    if (processed->message == WM_CREATE && processed->lParam != 0) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(processed->lParam);
      creation.parent = reinterpret_cast<WindowId>(cs->hwndParent);
      creation.style = static_cast<std::uint32_t>(cs->style);
      creation.caption =
          IsText(cs->lpszName) ? reinterpret_cast<const char16_t*>(cs->lpszName) : nullptr;
      creation_ptr = &creation;
    }
    const Posts posts = g_hook.OnMessage(reinterpret_cast<WindowId>(processed->hwnd),
                                         processed->message, processed->wParam, creation_ptr);
    const auto robot = reinterpret_cast<WindowId>(LongToHandle(g_robotWindow));
    korvex::sentrel::DeliverPosts(posts, robot, [](WindowId to, const korvex::sentrel::Post& post) {
      PostMessageW(reinterpret_cast<HWND>(to), post.message, post.wparam, post.lparam);
    });
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    g_hook.Reset();
  }
  return TRUE;
}

}  // extern "C"
