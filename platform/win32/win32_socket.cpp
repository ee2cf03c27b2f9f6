// The socket wrapper over Windows Sockets 1.1 (ws2_32): select() for the
// waits, a connect's failure read from the exception set.
#include <winsock2.h>

#include "platform/socket.h"
#include "platform/socket_system.h"

namespace korvex::net {

namespace {

SOCKET ToSocket(NativeSocket s) { return static_cast<SOCKET>(s); }

bool IsWouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

sockaddr_in MakeAddress(const char* address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = inet_addr(address);
  return a;
}

}  // namespace

bool InitializeSockets() {
  static const bool initialized = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }();
  return initialized;
}

int LastSocketError() { return ::WSAGetLastError(); }

Socket Socket::Tcp() {
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return s == INVALID_SOCKET ? Socket() : Socket(static_cast<NativeSocket>(s));
}

Socket Socket::Udp() {
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  return s == INVALID_SOCKET ? Socket() : Socket(static_cast<NativeSocket>(s));
}

bool Socket::SetExclusiveAddressUse() {
  const BOOL on = TRUE;
  return ::setsockopt(ToSocket(m_native), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                      reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

bool Socket::SetNonBlocking() {
  u_long on = 1;
  return ::ioctlsocket(ToSocket(m_native), FIONBIO, &on) == 0;
}

bool Socket::Bind(const char* address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  return ::bind(ToSocket(m_native), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool Socket::Listen(int backlog) { return ::listen(ToSocket(m_native), backlog) == 0; }

std::uint16_t Socket::LocalPort() const {
  sockaddr_in a{};
  int size = sizeof a;
  if (::getsockname(ToSocket(m_native), reinterpret_cast<sockaddr*>(&a), &size) != 0) return 0;
  return ntohs(a.sin_port);
}

std::optional<Endpoint> Socket::LocalEndpoint() const {
  sockaddr_in a{};
  int size = sizeof a;
  if (::getsockname(ToSocket(m_native), reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
      a.sin_family != AF_INET) {
    return std::nullopt;
  }
  return Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
}

std::optional<Endpoint> Socket::PeerEndpoint() const {
  sockaddr_in a{};
  int size = sizeof a;
  if (::getpeername(ToSocket(m_native), reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
      a.sin_family != AF_INET) {
    return std::nullopt;
  }
  return Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
}

Socket Socket::Accept() {
  const SOCKET s = ::accept(ToSocket(m_native), nullptr, nullptr);
  return s == INVALID_SOCKET ? Socket() : Socket(static_cast<NativeSocket>(s));
}

int Socket::Send(const void* data, int length) {
  const int n = ::send(ToSocket(m_native), static_cast<const char*>(data), length, 0);
  if (n != SOCKET_ERROR) return n;
  return IsWouldBlock(::WSAGetLastError()) ? kWouldBlock : kFailed;
}

int Socket::Receive(void* data, int length) {
  const int n = ::recv(ToSocket(m_native), static_cast<char*>(data), length, 0);
  if (n != SOCKET_ERROR) return n;
  return IsWouldBlock(::WSAGetLastError()) ? kWouldBlock : kFailed;
}

void Socket::Shutdown() {
  if (m_valid) ::shutdown(ToSocket(m_native), SD_BOTH);
}

bool Socket::SetAbortiveClose() {
  const linger abortive{1, 0};
  return ::setsockopt(ToSocket(m_native), SOL_SOCKET, SO_LINGER,
                      reinterpret_cast<const char*>(&abortive), sizeof abortive) == 0;
}

void Socket::Close() {
  if (m_valid) {
    ::closesocket(ToSocket(m_native));
    m_valid = false;
  }
}

namespace system {

WaitOutcome Wait(NativeSocket socket, bool for_writing, int timeout_ms, const NativeSocket* stop) {
  fd_set readable;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  const SOCKET s = ToSocket(socket);
  if (for_writing) {
    FD_SET(s, &writable);
    FD_SET(s, &failed);  // a connect that failed is reported here
  } else {
    FD_SET(s, &readable);
  }
  if (stop != nullptr) FD_SET(ToSocket(*stop), &readable);
  timeval limit{};
  limit.tv_sec = timeout_ms / 1000;
  limit.tv_usec = (timeout_ms % 1000) * 1000;
  const int n = ::select(0, &readable, &writable, &failed, timeout_ms < 0 ? nullptr : &limit);
  if (n == SOCKET_ERROR) return {.failed = true};
  return {.ready = n > 0, .stop_readable = stop != nullptr && FD_ISSET(ToSocket(*stop), &readable)};
}

ConnectStart StartConnect(NativeSocket socket, const char* address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  if (::connect(ToSocket(socket), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
    return ConnectStart::kConnected;
  }
  return IsWouldBlock(::WSAGetLastError()) ? ConnectStart::kPending : ConnectStart::kFailed;
}

int PendingConnectError(NativeSocket socket) {
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(ToSocket(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                   &size) != 0) {
    return -1;
  }
  return error;
}

void SetLastSocketError(int error) { ::WSASetLastError(error); }
void SetTimedOutError() { ::WSASetLastError(WSAETIMEDOUT); }

}  // namespace system

}  // namespace korvex::net
