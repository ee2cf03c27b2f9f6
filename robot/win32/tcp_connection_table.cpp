#include "robot/win32/tcp_connection_table.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

#include <vector>

namespace korvex::win32 {

namespace {

// A row's address and port are in network byte order (the port in the low
// 16 bits of its DWORD).
bool Matches(DWORD address, DWORD port, const net::Endpoint& end) {
  return ntohl(address) == end.address && ntohs(static_cast<u_short>(port)) == end.port;
}

}  // namespace

std::uint32_t Win32TcpConnectionTable::GetTcpConnectionOwner(const net::Endpoint& local,
                                                             const net::Endpoint& remote) {
  // The table may grow between asking for its size and reading it.
  std::vector<unsigned char> buffer(16 * 1024);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD result = ::GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET,
                                               TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
    if (result == ERROR_INSUFFICIENT_BUFFER) {
      buffer.resize(static_cast<std::size_t>(size) + 4096);
      continue;
    }
    if (result != NO_ERROR) return 0;
    const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
      const MIB_TCPROW_OWNER_PID& row = table->table[i];
      if (Matches(row.dwLocalAddr, row.dwLocalPort, local) &&
          Matches(row.dwRemoteAddr, row.dwRemotePort, remote)) {
        return row.dwOwningPid;
      }
    }
    return 0;
  }
  return 0;
}

}  // namespace korvex::win32
