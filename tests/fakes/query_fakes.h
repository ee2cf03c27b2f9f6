// Test doubles of the query service's ports: a thread that plays the robot's
// user-interface thread, and the system's message-box icons and button texts
// as a table.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "robot/profiles/profile.h"
#include "robot/query/message_box_resources.h"
#include "robot/query/ui_thread_port.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex::testing {

// Plays the robot's user-interface thread: a thread of its own that takes
// the lookups sent to it one at a time, in the order they came, and hands
// each to the robot's real main frame (over the in-memory desktop), which
// answers and journals it.  Tests change the frame's state, and run code as
// the user-interface thread (Stop, say), through Run.  Lookups can be held
// in the queue, as when the thread is busy with something else.
class UiDispatcher final : public query::UiThreadPort {
 public:
  UiDispatcher();
  // Ends the thread; a lookup still waiting is not delivered (send result 0).
  ~UiDispatcher() override;
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  // Runs the task on the dispatcher thread, even while lookups are held,
  // and waits for it.
  void Run(const std::function<void()>& task);

  // The frame's active profile (null: none) and busy flag.
  void SetProfile(CProfile* profile);
  void SetBusy(bool busy);
  // The robot behind the thread; touch it only inside Run.
  FrameUnderTest& Robot() { return m_robot; }

  // Leaves the lookups that arrive waiting in the queue until Release.
  void Hold();
  void Release();
  // Waits until n lookups are waiting in the queue; false after timeout.
  bool WaitForWaitingLookups(std::size_t n, std::chrono::milliseconds timeout);

  // The lookups taken so far (answered or refused), in order.
  struct Taken {
    std::int32_t item = 0;
    Text key;
  };
  std::vector<Taken> TakenLookups() const;
  void ForgetTakenLookups();

  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override;
  void WaitWhileStopping(const std::function<bool()>& done) override;

 private:
  struct Pending {
    query::RemoteQueryRecord* record = nullptr;
    bool done = false;
    std::intptr_t result = 0;
  };
  struct Task {
    const std::function<void()>* run = nullptr;
    bool done = false;
  };

  void Loop();
  // On the dispatcher thread, without the lock.
  void Answer(query::RemoteQueryRecord& record);

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Pending*> m_lookups;
  std::deque<Task*> m_tasks;
  bool m_held = false;
  bool m_quit = false;
  std::vector<Taken> m_taken;
  // Touched on the dispatcher thread only (built before it starts).
  FrameUnderTest m_robot;
  std::thread m_thread;
};

// The message-box icons and button texts as a table.  The icons are those
// of the in-memory desktop (FakeDesktop::SystemIcon), so keys built from
// them equal the keys of dialogs captured there.
class FakeMessageBoxResources final : public query::MessageBoxResources {
 public:
  // Without texts the export counts as absent, as under Wine.
  std::map<unsigned, Text> texts;
  bool has_export = false;
  // False: every icon fails to load.
  bool icons = true;

  IconHandle LoadSystemIcon(int id) override {
    return icons ? 0x10000 + static_cast<IconHandle>(id) : 0;
  }
  bool LoadMB_GetString() override { return has_export; }
  std::optional<Text> MB_GetString(unsigned index) override;
};

}  // namespace korvex::testing
