// Sentrel.dll keeps one robot per terminal-server session: the hook inside a
// host posts to the robot that registered first in the host's session, and
// another program that loads the library and registers a window of its own
// takes nothing away from it.  This test plays the robot against Dossa.exe
// (next to this program) and starts itself again as that other program
// ("--register-window").  A second session cannot be made under Wine; the
// record lives in the session's own namespace, which the other sessions of a
// terminal server do not see.
//
// It also checks the library's exports under the decorated names of the
// functions' signatures, which programs built against the library's
// interface import.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sentrel/win32/sentrel.h"
#include "tools/robot_probe/probe.h"

namespace korvex::probe {
namespace {

std::wstring ThisProgram() {
  wchar_t buffer[MAX_PATH];
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return buffer;
}

std::wstring ThisDirectory() {
  const std::wstring path = ThisProgram();
  return path.substr(0, path.find_last_of(L"\\/"));
}

// Starts a program; its process handle, or null.
HANDLE Start(std::wstring command) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return nullptr;
  }
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// The exit code, or -1 when the process had to be ended after ms.
int Wait(HANDLE process, DWORD ms) {
  DWORD code = 0;
  if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) {
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    code = static_cast<DWORD>(-1);
  } else {
    GetExitCodeProcess(process, &code);
  }
  CloseHandle(process);
  return static_cast<int>(code);
}

std::string ReadFileText(const std::wstring& path) {
  std::string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  return text;
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(file);
  return ok;
}

constexpr wchar_t kRegisteredEvent[] = L"Local\\KORVEX.SessionTest.Registered";

// The other program: loads the library (this program imports it), registers
// a window of its own and destroys it.  With stay, it then keeps running (and
// so keeps the session's record, if it made it) until it is ended; otherwise
// it ends at once.  Exit code 0 once registered.
int RegisterAnotherWindow(bool stay) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"Otro programa", 0, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return 1;
  RegisterPilotek(window);
  DestroyWindow(window);
  if (!stay) return 0;
  if (const HANDLE registered = OpenEventW(EVENT_MODIFY_STATE, FALSE, kRegisteredEvent)) {
    SetEvent(registered);
    CloseHandle(registered);
  }
  Sleep(INFINITE);
  return 0;
}

// Dossa.exe with a script, its report in a folder of its own.
struct HostRun {
  std::wstring report;
  HANDLE process = nullptr;
};

HostRun StartHost(const std::string& script_text) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int runs = 0;
  const std::wstring folder = std::wstring(temp) + L"korvex-session-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++runs);
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring script = folder + L"\\run.dossa";
  HostRun run;
  run.report = folder + L"\\report.txt";
  if (!WriteFileText(script, script_text)) return run;
  run.process = Start(L"\"" + ThisDirectory() + L"\\Dossa.exe\" --script \"" + script +
                      L"\" --report \"" + run.report + L"\" --max-seconds 90");
  return run;
}

// Answers the host's boxes with "Sí" until the validation window closes;
// the notifications the robot received.
std::vector<UINT> AnswerUntilTheEnd(RobotProbe& robot, bool* saw_end) {
  bool ended = false;
  std::vector<UINT> seen;
  robot.on_notification = [&](const Notification& n) {
    seen.push_back(n.message);
    if (n.message == kDialogReady) Click(FindButtonById(reinterpret_cast<HWND>(n.wparam), IDYES));
    if (n.message == kValidationEnded) ended = true;
  };
  *saw_end = robot.PumpUntil(30000, [&] { return ended; });
  for (UINT message : seen) std::printf("robot got %s\n", NotificationName(message));
  return seen;
}

constexpr char kOneBox[] =
    "open\n"
    "item 7\n"
    "msgbox caption=\"Mensaje al declarante\" text=\"¿Seguimos?\" icon=question buttons=yesno\n"
    "run\n"
    "close\n";

TEST(HookSessionWineTest, AnotherProgramThatRegistersTakesNoNotificationAwayFromTheRobot) {
  // The pause gives the other program the time to register before the host
  // opens its validation window.
  HostRun host = StartHost(std::string("timeout 20000\nwait-hook timeout=30000\npause 5000\n") +
                           kOneBox);
  ASSERT_NE(host.process, nullptr);

  RobotProbe robot;
  ASSERT_TRUE(robot.Create());
  Host found;
  ASSERT_TRUE(robot.PumpUntil(30000, [&] { return bool(found = FindHost()); }));
  ASSERT_EQ(robot.Install(found), 0u);

  // Another program of the session registers its window after the robot.
  const ULONGLONG before = GetTickCount64();
  const HANDLE other = Start(L"\"" + ThisProgram() + L"\" --register-window");
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(Wait(other, 10000), 0) << "the other program could not register";
  const ULONGLONG took = GetTickCount64() - before;
  std::printf("the other program registered its window after %llu ms\n", took);
  ASSERT_LT(took, 4000u) << "too slow to come before the host's validation window";

  bool saw_end = false;
  const std::vector<UINT> seen = AnswerUntilTheEnd(robot, &saw_end);
  const int exit_code = Wait(host.process, 30000);
  const std::string lines = ReadFileText(host.report);
  std::printf("--- host report\n%s", lines.c_str());

  EXPECT_TRUE(saw_end) << "the robot lost the host's notifications";
  EXPECT_EQ(exit_code, 0);
  EXPECT_NE(std::find(seen.begin(), seen.end(), kValidationStarted), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), kDialogReady), seen.end());
  // The robot, not a timeout, answered the host's box.
  EXPECT_NE(lines.find("ended item=7 n=1 kind=msgbox"), std::string::npos);
  EXPECT_NE(lines.find("result=6 button=\"Yes\""), std::string::npos);
}

TEST(HookSessionWineTest, ARecordWhoseWindowIsGoneIsTakenOverByTheNextRobot) {
  // A program registered first and is still running, but its window is gone
  // (a robot that lost its window): the session's record is still there,
  // and the robot that registers next takes it over.  Both are processes of
  // their own, as this one may be its session's robot already; the robot is
  // robot_probe.exe, which answers the box with "Sí" (6).
  const HANDLE registered = CreateEventW(nullptr, TRUE, FALSE, kRegisteredEvent);
  ASSERT_NE(registered, nullptr);
  const HANDLE other = Start(L"\"" + ThisProgram() + L"\" --register-window --stay");
  ASSERT_NE(other, nullptr);
  const bool other_registered = WaitForSingleObject(registered, 10000) == WAIT_OBJECT_0;
  CloseHandle(registered);
  ASSERT_TRUE(other_registered);

  HostRun host = StartHost(std::string("timeout 20000\nwait-hook timeout=30000\n") + kOneBox);
  ASSERT_NE(host.process, nullptr);
  const HANDLE robot = Start(L"\"" + ThisDirectory() +
                             L"\\robot_probe.exe\" --wait-host 30 --seconds 40 --until-ended "
                             L"--answer id:6");
  ASSERT_NE(robot, nullptr);
  const int robot_exit = Wait(robot, 60000);
  Wait(other, 0);  // ends it
  EXPECT_EQ(Wait(host.process, 30000), 0);
  const std::string lines = ReadFileText(host.report);
  std::printf("--- host report\n%s", lines.c_str());
  EXPECT_EQ(robot_exit, 0) << "the record left behind kept the robot from the host's "
                              "notifications (robot_probe.exe: 4 when no 0x8002 came)";
  EXPECT_NE(lines.find("result=6 button=\"Yes\""), std::string::npos);
}

TEST(HookSessionWineTest, TheFirstTwoExportsAreFoundUnderTheDecoratedNamesOfTheirSignatures) {
  const HMODULE library = GetModuleHandleW(L"Sentrel.dll");
  ASSERT_NE(library, nullptr);
#ifdef _WIN64
  const char* register_name = "?RegisterPilotek@@YAXPEAUHWND__@@@Z";
  const char* module_name = "?RobotGetDLLModule@@YAPEAUHINSTANCE__@@XZ";
#else
  const char* register_name = "?RegisterPilotek@@YAXPAUHWND__@@@Z";
  const char* module_name = "?RobotGetDLLModule@@YAPAUHINSTANCE__@@XZ";
#endif
  const FARPROC decorated_register = GetProcAddress(library, register_name);
  const FARPROC decorated_module = GetProcAddress(library, module_name);
  ASSERT_NE(decorated_register, nullptr);
  ASSERT_NE(decorated_module, nullptr);
  EXPECT_EQ(decorated_register, GetProcAddress(library, "RegisterPilotek"));
  EXPECT_EQ(decorated_module, GetProcAddress(library, "RobotGetDLLModule"));
  // A program of the library's interface calls it by that name.
  using ModuleFn = HMODULE (*)();
  EXPECT_EQ(reinterpret_cast<ModuleFn>(reinterpret_cast<void*>(decorated_module))(), library);
}

}  // namespace
}  // namespace korvex::probe

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--register-window") == 0) {
    return korvex::probe::RegisterAnotherWindow(argc > 2 && std::strcmp(argv[2], "--stay") == 0);
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
