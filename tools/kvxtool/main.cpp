// The entry point of kvxtool: the command line and the console on Windows,
// plain arguments elsewhere.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kvxtool/kvxtool.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_window_system.h"

int wmain(int argc, wchar_t** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<korvex::Text> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring_view arg(argv[i]);
    args.emplace_back(arg.begin(), arg.end());
  }
  korvex::Win32Registry registry;
  korvex::Win32WindowSystem windows;
  korvex::kvxtool::Environment env;
  env.registry = &registry;
  env.windows = &windows;
  // The report of the Start menu's "Informe de validaciones": written to
  // the user's documents and opened in the default browser; a failure is
  // shown in a box, since a shortcut leaves no console to read.
  env.documents = [] {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) {
      return korvex::Text();
    }
    const std::wstring_view view(path);
    return korvex::Text(view.begin(), view.end());
  };
  env.open = [](const korvex::Text& file) {
    const std::wstring wide(file.begin(), file.end());
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  };
  env.alert = [](const std::string& message) {
    const korvex::Text text = korvex::FromUtf8(message);
    const std::wstring wide(text.begin(), text.end());
    ::MessageBoxW(nullptr, wide.c_str(), L"KORVEX", MB_OK | MB_ICONWARNING);
  };
#else
int main(int argc, char** argv) {
  std::vector<korvex::Text> args;
  for (int i = 1; i < argc; ++i) args.push_back(korvex::FromUtf8(argv[i]));
  korvex::kvxtool::Environment env;
#endif
  const int status = korvex::kvxtool::Run(args, env);
  std::fwrite(env.out.data(), 1, env.out.size(), stdout);
  std::fwrite(env.err.data(), 1, env.err.size(), stderr);
  std::fflush(stdout);
  return status;
}
