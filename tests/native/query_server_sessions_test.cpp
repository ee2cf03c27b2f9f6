// The query service on a terminal server: the robot's port taken by another
// program or by the robot of another session (the service listens on a free
// port and says which), the controls of other sessions, which reach the
// port all the same and are closed without an answer, and connections that
// leave nothing behind on the robot's port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "protocol/protocol.h"
#include "robot/query/query_handlers.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/session_fakes.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using protocol::CBuffer;

constexpr const char16_t* kAcknowledged =
    u"3|class CPressButton|class CNullInteraction|class CNullInteraction|";

std::function<void(CBuffer&)> Message(const Text& text) {
  return [text](CBuffer& b) {
    b.AddInteger(12);
    b.AddString(text);
    b.AddString(u"Mensaje al declarante");
    b.AddInteger(0x40);
  };
}

class QueryServerSessions : public QueryServiceTest {
 protected:
  void SetUp() override {
    QueryServiceTest::SetUp();
    Store(query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), u"Sin origen"), kAcknowledged);
  }
  // A fresh service with these options in place of the fixture's.
  bool Restart(query::QueryServerOptions options) {
    robot->Stop();
    options.clock = &clock;
    robot = std::make_unique<query::CDirectRobot>(options);
    robot->SetContext({&ui, &resources});
    const bool listening = robot->Start();
    port = robot->Port();
    return listening;
  }
  bool Acknowledged(std::uint16_t at) {
    const auto response = Exchange(
        at, SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"Sin origen")));
    CBuffer b;
    std::int32_t ack = 0;
    return response && OpenResponse(*response, clock, b) && b.GetBool(ack) && ack == 1;
  }
};

TEST_F(QueryServerSessions, WithItsPortTakenTheServiceListensOnAFreeOneAndKeepsTheError) {
  // Another program listens on the port the robot wants.
  net::Socket holder = net::Socket::Tcp();
  ASSERT_TRUE(holder.Bind("127.0.0.1", 0) && holder.Listen(4));
  const std::uint16_t taken = holder.LocalPort();

  ASSERT_TRUE(Restart({.port = taken, .free_port_when_taken = true}));
  EXPECT_NE(port, taken);
  EXPECT_NE(port, 0);
  EXPECT_NE(robot->PortError(), 0);
  EXPECT_EQ(robot->LastError(), 0);
  EXPECT_TRUE(Acknowledged(port));

  // Without the free port the service does not listen, and says why.
  EXPECT_FALSE(Restart({.port = taken}));
  EXPECT_EQ(robot->Port(), 0);
  EXPECT_NE(robot->PortError(), 0);

  // Once the port is free again the robot has it, with no error.
  holder.Close();
  ASSERT_TRUE(Restart({.port = taken, .free_port_when_taken = true}));
  EXPECT_EQ(port, taken);
  EXPECT_EQ(robot->PortError(), 0);
}

TEST_F(QueryServerSessions, AControlOfAnotherSessionIsClosedWithoutAnAnswer) {
  // The robot is process 100 in session 1.
  TableSessions sessions(100, {{100, 1}, {200, 1}, {300, 2}});
  OneOwnerConnections connections;
  const query::SessionPeers peers{sessions, connections};
  ASSERT_TRUE(Restart({.port = 0, .peers = &peers}));
  connections.SetServerPort(port);

  struct Case {
    const char* client;
    std::uint32_t owner;
    bool answered;
  };
  const Case cases[] = {
      {"a control of the robot's session", 200, true},
      {"a control of another session", 300, false},
      {"a process whose session cannot be read", 400, false},
      {"a connection the system does not list", 0, false},
      {"the robot's own process", 100, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.client);
    connections.SetOwner(c.owner);
    ui.ForgetTakenLookups();
    EXPECT_EQ(Acknowledged(port), c.answered);
    // A refused client never reaches the profile.
    EXPECT_EQ(ui.TakenLookups().size(), c.answered ? 1u : 0u);
  }
  // The client's row is looked up: its own end local, the robot's remote.
  const auto lookups = connections.Lookups();
  ASSERT_EQ(lookups.size(), std::size(cases));
  for (const auto& lookup : lookups) {
    EXPECT_EQ(lookup.local.address, 0x7F000001u);
    EXPECT_NE(lookup.local.port, port);
    EXPECT_EQ(lookup.remote, (net::Endpoint{0x7F000001u, port}));
  }
}

TEST_F(QueryServerSessions, TheClientEndsAnAnsweredConnectionAndAnUnansweredOneIsReset) {
  // Whoever ends a connection first keeps it for minutes (TIME_WAIT); the
  // robot, which binds its port exclusively, must not keep any, or a robot
  // started anew would find its own port taken.
  RawClient answered(port);
  ASSERT_TRUE(answered.Send(Framed(
      SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"Sin origen")))));
  ASSERT_TRUE(answered.ReadResponse());
  EXPECT_TRUE(answered.StillOpen()) << "the robot ended the connection first";
  answered.Close();

  // No stored answer: the connection is reset, not ended in order.
  net::Socket unanswered = net::Socket::Tcp();
  ASSERT_TRUE(unanswered.Connect("127.0.0.1", port, 5000));
  const Bytes request =
      Framed(SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"Otro mensaje")));
  ASSERT_TRUE(net::WriteAll(unanswered, request.data(), static_cast<int>(request.size()), 5000,
                            nullptr));
  ASSERT_EQ(net::WaitReadable(unanswered, 5000, nullptr), net::WaitResult::kReady);
  std::uint8_t byte = 0;
#ifdef _WIN32
  // Wine ends a connection in order whatever its linger says, where Windows
  // resets it; here the connection is only seen closed.
  EXPECT_LE(unanswered.Receive(&byte, 1), 0);
#else
  EXPECT_EQ(unanswered.Receive(&byte, 1), net::Socket::kFailed) << "ended in order, not reset";
#endif
}

}  // namespace
}  // namespace korvex::testing
