// The terminal-server sessions of processes.  On a terminal server each
// broker works in a session of his own; each session has its own robot, and
// a robot serves the tariff controls of its own session only.  The window
// system keeps sessions apart by itself (a program sees only the windows of
// its own session), TCP on the loopback address does not: the robot's port
// is one for the whole machine.
#pragma once

#include <cstdint>
#include <optional>

namespace korvex {

class SessionSystem {
 public:
  virtual ~SessionSystem() = default;
  // GetCurrentProcessId.
  virtual std::uint32_t GetCurrentProcessId() = 0;
  // ProcessIdToSessionId; no value when the process cannot be looked at.
  virtual std::optional<std::uint32_t> ProcessIdToSessionId(std::uint32_t process_id) = 0;
};

// Whether the process runs in the caller's session; false when either
// session cannot be read.
inline bool IsProcessOfCallersSession(SessionSystem& sessions, std::uint32_t process_id) {
  if (process_id == 0) return false;
  const std::optional<std::uint32_t> theirs = sessions.ProcessIdToSessionId(process_id);
  const std::optional<std::uint32_t> ours =
      sessions.ProcessIdToSessionId(sessions.GetCurrentProcessId());
  return theirs.has_value() && ours.has_value() && *theirs == *ours;
}

}  // namespace korvex
