// The tariff controls a robot serves: those of its own terminal-server
// session.  Several brokers on one terminal server each have a robot, and
// TCP on the loopback address is one for the whole machine, so a control of
// another session may reach this robot's port; the robot then looks up the
// process at the other end of the connection and refuses it when that
// process runs in another session.
#pragma once

#include <cstdint>

#include "platform/session_system.h"
#include "platform/socket.h"

namespace korvex::query {

// The system's table of TCP connections.
class TcpConnectionTable {
 public:
  virtual ~TcpConnectionTable() = default;
  // The process that owns the IPv4 TCP connection whose local end is local
  // and whose remote end is remote (GetExtendedTcpTable with
  // TCP_TABLE_OWNER_PID_CONNECTIONS); 0 when the table lists none.
  virtual std::uint32_t GetTcpConnectionOwner(const net::Endpoint& local,
                                              const net::Endpoint& remote) = 0;
};

struct SessionPeers {
  SessionSystem& sessions;
  TcpConnectionTable& connections;
};

// Whether the client of a connection the robot accepted runs in the robot's
// own session.  server_end is the robot's end of the connection, client_end
// the client's: the table lists the client's side of the connection as its
// own row, with the client's end as the local one, owned by the client's
// process.  False when the client cannot be found or its session read.
bool IsClientOfOwnSession(const SessionPeers& peers, const net::Endpoint& server_end,
                          const net::Endpoint& client_end);

}  // namespace korvex::query
