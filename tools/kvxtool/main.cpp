// The entry point of kvxtool: the command line and the console on Windows,
// plain arguments elsewhere.
#include <cstdio>
#include <vector>

#include "tools/kvxtool/kvxtool.h"

#ifdef _WIN32
#include <windows.h>

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
