// Linked into every test program that runs under Wine: stdout and stderr
// are unbuffered from the start, so whatever a test printed before a crash
// reaches the log, and a crash ends the process instead of opening an error
// box that nobody can close.
#include <windows.h>

#include <cstdio>

namespace {

const bool kConfigured = [] {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  return true;
}();

}  // namespace
