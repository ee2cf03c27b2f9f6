// The ports the watcher (CMainFrame) drives: everything it shows or starts
// goes through one of these, so the robot's Win32 main window only turns
// window messages into calls and these calls into User32/Shell32 ones.
#pragma once

#include <cstdint>

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
