// Sentrel.dll: the window hook loaded into the host program.  The robot
// installs CallWndRetProc as a WH_CALLWNDPROCRET hook on the host's
// user-interface thread; the system then loads this library into the host,
// where the hook sees every message after the host's window procedure has
// processed it and posts what HookLogic decides to the robot's window.
//
// A host window the robot disables (its dialogs are modal over the host's),
// marked with the robot's process, is watched from a thread of the library's
// own inside the host, which enables it again if that process ends first: a
// robot killed with a dialog open leaves no host window disabled, even
// though its hook is gone with it.
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
using korvex::sentrel::RobotDisabledWindows;
using korvex::sentrel::WindowId;

// The robot's window, one value for every process that loads the library.
// Kept as 32 bits in both builds, as window handles are meant to be passed
// between 32-bit and 64-bit processes (HandleToLong / LongToHandle).
__attribute__((section("Shared"), shared)) volatile LONG g_robotWindow = 0;

// Per-process values; in the host process they describe the host's windows.
HMODULE g_module = nullptr;
constinit HookLogic g_hook;
constinit RobotDisabledWindows g_robotDisabled;

// How often a watcher looks whether its window was enabled again meanwhile.
constexpr DWORD kWatchPollMs = 200;

// A string pointer below 64 KB is a resource ordinal, never text.
bool IsText(LPCWSTR text) { return reinterpret_cast<ULONG_PTR>(text) > 0xFFFF; }

// The watcher of one recorded window.  It holds a reference on the library
// (taken by StartWatcher), so the library stays in the host while it runs.
DWORD WINAPI WatchRobot(void* parameter) {
  const int slot = static_cast<int>(reinterpret_cast<INT_PTR>(parameter));
  const WindowId window = g_robotDisabled.Window(slot);
  const DWORD process_id = g_robotDisabled.RobotProcess(slot);
  if (window != 0 && process_id != 0) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
    // A process that cannot be opened because it no longer exists has ended.
    bool ended = process == nullptr && GetLastError() == ERROR_INVALID_PARAMETER;
    if (process != nullptr) {
      while (g_robotDisabled.Holds(slot, window)) {
        if (WaitForSingleObject(process, kWatchPollMs) != WAIT_TIMEOUT) {
          ended = true;
          break;
        }
      }
      CloseHandle(process);
    }
    if (ended && g_robotDisabled.Claim(slot, window)) {
      const HWND host_window = reinterpret_cast<HWND>(window);
      RemovePropW(host_window, reinterpret_cast<LPCWSTR>(korvex::sentrel::kDisablerProperty));
      EnableWindow(host_window, TRUE);
    }
  }
  FreeLibraryAndExitThread(g_module, 0);
  return 0;
}

void StartWatcher(int slot) {
  HMODULE held = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&WatchRobot), &held)) {
    return;
  }
  const HANDLE thread = CreateThread(nullptr, 64 * 1024, WatchRobot,
                                     reinterpret_cast<void*>(static_cast<INT_PTR>(slot)),
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) {
    FreeLibrary(held);
    return;
  }
  CloseHandle(thread);
}

// WM_ENABLE and WM_DESTROY as the host processed them: the robot's
// disablings recorded and watched, the records dropped.
void TrackRobotDisabling(const CWPRETSTRUCT& processed) {
  const auto window = reinterpret_cast<WindowId>(processed.hwnd);
  if (processed.message == WM_DESTROY) {
    g_robotDisabled.OnDestroy(window);
    return;
  }
  const bool enabled = processed.wParam != 0;
  DWORD robot_process = 0;
  if (!enabled) {
    robot_process = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(GetPropW(
        processed.hwnd, reinterpret_cast<LPCWSTR>(korvex::sentrel::kDisablerProperty))));
  }
  const int slot = g_robotDisabled.OnEnable(window, enabled, robot_process);
  if (slot >= 0) StartWatcher(slot);
}

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
    if (processed->message == WM_ENABLE || processed->message == WM_DESTROY) {
      TrackRobotDisabling(*processed);
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
    g_robotDisabled.Reset();
  }
  return TRUE;
}

}  // extern "C"
