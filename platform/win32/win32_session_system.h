// The session port over Kernel32: GetCurrentProcessId and
// ProcessIdToSessionId.  Free of <windows.h>, like the other adapters'
// headers.
#pragma once

#include "platform/session_system.h"

namespace korvex {

class Win32SessionSystem final : public SessionSystem {
 public:
  std::uint32_t GetCurrentProcessId() override;
  std::optional<std::uint32_t> ProcessIdToSessionId(std::uint32_t process_id) override;
};

}  // namespace korvex
