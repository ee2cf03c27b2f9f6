// The time "&Cerrar" takes, as the installer sees it: from posting the
// command 57665 to the running KORVEX.exe's main frame to the end of its
// process.  Run it while the robot runs (tests/bench/robot_close_bench.sh
// starts the robot, with or without a host, before each run):
//
//   robot_close_bench.exe [--send] [--timeout MS]
//
// prints "closed in N.N ms" and exits 0, or says why it could not measure
// and exits 1 (no robot, or still running after the timeout, 20 s by
// default).  With --send the command is sent as the installer sends it
// (SendMessageTimeoutW, 5 s), and the time the send took is printed too.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kRobotCaption[] = L"PILOTEK_MAIN_FRAME";
constexpr WPARAM kCloseCommand = 57665;  // "&Cerrar"

}  // namespace

int wmain(int argc, wchar_t** argv) {
  DWORD timeout_ms = 20000;
  bool send = false;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--send") {
      send = true;
    } else if (std::wstring(argv[i]) == L"--timeout" && i + 1 < argc) {
      timeout_ms = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
    } else {
      std::fprintf(stderr, "usage: robot_close_bench.exe [--send] [--timeout MS]\n");
      return 2;
    }
  }
  const HWND frame = ::FindWindowW(nullptr, kRobotCaption);
  if (frame == nullptr) {
    std::printf("no robot window\n");
    return 1;
  }
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(frame, &process_id);
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, process_id);
  if (process == nullptr) {
    std::printf("the robot's process cannot be waited for (%lu)\n", ::GetLastError());
    return 1;
  }
  LARGE_INTEGER frequency, start, sent, end;
  ::QueryPerformanceFrequency(&frequency);
  const auto ms = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  };
  ::QueryPerformanceCounter(&start);
  if (send) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(frame, WM_COMMAND, kCloseCommand, 0, SMTO_NORMAL, 5000, &result);
    ::QueryPerformanceCounter(&sent);
    std::printf("sent in %.1f ms\n", ms(start, sent));
  } else {
    ::PostMessageW(frame, WM_COMMAND, kCloseCommand, 0);
  }
  const DWORD waited = ::WaitForSingleObject(process, timeout_ms);
  ::QueryPerformanceCounter(&end);
  ::CloseHandle(process);
  if (waited != WAIT_OBJECT_0) {
    std::printf("the robot still runs after %lu ms\n", timeout_ms);
    return 1;
  }
  std::printf("closed in %.1f ms\n", ms(start, end));
  return 0;
}
