#include "robot/win32/timeline_file.h"

#include <cstdio>

namespace korvex {

TimelineFile::TimelineFile() {
  wchar_t path[MAX_PATH];
  const DWORD chars = ::GetEnvironmentVariableW(L"KORVEX_TIMELINE", path, MAX_PATH);
  if (chars == 0 || chars >= MAX_PATH) return;
  m_file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  m_frequency = static_cast<std::uint64_t>(frequency.QuadPart);
}

TimelineFile::~TimelineFile() {
  if (m_file != INVALID_HANDLE_VALUE) ::CloseHandle(m_file);
}

std::uint64_t TimelineFile::Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<std::uint64_t>(now.QuadPart);
}

void TimelineFile::Write(const AnswerTimeline& t) {
  if (m_file == INVALID_HANDLE_VALUE) return;
  char text[512];
  const int n = std::snprintf(
      text, sizeof text,
      "timeline dialog=0x%llx snapshot=%d frequency=%llu hook-began=%llu hook-done=%llu "
      "received=%llu copied=%llu captured=%llu keyed=%llu looked-up=%llu pressed=%llu "
      "journalled=%llu waits=%d server-calls=%d recorded-reads=%d\r\n",
      static_cast<unsigned long long>(t.dialog), t.from_snapshot ? 1 : 0,
      static_cast<unsigned long long>(m_frequency), static_cast<unsigned long long>(t.hook_began),
      static_cast<unsigned long long>(t.hook_done), static_cast<unsigned long long>(t.received),
      static_cast<unsigned long long>(t.copied), static_cast<unsigned long long>(t.captured),
      static_cast<unsigned long long>(t.keyed), static_cast<unsigned long long>(t.looked_up),
      static_cast<unsigned long long>(t.pressed), static_cast<unsigned long long>(t.journalled),
      t.waits, t.server_calls, t.recorded_reads);
  if (n <= 0) return;
  DWORD written = 0;
  ::WriteFile(m_file, text, static_cast<DWORD>(n < static_cast<int>(sizeof text) ? n : sizeof text - 1),
              &written, nullptr);
}

}  // namespace korvex
