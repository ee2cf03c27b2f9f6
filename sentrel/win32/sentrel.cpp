// Sentrel.dll: the window hook loaded into the host program.  The robot
// installs CallWndRetProc as a WH_CALLWNDPROCRET hook on the host's
// user-interface thread; the system then loads this library into the host,
// where the hook sees every message after the host's window procedure has
// processed it and posts what HookLogic decides to the window of the robot
// of the host's own session.
//
// A host window the robot disables (its dialogs are modal over the host's),
// marked with the robot's process, is watched from a thread of the library's
// own inside the host, which enables it again if that process ends first: a
// robot killed with a dialog open leaves no host window disabled, even
// though its hook is gone with it.
//
// The library is built without any C or C++ runtime (see CMakeLists.txt):
// it imports only kernel32 and user32, and its entry point is DllMain itself.
// The hook never waits: finding the session's robot is a look at a named
// object of the session and at the window's process, no message is sent.
#define SENTREL_BUILD
#include "sentrel/win32/sentrel.h"

#include "sentrel/dialog_snapshot.h"
#include "sentrel/hook_logic.h"

namespace {

using korvex::sentrel::CreationParams;
using korvex::sentrel::HookLogic;
using korvex::sentrel::Posts;
using korvex::sentrel::RobotDisabledWindows;
using korvex::sentrel::WindowId;

// The robot's window as the library's interface keeps it: one value for
// every process that loads the library, in every session of the machine.
// Kept as 32 bits in both builds, as window handles are meant to be passed
// between 32-bit and 64-bit processes (HandleToLong / LongToHandle).  The
// hook does not post to it (see SessionRobotWindow).
__attribute__((section("Shared"), shared)) volatile LONG g_robotWindow = 0;

// Per-process values; in the host process they describe the host's windows.
HMODULE g_module = nullptr;
constinit HookLogic g_hook;
// In the robot's process: the session's robot record, while this process is
// the robot of its session.
HANDLE g_sessionRobot = nullptr;
constinit RobotDisabledWindows g_robotDisabled;

// How often a watcher looks whether its window was enabled again meanwhile.
constexpr DWORD kWatchPollMs = 200;

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

// --- the dialog snapshot ----------------------------------------------------

HWND ToHwnd(std::uint32_t window) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(window)));
}
std::uint32_t FromHandle(const void* handle) {
  return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(handle));
}

// The host's windows as the snapshot reads them, on the host's own thread:
// every message below goes to a window of this thread (OwnThread is checked
// first), so it is a call of that window's procedure, never a wait.
struct HostWindows {
  DWORD thread = GetCurrentThreadId();

  bool OwnThread(std::uint32_t w) { return GetWindowThreadProcessId(ToHwnd(w), nullptr) == thread; }
  std::uint32_t FirstChild(std::uint32_t w) { return FromHandle(GetWindow(ToHwnd(w), GW_CHILD)); }
  std::uint32_t NextSibling(std::uint32_t w) { return FromHandle(GetWindow(ToHwnd(w), GW_HWNDNEXT)); }
  std::uint32_t NextFrame(std::uint32_t parent, std::uint32_t after) {
    return FromHandle(FindWindowExW(ToHwnd(parent), after == 0 ? nullptr : ToHwnd(after),
                                    reinterpret_cast<LPCWSTR>(korvex::sentrel::kSnapshotFrameClass),
                                    nullptr));
  }
  std::uint32_t ClassName(std::uint32_t w, char16_t* out, std::uint32_t capacity) {
    const int n = GetClassNameW(ToHwnd(w), reinterpret_cast<LPWSTR>(out), static_cast<int>(capacity));
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
  }
  // What GetWindowTextW returns to another process: the window's own text,
  // without asking its procedure.
  std::uint32_t Text(std::uint32_t w, char16_t* out, std::uint32_t capacity) {
    const int n =
        InternalGetWindowText(ToHwnd(w), reinterpret_cast<LPWSTR>(out), static_cast<int>(capacity));
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
  }
  std::uint32_t TextLength(std::uint32_t w) {
    const LRESULT n = SendMessageW(ToHwnd(w), WM_GETTEXTLENGTH, 0, 0);
    return n > 0 && n < 0x7FFFFFFF ? static_cast<std::uint32_t>(n) : 0;
  }
  std::uint32_t Style(std::uint32_t w) {
    return static_cast<std::uint32_t>(GetWindowLongW(ToHwnd(w), GWL_STYLE));
  }
  std::int32_t ControlId(std::uint32_t w) { return GetDlgCtrlID(ToHwnd(w)); }
  bool Enabled(std::uint32_t w) { return IsWindowEnabled(ToHwnd(w)) != FALSE; }
  std::uint32_t StaticIcon(std::uint32_t w) {
    return static_cast<std::uint32_t>(SendMessageW(ToHwnd(w), STM_GETICON, 0, 0));
  }
  std::int32_t ListCount(std::uint32_t w) {
    return static_cast<std::int32_t>(SendMessageW(ToHwnd(w), LB_GETCOUNT, 0, 0));
  }
  std::int32_t ListTextLength(std::uint32_t w, std::int32_t i) {
    return static_cast<std::int32_t>(SendMessageW(ToHwnd(w), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
  }
  std::uint32_t ListText(std::uint32_t w, std::int32_t i, char16_t* out, std::uint32_t) {
    const LRESULT n = SendMessageW(ToHwnd(w), LB_GETTEXT, static_cast<WPARAM>(i),
                                   reinterpret_cast<LPARAM>(out));
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
  }
};

// The robot's buffer in this session, opened at the first snapshot and again
// when another robot has registered.  Bytes at its end are kept free, so a
// control that writes more than it announced stays inside the mapping.
HANDLE g_snapshotMapping = nullptr;
unsigned char* g_snapshotView = nullptr;
bool g_snapshotting = false;
constexpr std::uint32_t kSnapshotSlack = 256;

unsigned char* SnapshotBuffer(std::uint32_t robot) {
  using namespace korvex::sentrel;
  if (g_snapshotView != nullptr &&
      reinterpret_cast<const SnapshotHeader*>(g_snapshotView)->robot_window == robot) {
    return g_snapshotView;
  }
  if (g_snapshotView != nullptr) UnmapViewOfFile(g_snapshotView);
  if (g_snapshotMapping != nullptr) CloseHandle(g_snapshotMapping);
  g_snapshotView = nullptr;
  g_snapshotMapping = OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE,
                                       reinterpret_cast<LPCWSTR>(kSnapshotMappingName));
  if (g_snapshotMapping == nullptr) return nullptr;
  g_snapshotView = static_cast<unsigned char*>(
      MapViewOfFile(g_snapshotMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kSnapshotBytes));
  if (g_snapshotView == nullptr) return nullptr;
  const auto* header = reinterpret_cast<const SnapshotHeader*>(g_snapshotView);
  if (header->magic != kSnapshotMagic || header->version != kSnapshotVersion ||
      header->robot_window != robot) {
    return nullptr;
  }
  return g_snapshotView;
}

// Takes the snapshot of a dialog that has just become ready, before the
// robot hears of it.  A buffer that cannot be had, or a dialog that does not
// fit, leaves the robot to read the dialog itself.
void TakeSnapshot(HWND dialog, std::uint32_t robot) {
  using namespace korvex::sentrel;
  if (g_snapshotting || robot == 0) return;
  unsigned char* buffer = SnapshotBuffer(robot);
  if (buffer == nullptr) return;
  g_snapshotting = true;
  auto* header = reinterpret_cast<SnapshotHeader*>(buffer);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const std::uint32_t sequence = __atomic_load_n(&header->sequence, __ATOMIC_RELAXED) | 1u;
  __atomic_store_n(&header->sequence, sequence, __ATOMIC_RELEASE);
  __atomic_thread_fence(__ATOMIC_SEQ_CST);
  header->taken_at = static_cast<std::uint64_t>(now.QuadPart);
  HostWindows host;
  const auto validation = static_cast<std::uint32_t>(g_hook.validation_window());
  WriteSnapshot(host, FromHandle(dialog), validation, buffer, kSnapshotBytes - kSnapshotSlack);
  QueryPerformanceCounter(&now);
  header->done_at = static_cast<std::uint64_t>(now.QuadPart);
  __atomic_thread_fence(__ATOMIC_SEQ_CST);
  __atomic_store_n(&header->sequence, sequence + 1u, __ATOMIC_RELEASE);
  g_snapshotting = false;
}

// --- the robot of this session ------------------------------------------------------
//
// Each terminal-server session has its own robot, and the hook inside a
// host posts to the robot of the host's session only.  RegisterPilotek makes
// the calling process the robot of its session by creating a named object in
// the session's own namespace ("Local\"), which processes of other sessions
// never see; the object holds the robot's window and process, and lives as
// long as that process.  While that robot's window lives, another process of
// the session that calls RegisterPilotek does not take the session over.

// The window a session's record names, when it still belongs to the process
// the record names; 0 otherwise.
korvex::sentrel::WindowId LiveRobotWindow(HANDLE record) {
  using korvex::sentrel::SessionRobotRecord;
  void* view = MapViewOfFile(record, FILE_MAP_READ, 0, 0, sizeof(SessionRobotRecord));
  if (view == nullptr) return 0;
  const auto* robot = static_cast<const volatile SessionRobotRecord*>(view);
  const HWND window = static_cast<HWND>(LongToHandle(robot->window));
  const DWORD process_id = robot->process_id;
  UnmapViewOfFile(view);
  DWORD owner = 0;
  if (window == nullptr || process_id == 0 || GetWindowThreadProcessId(window, &owner) == 0 ||
      owner != process_id) {
    return 0;
  }
  return reinterpret_cast<korvex::sentrel::WindowId>(window);
}

// Writes the robot's window into the session's record, creating the record
// first when this process does not hold it yet.  Nothing while another
// process is the robot of this session; a record left by a robot that is
// gone (its window no longer its own) is taken over.
void PublishSessionRobot(HWND robot_window) {
  using korvex::sentrel::SessionRobotRecord;
  if (g_sessionRobot == nullptr) {
    const HANDLE record =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                           sizeof(SessionRobotRecord), korvex::sentrel::kSessionRobotName);
    if (record == nullptr) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS && LiveRobotWindow(record) != 0) {
      CloseHandle(record);
      return;
    }
    g_sessionRobot = record;
  }
  void* view = MapViewOfFile(g_sessionRobot, FILE_MAP_WRITE, 0, 0, sizeof(SessionRobotRecord));
  if (view == nullptr) return;
  auto* robot = static_cast<volatile SessionRobotRecord*>(view);
  // A record taken over loses its window before it gets its new process, so
  // that a reader never pairs the one with the other.
  const DWORD process_id = GetCurrentProcessId();
  if (robot->process_id != process_id) {
    robot->window = 0;
    robot->process_id = process_id;
  }
  robot->window = HandleToLong(robot_window);
  UnmapViewOfFile(view);
}

// The window of this session's robot; 0 when the session has none.  Leaves
// the host's last-error value as it was.
korvex::sentrel::WindowId SessionRobotWindow() {
  const DWORD saved_error = GetLastError();
  korvex::sentrel::WindowId window = 0;
  if (const HANDLE record =
          OpenFileMappingW(FILE_MAP_READ, FALSE, korvex::sentrel::kSessionRobotName)) {
    window = LiveRobotWindow(record);
    CloseHandle(record);
  }
  SetLastError(saved_error);
  return window;
}

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

void RegisterPilotek(HWND robot_window) {
  g_robotWindow = HandleToLong(robot_window);
  PublishSessionRobot(robot_window);
}

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
    if (processed->message == WM_ENABLE || processed->message == WM_DESTROY) {
      TrackRobotDisabling(*processed);
    }
    const Posts posts = g_hook.OnMessage(reinterpret_cast<WindowId>(processed->hwnd),
                                         processed->message, processed->wParam, creation_ptr);
    if (posts.count > 0) {
      const WindowId robot = SessionRobotWindow();
      // The snapshot of a dialog that became ready is in the robot's buffer
      // before the robot hears of it.
      for (int i = 0; i < posts.count; ++i) {
        if (posts.items[i].message == korvex::sentrel::kDialogReady && robot != 0) {
          TakeSnapshot(reinterpret_cast<HWND>(posts.items[i].wparam),
                       static_cast<std::uint32_t>(HandleToLong(reinterpret_cast<HWND>(robot))));
        }
      }
      korvex::sentrel::DeliverPosts(posts, robot,
                                    [](WindowId to, const korvex::sentrel::Post& post) {
                                      PostMessageW(reinterpret_cast<HWND>(to), post.message,
                                                   post.wparam, post.lparam);
                                    });
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    g_hook.Reset();
    g_robotDisabled.Reset();
  } else if (reason == DLL_PROCESS_DETACH) {
    if (g_sessionRobot != nullptr) {
      CloseHandle(g_sessionRobot);  // the session has no robot any more
      g_sessionRobot = nullptr;
    }
    if (reserved == nullptr) {
      // Unloaded while the host goes on (the hook was removed): the robot's
      // buffer is let go.  At process end the system does it.
      if (g_snapshotView != nullptr) UnmapViewOfFile(g_snapshotView);
      if (g_snapshotMapping != nullptr) CloseHandle(g_snapshotMapping);
      g_snapshotView = nullptr;
      g_snapshotMapping = nullptr;
    }
  }
  return TRUE;
}

}  // extern "C"
