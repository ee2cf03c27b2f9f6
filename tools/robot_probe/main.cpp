// robot_probe.exe: plays the robot's side of the hook against a running host.
//
//   robot_probe.exe [--host NAME] [--wait-host SECONDS] [--seconds SECONDS]
//                   [--until-ended] [--answer RULE]...
//
// Waits for the host (default Dossa.exe) as the robot's watcher finds it,
// installs Sentrel.dll's hook on its user-interface thread, registers its
// window "PILOTEK_MAIN_FRAME" and prints every notification it receives, one
// line each, as it arrives.  Each notification that names a window
// (0x8000 and 0x8003) takes the next --answer rule, if any:
//
//   none          leave the window alone
//   id:N          BM_CLICK on the button with control id N
//   text:T        BM_CLICK on the button reading T ('&' ignored)
//   dialog:ACTION the action on the dialog of the last 0x8000 instead
//   A;B           both actions, in order
//
// With --until-ended the probe stops after 0x8002; it always stops after
// --seconds (default 120).  Exit codes: 0 done, 1 no host found, 2 bad
// arguments, 3 the hook could not be installed, 4 time ran out before 0x8002.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <deque>
#include <string>

#include "tools/robot_probe/probe.h"

namespace {

using korvex::probe::Notification;

void Print(const std::wstring& line) {
  const std::wstring text = line + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
            &written, nullptr);
}

std::wstring Hex(ULONG_PTR value) {
  wchar_t buffer[32];
  swprintf(buffer, 32, L"0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    if (c == L'\n') {
      out += L"\\n";
      continue;
    }
    out += c;
  }
  return out + L"\"";
}

// Carries out one answer rule for a notification.
void Answer(const std::wstring& rule, HWND window, HWND last_dialog) {
  std::size_t start = 0;
  while (start <= rule.size()) {
    std::size_t end = rule.find(L';', start);
    if (end == std::wstring::npos) end = rule.size();
    std::wstring action = rule.substr(start, end - start);
    start = end + 1;
    HWND target = window;
    if (action.rfind(L"dialog:", 0) == 0) {
      target = last_dialog;
      action.erase(0, 7);
    }
    HWND button = nullptr;
    if (action == L"none" || action.empty()) {
      continue;
    } else if (action.rfind(L"id:", 0) == 0) {
      button = korvex::probe::FindButtonById(target, _wtoi(action.c_str() + 3));
    } else if (action.rfind(L"text:", 0) == 0) {
      button = korvex::probe::FindButtonByText(target, action.substr(5));
    }
    const bool posted = korvex::probe::Click(button);
    Print(L"answer action=" + Quoted(action) + L" window=" + Hex(reinterpret_cast<ULONG_PTR>(target)) +
          L" button=" + Hex(reinterpret_cast<ULONG_PTR>(button)) + L" clicked=" +
          (posted ? L"1" : L"0"));
  }
}

int Run() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring host_name = korvex::probe::Wide(korvex::sentrel::kHostModule);
  DWORD wait_host_s = 30;
  DWORD seconds = 120;
  bool until_ended = false;
  std::deque<std::wstring> answers;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--host" && has_value) {
      host_name = argv[++i];
    } else if (arg == L"--wait-host" && has_value) {
      wait_host_s = static_cast<DWORD>(_wtoi(argv[++i]));
    } else if (arg == L"--seconds" && has_value) {
      seconds = static_cast<DWORD>(_wtoi(argv[++i]));
    } else if (arg == L"--answer" && has_value) {
      answers.emplace_back(argv[++i]);
    } else if (arg == L"--until-ended") {
      until_ended = true;
    } else {
      Print(L"error usage: robot_probe.exe [--host NAME] [--wait-host S] [--seconds S] "
            L"[--until-ended] [--answer RULE]...");
      return 2;
    }
  }
  LocalFree(argv);

  korvex::probe::RobotProbe probe;
  if (!probe.Create()) {
    Print(L"error the probe window could not be created");
    return 3;
  }
  Print(L"probe window=" + Hex(reinterpret_cast<ULONG_PTR>(probe.window())));

  korvex::probe::Host host;
  probe.PumpUntil(wait_host_s * 1000, [&] { return bool(host = korvex::probe::FindHost(host_name)); });
  if (!host) {
    Print(L"error no host " + Quoted(host_name) + L" found");
    return 1;
  }
  Print(L"host window=" + Hex(reinterpret_cast<ULONG_PTR>(host.window)) + L" thread=" +
        std::to_wstring(host.thread_id) + L" process=" + std::to_wstring(host.process_id));
  if (const DWORD error = probe.Install(host); error != 0) {
    Print(L"error the hook could not be installed: " + std::to_wstring(error));
    return 3;
  }
  Print(L"hooked");

  bool ended = false;
  HWND last_dialog = nullptr;
  probe.on_notification = [&](const Notification& n) {
    Print(L"notify name=" + std::wstring(korvex::probe::NotificationName(n.message),
                                         korvex::probe::NotificationName(n.message) +
                                             strlen(korvex::probe::NotificationName(n.message))) +
          L" message=" + Hex(n.message) + L" wparam=" + Hex(n.wparam) + L" lparam=" +
          Hex(static_cast<ULONG_PTR>(n.lparam)) + L" class=" + Quoted(n.window_class) +
          L" caption=" + Quoted(n.caption));
    if (n.message == korvex::probe::kValidationEnded) ended = true;
    if (n.message == korvex::probe::kDialogReady) last_dialog = reinterpret_cast<HWND>(n.wparam);
    if ((n.message == korvex::probe::kDialogReady || n.message == korvex::probe::kAnswerRejected) &&
        !answers.empty()) {
      const std::wstring rule = answers.front();
      answers.pop_front();
      Answer(rule, reinterpret_cast<HWND>(n.wparam), last_dialog);
    }
  };
  const bool done = probe.PumpUntil(seconds * 1000, [&] { return until_ended && ended; });
  Print(L"probe ended notifications=" + std::to_wstring(probe.notifications().size()));
  return until_ended && !done ? 4 : 0;
}

}  // namespace

int main() { return Run(); }
