// The cost of one stored-answer dialog over the in-memory desktop: capture,
// key, lookup, journal record, answer performed.  Run by hand:
//   build/native/tests/bench/main_frame_bench
#include <benchmark/benchmark.h>

#include "platform/regional.h"
#include "robot/capture/capture.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "robot/key/answer_text.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/main_frame.h"
#include "sentrel/notifications.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/frame_fakes.h"
#include "tests/fakes/memory_registry.h"
#include "tests/fakes/scripted_user.h"

namespace korvex {
namespace {

using namespace korvex::testing;

void BM_StoredAnswerDialog(benchmark::State& state) {
  FakeDesktop desk;
  desk.on_click = [](Hwnd) -> std::intptr_t { return 0; };  // the box stays for the next round
  MemoryRegistry registry;
  Settings settings(registry);
  FixedRegionalSettings regional;
  SettableClock clock;
  CVTIActions journal(desk, settings, regional, clock);
  CProfileRepository repo;  // in memory: the store is not what is measured
  FrameLog log;
  RecordingTimers timers(log);
  RecordingTray tray(log);
  RecordingMascot mascot(log);
  RecordingHook hook(log);
  ScriptedFrameDialogs dialogs(log);
  ScriptedUser user;
  RecordingSound sound(log);
  RecordingFollower follower;
  query::RemoteQueryRecords queries;
  const Hwnd frame = desk.AddTopLevel({.text = u"PILOTEK_MAIN_FRAME"});
  const Hwnd slot = desk.AddChild(frame, {.class_name = u"Static"});
  CMainFrame main({desk, hook, timers, tray, mascot, dialogs, user, sound, follower, queries}, repo, journal,
                  settings, frame, slot);

  // The host, found and hooked as the host watch does.
  desk.SetProcessModuleName(1, u"Dossa.exe");
  const Hwnd host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"DOSSA"});
  main.OnTimer(kHostWatchTimer);
  const Hwnd validation = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                            .text = u"Validación Total de Items"},
                                           host);
  desk.AddChild(validation, {.class_name = u"ThunderRT6Frame",
                             .text = u"Declaración - Validando Item: 12"});
  std::intptr_t result = 0;
  main.HandleMessage(sentrel::kValidationStarted, validation, 0, &result);
  const Hwnd box = desk.AddMessageBox(u"Mensaje al declarante", u"El ítem no declara origen",
                                      desk.SystemIcon(win::kIdiAsterisk), {{u"Aceptar", 1}},
                                      validation);
  CProfile& profile = repo.CreateProfile(u"P");
  profile.SetAnswer(WriteKey(*CaptureDialog(desk, box)),
                    u"3|class CNullInteraction|class CPressButton|class CNullInteraction|");
  main.ActivateProfile(&profile);

  for (auto _ : state) {
    main.HandleMessage(sentrel::kDialogReady, box, 0, &result);
    log.entries.clear();
    desk.ClearSent();
    journal.Clear();
  }
}
BENCHMARK(BM_StoredAnswerDialog)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvex

BENCHMARK_MAIN();
