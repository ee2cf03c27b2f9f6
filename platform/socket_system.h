// What the socket wrapper asks of the system, one function per call that
// differs between BSD sockets and Windows Sockets; platform/socket.cpp builds
// the wrapper's waits, connect and transfers on them once.  Implemented by
// platform/posix/posix_socket.cpp and platform/win32/win32_socket.cpp.
#pragma once

#include <cstdint>

#include "platform/socket.h"

namespace korvex::net::system {

// One wait (poll or select) until the socket is readable, or writable (a
// pending connect has ended), or stop (when given) is readable, or
// timeout_ms has passed (negative: no time-out).
struct WaitOutcome {
  bool failed = false;
  bool ready = false;          // the socket, or the stop socket, is ready
  bool stop_readable = false;  // the stop socket is readable
};
WaitOutcome Wait(NativeSocket socket, bool for_writing, int timeout_ms, const NativeSocket* stop);

enum class ConnectStart { kConnected, kPending, kFailed };
// connect() on a non-blocking socket.
ConnectStart StartConnect(NativeSocket socket, const char* address, std::uint16_t port);
// The outcome of a pending connect that has ended (SO_ERROR): 0 when it was
// made; -1 when it cannot be read.
int PendingConnectError(NativeSocket socket);
// Sets the error LastSocketError() reports: the given one, or "timed out".
void SetLastSocketError(int error);
void SetTimedOutError();

}  // namespace korvex::net::system
