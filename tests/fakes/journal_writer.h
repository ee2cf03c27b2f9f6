// Journal files written the way the robot writes them: through its own
// journal (CVTIActions) over the test doubles, so the files the report's
// tests read are the robot's, byte for byte.  The tests of the report, its
// benchmark and the browser test's page use it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/clock.h"
#include "platform/text.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/memory_registry.h"

namespace korvex::testing {

class JournalWriter {
 public:
  // Journals go to the folder (the "LogDir" setting).
  explicit JournalWriter(const Text& folder);
  ~JournalWriter();

  // The "LogSeparator" setting from now on, line by line; empty: the
  // regional separator (";" here).
  void SetSeparator(const Text& separator);

  // Starts a run at the time, on the host caption's identifier, with the
  // profile chosen; returns the file's path.
  Text Begin(const LocalTime& start, const Text& profile, const Text& identifier = u"12001IC04000123@");
  // Another profile chosen during the run.
  void Choose(const Text& profile);
  void Message(bool automatic, std::uint16_t item, const Text& text);
  void Question(bool automatic, std::uint16_t item, const Text& question, const Text& answer);
  // The closing line: the validation ended, or the robot was disconnected.
  void End(bool disconnected = false);
  // The robot stopped: the file ends without a closing line.
  void Stop();

 private:
  FakeDesktop m_desk;
  MemoryRegistry m_registry;
  Settings m_settings{m_registry};
  FixedRegionalSettings m_regional;
  SettableClock m_clock;
  std::unique_ptr<CVTIActions> m_journal;
};

}  // namespace korvex::testing
