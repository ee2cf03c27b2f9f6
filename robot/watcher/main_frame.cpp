#include "robot/watcher/main_frame.h"

#include <exception>

#include "robot/capture/capture.h"
#include "robot/capture/dialog_snapshot_reader.h"
#include "robot/capture/perform.h"
#include "robot/capture/recognition_error.h"
#include "robot/common/robot_strings.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "robot/key/answer_text.h"
#include "robot/key/descriptions.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/item_number.h"
#include "robot/watcher/robot_messages.h"
#include "sentrel/host_windows.h"
#include "sentrel/notifications.h"

namespace korvex {

namespace {

using sentrel::kFormClass;
using sentrel::kFrameClass;
using sentrel::kHostModule;
constexpr std::u16string_view kProgressPrefix = sentrel::kProgressPrefix;
constexpr std::u16string_view kNotificationTitle = u"Notificación";

// Puts a flag back to the value it had when the guard was made.
class RestoreOnExit {
 public:
  explicit RestoreOnExit(bool& flag) : m_flag(flag), m_saved(flag) {}
  ~RestoreOnExit() { m_flag = m_saved; }
  RestoreOnExit(const RestoreOnExit&) = delete;
  RestoreOnExit& operator=(const RestoreOnExit&) = delete;

 private:
  bool& m_flag;
  bool m_saved;
};

}  // namespace

CMainFrame::CMainFrame(Ports ports, CProfileRepository& repository, CVTIActions& journal,
                       const Settings& settings, Hwnd frame, Hwnd slot)
    : m_ports(ports),
      m_timeline(ports.timeline != nullptr ? *ports.timeline : m_noTimeline),
      m_counting(ports.ws),
      m_recorded(m_counting),
      m_repository(repository),
      m_journal(journal),
      m_settings(settings),
      m_alarm(settings, ports.timers, ports.sound),
      m_frame(frame),
      m_profileSlot(slot) {}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::IsAlive(Hwnd window) const {
  return window != kNoWindow && m_ports.ws.GetWindowLongW(window, win::kGwlStyle) != 0;
}

// --- host watch ------------------------------------------------------------------

bool CMainFrame::OnTimer(int id) {
  if (id == kHostWatchTimer) {
    HostWatch();
    return true;
  }
  if (id == kAlarmTimer) {
    m_alarm.OnTimer();
    return true;
  }
  return false;
}

void CMainFrame::HostWatch() {
  if (m_hostWnd != kNoWindow) {
    const ThreadProcessIds ids = m_ports.ws.GetWindowThreadProcessId(m_hostWnd);
    if (ids.thread_id == m_hostThreadId && ids.process_id == m_hostProcessId &&
        ids.thread_id != 0) {
      // The same host: a hook that could not be installed is tried again.
      if (m_hook == 0) InstallHook();
      return;
    }
  }
  FindHost();
  if (m_hostThreadId != 0) {
    InstallHook();
  } else {
    if (m_hook != 0) m_ports.hook.RemoveHook(m_hook);
    m_hook = 0;
    m_hookThreadId = 0;
    m_hostWnd = kNoWindow;
    m_hostThreadId = 0;
    m_hostProcessId = 0;
  }
}

void CMainFrame::InstallHook() {
  // A hook on the host's thread stays: removing it and installing it again
  // may unload the hook library from the host and lose what it tracks of
  // the validation under way.  Only a hook on another thread is replaced.
  if (m_hook != 0 && m_hookThreadId == m_hostThreadId) return;
  if (m_hook != 0) m_ports.hook.RemoveHook(m_hook);
  m_hook = m_ports.hook.InstallHook(m_hostThreadId);
  m_hookThreadId = m_hook != 0 ? m_hostThreadId : 0;
  if (m_hook == 0) return;  // tried again at the next tick
  // A new hook takes effect once the thread takes a message.
  m_ports.ws.PostMessageW(m_hostWnd, win::kWmNull, 0, 0);
  m_ports.hook.RegisterPilotek(m_frame);
}

void CMainFrame::FindHost() {
  m_hostWnd = kNoWindow;
  m_hostThreadId = 0;
  m_hostProcessId = 0;
  for (Hwnd window = m_ports.ws.FindWindowExW(kNoWindow, kNoWindow, kFormClass);
       window != kNoWindow; window = m_ports.ws.FindWindowExW(kNoWindow, window, kFormClass)) {
    const ThreadProcessIds ids = m_ports.ws.GetWindowThreadProcessId(window);
    const Text module = m_ports.ws.GetProcessModuleBaseName(ids.process_id);
    if (EqualsIgnoringAsciiCase(module, kHostModule)) {
      m_hostWnd = window;
      m_hostThreadId = ids.thread_id;
      m_hostProcessId = ids.process_id;
      return;
    }
  }
}

// The hook's notifications come from the host's own thread, so the windows
// they name are the host's: a notification that names a window of another
// process was posted by someone else and is dropped.  The two that name no
// window mean something only while a validation window of the host is known.
bool CMainFrame::IsFromHookedHost(std::uint32_t message, std::uintptr_t wparam,
                                  std::intptr_t lparam) const {
  const auto host_window = [this](Hwnd window) {
    return m_hostProcessId != 0 && window != kNoWindow &&
           m_ports.ws.GetWindowThreadProcessId(window).process_id == m_hostProcessId;
  };
  switch (message) {
    case sentrel::kDialogReady:
    case sentrel::kValidationStarted:
      return host_window(static_cast<Hwnd>(wparam));
    case sentrel::kAnswerRejected:
      // The popup may be gone already; the validation window that owns it
      // is there.
      return host_window(static_cast<Hwnd>(lparam));
    case sentrel::kValidationEnded:
    case sentrel::kValidateButton:
      return m_validating;
    default:
      return false;
  }
}

// --- validation window --------------------------------------------------------------

void CMainFrame::SetIdleTray() {
  m_ports.tray.SetIcon(kIdleIcon, LoadRobotString(str::kTrayIdleTip));
}

void CMainFrame::ValidationStarted(Hwnd validation) {
  m_validationWnd = validation;
  m_validating = true;
  m_validationRunning = false;
  if (!m_busy) {
    m_ports.tray.ShowBalloon(LoadRobotString(str::kValidationDetected), kNotificationTitle, 10000,
                             TrayPort::BalloonIcon::Information);
    m_activeProfile = nullptr;
    SetIdleTray();
    m_journal.Clear();
  }
}

void CMainFrame::ValidationEnded() {
  m_validationWnd = kNoWindow;
  m_validating = false;
  m_validationRunning = false;
  ActivateProfile(nullptr);
  m_ports.tray.HideBalloon();
  SetIdleTray();
}

void CMainFrame::ValidateButton(bool hidden) {
  m_validationRunning = hidden;
  if (hidden) m_ports.tray.HideBalloon();
}

void CMainFrame::ReadItemNumber(WindowSystem& ws) {
  m_itemNumber = 0;
  if (!IsAlive(m_validationWnd)) return;
  for (Hwnd frame = ws.FindWindowExW(m_validationWnd, kNoWindow, kFrameClass);
       frame != kNoWindow;
       frame = ws.FindWindowExW(m_validationWnd, frame, kFrameClass)) {
    const Text caption = ws.GetWindowTextW(frame, 512);
    if (caption.substr(0, kProgressPrefix.size()) == kProgressPrefix) {
      m_itemNumber = ItemNumberFromCaption(caption);
      return;
    }
  }
}

// --- dialogs ------------------------------------------------------------------------

CMainFrame::JournalLine CMainFrame::DescribeAutomatic(std::uint16_t item, const CDossaWindow& shown,
                                                     const Text& key, const Text& answer) {
  JournalLine line;
  line.item = item;
  line.message = shown.IsPlainMessage();
  line.question = DescribeQuestion(shown);
  if (line.message) {
    line.valid = true;
    return line;
  }
  try {
    const std::unique_ptr<CDossaWindow> rebuilt = ReadKey(key, answer);
    line.answer = DescribeAnswer(*rebuilt);
    line.valid = true;
  } catch (...) {
    // A stored entry that cannot be described is not journalled; the
    // answer is still given.
  }
  return line;
}

void CMainFrame::WriteJournalLine(const JournalLine& line) {
  if (!line.valid) return;
  if (line.message) {
    m_journal.AddMessage(true, line.item, line.question);
  } else {
    m_journal.AddQuestion(true, line.item, line.question, line.answer);
  }
}

void CMainFrame::OnHostEvent(HostEvent event) {
  if (m_asking) {
    const bool same_dialog =
        event.message == sentrel::kDialogReady && static_cast<Hwnd>(event.wparam) == m_askedWnd;
    if (same_dialog || event.message == sentrel::kAnswerRejected) return;
    m_pending.push_back(event);
    return;
  }
  HandleHostEvent(event);
  while (!m_asking && !m_pending.empty()) {
    const HostEvent next = m_pending.front();
    m_pending.pop_front();
    HandleHostEvent(next);
  }
}

void CMainFrame::HandleHostEvent(const HostEvent& event) {
  switch (event.message) {
    case sentrel::kDialogReady: HandleDialogReady(static_cast<Hwnd>(event.wparam)); break;
    case sentrel::kAnswerRejected: HandleAnswerRejected(); break;
    case sentrel::kValidationStarted: ValidationStarted(static_cast<Hwnd>(event.wparam)); break;
    case sentrel::kValidationEnded: ValidationEnded(); break;
    case sentrel::kValidateButton: ValidateButton(event.wparam != 0); break;
    default: break;
  }
}

void CMainFrame::UseSnapshotOf(Hwnd window) {
  m_recorded.Expire();
  const std::vector<unsigned char> copy = m_ports.hook.CopyDialogSnapshot();
  if (copy.empty()) return;
  std::optional<DialogRecording> recording = ReadDialogSnapshot(copy.data(), copy.size(), window);
  if (!recording) return;
  // A snapshot of this window that is still this dialog: the same first
  // child (the window tree, asked of the window system, not of the host).
  const Hwnd first_child = recording->windows.size() > 1 &&
                                   recording->windows[1].kind == RecordedWindow::Kind::kChild
                               ? recording->windows[1].window
                               : kNoWindow;
  if (m_counting.GetWindow(window, win::kGwChild) != first_child) return;
  // The validation window's frames are recorded only for the window the
  // watcher follows.
  if (recording->validation != kNoWindow && recording->validation != m_validationWnd) return;
  m_recorded.Record(std::move(*recording));
}

void CMainFrame::HandleDialogReady(Hwnd window) {
  if (m_activeProfile == nullptr || window == kNoWindow || !IsAlive(window)) return;
  RestoreOnExit restore_busy(m_busy);
  m_busy = true;

  const bool timed = m_timeline.Enabled();
  AnswerTimeline line;
  line.dialog = window;
  if (timed) line.received = m_timeline.Now();
  m_counting.Reset();
  UseSnapshotOf(window);
  // The recording stands for the moment the hook took it: whatever the
  // handling of this dialog does after its key is read live.
  struct ExpireOnExit {
    RecordedWindowSystem& recorded;
    ~ExpireOnExit() { recorded.Expire(); }
  } expire{m_recorded};
  line.from_snapshot = !m_recorded.expired();
  if (timed) line.copied = m_timeline.Now();

  m_dialog.reset();
  try {
    m_dialog = CaptureDialog(m_recorded, window, &m_ports.follower);
  } catch (...) {
    // Error dialogs, dialogs of other shapes and dialogs that do not answer
    // in time stay for the user.
    return;
  }
  if (timed) line.captured = m_timeline.Now();
  // This handler's own reference: the dialog lives until it is done with it.
  const std::shared_ptr<CDossaWindow> dialog = m_dialog;
  m_dialogWnd = window;
  try {
    ReadItemNumber(m_recorded);
    const Text key = WriteKey(*dialog);
    m_lastKey = key;
    if (timed) line.keyed = m_timeline.Now();
    // The capture's sends take the messages sent to this thread meanwhile;
    // none of them may end the profile under this handler, but a closing
    // robot or a profile gone ends the handling here all the same.
    if (m_shutDown || m_activeProfile == nullptr) return;

    if (m_activeProfile->HasAnswer(key)) {
      const Text answer = m_activeProfile->GetAnswer(key);
      const OwnedAnswers list = ReadAnswers(answer);
      if (timed) line.looked_up = m_timeline.Now();
      // What the journal line says is settled before the press, from what
      // was read of the dialog; the line is written after it, off the way to
      // the answer.
      const JournalLine journal_line = DescribeAutomatic(m_itemNumber, *dialog, key, answer);
      line.recorded_reads = line.from_snapshot ? m_recorded.answered() : 0;
      m_recorded.Expire();
      try {
        PerformAnswers(AnswerList(list), dialog->GetRoot());
      } catch (...) {
        WriteJournalLine(journal_line);
        throw;
      }
      if (timed) line.pressed = m_timeline.Now();
      WriteJournalLine(journal_line);
      m_ports.mascot.Blink();
      if (timed) {
        line.journalled = m_timeline.Now();
        const WindowCallCounts& counts = m_counting.counts();
        line.waits = counts.waits;
        line.server_calls = counts.server_calls;
        if (line.from_snapshot) {
          line.hook_began = m_recorded.recording().taken_at;
          line.hook_done = m_recorded.recording().done_at;
        }
        m_timeline.Write(line);
      }
      return;
    }

    m_recorded.Expire();
    AnswerList list;
    {
      // The alarm sounds only while the question waits for the user.
      m_alarm.Arm();
      struct DisarmOnExit {
        Alarm& alarm;
        ~DisarmOnExit() { alarm.Disarm(); }
      } disarm{m_alarm};
      list = AskAndLearn(dialog, window, key);
    }
    if (m_shutDown) return;
    PerformAnswers(list, dialog->GetRoot());
    m_ports.mascot.Blink();
  } catch (...) {
    // The dialog stays for the user to answer in the host.
  }
}

namespace {

// The stored entry reads back as the store reads it (exactly one press for a
// dialog ended by a button).
bool IsStorableEntry(const Text& key, const Text& answers) {
  try {
    ReadStoredEntry(key, answers);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

AnswerList CMainFrame::AskAndLearn(const std::shared_ptr<CDossaWindow>& dialog, Hwnd window,
                                   const Text& key) {
  struct AskingScope {
    CMainFrame& frame;
    AskingScope(CMainFrame& f, Hwnd asked) : frame(f) {
      frame.m_asking = true;
      frame.m_askedWnd = asked;
    }
    ~AskingScope() {
      frame.m_asking = false;
      frame.m_askedWnd = kNoWindow;
    }
  } asking(*this, window);

  int choice = kConfirmDontStore;
  do {
    dialog->AskUser(m_ports.user);
    choice = m_ports.dialogs.ConfirmStore(window);
  } while (choice == kConfirmRetry);
  if (m_activeProfile != nullptr && choice == kConfirmStore) {
    const Text answers = WriteAnswers(dialog->GetAnswers());
    // A copy closed without one of its buttons (its close box on a yes/no
    // question) learned no press: such an answer would leave the dialog
    // waiting while the journal says it was answered, and it is not stored.
    if (IsStorableEntry(key, answers)) m_activeProfile->SetAnswer(key, answers);
  }
  if (dialog->IsPlainMessage()) {
    m_journal.AddMessage(false, m_itemNumber, DescribeQuestion(*dialog));
  } else {
    m_journal.AddQuestion(false, m_itemNumber, DescribeQuestion(*dialog),
                          DescribeAnswer(*dialog));
  }
  return dialog->GetAnswers();
}

void CMainFrame::HandleAnswerRejected() {
  if (m_activeProfile == nullptr || m_dialogWnd == kNoWindow || !m_dialog) return;
  // The popup refuses the answer of the dialog still on screen; once that
  // dialog has gone, the popup is about something else and the stored answer
  // stays.
  if (!IsAlive(m_dialogWnd)) return;
  const std::shared_ptr<CDossaWindow> dialog = m_dialog;
  const Hwnd window = m_dialogWnd;
  const Text key = m_lastKey;
  try {
    m_journal.RemoveQuestion(m_itemNumber, DescribeQuestion(*dialog));
    m_activeProfile->RemoveAnswer(key);
    const AnswerList list = AskAndLearn(dialog, window, key);
    if (m_shutDown) return;
    PerformAnswers(list, dialog->GetRoot());
    m_ports.mascot.Blink();
  } catch (...) {
    // The dialog stays for the user to answer in the host.
  }
}

// --- profiles -------------------------------------------------------------------------

Hwnd CMainFrame::ReportParent() const {
  if (m_validating && m_validationWnd != kNoWindow) return m_validationWnd;
  return m_hostWnd;  // kNoWindow: the desktop
}

bool CMainFrame::ActivateProfile(CProfile* profile) {
  if (!m_validating) profile = nullptr;
  if (profile == m_activeProfile) return true;
  if (profile != nullptr) {
    // The journal first: a profile is active only with its journal, or with
    // the user told why there is none.
    const Text name = profile->GetName();
    const JournalOpen opened = m_journal.Open(m_hostWnd, name);
    if (opened == JournalOpen::kFailed || opened == JournalOpen::kHostSilent) {
      const Text text =
          opened == JournalOpen::kFailed
              ? FormatMessageText(LoadRobotString(str::kJournalFailed),
                                  {m_settings.LogDir(), m_journal.FallbackFolder(), name})
              : FormatMessageText(LoadRobotString(str::kJournalHostSilent), {name});
      m_ports.tray.ShowBalloon(text, LoadRobotString(str::kJournalTitle), 10000,
                               TrayPort::BalloonIcon::Error);
      return false;
    }
    m_activeProfile = profile;
    m_ports.tray.SetIcon(kActiveIcon,
                         FormatMessageText(LoadRobotString(str::kRobotActive), {name}));
    if (opened == JournalOpen::kOpenedElsewhere && !m_toldJournalElsewhere) {
      // Once: the next journals go to the same place.
      m_toldJournalElsewhere = true;
      m_ports.tray.ShowBalloon(FormatMessageText(LoadRobotString(str::kJournalElsewhere),
                                                 {m_settings.LogDir(), m_journal.GetLogFolder()}),
                               LoadRobotString(str::kJournalTitle), 10000,
                               TrayPort::BalloonIcon::Warning);
    } else if (opened == JournalOpen::kNoName) {
      m_ports.tray.ShowBalloon(LoadRobotString(str::kJournalNoName),
                               LoadRobotString(str::kJournalTitle), 10000,
                               TrayPort::BalloonIcon::Warning);
    }
    m_ports.mascot.Show(true);
    return true;
  }
  m_activeProfile = nullptr;
  m_busy = true;
  m_ports.mascot.Show(false);
  if (m_journal.CountQuestions() != 0 || m_journal.CountMessages() != 0) {
    m_ports.tray.ShowBalloon(LoadRobotString(str::kEndedWithActions), kNotificationTitle, 0,
                             TrayPort::BalloonIcon::Information);
  }
  m_journal.Close(m_validating);
  const Hwnd parent = ReportParent();
  if (!m_journal.Messages().empty()) m_ports.dialogs.ShowMessagesReport(parent);
  if (!m_journal.Questions().empty()) m_ports.dialogs.ShowActionsReport(parent);
  m_ports.tray.HideBalloon();
  SetIdleTray();
  m_journal.Clear();
  m_busy = false;
  return true;
}

void CMainFrame::ShowActiveBalloon() {
  if (!m_validating || m_activeProfile == nullptr) return;
  ReadItemNumber(m_ports.ws);
  m_ports.tray.ShowBalloon(FormatMessageText(LoadRobotString(str::kValidatingItem),
                                             {std::int64_t{m_itemNumber}, m_activeProfile->GetName()}),
                           u"Robot activo", 10000, TrayPort::BalloonIcon::Information);
}

bool CMainFrame::JournalHoldsRecords() const {
  return m_journal.CountQuestions() != 0 || m_journal.CountMessages() != 0;
}

int CMainFrame::TrayState() const {
  if (CommandsHeld()) return kTrayBusy;
  if (m_repository.GetProfiles().empty()) return kTrayNoProfiles;
  if (m_validationRunning) {
    return m_activeProfile != nullptr ? kTrayRunningWithProfile : kTrayRunningNoProfile;
  }
  if (!m_validating) return kTrayNoValidation;
  if (m_activeProfile != nullptr) {
    const bool nothing_journalled =
        m_journal.CountQuestions() == 0 && m_journal.CountMessages() == 0;
    return nothing_journalled ? kTrayProfileNoRecords : kTrayProfileWithRecords;
  }
  return kTrayValidationNoProfile;
}

// --- other programs and query threads ----------------------------------------------------

std::intptr_t CMainFrame::OnClearSlot() {
  m_ports.ws.SetWindowTextW(m_profileSlot, u"");
  return 0;
}

std::intptr_t CMainFrame::OnGetSlot(std::uintptr_t wparam, std::intptr_t lparam) const {
  // A 32-bit sender's numbers arrive sign-extended in a 64-bit robot: only
  // their low 32 bits count.
  if (static_cast<std::uint32_t>(wparam) != rm::kGetSlotWParam ||
      static_cast<std::uint32_t>(lparam) != rm::kGetSlotLParam) {
    return -1;
  }
  return static_cast<std::intptr_t>(m_profileSlot);
}

std::intptr_t CMainFrame::OnSelectProfile() {
  const Text name = m_ports.ws.GetWindowTextW(m_profileSlot);
  if (name.empty()) return rm::kSelectEmptySlot;
  const int state = TrayState();
  if (!korvex::IsCommandEnabled(state, TrayCommand::SelectProfile)) {
    return rm::kSelectNotAllowed + state;
  }
  CProfile* profile = m_repository.FindProfile(name);
  if (profile == nullptr) return rm::kSelectNoSuchProfile;
  if (!ActivateProfile(profile)) return rm::kSelectNoJournal;
  m_ports.ws.SetWindowTextW(m_profileSlot, u"");
  return rm::kSelectDone;
}

std::intptr_t CMainFrame::OnRemoteQuery(query::RemoteQueryRecord& record) {
  record.found = 0;
  if (m_busy) {
    record.error = query::kErrorBusy;
    return 1;
  }
  if (m_activeProfile == nullptr) {
    record.error = query::kErrorNoProfile;
    return 1;
  }
  if (!m_activeProfile->HasAnswer(record.key)) {
    record.error = query::kErrorNoData;
    return 1;
  }
  record.response = m_activeProfile->GetAnswer(record.key);
  if (record.response.empty()) return 1;  // stored but empty: not found, no error text
  try {
    const std::unique_ptr<CDossaWindow> rebuilt = ReadKey(record.key, record.response);
    const auto item = static_cast<std::uint16_t>(record.item & 0xFFFF);
    if (rebuilt->IsPlainMessage()) {
      m_journal.AddMessage(true, item, DescribeQuestion(*rebuilt));
    } else {
      m_journal.AddQuestion(true, item, DescribeQuestion(*rebuilt), DescribeAnswer(*rebuilt));
    }
    record.found = 1;
    m_ports.mascot.Blink();
  } catch (...) {
    // A stored entry that does not read back is no answer.
  }
  return 1;
}

bool CMainFrame::HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam,
                               std::intptr_t* result) {
  *result = 0;
  switch (message) {
    case sentrel::kDialogReady:
    case sentrel::kValidationStarted:
    case sentrel::kValidationEnded:
    case sentrel::kAnswerRejected:
    case sentrel::kValidateButton:
      if (IsFromHookedHost(message, wparam, lparam)) OnHostEvent({message, wparam});
      return true;
    case rm::kRemoteQuery:
      // Only a record of the query service's own is ever touched.
      if (!m_ports.queries.Answer(wparam, lparam, [&](query::RemoteQueryRecord& record) {
            *result = OnRemoteQuery(record);
          })) {
        *result = 0;
      } else if (*result == 0) {
        *result = 1;  // answered "Stopping" while the service stops
      }
      return true;
    case rm::kClearSlot: *result = OnClearSlot(); return true;
    case rm::kGetSlot: *result = OnGetSlot(wparam, lparam); return true;
    case rm::kSelectProfile: *result = OnSelectProfile(); return true;
    default: return false;
  }
}

void CMainFrame::OnStoreWriteFailure(TextView profile, std::int32_t system_code,
                                     TextView system_text) {
  m_ports.tray.ShowBalloon(FormatMessageText(LoadRobotString(str::kStoreWriteFailed),
                                             {Text(profile), std::int64_t{system_code},
                                              Text(system_text)}),
                           LoadRobotString(str::kStoreTitle), 10000,
                           TrayPort::BalloonIcon::Warning);
}

void CMainFrame::Shutdown() {
  m_shutDown = true;
  m_activeProfile = nullptr;
  m_pending.clear();
  m_dialog.reset();
  if (m_hook != 0) m_ports.hook.RemoveHook(m_hook);
  m_hook = 0;
  m_hookThreadId = 0;
  m_ports.timers.KillTimer(kHostWatchTimer);
  m_alarm.Disarm();
}

}  // namespace korvex
