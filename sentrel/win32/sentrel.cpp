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

// The longest caption the hook reads.  Every caption it recognises is
// shorter, so a longer one that is cut cannot be mistaken for one of them.
constexpr int kCaptionCapacity = 64;

// What the hook needs of a window that has just been created, read from the
// window itself: its text without sending it a message, its style, and its
// parent (a child window) or owner (a top-level one).  The CREATESTRUCTW that
// WM_CREATE's lParam points to is never read: a 32-bit hook running under a
// 64-bit system's translation layer can receive it unconverted.
void ReadCreation(HWND window, CreationParams& creation, char16_t (&caption)[kCaptionCapacity]) {
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  creation.style = static_cast<std::uint32_t>(style);
  const HWND related = (style & WS_CHILD) ? GetAncestor(window, GA_PARENT)
                                          : GetWindow(window, GW_OWNER);
  creation.parent = reinterpret_cast<WindowId>(related);
  // A dialog box gets its caption after WM_CREATE (a message box sets it in
  // WM_INITDIALOG), so an empty text is still a caption: the window is
  // judged by its owner.
  int length = InternalGetWindowText(window, reinterpret_cast<LPWSTR>(caption), kCaptionCapacity);
  if (length < 0) length = 0;
  caption[length < kCaptionCapacity ? length : kCaptionCapacity - 1] = 0;
  creation.caption = caption;
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
    char16_t caption[kCaptionCapacity];
    const CreationParams* creation_ptr = nullptr;
    if (processed->message == WM_CREATE && processed->hwnd != nullptr) {
      ReadCreation(processed->hwnd, creation, caption);
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
