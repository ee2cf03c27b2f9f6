#include "robot/watcher/query_service_report.h"

#include "robot/common/robot_strings.h"

namespace korvex {

void ReportQueryService(const query::CDirectRobot& service, std::uint16_t robot_port,
                        TrayPort& tray, CVTIActions& journal) {
  const std::uint16_t port = service.Port();
  if (port == robot_port) {
    journal.SetStandingNote({});
    return;
  }
  Text text;
  TrayPort::BalloonIcon icon = TrayPort::BalloonIcon::Warning;
  if (port != 0) {
    // Controls of this version find the robot on its port; controls of an
    // earlier one ask the robot's port and reach someone else.
    text = FormatMessageText(LoadRobotString(str::kQueryPortTaken),
                             {std::int64_t{robot_port}, std::int64_t{service.PortError()},
                              std::int64_t{port}});
    icon = TrayPort::BalloonIcon::Information;
  } else {
    const int error = service.LastError() != 0 ? service.LastError() : service.PortError();
    text = FormatMessageText(LoadRobotString(str::kQueryServiceDown), {std::int64_t{error}});
  }
  tray.ShowBalloon(text, LoadRobotString(str::kQueryServiceTitle), 10000, icon);
  journal.SetStandingNote(text);
}

}  // namespace korvex
