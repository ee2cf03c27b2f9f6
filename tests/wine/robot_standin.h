// A stand-in for the robot program KORVEX.exe in tests of the tariff
// control: the real query service listening on the robot's port, and a
// user-interface thread with a real window through which every lookup
// arrives (SendMessageW 0x402) and is handled by the real main frame's
// logic (CMainFrame::HandleMessage) with its active profile and journal.
// What KORVEX.exe adds around them (the tray, the hook, the watcher's
// dialogs) is recorded by the frame's test doubles.
//
// The profile is filled, and the journal read, through Run, on the frame's
// own thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "protocol/protocol.h"
#include "robot/journal/vti_actions.h"
#include "robot/profiles/profile.h"

namespace korvex::wine_test {

class RobotStandIn {
 public:
  explicit RobotStandIn(std::uint16_t port = protocol::kRobotPort);
  // Stops the service, then ends the frame's thread.
  ~RobotStandIn();
  RobotStandIn(const RobotStandIn&) = delete;
  RobotStandIn& operator=(const RobotStandIn&) = delete;

  // Starts the query service; false when it cannot listen.
  bool Start();
  std::uint16_t Port() const;

  // What the host watch, the hook and the user would do once the host's
  // validation window is there: the frame finds the host, learns the window
  // and the profile is selected.
  void ValidationStarted(HWND validation);

  // Runs the task on the frame's thread and waits for it.
  void Run(const std::function<void()>& task);
  // The profile the user selects (fill it before ValidationStarted).
  CProfile& Profile();
  // The journal (read it through Run).
  const CVTIActions& Journal() const;
  // How many lookups the frame took.
  int Lookups() const;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace korvex::wine_test
