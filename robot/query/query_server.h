// The query server: a listener on 127.0.0.1:19697 and worker threads, each
// serving one accepted connection at a time: it reads one signed request,
// hands it to its handler (robot/query/query_handlers.h) and writes back one
// signed response, or closes the connection without one when there is
// nothing to answer.  A worker that has served a connection waits for the
// next one instead of ending: starting a thread costs milliseconds under
// Wine, more than the rest of a question's round trip.
//
// The port is the robot's alone: the listener binds it exclusively, so no
// other socket can bind it too and take the controls' questions.  When the
// port is taken (the robot of another terminal-server session, or another
// program) the robot listens on a free port instead and publishes it
// (protocol/protocol.h); and with the sessions at hand it serves only the
// clients of its own session (robot/query/session_peers.h).
//
// Hostile or broken clients cost little and never hold the robot:
//   - a request length outside 12..1 048 576 closes the connection before any
//     body byte is read, and the buffer is allocated only for a length in
//     range;
//   - every wait for data lasts at most 5 seconds, so a silent client is
//     dropped, and the whole exchange must be over within 30 seconds, so a
//     client that trickles a byte now and then is dropped too: 32 of them
//     hold every connection for no longer than that;
//   - at most kMaxConnections connections are served at once, by at most as
//     many workers, so the threads stay few; a connection beyond them is
//     closed at once without a response;
//   - Stop wakes every wait at once, makes every lookup that has not reached
//     the user-interface thread fail without being made, and lets that
//     thread keep answering the lookups already sent to it while it waits
//     (UiThreadPort::WaitWhileStopping), so it never waits for a connection
//     that waits for it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/socket.h"
#include "protocol/protocol.h"
#include "robot/query/query_handlers.h"
#include "robot/query/session_peers.h"

namespace korvex::query {

inline constexpr int kMaxConnections = 32;
// The time one exchange may take on its connection, from the accept to the
// last byte of the response, besides the bound on each wait.
inline constexpr int kRequestDeadlineMs = 30000;
// Connections the system completes and queues before the listener takes
// them.  The tariff control gives up a connection not made within 300 ms;
// with a short queue, a burst of other clients (each served or turned away
// within microseconds once taken) would fill it and the system would drop
// the control's connection request until its retry a second later.
inline constexpr int kListenBacklog = 64;
// The last error when a thread cannot be created (ERROR_SERVICE_NO_THREAD).
inline constexpr int kErrorNoThread = 1067;
// How long a connection waits, once answered, for its client to close first.
// The side that ends a connection first keeps it for minutes (TIME_WAIT),
// and while the robot's port keeps one the port cannot be bound exclusively
// again: a robot started anew would find its own port taken.  The control
// closes as soon as it has read the answer; a connection closed without an
// answer is reset.
inline constexpr int kClientCloseWaitMs = 1000;

struct QueryServerOptions {
  // The robot listens on protocol::kRobotPort; tests pass 0 for a free port.
  std::uint16_t port = protocol::kRobotPort;
  // Checks the requests' signatures and signs the responses; null: the
  // system clock.
  Clock* clock = nullptr;
  // The deadline of each exchange; tests shorten it.
  int request_deadline_ms = kRequestDeadlineMs;
  // When the port is taken, listen on a free one instead of not at all.
  bool free_port_when_taken = false;
  // Tells the session of each client; null: every client of the loopback
  // address is served.
  const SessionPeers* peers = nullptr;
};

// A received request, from its signature on: the signature, the protocol,
// the query number, then the query's handler.  True when the handler filled
// the response.
bool HandleRequest(protocol::CBuffer& request, QueryConnection& robot, Clock& clock,
                   protocol::CBuffer& response);

// One exchange on an accepted connection; true when a response was sent.
// Reading the request and writing the response end by the deadline.
bool ServeClient(net::Socket& socket, QueryConnection& robot, Clock& clock,
                 const net::StopSignal* stop, net::Deadline deadline = net::kNoDeadline);

// The running server.  Construction binds and listens at once, so a failure
// (the port taken) is known when it returns; then the listener thread runs
// until Shutdown.
class CQueryServer {
 public:
  CQueryServer(const QueryContext& context, const QueryServerOptions& options);
  ~CQueryServer();
  CQueryServer(const CQueryServer&) = delete;
  CQueryServer& operator=(const CQueryServer&) = delete;

  // 0, the socket error of a failed set-up, or kErrorNoThread.
  int LastError() const { return m_lastError.load(); }
  bool IsListening() const { return m_listener.joinable(); }
  std::uint16_t Port() const { return m_port; }
  // The socket error of binding the port asked for, when the server listens
  // on a free one instead (or on none); 0 when the port was bound.
  int PortError() const { return m_portError; }

  // Stops the listener and every connection and waits for their threads.
  // Called from the user-interface thread, it keeps answering the lookups
  // sent to that thread while it waits.  Later calls do nothing.
  void Shutdown();

 private:
  struct Connection {
    net::Socket socket;
    std::atomic<bool> finished{false};
  };

  // The stop signal and the listening socket; the failing step, or null.
  const char* SetUpListener(const QueryServerOptions& options);
  const char* ListenOn(std::uint16_t port);
  // The client's process runs in the robot's session (always true without
  // the sessions).
  bool IsClientOfOwnSession(const net::Socket& socket) const;
  void Listen();
  // Queues an accepted connection for a worker, starting one when every
  // worker is busy.
  void StartConnection(net::Socket client);
  // A worker's loop: serves queued connections until the server stops and
  // the queue is empty.
  void Work();
  void Serve(Connection& connection);
  // Forgets the connections that have ended (m_mutex held); returns how many
  // remain.
  std::size_t ForgetFinished();
  bool AllEnded();

  QueryContext m_context;
  SystemClock m_systemClock;
  Clock& m_clock;
  std::chrono::milliseconds m_requestDeadline;
  const SessionPeers* m_peers = nullptr;
  std::uint16_t m_port = 0;
  int m_portError = 0;
  net::Socket m_listening;
  net::StopSignal m_stop;
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_lastError{0};
  std::thread m_listener;
  std::atomic<bool> m_listenerEnded{true};
  std::mutex m_mutex;  // the connection list, the queue and the workers
  std::list<std::unique_ptr<Connection>> m_connections;
  std::deque<Connection*> m_queue;  // accepted, not yet taken by a worker
  std::condition_variable m_work;   // a connection queued, or the stop
  std::vector<std::thread> m_workers;
  std::size_t m_idleWorkers = 0;    // workers waiting for a connection
  std::size_t m_liveWorkers = 0;    // workers that have not ended
  bool m_shutDown = false;
};

// The service as the main frame owns it: Start when the frame is created,
// Stop when it closes.
class CDirectRobot {
 public:
  CDirectRobot() = default;
  // Another port or clock: for tests only.
  explicit CDirectRobot(const QueryServerOptions& options) : m_options(options) {}
  virtual ~CDirectRobot();
  CDirectRobot(const CDirectRobot&) = delete;
  CDirectRobot& operator=(const CDirectRobot&) = delete;

  // The main frame, set before Start.
  void SetContext(const QueryContext& context);
  // Initialises the sockets of the process and, when no server exists and
  // the context is set, starts one.  True when a server is listening.  A
  // second Start while running does nothing.
  bool Start();
  // Shuts the server down and deletes it; nothing when stopped.
  void Stop();

  // The running server's last error (0 when stopped).
  int LastError() const;
  // The port listened on; 0 when stopped or not listening.
  std::uint16_t Port() const;
  // The running server's PortError (0 when stopped).
  int PortError() const;

 private:
  QueryServerOptions m_options;
  QueryContext m_context;
  bool m_hasContext = false;
  mutable std::mutex m_lock;  // start and stop
  std::unique_ptr<CQueryServer> m_server;
};

}  // namespace korvex::query
