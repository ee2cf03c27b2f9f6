// Dossa.exe: a stand-in for the customs-declaration host program, for the
// end-to-end tests and the demo.
//
// It shows what the robot and its hook look at in the real host: a main form
// of class "ThunderRT6FormDC"; the "Validación Total de Items" form (same
// class) with a "ThunderRT6Frame" progress frame captioned
// "Declaración - Validando Item: N" and the "&Validar Items" button, hidden
// while a run goes; and, while an item is validated, modal dialogs owned by
// the validation form.  A script (tools/dossa/script.h) says what to do;
// every outcome is reported (tools/dossa/report.h).
//
//   Dossa.exe [--script FILE] [--report FILE] [--stay] [--max-seconds N] [--press-own-dialogs]
//
// Without a script the program waits for a user, who opens the validation
// form from the main form and starts a run of a few demo items.
//
// The program's seams: forms.* (the windows), dialogs.* (the dialogs an item
// raises), tarifex_host.* (the tariff control on the validation form),
// app.* (the script's steps), this file (start-up).
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "tools/common/time_scale.h"
#include "tools/dossa/app.h"
#include "tools/dossa/dialogs.h"
#include "tools/dossa/forms.h"
#include "tools/dossa/report.h"
#include "tools/dossa/script.h"

namespace korvex::dossa {
namespace {

// Stops the program after a time limit whatever it is doing, so that a test
// never hangs on it.
DWORD WINAPI Watchdog(LPVOID seconds) {
  const auto limit = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(seconds));
  Sleep(tools::ScaledMs(std::uint64_t{limit} * 1000));
  Log().Begin("dossa gave-up").Field("after_s", limit).End();
  ExitProcess(3);
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 24);
  if (ok) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ok = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read,
                                    nullptr) && read == bytes.size());
  }
  CloseHandle(file);
  return ok;
}

constexpr wchar_t kUsage[] =
    L"Dossa.exe [--script FILE] [--report FILE] [--stay] [--max-seconds N] [--press-own-dialogs]";

struct Arguments {
  std::wstring script_path;
  std::wstring report_path;
  bool stay = false;
  bool press_own = false;
  unsigned long max_seconds = 0;
  bool usage_error = false;
};

Arguments ReadArguments() {
  Arguments a;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--script" && has_value) {
      a.script_path = argv[++i];
    } else if (arg == L"--report" && has_value) {
      a.report_path = argv[++i];
    } else if (arg == L"--max-seconds" && has_value) {
      a.max_seconds = wcstoul(argv[++i], nullptr, 10);
    } else if (arg == L"--stay") {
      a.stay = true;
    } else if (arg == L"--press-own-dialogs") {
      a.press_own = true;
    } else {
      a.usage_error = true;
    }
  }
  LocalFree(argv);
  return a;
}

// The script of the command line, or the demo's; false (reported) when it
// cannot be read.
bool LoadScript(const std::wstring& path, Script& script) {
  if (path.empty()) {
    script = DemoScript();
    return true;
  }
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) {
    Log().Begin("error").Field("text", L"cannot read the script " + path).End();
    return false;
  }
  try {
    script = ParseScript(bytes);
  } catch (const ScriptError& e) {
    const std::string what = e.what();
    Log().Begin("error").Field("script", path)
        .Field("text", std::wstring(what.begin(), what.end())).End();
    return false;
  }
  return true;
}

int Run() {
  const Arguments args = ReadArguments();
  if (!Log().Open(args.report_path)) {
    Log().Begin("error").Field("text", L"cannot create the report file " + args.report_path).End();
    return 2;
  }
  if (args.usage_error) {
    Log().Begin("error").Field("usage", kUsage).End();
    return 2;
  }
  Script script;
  if (!LoadScript(args.script_path, script)) return 2;

  if (args.max_seconds != 0) {
    HANDLE thread = CreateThread(nullptr, 0, Watchdog,
                                 reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(args.max_seconds)),
                                 0, nullptr);
    if (thread) CloseHandle(thread);
  }

  if (!RegisterFormClasses()) {
    Log().Begin("error").Field("text", L"cannot register the window classes").End();
    return 2;
  }
  // The forms host an ActiveX control: the thread is an OLE apartment.
  if (FAILED(OleInitialize(nullptr))) {
    Log().Begin("error").Field("text", L"cannot initialise OLE").End();
    return 2;
  }
  InstallDialogWatch(args.press_own);
  int code = 0;
  bool started = false;
  {
    App app(std::move(script), args.stay || args.script_path.empty());
    started = app.Start();
    MSG msg{};
    while (started && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (msg.message == WM_QUIT) code = static_cast<int>(msg.wParam);
  }  // the control is released before OLE ends
  RemoveDialogWatch();
  OleUninitialize();
  if (!started) return 2;
  Log().Begin("dossa ended").Field("code", code).End();
  return code;
}

}  // namespace
}  // namespace korvex::dossa

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  korvex::dossa::g_instance = instance;
  return korvex::dossa::Run();
}
