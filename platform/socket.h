// One small wrapper over BSD sockets and Windows Sockets 1.1: the query
// server and the tariff control's robot client are the same code on Linux
// (the native tests, on loopback) and on Windows.
//
// Every socket of the wrapper is non-blocking once it is set up, and every
// wait is bounded by a time-out and, where the caller has one, by a stop
// signal: nothing that a peer sends or withholds can hold a thread for ever.
// The implementations are platform/posix/posix_socket.cpp and
// platform/win32/win32_socket.cpp; what both share is in platform/socket.cpp.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

namespace korvex::net {

#ifdef _WIN32
using NativeSocket = std::uintptr_t;  // SOCKET
#else
using NativeSocket = int;
#endif

// Initialises the socket library once per process (Windows: WSAStartup with
// version 1.1) under a process-wide lock; later calls return the first
// result.  Elsewhere there is nothing to do.
bool InitializeSockets();

// WSAGetLastError() on Windows, errno elsewhere: for traces.
int LastSocketError();

// One end of an IPv4 connection: the address in host byte order (127.0.0.1
// is 0x7F000001) and the port.
struct Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

class Socket {
 public:
  // Results of Send and Receive besides a byte count.
  static constexpr int kWouldBlock = -2;
  static constexpr int kFailed = -1;

  Socket() = default;
  explicit Socket(NativeSocket native) : m_native(native), m_valid(true) {}
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // socket(AF_INET, SOCK_STREAM or SOCK_DGRAM); an invalid Socket on failure.
  static Socket Tcp();
  static Socket Udp();

  bool IsValid() const { return m_valid; }
  NativeSocket Native() const { return m_native; }

  // No other socket may bind the address and port this socket binds, not
  // even one that asks to share them: SO_EXCLUSIVEADDRUSE on Windows, where
  // SO_REUSEADDR would let another socket take the port over.  Elsewhere
  // SO_REUSEADDR, which never lets two sockets listen on one port and lets
  // a restarted listener bind while old connections of the port linger.
  // Before Bind.
  bool SetExclusiveAddressUse();
  bool SetNonBlocking();   // FIONBIO / O_NONBLOCK
  // bind() to an IPv4 address in dotted form and a port (0: any free port).
  bool Bind(const char* address, std::uint16_t port);
  bool Listen(int backlog);
  // The port the socket is bound to; 0 when it cannot be read.
  std::uint16_t LocalPort() const;
  // getsockname() and getpeername(): this end and the other end of a
  // connection; no value when they cannot be read.
  std::optional<Endpoint> LocalEndpoint() const;
  std::optional<Endpoint> PeerEndpoint() const;
  // accept(): an invalid Socket when no connection was waiting or on failure.
  Socket Accept();
  // connect() that waits at most timeout_ms for the connection to be made
  // (the socket is made non-blocking first).  False when it was refused, is
  // unreachable or did not complete in time.
  bool Connect(const char* address, std::uint16_t port, int timeout_ms);
  // One send() or recv(): the count of bytes moved (> 0), 0 when the peer
  // has closed (Receive), kWouldBlock, or kFailed.  Sending never raises a
  // signal when the peer has gone.
  int Send(const void* data, int length);
  int Receive(void* data, int length);
  // Ends both directions (shutdown), leaving the socket open.
  void Shutdown();
  // SO_LINGER {on, 0 s}: Close then resets the connection instead of ending
  // it in order, and this side keeps nothing of it afterwards (no TIME_WAIT).
  bool SetAbortiveClose();
  void Close();

 private:
  NativeSocket m_native = 0;
  bool m_valid = false;
};

// A signal that, once set, makes every wait that was given it return
// kStopped, in any number of threads at once.  It is a UDP socket on the
// loopback address connected to itself: Set sends it one datagram, which
// nobody reads, so the socket stays readable from then on.
class StopSignal {
 public:
  // False when the socket cannot be made; the signal then stops no wait.
  bool Open();
  void Set();
  bool IsSet() const { return m_set.load(); }
  const Socket& Handle() const { return m_socket; }

 private:
  Socket m_socket;
  std::atomic<bool> m_set{false};
};

enum class WaitResult { kReady, kTimedOut, kStopped, kFailed };

// Waits until the socket can be read (or written, or its connect has ended),
// the stop signal is set, or timeout_ms has passed (negative: no time-out).
// A set signal wins over a ready socket.
WaitResult WaitReadable(const Socket& socket, int timeout_ms, const StopSignal* stop);
WaitResult WaitWritable(const Socket& socket, int timeout_ms, const StopSignal* stop);

// The moment by which a whole exchange must be over, whatever each wait
// allows.
using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

// Exact-length transfers.  Reading waits at most wait_ms for each arrival of
// data, so a slow but steady sender is served and a silent one is dropped;
// a peer that closes first makes it fail.  Writing waits at most wait_ms for
// room each time the socket's buffer is full.  Both fail at once when the
// stop signal is set, and when the deadline passes before they are done: a
// peer that trickles a byte now and then cannot stretch them for ever.
bool ReadExactly(Socket& socket, void* destination, int length, int wait_ms,
                 const StopSignal* stop, Deadline deadline = kNoDeadline);
bool WriteAll(Socket& socket, const void* source, int length, int wait_ms,
              const StopSignal* stop, Deadline deadline = kNoDeadline);

}  // namespace korvex::net
