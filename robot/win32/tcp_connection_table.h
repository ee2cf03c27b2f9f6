// The system's table of TCP connections over the IP helper library
// (GetExtendedTcpTable), for the query service's look at who is at the
// other end of a connection.
#pragma once

#include "robot/query/session_peers.h"

namespace korvex::win32 {

class Win32TcpConnectionTable final : public query::TcpConnectionTable {
 public:
  std::uint32_t GetTcpConnectionOwner(const net::Endpoint& local,
                                      const net::Endpoint& remote) override;
};

}  // namespace korvex::win32
