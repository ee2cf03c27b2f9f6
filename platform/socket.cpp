// What the two socket implementations share: the moves, the waits and the
// connect over the system's calls (platform/socket_system.h), the stop
// signal and the exact-length transfers.
#include "platform/socket.h"

#include "platform/socket_system.h"

namespace korvex::net {

namespace {

WaitResult Wait(const Socket& socket, bool for_writing, int timeout_ms, const StopSignal* stop) {
  if (stop != nullptr && stop->IsSet()) return WaitResult::kStopped;
  const bool with_stop = stop != nullptr && stop->Handle().IsValid();
  const NativeSocket stop_socket = with_stop ? stop->Handle().Native() : NativeSocket{};
  const system::WaitOutcome outcome =
      system::Wait(socket.Native(), for_writing, timeout_ms, with_stop ? &stop_socket : nullptr);
  if (outcome.failed) return WaitResult::kFailed;
  // A set signal wins over a ready socket.
  if (stop != nullptr && (stop->IsSet() || outcome.stop_readable)) return WaitResult::kStopped;
  // Ready, or an error that the next call on the socket reports.
  return outcome.ready ? WaitResult::kReady : WaitResult::kTimedOut;
}

}  // namespace

Socket::Socket(Socket&& other) noexcept : m_native(other.m_native), m_valid(other.m_valid) {
  other.m_valid = false;
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    m_native = other.m_native;
    m_valid = other.m_valid;
    other.m_valid = false;
  }
  return *this;
}

bool Socket::Connect(const char* address, std::uint16_t port, int timeout_ms) {
  if (!SetNonBlocking()) return false;
  switch (system::StartConnect(m_native, address, port)) {
    case system::ConnectStart::kConnected: return true;
    case system::ConnectStart::kFailed: return false;
    case system::ConnectStart::kPending: break;
  }
  const WaitResult waited = Wait(*this, true, timeout_ms, nullptr);
  if (waited != WaitResult::kReady) {
    if (waited == WaitResult::kTimedOut) system::SetTimedOutError();
    return false;
  }
  const int error = system::PendingConnectError(m_native);
  if (error < 0) return false;
  system::SetLastSocketError(error);
  return error == 0;
}

WaitResult WaitReadable(const Socket& socket, int timeout_ms, const StopSignal* stop) {
  return Wait(socket, false, timeout_ms, stop);
}

WaitResult WaitWritable(const Socket& socket, int timeout_ms, const StopSignal* stop) {
  return Wait(socket, true, timeout_ms, stop);
}

bool StopSignal::Open() {
  Socket udp = Socket::Udp();
  if (!udp.IsValid() || !udp.Bind("127.0.0.1", 0)) return false;
  const std::uint16_t port = udp.LocalPort();
  if (port == 0 || !udp.Connect("127.0.0.1", port, 1000)) return false;
  m_socket = std::move(udp);
  if (m_set.load()) Set();
  return true;
}

void StopSignal::Set() {
  m_set.store(true);
  if (m_socket.IsValid()) {
    const char byte = 1;
    m_socket.Send(&byte, 1);
  }
}

namespace {

// The next wait: wait_ms (negative: none), cut to what is left before the
// deadline.  False when the deadline has passed.
bool NextWait(int wait_ms, Deadline deadline, int* wait) {
  *wait = wait_ms;
  if (deadline == kNoDeadline) return true;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
  if (left <= 0) return false;
  if (wait_ms < 0 || left < wait_ms) *wait = static_cast<int>(left);
  return true;
}

}  // namespace

bool ReadExactly(Socket& socket, void* destination, int length, int wait_ms,
                 const StopSignal* stop, Deadline deadline) {
  auto* out = static_cast<char*>(destination);
  int done = 0;
  while (done < length) {
    if (stop != nullptr && stop->IsSet()) return false;
    // What has arrived is taken at once; the wait is for what has not.
    const int got = socket.Receive(out + done, length - done);
    if (got == Socket::kWouldBlock) {
      int wait = 0;
      if (!NextWait(wait_ms, deadline, &wait)) return false;
      if (WaitReadable(socket, wait, stop) != WaitResult::kReady) return false;
      continue;
    }
    if (got <= 0) return false;  // closed by the peer, or failed
    done += got;
  }
  return true;
}

bool WriteAll(Socket& socket, const void* source, int length, int wait_ms,
              const StopSignal* stop, Deadline deadline) {
  const auto* in = static_cast<const char*>(source);
  int done = 0;
  while (done < length) {
    if (stop != nullptr && stop->IsSet()) return false;
    const int sent = socket.Send(in + done, length - done);
    if (sent == Socket::kWouldBlock) {
      int wait = 0;
      if (!NextWait(wait_ms, deadline, &wait)) return false;
      if (WaitWritable(socket, wait, stop) != WaitResult::kReady) return false;
      continue;
    }
    if (sent <= 0) return false;
    done += sent;
  }
  return true;
}

}  // namespace korvex::net
