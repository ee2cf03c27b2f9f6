// CMainFrame, the dialog watcher: the robot's main frame as logic, and
// everything it decides.  It is not a window (the name is the design's): the
// robot's hidden main window (robot/win32/main_frame_window.h) owns one and
// turns its window messages into the calls below; every effect goes out
// through the ports (robot/watcher/frame_ports.h), so the whole watcher runs
// over the in-memory desktop in tests.
//
// Everything here belongs to the robot's user-interface thread.
//
// One host event at a time.  The hook's notifications are posted, and the
// window system dispatches posted messages inside every modal loop the robot
// opens, so a notification can arrive while the user is being asked about a
// dialog (the replica, the question dialogs, the confirmation).  The rule:
//   - while a dialog is being asked, a dialog-ready for that same window is
//     dropped (it is the one being asked);
//   - an answer-rejected is dropped too: no answer of the robot is in the
//     host yet, so the popup is not a refusal of it;
//   - every other notification waits, in order, and is handled once the
//     question has ended (its answer stored under its own key, journalled
//     and performed);
// and the dialog being asked is kept alive by its handler, whatever a nested
// call does to m_dialog.  Queries and timers are not host events: a query
// finds the robot busy ("Error#2"), the host watch runs as usual.
//
// Failures while handling a dialog (a capture, a stored key or answer that
// does not read back, a window that does not answer in time, a failure of
// any type) end the handling of that dialog: they are swallowed, the dialog
// stays for the user to answer in the host, and busy, the alarm and the
// asking state are put back.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "platform/counting_window_system.h"
#include "platform/recorded_window_system.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "robot/capture/ask_user.h"
#include "robot/capture/dialog_follower.h"
#include "robot/capture/dossa_window.h"
#include "robot/query/ui_thread_port.h"
#include "robot/watcher/alarm.h"
#include "robot/watcher/frame_ports.h"
#include "robot/watcher/tray_state.h"

namespace korvex {

class CProfile;
class CProfileRepository;
class CVTIActions;
class Settings;

class CMainFrame {
 public:
  struct Ports {
    WindowSystem& ws;
    HookPort& hook;
    TimerPort& timers;
    TrayPort& tray;
    MascotPort& mascot;
    FrameDialogs& dialogs;
    AskUserPort& user;
    SoundPort& sound;
    // Armed on every captured dialog so that the host dialog follows the
    // replica the user drags.
    DialogFollower& follower;
    // The lookups the query service has in flight: the only records that
    // RM_REMOTE_QUERY's lParam may name.
    query::RemoteQueryRecords& queries;
    // Where the automatic answers' timelines go; none: nowhere.
    TimelinePort* timeline = nullptr;
  };

  // frame is the main frame's own window, slot its hidden "Static" child.
  CMainFrame(Ports ports, CProfileRepository& repository, CVTIActions& journal,
             const Settings& settings, Hwnd frame, Hwnd slot);
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // --- messages ------------------------------------------------------------
  // WM_TIMER: 1 host watch, 2 alarm; false for a timer that is not ours.
  bool OnTimer(int id);
  // A question of the tariff control, handed over by a query thread (the
  // record's address is lParam of kRemoteQuery).  Always 1, as the
  // message's result.
  std::intptr_t OnRemoteQuery(query::RemoteQueryRecord& record);
  std::intptr_t OnClearSlot();
  std::intptr_t OnGetSlot(std::uintptr_t wparam, std::intptr_t lparam) const;
  // One of the rm::kSelect* results (robot/watcher/robot_messages.h).
  std::intptr_t OnSelectProfile();
  // Dispatches one of the messages above, or one of the hook's five
  // notifications (sentrel/notifications.h), which go straight to the one
  // handler of host events when they come from the hooked host (the window
  // they name is of the host's process; the two that name none only while
  // the host's validation window is known); false when the message is not
  // ours.  An RM_REMOTE_QUERY whose lParam is not a registered record, or
  // whose wParam is not that record's generation, is answered 0 without
  // being touched.
  bool HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam,
                     std::intptr_t* result);

  // --- operations -------------------------------------------------------------
  void HostWatch();
  // Activates the profile (none: deactivates, with the reports).  A profile
  // is activated only once its journal is open, or when the host's caption
  // gives no file name (said in a balloon); when the journal cannot be
  // opened the balloon says why and the profile stays inactive: false.
  bool ActivateProfile(CProfile* profile);
  int TrayState() const;
  // The journal holds questions or messages of the run.
  bool JournalHoldsRecords() const;
  // A left click on the tray icon while a profile is active in a
  // validation: the "Robot activo" balloon with the item under validation.
  void ShowActiveBalloon();
  bool IsCommandEnabled(TrayCommand command) const {
    return korvex::IsCommandEnabled(TrayState(), command);
  }
  // The robot is closing: the captured dialog goes, the hook is removed and
  // the host watch stops.
  void Shutdown();
  // Commands that open the robot's own modal dialogs mark the robot busy.
  void SetBusy(bool busy) { m_busy = busy; }
  // The store could not write a learned answer: the user is told which
  // profile lost it.
  void OnStoreWriteFailure(TextView profile, std::int32_t system_code, TextView system_text);

  // --- state ----------------------------------------------------------------
  Hwnd HostWindow() const { return m_hostWnd; }
  std::uintptr_t Hook() const { return m_hook; }
  Hwnd ValidationWindow() const { return m_validationWnd; }
  bool Validating() const { return m_validating; }
  bool ValidationRunning() const { return m_validationRunning; }
  CProfile* ActiveProfile() const { return m_activeProfile; }
  const CDossaWindow* Dialog() const { return m_dialog.get(); }
  const Text& LastKey() const { return m_lastKey; }
  std::uint16_t ItemNumber() const { return m_itemNumber; }
  bool Busy() const { return m_busy; }
  // A dialog is being asked (the replica or a question dialog, or the
  // confirmation, is open).
  bool Asking() const { return m_asking; }
  // The tray's commands wait: a dialog is being handled, one of the robot's
  // own dialogs is open, or a question is open (also the one asked again
  // after a refused answer, which does not mark the robot busy).  The tray
  // state is then kTrayBusy.
  bool CommandsHeld() const { return m_busy || m_asking; }
  std::size_t PendingEvents() const { return m_pending.size(); }
  const Alarm& GetAlarm() const { return m_alarm; }

 private:
  struct HostEvent {
    std::uint32_t message;
    std::uintptr_t wparam;
  };
  // A notification the hook in the hooked host could have posted: the
  // window it names belongs to the host's process.
  bool IsFromHookedHost(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) const;
  // Handles the event now, or queues or drops it while a dialog is asked;
  // then handles what waited.
  void OnHostEvent(HostEvent event);
  void HandleHostEvent(const HostEvent& event);
  void HandleDialogReady(Hwnd dialog);
  // Makes the capture of window read the hook's snapshot, when the session's
  // buffer holds one of that dialog that still matches it; otherwise the
  // capture reads the live dialog.
  void UseSnapshotOf(Hwnd window);
  void HandleAnswerRejected();
  void ValidationStarted(Hwnd validation);
  void ValidationEnded();
  void ValidateButton(bool hidden);
  // Asks the user about the dialog (the asking state set meanwhile), stores
  // the answer under key when the user says so, journals it, and returns
  // the answers, owned by the dialog.
  AnswerList AskAndLearn(const std::shared_ptr<CDossaWindow>& dialog, Hwnd window,
                         const Text& key);
  bool IsAlive(Hwnd window) const;
  void FindHost();
  void InstallHook();
  // The item of the validation window's progress frame, read through ws.
  void ReadItemNumber(WindowSystem& ws);
  // The journal line of an automatic answer: settled before the press,
  // written after it.
  struct JournalLine {
    bool valid = false;  // a stored entry that cannot be described is not journalled
    bool message = false;
    std::uint16_t item = 0;
    Text question;
    Text answer;
  };
  static JournalLine DescribeAutomatic(std::uint16_t item, const CDossaWindow& shown,
                                       const Text& key, const Text& answer);
  void WriteJournalLine(const JournalLine& line);
  Hwnd ReportParent() const;
  void SetIdleTray();

  Ports m_ports;
  TimelinePort m_noTimeline;
  TimelinePort& m_timeline;
  // The host's dialogs are read through these: the count of what each call
  // costs, and the hook's snapshot of the dialog being handled.
  CountingWindowSystem m_counting;
  RecordedWindowSystem m_recorded;
  CProfileRepository& m_repository;
  CVTIActions& m_journal;
  const Settings& m_settings;
  Alarm m_alarm;
  const Hwnd m_frame;
  const Hwnd m_profileSlot;

  Hwnd m_hostWnd = kNoWindow;
  std::uint32_t m_hostThreadId = 0;
  std::uint32_t m_hostProcessId = 0;
  std::uintptr_t m_hook = 0;
  std::uint32_t m_hookThreadId = 0;  // the thread m_hook is installed on
  Hwnd m_validationWnd = kNoWindow;
  bool m_validating = false;
  bool m_validationRunning = false;
  CProfile* m_activeProfile = nullptr;
  // Shared with the handler that asks about it, so that nothing a nested
  // call does can free it under that handler.
  std::shared_ptr<CDossaWindow> m_dialog;
  Hwnd m_dialogWnd = kNoWindow;
  Text m_lastKey;
  std::uint16_t m_itemNumber = 0;
  bool m_busy = false;
  bool m_asking = false;
  Hwnd m_askedWnd = kNoWindow;
  std::deque<HostEvent> m_pending;
  bool m_shutDown = false;
  bool m_toldJournalElsewhere = false;
};

}  // namespace korvex
