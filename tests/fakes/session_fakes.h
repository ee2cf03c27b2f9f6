// Test doubles of the terminal-server sessions: the session of each process
// as a table, and the system's TCP table as a rule a test sets.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/session_system.h"
#include "robot/query/session_peers.h"

namespace korvex::testing {

// Processes and their sessions; a process not in the table cannot be looked
// at.  Thread-safe: the query server asks from its connection threads.
class TableSessions final : public SessionSystem {
 public:
  TableSessions(std::uint32_t current_process, std::map<std::uint32_t, std::uint32_t> sessions)
      : m_current(current_process), m_sessions(std::move(sessions)) {}
  std::uint32_t GetCurrentProcessId() override { return m_current; }
  std::optional<std::uint32_t> ProcessIdToSessionId(std::uint32_t process_id) override {
    std::lock_guard lock(m_mutex);
    const auto it = m_sessions.find(process_id);
    if (it == m_sessions.end()) return std::nullopt;
    return it->second;
  }

 private:
  const std::uint32_t m_current;
  std::mutex m_mutex;
  std::map<std::uint32_t, std::uint32_t> m_sessions;
};

// Lists every connection to the server's port as owned by one process, the
// one a test sets; records what was looked up.
class OneOwnerConnections final : public query::TcpConnectionTable {
 public:
  struct Lookup {
    net::Endpoint local;
    net::Endpoint remote;
  };
  explicit OneOwnerConnections(std::uint16_t server_port = 0) : m_serverPort(server_port) {}
  void SetServerPort(std::uint16_t port) { m_serverPort = port; }
  void SetOwner(std::uint32_t process_id) { m_owner = process_id; }

  std::uint32_t GetTcpConnectionOwner(const net::Endpoint& local,
                                      const net::Endpoint& remote) override {
    std::lock_guard lock(m_mutex);
    m_lookups.push_back({local, remote});
    // The client's row: its own end is the local one, the server's the
    // remote one.
    return remote.port == m_serverPort && local.port != m_serverPort ? m_owner.load() : 0;
  }
  std::vector<Lookup> Lookups() {
    std::lock_guard lock(m_mutex);
    return m_lookups;
  }

 private:
  std::atomic<std::uint16_t> m_serverPort;
  std::atomic<std::uint32_t> m_owner{0};
  std::mutex m_mutex;
  std::vector<Lookup> m_lookups;
};

}  // namespace korvex::testing
