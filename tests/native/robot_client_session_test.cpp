// The tariff control asks the robot of its own terminal-server session: the
// port that robot's main window publishes, 19697 when no window of the
// session publishes one (no robot, or a robot of an earlier version).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "protocol/protocol.h"
#include "robot/query/query_handlers.h"
#include "tarifex/ansi.h"
#include "tarifex/robot_client.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/session_fakes.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using tarifex::CProtorobot;
using tarifex::SessionRobotPort;

constexpr std::uint32_t kControl = 10;  // the host's process, in session 1
constexpr std::uint32_t kRobot = 20;    // a robot in session 1
constexpr std::uint32_t kStranger = 30;  // a process of session 2

TEST(RobotClientSession, TheControlTakesThePortItsSessionsRobotPublishes) {
  struct Case {
    const char* robot;
    bool window;
    std::uint32_t process;
    std::optional<std::uintptr_t> property;
    std::uint16_t port;
  };
  const Case cases[] = {
      {"no robot window", false, kRobot, std::nullopt, protocol::kRobotPort},
      {"a robot that publishes its port", true, kRobot, 50123, 50123},
      {"a robot of an earlier version, which publishes none", true, kRobot, std::nullopt,
       protocol::kRobotPort},
      {"a robot on the robot's port", true, kRobot, protocol::kRobotPort, protocol::kRobotPort},
      {"a property that is no port", true, kRobot, 70000, protocol::kRobotPort},
      {"a window of a process of another session", true, kStranger, 50123, protocol::kRobotPort},
      {"a window whose process cannot be looked at", true, 99, 50123, protocol::kRobotPort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.robot);
    FakeDesktop desk;
    desk.AddTopLevel({.class_name = u"Otro", .text = u"Otra ventana", .process_id = kStranger});
    if (c.window) {
      const Hwnd frame = desk.AddTopLevel(
          {.class_name = u"KorvexMainFrame", .text = u"PILOTEK_MAIN_FRAME", .process_id = c.process});
      if (c.property) desk.Get(frame).properties[protocol::kQueryPortProperty] = *c.property;
    }
    TableSessions sessions(kControl, {{kControl, 1}, {kRobot, 1}, {kStranger, 2}});
    EXPECT_EQ(SessionRobotPort(desk, &sessions), c.port);
  }
}

TEST(RobotClientSession, WithoutTheSessionsTheWindowFoundIsTaken) {
  // The window system shows the caller's own session only.
  FakeDesktop desk;
  const Hwnd frame = desk.AddTopLevel({.text = u"PILOTEK_MAIN_FRAME", .process_id = kStranger});
  desk.Get(frame).properties[protocol::kQueryPortProperty] = 50124;
  EXPECT_EQ(SessionRobotPort(desk, nullptr), 50124);
}

class RobotClientSessionService : public QueryServiceTest {};

TEST_F(RobotClientSessionService, AQuestionGoesToThePortTheSessionsRobotPublishes) {
  // The service listens on a free port, as when 19697 is another session's.
  Store(query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), u"Sin certificado"),
        u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
  FakeDesktop desk;
  const Hwnd validation = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                            .text = u"Validación Total de Items",
                                            .style = 0x16CF0000,
                                            .process_id = kControl});
  desk.AddChild(validation, {.class_name = u"ThunderRT6Frame",
                             .text = u"Declaración - Validando Item: 4",
                             .style = 0x50000000});
  const Hwnd frame = desk.AddTopLevel({.text = u"PILOTEK_MAIN_FRAME", .process_id = kRobot});
  TableSessions sessions(kControl, {{kControl, 1}, {kRobot, 1}});
  CProtorobot client(desk, {.clock = &clock, .sessions = &sessions});

  // Before the robot's window says where it listens, the control asks on
  // 19697, where this robot is not.
  const bool on_robot_port =
      client.MensajeAlDespachante(validation, "Sin certificado", "Mensaje al declarante", 0x40);
  EXPECT_TRUE(ui.TakenLookups().empty());
  (void)on_robot_port;  // another program may listen on 19697 here

  desk.Get(frame).properties[protocol::kQueryPortProperty] = port;
  EXPECT_TRUE(
      client.MensajeAlDespachante(validation, "Sin certificado", "Mensaje al declarante", 0x40));
  ASSERT_EQ(ui.TakenLookups().size(), 1u);
  EXPECT_EQ(ui.TakenLookups()[0].item, 4);
}

}  // namespace
}  // namespace korvex::testing
