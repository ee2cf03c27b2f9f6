#include "robot/query/session_peers.h"

#include "platform/trace.h"

namespace korvex::query {

bool IsClientOfOwnSession(const SessionPeers& peers, const net::Endpoint& server_end,
                          const net::Endpoint& client_end) {
  const std::uint32_t client = peers.connections.GetTcpConnectionOwner(client_end, server_end);
  if (client == 0) {
    KORVEX_TRACE("ServeClient(): el cliente del puerto %d no figura en la tabla de conexiones",
                 client_end.port);
    return false;
  }
  if (!IsProcessOfCallersSession(peers.sessions, client)) {
    KORVEX_TRACE("ServeClient(): el proceso %u del cliente es de otra sesión", client);
    return false;
  }
  return true;
}

}  // namespace korvex::query
