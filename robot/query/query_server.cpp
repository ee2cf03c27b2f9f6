#include "robot/query/query_server.h"

#include <chrono>
#include <system_error>

#include "platform/barrier.h"
#include "platform/trace.h"
#include "protocol/framing.h"
#include "protocol/messages.h"

namespace korvex::query {

using protocol::CBuffer;

bool HandleRequest(CBuffer& request, QueryConnection& robot, Clock& clock, CBuffer& response) {
  std::int32_t query = 0;
  if (!protocol::DecodeRequestHeader(request, clock, query)) return false;
  bool answered = false;
  switch (query) {
    case protocol::kMensajeAlDespachante:
      answered = robot.MensajeAlDespachante(request, response);
      break;
    case protocol::kPreguntaSiNo:
      answered = robot.PreguntaSiNo(request, response);
      break;
    case protocol::kPreguntaTexto:
      answered = robot.PreguntaTexto(request, response);
      break;
    case protocol::kPreguntaOpciones:
      answered = robot.PreguntaOpciones(request, response);
      break;
    default:
      KORVEX_TRACE("ServeClient(): error: query no soportado: %d", query);
      return false;
  }
  if (!answered) {
    KORVEX_TRACE("ServeClient(): error de : %d", query);
    return false;
  }
  return true;
}

bool ServeClient(net::Socket& socket, QueryConnection& robot, Clock& clock,
                 const net::StopSignal* stop, net::Deadline deadline) {
  KORVEX_TRACE("ServeClient() leyendo la pregunta del cliente");
  CBuffer request;
  if (!protocol::ReadMessage(socket, protocol::kRequestBounds, request, stop, deadline)) {
    return false;
  }
  CBuffer response;
  if (!HandleRequest(request, robot, clock, response)) return false;
  KORVEX_TRACE("ServeClient() respuesta lista, size: %d", response.Size());
  if (!protocol::WriteMessage(socket, response, stop, deadline)) return false;
  KORVEX_TRACE("ServeClient() respuesta enviada con éxito");
  return true;
}

// --- the server ---------------------------------------------------------------------

CQueryServer::CQueryServer(const QueryContext& context, const QueryServerOptions& options)
    : m_context(context),
      m_clock(options.clock != nullptr ? *options.clock : m_systemClock),
      m_requestDeadline(options.request_deadline_ms),
      m_peers(options.peers) {
  net::InitializeSockets();
  if (const char* failed = SetUpListener(options); failed != nullptr) {
    m_lastError = net::LastSocketError() != 0 ? net::LastSocketError() : -1;
    KORVEX_TRACE("CQueryServer: %s falló: %d", failed, m_lastError.load());
    return;
  }
  try {
    m_listenerEnded = false;
    m_listener = std::thread(&CQueryServer::Listen, this);
  } catch (const std::system_error&) {
    m_listenerEnded = true;
    m_lastError = kErrorNoThread;
  }
}

const char* CQueryServer::SetUpListener(const QueryServerOptions& options) {
  if (!m_stop.Open()) return "la señal de parada";
  const char* failed = ListenOn(options.port);
  if (failed == nullptr || options.port == 0) return failed;
  m_portError = net::LastSocketError() != 0 ? net::LastSocketError() : -1;
  KORVEX_TRACE("CQueryServer: %s en el puerto %d falló: %d", failed, options.port, m_portError);
  if (!options.free_port_when_taken) return failed;
  return ListenOn(0);
}

const char* CQueryServer::ListenOn(std::uint16_t port) {
  m_listening = net::Socket::Tcp();
  if (!m_listening.IsValid()) return "socket()";
  if (!m_listening.SetExclusiveAddressUse()) return "setsockopt(SO_EXCLUSIVEADDRUSE)";
  if (!m_listening.SetNonBlocking()) return "ioctlsocket(FIONBIO)";
  if (!m_listening.Bind(protocol::kRobotAddress, port)) return "bind()";
  if (!m_listening.Listen(kListenBacklog)) return "listen()";
  m_port = m_listening.LocalPort();
  return nullptr;
}

bool CQueryServer::IsClientOfOwnSession(const net::Socket& socket) const {
  if (m_peers == nullptr) return true;
  const std::optional<net::Endpoint> server_end = socket.LocalEndpoint();
  const std::optional<net::Endpoint> client_end = socket.PeerEndpoint();
  if (!server_end || !client_end) return false;
  return query::IsClientOfOwnSession(*m_peers, *server_end, *client_end);
}

CQueryServer::~CQueryServer() { Shutdown(); }

void CQueryServer::Listen() {
  // The thread's entry: nothing unwinds past it.
  Barrier("CQueryServer::Listen", [this] {
    for (;;) {
      if (net::WaitReadable(m_listening, -1, &m_stop) != net::WaitResult::kReady) break;
      net::Socket client = m_listening.Accept();
      if (!client.IsValid()) {
        // The client gave up before it was taken, or the system has no room:
        // a short pause, which Stop cuts short, keeps a lasting failure from
        // spinning.
        net::WaitReadable(m_stop.Handle(), 10, &m_stop);
        continue;
      }
      StartConnection(std::move(client));
    }
  });
  m_listenerEnded = true;
}

void CQueryServer::StartConnection(net::Socket client) {
  if (!client.SetNonBlocking()) return;
  std::unique_lock lock(m_mutex);
  if (ForgetFinished() >= static_cast<std::size_t>(kMaxConnections)) {
    KORVEX_TRACE("CQueryServer: %d conexiones en curso; cierro la nueva", kMaxConnections);
    return;  // closed at once, without a response
  }
  auto connection = std::make_unique<Connection>();
  connection->socket = std::move(client);
  m_queue.push_back(connection.get());
  m_connections.push_back(std::move(connection));
  if (m_idleWorkers < m_queue.size() &&
      m_workers.size() < static_cast<std::size_t>(kMaxConnections)) {
    ++m_liveWorkers;
    try {
      m_workers.emplace_back(&CQueryServer::Work, this);
    } catch (const std::system_error&) {
      --m_liveWorkers;
      m_lastError = kErrorNoThread;
      if (m_workers.empty()) {  // nobody would ever serve it
        m_queue.pop_back();
        m_connections.pop_back();  // closes the connection
        return;
      }
    }
  }
  lock.unlock();
  m_work.notify_one();
}

void CQueryServer::Work() {
  // The thread's entry: nothing unwinds past it.
  Barrier("CQueryServer::Work", [this] {
    std::unique_lock lock(m_mutex);
    for (;;) {
      ++m_idleWorkers;
      m_work.wait(lock, [this] { return m_stopping.load() || !m_queue.empty(); });
      --m_idleWorkers;
      if (m_queue.empty()) break;  // stopped, and nothing left to close
      Connection& connection = *m_queue.front();
      m_queue.pop_front();
      lock.unlock();
      Serve(connection);
      lock.lock();
    }
  });
  std::lock_guard lock(m_mutex);
  --m_liveWorkers;
}

void CQueryServer::Serve(Connection& connection) {
  // A failure ends this exchange without a response, and the worker goes on.
  bool answered = false;
  Barrier("CQueryServer::Serve", [&] {
    const net::Deadline deadline = std::chrono::steady_clock::now() + m_requestDeadline;
    // A control of another session is closed without a word; it asks its
    // own user.
    if (!IsClientOfOwnSession(connection.socket)) return;
    QueryConnection robot(m_context, &m_stopping, m_clock);
    answered = ServeClient(connection.socket, robot, m_clock, &m_stop, deadline);
  });
  // The client ends the connection first (kClientCloseWaitMs).
  if (answered) {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kClientCloseWaitMs);
    std::uint8_t sink[64];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            until - std::chrono::steady_clock::now()).count();
      if (left <= 0 || net::WaitReadable(connection.socket, static_cast<int>(left), &m_stop) !=
                           net::WaitResult::kReady) {
        break;
      }
      const int got = connection.socket.Receive(sink, sizeof sink);
      if (got == 0 || got == net::Socket::kFailed) break;  // closed by the client
    }
  } else {
    connection.socket.SetAbortiveClose();
  }
  connection.socket.Close();
  connection.finished = true;
}

std::size_t CQueryServer::ForgetFinished() {
  for (auto it = m_connections.begin(); it != m_connections.end();) {
    if ((*it)->finished.load()) {
      it = m_connections.erase(it);
    } else {
      ++it;
    }
  }
  return m_connections.size();
}

bool CQueryServer::AllEnded() {
  if (!m_listenerEnded.load()) return false;
  std::lock_guard lock(m_mutex);
  return m_liveWorkers == 0;
}

void CQueryServer::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  {
    // Set under the lock, so that no worker checks it and then waits past
    // the wake-up.
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_work.notify_all();
  m_stop.Set();
  const auto done = [this] { return AllEnded(); };
  if (m_context.ui != nullptr) {
    m_context.ui->WaitWhileStopping(done);
  } else {
    while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (m_listener.joinable()) m_listener.join();
  for (std::thread& worker : m_workers) worker.join();
  std::lock_guard lock(m_mutex);
  m_workers.clear();
  m_connections.clear();
  m_listening.Close();
}

// --- the service --------------------------------------------------------------------

CDirectRobot::~CDirectRobot() { Stop(); }

void CDirectRobot::SetContext(const QueryContext& context) {
  std::lock_guard lock(m_lock);
  m_context = context;
  m_hasContext = true;
}

bool CDirectRobot::Start() {
  std::lock_guard lock(m_lock);
  net::InitializeSockets();
  if (m_server == nullptr && m_hasContext) {
    m_server = std::make_unique<CQueryServer>(m_context, m_options);
  }
  return m_server != nullptr && m_server->IsListening();
}

void CDirectRobot::Stop() {
  std::lock_guard lock(m_lock);
  if (m_server == nullptr) return;
  m_server->Shutdown();
  m_server.reset();
}

int CDirectRobot::LastError() const {
  std::lock_guard lock(m_lock);
  return m_server == nullptr ? 0 : m_server->LastError();
}

std::uint16_t CDirectRobot::Port() const {
  std::lock_guard lock(m_lock);
  return m_server == nullptr || !m_server->IsListening() ? 0 : m_server->Port();
}

int CDirectRobot::PortError() const {
  std::lock_guard lock(m_lock);
  return m_server == nullptr ? 0 : m_server->PortError();
}

}  // namespace korvex::query
