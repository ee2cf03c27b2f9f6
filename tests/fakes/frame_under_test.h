// The robot's real main frame over the in-memory desktop and registry, with
// recording ports: what a test needs to put the watcher's own handling (the
// remote query, the journal) behind the query service instead of a copy of
// it.  Not thread-safe: a test uses it on the thread that plays the robot's
// user-interface thread.
#pragma once

#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/main_frame.h"
#include "sentrel/notifications.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/frame_fakes.h"
#include "tests/fakes/memory_registry.h"
#include "tests/fakes/scripted_user.h"

namespace korvex::testing {

class FrameUnderTest {
 public:
  FrameUnderTest() = default;
  FrameUnderTest(const FrameUnderTest&) = delete;
  FrameUnderTest& operator=(const FrameUnderTest&) = delete;
  ~FrameUnderTest() { main.Shutdown(); }

  // Makes the profile the active one, as when the user selects it while the
  // host shows its validation window; null deactivates.  The profile need
  // not belong to the frame's repository.  The host is found and hooked
  // first when the robot has none.
  void Activate(CProfile* profile) {
    if (profile != nullptr && !main.Validating()) {
      if (main.HostWindow() == kNoWindow) {
        desk.SetProcessModuleName(kHostProcess, u"Dossa.exe");
        desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"DOSSA",
                          .thread_id = kHostProcess, .process_id = kHostProcess});
        main.OnTimer(kHostWatchTimer);
      }
      const Hwnd validation = desk.AddTopLevel(
          {.class_name = u"ThunderRT6FormDC", .text = u"Validación Total de Items"},
          main.HostWindow());
      ValidationStarted(validation);
    }
    main.ActivateProfile(profile);
  }

  // The hook's notifications (sentrel/notifications.h), handed to the
  // watcher as the robot's main window hands them over.
  void Notify(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam = 0) {
    std::intptr_t result = 0;
    main.HandleMessage(message, wparam, lparam, &result);
  }
  void DialogReady(Hwnd dialog) { Notify(sentrel::kDialogReady, dialog); }
  void ValidationStarted(Hwnd validation) { Notify(sentrel::kValidationStarted, validation); }
  void ValidationEnded() { Notify(sentrel::kValidationEnded, 0); }
  // As the hook posts it: lParam is the validation window that owns the popup.
  void AnswerRejected(Hwnd popup = kNoWindow) {
    Notify(sentrel::kAnswerRejected, popup, static_cast<std::intptr_t>(main.ValidationWindow()));
  }
  void ValidateButton(bool hidden) { Notify(sentrel::kValidateButton, hidden ? 1 : 0); }

  // The process (and thread) of the host that Activate finds.
  static constexpr std::uint32_t kHostProcess = 4242;

  FakeDesktop desk;
  MemoryRegistry registry;
  Settings settings{registry};
  FixedRegionalSettings regional;
  SettableClock clock;
  // The user's own data folder, where the journal goes when the log folder
  // cannot take it; empty: none.
  Text user_data;
  CVTIActions journal{desk, settings, regional, clock, [this] { return user_data; }};
  CProfileRepository repository{registry};
  FrameLog log;
  RecordingTimers timers{log};
  RecordingTray tray{log};
  RecordingMascot mascot{log};
  RecordingHook hook{log};
  ScriptedFrameDialogs dialogs{log};
  ScriptedUser user;
  RecordingSound sound{log};
  RecordingFollower follower;
  RecordingTimeline timeline;
  // The records of the lookups in flight: a test's stand-in for the query
  // service registers each record it sends (query::RegisteredRecord).
  query::RemoteQueryRecords queries;
  Hwnd frame = desk.AddTopLevel({.class_name = u"KorvexFrame", .text = u"PILOTEK_MAIN_FRAME"});
  Hwnd slot = desk.AddChild(frame, {.class_name = u"Static"});
  CMainFrame main{{desk, hook, timers, tray, mascot, dialogs, user, sound, follower, queries,
                   &timeline},
                  repository, journal, settings, frame, slot};
};

}  // namespace korvex::testing
