#include "tools/robot_probe/probe.h"

#include <psapi.h>

#include "sentrel/win32/sentrel.h"
#include "tools/common/time_scale.h"

namespace korvex::probe {
namespace {

constexpr wchar_t kProbeClass[] = L"KorvexRobotProbe";
constexpr wchar_t kRobotCaption[] = L"PILOTEK_MAIN_FRAME";

std::wstring Text(HWND window) {
  wchar_t buffer[512];
  const int n = GetWindowTextW(window, buffer, 512);
  return std::wstring(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256];
  const int n = GetClassNameW(window, buffer, 256);
  return std::wstring(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring WithoutAmpersands(std::wstring_view text) {
  std::wstring result;
  for (wchar_t c : text) {
    if (c != L'&') result += c;
  }
  return result;
}

}  // namespace

const char* NotificationName(UINT message) {
  switch (message) {
    case kDialogReady: return "RM_DIALOG_READY";
    case kValidationStarted: return "RM_VALIDATION_STARTED";
    case kValidationEnded: return "RM_VALIDATION_ENDED";
    case kAnswerRejected: return "RM_ANSWER_REJECTED";
    case kValidateButton: return "RM_VALIDATE_BUTTON";
    default: return nullptr;
  }
}

std::wstring ProcessModuleName(DWORD process_id) {
  std::wstring name = L"<unknown>";
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
  if (process == nullptr) return name;
  HMODULE first = nullptr;
  DWORD needed = 0;
  wchar_t buffer[260];
  if (EnumProcessModules(process, &first, sizeof first, &needed)) {
    const DWORD n = GetModuleBaseNameW(process, first, buffer, 260);
    if (n != 0) name.assign(buffer, n);
  }
  CloseHandle(process);
  return name;
}

Host FindHost(const std::wstring& wanted) {
  const std::wstring form_class = Wide(sentrel::kFormClass);
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, form_class.c_str(), nullptr)) != nullptr) {
    Host host;
    host.window = window;
    host.thread_id = GetWindowThreadProcessId(window, &host.process_id);
    if (host.thread_id == 0) continue;
    if (CompareStringOrdinal(ProcessModuleName(host.process_id).c_str(), -1, wanted.c_str(), -1,
                             TRUE) == CSTR_EQUAL) {
      return host;
    }
  }
  return Host{};
}

HWND FindButtonById(HWND dialog, int id) { return GetDlgItem(dialog, id); }

HWND FindButtonByText(HWND dialog, std::wstring_view text) {
  const std::wstring wanted = WithoutAmpersands(text);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (CompareStringOrdinal(ClassOf(child).c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL &&
        WithoutAmpersands(Text(child)) == wanted) {
      return child;
    }
  }
  return nullptr;
}

bool Click(HWND button) { return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0); }

RobotProbe::~RobotProbe() {
  Uninstall();
  if (m_window) DestroyWindow(m_window);
}

bool RobotProbe::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &RobotProbe::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kProbeClass;
  RegisterClassExW(&wc);  // a second probe in the process finds it registered
  m_window = CreateWindowExW(0, kProbeClass, kRobotCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 200, 100, nullptr, nullptr, wc.hInstance, this);
  return m_window != nullptr;
}

DWORD RobotProbe::Install(const Host& host) {
  Uninstall();
  const HMODULE library = RobotGetDLLModule();
  const auto proc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(library, sentrel::kHookProcExport)));
  if (proc == nullptr) return GetLastError();
  m_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, proc, library, host.thread_id);
  if (m_hook == nullptr) return GetLastError();
  PostMessageW(host.window, WM_NULL, 0, 0);
  RegisterPilotek(m_window);
  return 0;
}

void RobotProbe::Uninstall() {
  if (m_hook) UnhookWindowsHookEx(m_hook);
  m_hook = nullptr;
}

bool RobotProbe::PumpUntil(DWORD ms, const std::function<bool()>& done) {
  const ULONGLONG end = GetTickCount64() + tools::ScaledMs(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return done();
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    const ULONGLONG left = end - now;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 50 ? left : 50),
                              QS_ALLINPUT);
  }
}

LRESULT CALLBACK RobotProbe::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
        reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<RobotProbe*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr && NotificationName(message) != nullptr) {
    Notification n;
    n.message = message;
    n.wparam = wParam;
    n.lparam = lParam;
    if (message == kDialogReady || message == kValidationStarted || message == kAnswerRejected) {
      const HWND window = reinterpret_cast<HWND>(wParam);
      n.window_class = ClassOf(window);
      n.caption = Text(window);
    }
    self->m_notifications.push_back(n);
    if (self->on_notification) self->on_notification(n);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace korvex::probe
