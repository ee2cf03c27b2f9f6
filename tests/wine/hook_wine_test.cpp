// Sentrel.dll in a real host process: this test plays the robot (or starts
// robot_probe.exe to play it in a process of its own), starts the
// simulated host Dossa.exe (next to this program) with a script, installs the
// hook on the host's thread, answers what the host shows and compares the
// notifications it receives with what the host reports it did; and reads
// every kind of dialog the host shows both from the hook's snapshot and live.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/counting_window_system.h"
#include "platform/recorded_window_system.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_window_system.h"
#include "robot/capture/capture.h"
#include "robot/capture/dialog_snapshot_reader.h"
#include "robot/capture/recognition_error.h"
#include "robot/key/window_key.h"
#include "robot/win32/dialog_snapshot_buffer.h"
#include "sentrel/host_windows.h"
#include "tools/common/time_scale.h"
#include "tools/robot_probe/probe.h"

namespace korvex::probe {
namespace {

std::wstring Directory(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

std::wstring ThisDirectory() {
  wchar_t buffer[MAX_PATH];
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return Directory(buffer);
}

bool WriteUtf8(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(file);
  return ok;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The host's report line that begins with prefix (words and fields, e.g.
// "ended item=7 n=1"), or an empty text.
std::string ReportLine(const std::vector<std::string>& report, const std::string& prefix) {
  for (const std::string& line : report) {
    if (line.rfind(prefix + " ", 0) == 0 || line == prefix) return line;
  }
  return {};
}

// The value of key=value in a report line, quotes removed (texts in these
// tests carry no escapes).
std::string Value(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return "<none>";
  std::size_t start = at + key.size() + 2;
  if (start < line.size() && line[start] == '"') {
    const std::size_t end = line.find('"', start + 1);
    return line.substr(start + 1, end - start - 1);
  }
  return line.substr(start, line.find(' ', start) - start);
}

std::string HexOf(ULONG_PTR value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

std::string Utf8(const std::wstring& text) {
  std::string out(static_cast<std::size_t>(WideCharToMultiByte(
                      CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                      nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                      static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

// A "ThunderRT6FormDC" window of this process: the robot must pass it over,
// since its process is not Dossa.exe.
class Decoy {
 public:
  Decoy() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ThunderRT6FormDC";
    RegisterClassExW(&wc);
    m_window = CreateWindowExW(0, L"ThunderRT6FormDC", L"Otro programa", WS_OVERLAPPEDWINDOW, 0, 0,
                               100, 100, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~Decoy() {
    if (m_window) DestroyWindow(m_window);
  }
  HWND window() const { return m_window; }

 private:
  HWND m_window = nullptr;
};

// Dossa.exe started with a script and a report file in a folder of its own.
class HostProcess {
 public:
  bool Start(const std::string& script) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_folder = std::wstring(temp) + L"korvex-hook-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_folder.c_str(), nullptr);
    const std::wstring script_path = m_folder + L"\\run.dossa";
    m_report = m_folder + L"\\report.txt";
    DeleteFileW(m_report.c_str());
    if (!WriteUtf8(script_path, script)) return false;
    std::wstring command = L"\"" + ThisDirectory() + L"\\Dossa.exe\" --script \"" + script_path +
                           L"\" --report \"" + m_report + L"\" --max-seconds 90";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &m_process)) {
      return false;
    }
    CloseHandle(m_process.hThread);
    return true;
  }

  // Waits for the program to end; returns its exit code, or -1 when it had
  // to be stopped.
  int Wait(DWORD ms) {
    if (WaitForSingleObject(m_process.hProcess, ms) != WAIT_OBJECT_0) {
      TerminateProcess(m_process.hProcess, 99);
      WaitForSingleObject(m_process.hProcess, 5000);
      return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(m_process.hProcess, &code);
    return static_cast<int>(code);
  }

  ~HostProcess() {
    if (m_process.hProcess) {
      Wait(0);
      CloseHandle(m_process.hProcess);
    }
  }

  std::vector<std::string> Report() const { return ReadLines(m_report); }
  DWORD process_id() const { return m_process.dwProcessId; }

 private:
  std::wstring m_folder;
  std::wstring m_report;
  PROCESS_INFORMATION m_process{};
};

void Print(const std::vector<Notification>& notifications, const std::vector<std::string>& report) {
  std::printf("--- notifications\n");
  for (const Notification& n : notifications) {
    std::printf("%s wparam=%s lparam=%s class=\"%s\" caption=\"%s\"\n",
                NotificationName(n.message), HexOf(n.wparam).c_str(),
                HexOf(static_cast<ULONG_PTR>(n.lparam)).c_str(), Utf8(n.window_class).c_str(),
                Utf8(n.caption).c_str());
  }
  std::printf("--- host report\n");
  for (const std::string& line : report) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

TEST(HookWineTest, TheHostsValidationRunReachesTheRobotWindowAndTheRobotAnswers) {
  const Decoy decoy;
  ASSERT_NE(decoy.window(), nullptr);

  HostProcess host;
  ASSERT_TRUE(host.Start(
      "timeout 20000\n"
      "wait-hook timeout=30000\n"
      "open\n"
      "item 7\n"
      "msgbox caption=\"Mensaje al declarante\" text=\"¿El item tiene certificado de origen?\" "
      "icon=question buttons=yesno\n"
      "item 8\n"
      "input prompt=\"Ingrese por favor el valor de MARCA :\"\n"
      "popup after=300 caption=\"Error\" text=\"Dato inválido\" icon=error\n"
      "run\n"
      "close\n"));

  RobotProbe robot;
  ASSERT_TRUE(robot.Create());
  Host found;
  ASSERT_TRUE(robot.PumpUntil(30000, [&] { return bool(found = FindHost()); }))
      << "Dossa.exe's main window did not appear";
  EXPECT_EQ(found.process_id, host.process_id());
  ASSERT_EQ(robot.Install(found), 0u);

  // The robot answers the message box with "No" as soon as it is ready; the
  // popup over the data-input dialog is acknowledged and the dialog ended.
  HWND last_dialog = nullptr;
  bool ended = false;
  robot.on_notification = [&](const Notification& n) {
    const HWND window = reinterpret_cast<HWND>(n.wparam);
    if (n.message == kDialogReady) {
      last_dialog = window;
      if (n.caption == L"Mensaje al declarante") Click(FindButtonById(window, IDNO));
    } else if (n.message == kAnswerRejected) {
      Click(FindButtonById(window, IDOK));
      Click(FindButtonById(last_dialog, IDCANCEL));
    } else if (n.message == kValidationEnded) {
      ended = true;
    }
  };
  const bool saw_end = robot.PumpUntil(60000, [&] { return ended; });
  const int exit_code = host.Wait(tools::ScaledMs(30000));
  const std::vector<std::string> report = host.Report();
  const std::vector<Notification>& got = robot.notifications();
  Print(got, report);
  ASSERT_TRUE(saw_end) << "no RM_VALIDATION_ENDED";
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(ReportLine(report, "hook loaded").empty(), false) << "the host never saw the hook";

  const std::string validation = Value(ReportLine(report, "validation opened"), "hwnd");
  const std::string box_line = ReportLine(report, "ended item=7 n=1");
  const std::string popup_line = ReportLine(report, "popup-ended item=8 n=1");
  const std::string input_line = ReportLine(report, "ended item=8 n=1");

  // What the host did, as the robot made it happen.
  EXPECT_EQ(Value(box_line, "kind"), "msgbox");
  EXPECT_EQ(Value(box_line, "result"), "7");
  EXPECT_EQ(Value(box_line, "button"), "No");
  EXPECT_EQ(Value(popup_line, "result"), "1");
  EXPECT_EQ(Value(input_line, "kind"), "input");
  EXPECT_EQ(Value(input_line, "button"), "Terminar el tratamiento");

  // What the hook posted: the validation window, its button shown at
  // creation, hidden for the run, each dialog once it was ready, the popup
  // over the tracked dialog, the button shown again, the end.
  struct Expected {
    UINT message;
    std::string wparam;
    std::string lparam;
    std::wstring caption;
  };
  const std::vector<Expected> expected = {
      {kValidationStarted, validation, "0x0", L"Validación Total de Items"},
      {kValidateButton, "0x0", "0x0", L""},
      {kValidateButton, "0x1", "0x0", L""},
      {kDialogReady, Value(box_line, "hwnd"), "0x0", L"Mensaje al declarante"},
      {kDialogReady, Value(input_line, "hwnd"), "0x0", L"Ingreso de dato complementario"},
      {kAnswerRejected, Value(popup_line, "hwnd"), validation, L"Error"},
      {kValidateButton, "0x0", "0x0", L""},
      {kValidationEnded, "0x0", "0x0", L""},
  };
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("notification " + std::to_string(i));
    EXPECT_EQ(got[i].message, expected[i].message);
    EXPECT_EQ(HexOf(got[i].wparam), expected[i].wparam);
    EXPECT_EQ(HexOf(static_cast<ULONG_PTR>(got[i].lparam)), expected[i].lparam);
    EXPECT_EQ(Utf8(got[i].caption), Utf8(expected[i].caption));
    if (got[i].message == kDialogReady || got[i].message == kAnswerRejected) {
      EXPECT_EQ(got[i].window_class, L"#32770");
    }
  }
}

// A robot that disabled a host dialog (its modal copy is owned by it) and
// is killed before enabling it again: the hook's watcher inside the host
// enables the dialog, which the user then answers on the host.  The robot
// is robot_probe.exe in a process of its own, disabling the dialog as soon
// as the hook reports it ready.
TEST(HookWineTest, ADialogDisabledByARobotThatIsKilledTakesClicksAgain) {
  HostProcess host;
  ASSERT_TRUE(host.Start(
      "timeout 30000\n"
      "wait-hook timeout=30000\n"
      "open\n"
      "item 9\n"
      "msgbox caption=\"Confirmación\" text=\"¿Liquidar los tributos del item?\" "
      "icon=question buttons=yesno\n"
      "run\n"
      "close\n"));
  std::wstring command = L"\"" + ThisDirectory() +
                         L"\\robot_probe.exe\" --seconds 60 --answer disable";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION robot{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &robot));
  CloseHandle(robot.hThread);

  // The host's question, once the robot has disabled it.
  HWND question = nullptr;
  const auto wait_for = [](DWORD ms, const auto& done) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
      if (done()) return true;
      Sleep(20);
    }
    return done();
  };
  const bool disabled = wait_for(30000, [&] {
    question = FindWindowW(L"#32770", L"Confirmación");
    return question != nullptr && !IsWindowEnabled(question);
  });
  TerminateProcess(robot.hProcess, 9);
  WaitForSingleObject(robot.hProcess, 10000);
  CloseHandle(robot.hProcess);
  ASSERT_TRUE(disabled) << "the robot did not disable the host's question";

  const bool enabled = wait_for(5000, [&] { return IsWindowEnabled(question) != FALSE; });
  EXPECT_TRUE(enabled) << "the host's question stayed disabled after the robot was killed";
  if (enabled) Click(FindButtonById(question, IDNO));
  const int exit_code = host.Wait(40000);
  const std::vector<std::string> report = host.Report();
  Print({}, report);
  EXPECT_EQ(exit_code, 0);
  const std::string box_line = ReportLine(report, "ended item=9 n=1");
  EXPECT_EQ(Value(box_line, "result"), "7") << box_line;
}

// What one reading of a dialog gave: its key or the capture's failure, and
// the progress frames' captions as the watcher reads them.
using win32::FromHwnd;

struct Reading {
  std::u16string key;
  std::int32_t code = 0;
  std::vector<std::u16string> frames;
  bool operator==(const Reading& other) const {
    return key == other.key && code == other.code && frames == other.frames;
  }
};

Reading Read(WindowSystem& ws, HWND dialog, HWND validation) {
  Reading reading;
  try {
    reading.key = WriteKey(*CaptureDialog(ws, FromHwnd(dialog)));
  } catch (const RecognitionError& e) {
    reading.code = e.code();
  }
  const Hwnd parent = FromHwnd(validation);
  for (Hwnd frame = ws.FindWindowExW(parent, kNoWindow, u"ThunderRT6Frame"); frame != kNoWindow;
       frame = ws.FindWindowExW(parent, frame, u"ThunderRT6Frame")) {
    reading.frames.push_back(ws.GetWindowTextW(frame, 512));
  }
  return reading;
}

TEST(HookWineTest, EveryDialogOfTheHostReadsTheSameFromTheSnapshotAsLive) {
  HostProcess host;
  // Every kind of dialog: message boxes of each icon and set of buttons, the
  // data-input dialog with and without a value typed before, the option
  // dialog with "none" offered or not and with no options.
  std::string script =
      "timeout 20000\n"
      "wait-hook timeout=30000\n"
      "open\n";
  const char* icons[] = {"none", "info", "warning", "error", "question"};
  const char* buttons[] = {"ok", "okcancel", "yesno", "yesnocancel", "retrycancel",
                           "abortretryignore"};
  int item = 0;
  for (const char* icon : icons) {
    for (const char* set : buttons) {
      script += "item " + std::to_string(++item) + " pause=0\n";
      script += std::string("msgbox caption=\"Mensaje al declarante\" text=\"¿Caja ") + icon +
                " " + set + "?\" icon=" + icon + " buttons=" + set + "\n";
    }
  }
  script += "item " + std::to_string(++item) +
            "\ninput prompt=\"Ingrese por favor el valor de MARCA :\"\n"
            "input prompt=\"Ingrese por favor el valor de BANCO :\" explanation=\"Falta | un <dato>\" "
            "text=\"escrito antes\"\n"
            "options option=\"Opción 1\" option=\"\" option=\"Opción | <> 3\" none=enabled\n"
            "options option=\"Única\" none=disabled\n"
            "options\n"
            "run\nclose\n";
  ASSERT_TRUE(host.Start(script));

  RobotProbe robot;
  ASSERT_TRUE(robot.Create());
  DialogSnapshotBuffer buffer;
  ASSERT_TRUE(buffer.Open(robot.window()));
  Host found;
  ASSERT_TRUE(robot.PumpUntil(30000, [&] { return bool(found = FindHost()); }))
      << "Dossa.exe's main window did not appear";
  ASSERT_EQ(robot.Install(found), 0u);

  Win32WindowSystem live;
  HWND validation = nullptr;
  int dialogs = 0;
  bool ended = false;
  robot.on_notification = [&](const Notification& n) {
    const HWND window = reinterpret_cast<HWND>(n.wparam);
    if (n.message == kValidationStarted) validation = window;
    if (n.message == kValidationEnded) ended = true;
    if (n.message != kDialogReady) return;
    ++dialogs;
    SCOPED_TRACE(Utf8(n.caption) + " " + HexOf(n.wparam));
    // The snapshot first: the capture of a data-input dialog clears the
    // value typed before, and both readings must see the dialog alike.
    const std::vector<unsigned char> copy = buffer.Copy();
    std::optional<DialogRecording> recording =
        ReadDialogSnapshot(copy.data(), copy.size(), FromHwnd(window));
    EXPECT_TRUE(recording.has_value()) << "no snapshot of this dialog";
    CountingWindowSystem counted(live);
    RecordedWindowSystem recorded(counted, recording.value_or(DialogRecording{}));
    if (!recording) recorded.Expire();
    const Reading from_snapshot = Read(recorded, window, validation);
    // Nothing read wakes the host; the capture of a question dialog still
    // clears its value or its selection, one send.
    const bool question = n.caption == L"Ingreso de dato complementario" ||
                          n.caption == L"Seleccion de una opcion";
    EXPECT_EQ(counted.counts().waits, question ? 1 : 0)
        << "the host was woken for what the snapshot holds";
    const Reading from_host = Read(live, window, validation);
    EXPECT_TRUE(from_snapshot == from_host)
        << "snapshot: code " << from_snapshot.code << " key " << Utf8(std::wstring(from_snapshot.key.begin(), from_snapshot.key.end()))
        << "\nlive:     code " << from_host.code << " key " << Utf8(std::wstring(from_host.key.begin(), from_host.key.end()));
    EXPECT_FALSE(from_host.frames.empty()) << "the validation window's progress frame";
    // Any button ends the dialog.
    Click(FindWindowExW(window, nullptr, L"Button", nullptr));
  };
  const bool saw_end = robot.PumpUntil(120000, [&] { return ended; });
  const int exit_code = host.Wait(tools::ScaledMs(30000));
  EXPECT_TRUE(saw_end) << "no RM_VALIDATION_ENDED";
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(dialogs, 30 + 5);
}

}  // namespace
}  // namespace korvex::probe
