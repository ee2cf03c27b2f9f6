#include "platform/win32/win32_session_system.h"

#include <windows.h>

namespace korvex {

std::uint32_t Win32SessionSystem::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

std::optional<std::uint32_t> Win32SessionSystem::ProcessIdToSessionId(std::uint32_t process_id) {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(process_id, &session)) return std::nullopt;
  return session;
}

}  // namespace korvex
