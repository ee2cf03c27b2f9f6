// What the two socket implementations share: the stop signal and the
// exact-length transfers.
#include "platform/socket.h"

namespace korvex::net {

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

bool ReadExactly(Socket& socket, void* destination, int length, int wait_ms,
                 const StopSignal* stop) {
  auto* out = static_cast<char*>(destination);
  int done = 0;
  while (done < length) {
    if (stop != nullptr && stop->IsSet()) return false;
    // What has arrived is taken at once; the wait is for what has not.
    const int got = socket.Receive(out + done, length - done);
    if (got == Socket::kWouldBlock) {
      if (WaitReadable(socket, wait_ms, stop) != WaitResult::kReady) return false;
      continue;
    }
    if (got <= 0) return false;  // closed by the peer, or failed
    done += got;
  }
  return true;
}

bool WriteAll(Socket& socket, const void* source, int length, int wait_ms,
              const StopSignal* stop) {
  const auto* in = static_cast<const char*>(source);
  int done = 0;
  while (done < length) {
    if (stop != nullptr && stop->IsSet()) return false;
    const int sent = socket.Send(in + done, length - done);
    if (sent == Socket::kWouldBlock) {
      if (WaitWritable(socket, wait_ms, stop) != WaitResult::kReady) return false;
      continue;
    }
    if (sent <= 0) return false;
    done += sent;
  }
  return true;
}

}  // namespace korvex::net
