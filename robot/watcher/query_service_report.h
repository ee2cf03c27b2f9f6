// What the user is told about the query service once it has started: nothing
// when it listens on the robot's port; when the port was taken (by another
// program, or by the robot of another terminal-server session) and it listens
// on another, or when it listens nowhere, a balloon at once and a line in
// every journal of the run, so that whoever reads the journal knows why the
// tariff control asked its user.
#pragma once

#include <cstdint>

#include "robot/journal/vti_actions.h"
#include "robot/query/query_server.h"
#include "robot/watcher/frame_ports.h"

namespace korvex {

void ReportQueryService(const query::CDirectRobot& service, std::uint16_t robot_port,
                        TrayPort& tray, CVTIActions& journal);

}  // namespace korvex
