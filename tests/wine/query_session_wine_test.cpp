// The query service's hold on its port and its look at its clients, against
// Winsock and the IP helper library as Wine implements them, and the
// control's look at the robot's window through the real window system.
//
// Wine runs every program in one session, so a client of another session
// cannot be made here: the native tests cover the refusal over the ports;
// here the real table names this process as the owner of the connections it
// makes, and the real sessions put it in the robot's session.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_session_system.h"
#include "platform/win32/win32_window_system.h"
#include "protocol/protocol.h"
#include "robot/query/query_handlers.h"
#include "robot/win32/tcp_connection_table.h"
#include "tarifex/robot_client.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using protocol::CBuffer;

class QuerySessionWineTest : public QueryServiceTest {
 protected:
  Win32SessionSystem sessions;
  win32::Win32TcpConnectionTable connections;
  query::SessionPeers peers{sessions, connections};
};

TEST_F(QuerySessionWineTest, NoOtherSocketCanBindTheRobotsPortNotEvenAskingToShareIt) {
  // The fixture's service listens on a free port; another program asks to
  // share it (SO_REUSEADDR), which Windows grants unless the listener holds
  // the port exclusively.
  const SOCKET other = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(other, INVALID_SOCKET);
  const BOOL on = TRUE;
  ASSERT_EQ(::setsockopt(other, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                         sizeof on),
            0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  const int bound = ::bind(other, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int error = ::WSAGetLastError();
  ::closesocket(other);
  EXPECT_EQ(bound, SOCKET_ERROR) << "another socket bound the robot's port " << port;
  if (bound == SOCKET_ERROR) {
    EXPECT_TRUE(error == WSAEADDRINUSE || error == WSAEACCES) << error;
  }
}

TEST(ExclusivePortWineTest, TheListenersSocketHoldsItsPortExclusively) {
  // Wine keeps the Linux rule that no two sockets listen on one port, so the
  // bind above fails whatever the listener asked; on Windows it would succeed
  // unless the listener holds the port exclusively.  The option is read back
  // from a socket set up as the listener sets up its own.
  net::InitializeSockets();
  net::Socket socket = net::Socket::Tcp();
  ASSERT_TRUE(socket.SetExclusiveAddressUse());
  BOOL exclusive = FALSE, shared = TRUE;
  int size = sizeof exclusive;
  ASSERT_EQ(::getsockopt(static_cast<SOCKET>(socket.Native()), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                         reinterpret_cast<char*>(&exclusive), &size),
            0);
  size = sizeof shared;
  ASSERT_EQ(::getsockopt(static_cast<SOCKET>(socket.Native()), SOL_SOCKET, SO_REUSEADDR,
                         reinterpret_cast<char*>(&shared), &size),
            0);
  EXPECT_TRUE(exclusive);
  EXPECT_FALSE(shared);
}

TEST_F(QuerySessionWineTest, TheConnectionTableNamesThisProcessForTheConnectionsItMakes) {
  net::Socket client = net::Socket::Tcp();
  ASSERT_TRUE(client.Connect("127.0.0.1", port, 5000));
  const auto client_end = client.LocalEndpoint();
  const auto server_end = client.PeerEndpoint();
  ASSERT_TRUE(client_end && server_end);
  EXPECT_EQ(server_end->address, 0x7F000001u);
  EXPECT_EQ(server_end->port, port);
  EXPECT_EQ(connections.GetTcpConnectionOwner(*client_end, *server_end), ::GetCurrentProcessId());
  // No connection has these ends.
  EXPECT_EQ(connections.GetTcpConnectionOwner(*server_end, net::Endpoint{0x7F000001u, 1}), 0u);
  EXPECT_EQ(sessions.ProcessIdToSessionId(::GetCurrentProcessId()),
            sessions.ProcessIdToSessionId(sessions.GetCurrentProcessId()));
}

TEST_F(QuerySessionWineTest, AServiceThatLooksAtItsClientsServesTheControlsOfItsSession) {
  Store(query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), u"Sin origen"),
        u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
  robot->Stop();
  robot = std::make_unique<query::CDirectRobot>(
      query::QueryServerOptions{.port = 0, .clock = &clock, .peers = &peers});
  robot->SetContext({&ui, &resources});
  ASSERT_TRUE(robot->Start());
  const auto response =
      Exchange(robot->Port(), SignedRequest(clock, protocol::kMensajeAlDespachante, [](CBuffer& b) {
                 b.AddInteger(3);
                 b.AddString(u"Sin origen");
                 b.AddString(u"Mensaje al declarante");
                 b.AddInteger(0x40);
               }));
  CBuffer b;
  std::int32_t acknowledged = 0;
  ASSERT_TRUE(response) << "the service refused a client of its own session";
  ASSERT_TRUE(OpenResponse(*response, clock, b) && b.GetBool(acknowledged));
  EXPECT_EQ(acknowledged, 1);
}

TEST(RobotWindowWineTest, TheControlReadsThePortOnTheRobotsWindowOfItsSession) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KorvexSessionTestFrame";
  ::RegisterClassW(&wc);
  const HWND frame = ::CreateWindowExW(0, wc.lpszClassName, L"PILOTEK_MAIN_FRAME",
                                       WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                       wc.hInstance, nullptr);
  ASSERT_NE(frame, nullptr);
  Win32WindowSystem windows;
  Win32SessionSystem sessions;
  // A robot of an earlier version publishes nothing.
  EXPECT_EQ(tarifex::SessionRobotPort(windows, &sessions), protocol::kRobotPort);
  ASSERT_TRUE(::SetPropW(frame, L"KORVEX.QueryPort", reinterpret_cast<HANDLE>(ULONG_PTR{50125})));
  EXPECT_EQ(windows.FindWindowW(u"PILOTEK_MAIN_FRAME"), win32::FromHwnd(frame));
  EXPECT_EQ(tarifex::SessionRobotPort(windows, &sessions), 50125);
  ::RemovePropW(frame, L"KORVEX.QueryPort");
  ::DestroyWindow(frame);
  EXPECT_EQ(tarifex::SessionRobotPort(windows, &sessions), protocol::kRobotPort);
}

}  // namespace
}  // namespace korvex::testing
