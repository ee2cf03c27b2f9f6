// The ports the watcher (CMainFrame) drives: everything it shows or starts
// goes through one of these, so the robot's Win32 main window only turns
// window messages into calls and these calls into User32/Shell32 ones.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "platform/window_system.h"

namespace korvex {

// The frame's timers.
inline constexpr int kHostWatchTimer = 1;
inline constexpr int kAlarmTimer = 2;
inline constexpr std::uint32_t kHostWatchPeriodMs = 500;

// The tray icons.
inline constexpr int kIdleIcon = 137;
inline constexpr int kActiveIcon = 128;

// The results of the confirmation "¿Desea que esta respuesta quede guardada
// en el perfil?".
enum ConfirmResult : int {
  kConfirmStore = 6,   // "Sí"
  kConfirmDontStore = 7,  // "No", also when the dialog is closed
  kConfirmRetry = 10,  // "&Reintentar"
};

class TimerPort {
 public:
  virtual ~TimerPort() = default;
  virtual void SetTimer(int id, std::uint32_t milliseconds) = 0;
  virtual void KillTimer(int id) = 0;
};

class TrayPort {
 public:
  enum class BalloonIcon { None, Information, Warning, Error };
  virtual ~TrayPort() = default;
  // Switches the tray icon (kIdleIcon or kActiveIcon) and its tooltip.
  virtual void SetIcon(int icon, TextView tooltip) = 0;
  virtual void ShowBalloon(TextView text, TextView title, std::uint32_t timeout_ms,
                           BalloonIcon icon) = 0;
  virtual void HideBalloon() = 0;
};

class MascotPort {
 public:
  virtual ~MascotPort() = default;
  virtual void Show(bool show) = 0;
  virtual void Blink() = 0;
};

// The hook library, installed on the host's user-interface thread.
class HookPort {
 public:
  virtual ~HookPort() = default;
  // SetWindowsHookExW(WH_CALLWNDPROCRET, the library's procedure, its
  // module, thread); 0 on failure.
  virtual std::uintptr_t InstallHook(std::uint32_t thread_id) = 0;
  virtual void RemoveHook(std::uintptr_t hook) = 0;
  // Gives the library the window its notifications go to.
  virtual void RegisterPilotek(Hwnd frame) = 0;
  // A consistent copy of the dialog snapshot the library wrote into the
  // session's buffer (sentrel/dialog_snapshot.h), or nothing when there is
  // no buffer or the library is writing it.
  virtual std::vector<unsigned char> CopyDialogSnapshot() { return {}; }
};

// One automatic answer, step by step, in performance-counter ticks (0: the
// step did not happen), with what the window calls cost.
struct AnswerTimeline {
  Hwnd dialog = kNoWindow;
  std::uint64_t hook_began = 0;  // the hook began the snapshot (in the host)
  std::uint64_t hook_done = 0;   // and had written it, just before its post
  std::uint64_t received = 0;    // the robot took the notification
  std::uint64_t copied = 0;      // the snapshot copied and checked
  std::uint64_t captured = 0;    // the dialog's model built
  std::uint64_t keyed = 0;       // its key written (and the item number read)
  std::uint64_t looked_up = 0;   // the answer found in the profile
  std::uint64_t pressed = 0;     // the answer performed, its press sent
  std::uint64_t journalled = 0;  // the journal line written
  bool from_snapshot = false;
  int waits = 0;         // sends to another thread waited for
  int server_calls = 0;  // calls answered by the window system alone
  int recorded_reads = 0;  // reads answered from the snapshot
};

// Where the answer timelines go, when they are wanted (a measurement); by
// default nowhere.
class TimelinePort {
 public:
  virtual ~TimelinePort() = default;
  virtual bool Enabled() const { return false; }
  // The performance counter.
  virtual std::uint64_t Now() { return 0; }
  virtual void Write(const AnswerTimeline&) {}
};

// The robot's own modal dialogs that the watcher opens.
class FrameDialogs {
 public:
  virtual ~FrameDialogs() = default;
  // "¿Desea que esta respuesta quede guardada en el perfil?" over the live
  // host dialog: one of ConfirmResult.
  virtual int ConfirmStore(Hwnd parent) = 0;
  // The end-of-run reports, modal over parent (kNoWindow: the desktop).
  virtual void ShowMessagesReport(Hwnd parent) = 0;
  virtual void ShowActionsReport(Hwnd parent) = 0;
};

class SoundPort {
 public:
  virtual ~SoundPort() = default;
  // PlaySoundW(file, no module, SND_ASYNC | SND_NODEFAULT).
  virtual void PlayWav(TextView file) = 0;
};

}  // namespace korvex
