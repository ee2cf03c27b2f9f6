// The socket wrapper over BSD sockets (Linux): poll() for the waits, so no
// descriptor number is too large to wait on.
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/socket.h"
#include "platform/socket_system.h"

namespace korvex::net {

namespace {

bool IsWouldBlock(int error) {
  return error == EWOULDBLOCK || error == EAGAIN || error == EINPROGRESS;
}

sockaddr_in MakeAddress(const char* address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = inet_addr(address);
  return a;
}

}  // namespace

bool InitializeSockets() { return true; }

int LastSocketError() { return errno; }

Socket Socket::Tcp() {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  return s < 0 ? Socket() : Socket(s);
}

Socket Socket::Udp() {
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  return s < 0 ? Socket() : Socket(s);
}

bool Socket::SetExclusiveAddressUse() {
  const int on = 1;
  return ::setsockopt(m_native, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

bool Socket::SetNonBlocking() {
  const int flags = ::fcntl(m_native, F_GETFL, 0);
  return flags >= 0 && ::fcntl(m_native, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool Socket::Bind(const char* address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  return ::bind(m_native, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool Socket::Listen(int backlog) { return ::listen(m_native, backlog) == 0; }

std::uint16_t Socket::LocalPort() const {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (::getsockname(m_native, reinterpret_cast<sockaddr*>(&a), &size) != 0) return 0;
  return ntohs(a.sin_port);
}

std::optional<Endpoint> Socket::LocalEndpoint() const {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (::getsockname(m_native, reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
      a.sin_family != AF_INET) {
    return std::nullopt;
  }
  return Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
}

std::optional<Endpoint> Socket::PeerEndpoint() const {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (::getpeername(m_native, reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
      a.sin_family != AF_INET) {
    return std::nullopt;
  }
  return Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
}

Socket Socket::Accept() {
  for (;;) {
    const int s = ::accept4(m_native, nullptr, nullptr, SOCK_CLOEXEC);
    if (s >= 0) return Socket(s);
    if (errno != EINTR) return Socket();
  }
}

int Socket::Send(const void* data, int length) {
  for (;;) {
    const ssize_t n = ::send(m_native, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    return IsWouldBlock(errno) ? kWouldBlock : kFailed;
  }
}

int Socket::Receive(void* data, int length) {
  for (;;) {
    const ssize_t n = ::recv(m_native, data, static_cast<std::size_t>(length), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    return IsWouldBlock(errno) ? kWouldBlock : kFailed;
  }
}

void Socket::Shutdown() {
  if (m_valid) ::shutdown(m_native, SHUT_RDWR);
}

bool Socket::SetAbortiveClose() {
  const linger abortive{1, 0};
  return ::setsockopt(m_native, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive) == 0;
}

void Socket::Close() {
  if (m_valid) {
    ::close(m_native);
    m_valid = false;
  }
}

namespace system {

WaitOutcome Wait(NativeSocket socket, bool for_writing, int timeout_ms, const NativeSocket* stop) {
  pollfd fds[2]{};
  fds[0].fd = socket;
  fds[0].events = for_writing ? POLLOUT : POLLIN;
  nfds_t count = 1;
  if (stop != nullptr) {
    fds[1].fd = *stop;
    fds[1].events = POLLIN;
    count = 2;
  }
  for (;;) {
    const int n = ::poll(fds, count, timeout_ms < 0 ? -1 : timeout_ms);
    if (n < 0 && errno == EINTR) continue;  // a signal: the wait starts again
    if (n < 0) return {.failed = true};
    return {.ready = n > 0, .stop_readable = count == 2 && fds[1].revents != 0};
  }
}

ConnectStart StartConnect(NativeSocket socket, const char* address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
    return ConnectStart::kConnected;
  }
  return IsWouldBlock(errno) ? ConnectStart::kPending : ConnectStart::kFailed;
}

int PendingConnectError(NativeSocket socket) {
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return -1;
  return error;
}

void SetLastSocketError(int error) { errno = error; }
void SetTimedOutError() { errno = ETIMEDOUT; }

}  // namespace system

}  // namespace korvex::net
