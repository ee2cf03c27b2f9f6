// The robot's main frame as logic: the dialog watcher and everything it
// decides.  The Win32 main frame window owns one CMainFrame and turns its
// window messages into the calls below; every effect goes out through the
// ports, so the whole watcher runs over the in-memory desktop in tests.
//
// Everything here belongs to the robot's user-interface thread.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/text.h"
#include "platform/window_system.h"
#include "robot/app/alarm.h"
#include "robot/app/frame_ports.h"
#include "robot/query/ui_thread_port.h"
#include "robot/window/ask_user.h"
#include "robot/window/dossa_window.h"

namespace korvex {

class CProfile;
class CProfileRepository;
class CVTIActions;
class Settings;

// The tray menu's commands, in menu order.
enum class TrayCommand {
  SelectProfile,   // "&Seleccionar perfil"
  CreateProfile,   // "Crear &nuevo perfil"
  DeleteProfile,   // "&Borrar perfil"
  ViewProfiles,    // "&Ver perfiles"
  ExportProfiles,  // "&Exportar perfiles"
  ImportProfiles,  // "&Importar perfiles"
  Disconnect,      // "&Desconectar robot"
  Configure,       // "Con&figuración..."
  Close,           // "&Cerrar"
  About,           // "&Acerca de KORVEX..."
};

// Whether a command is enabled in a tray state (1 to 8).
bool IsCommandEnabled(int tray_state, TrayCommand command);

// The item number of a progress caption "Declaración - Validando Item: N":
// 1 to 9999, or 0 when the caption does not carry one.
std::uint16_t ItemNumberFromCaption(TextView caption);

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
  void OnValidationStarted(Hwnd validation);
  void OnValidationEnded();
  void OnValidateButton(bool hidden);
  void OnDialogReady(Hwnd dialog);
  void OnAnswerRejected();
  // A question of the tariff control, handed over by a query thread (the
  // record's address is lParam of kRemoteQuery).  Always 1, as the
  // message's result.
  std::intptr_t OnRemoteQuery(query::RemoteQueryRecord& record);
  std::intptr_t OnClearSlot();
  std::intptr_t OnGetSlot(std::uintptr_t wparam, std::intptr_t lparam) const;
  // One of the rm::kSelect* results (robot/app/robot_messages.h).
  std::intptr_t OnSelectProfile();
  // Dispatches one of the messages above; false when it is not ours.
  bool HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam,
                     std::intptr_t* result);

  // --- operations -------------------------------------------------------------
  void HostWatch();
  void ActivateProfile(CProfile* profile);
  int TrayState() const;
  bool IsCommandEnabled(TrayCommand command) const {
    return korvex::IsCommandEnabled(TrayState(), command);
  }
  // The robot is closing: the captured dialog goes, the hook is removed and
  // the host watch stops.
  void Shutdown();
  // Commands that open the robot's own modal dialogs mark the robot busy.
  void SetBusy(bool busy) { m_busy = busy; }

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
  const Alarm& GetAlarm() const { return m_alarm; }

 private:
  bool IsAlive(Hwnd window) const;
  void FindHost();
  void ReadItemNumber();
  AnswerList AskAndLearn(Hwnd dialog);
  void JournalAutomatic(std::uint16_t item, const CDossaWindow& shown, const Text& key,
                        const Text& answer);
  Hwnd ReportParent() const;
  void SetIdleTray();

  Ports m_ports;
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
  Hwnd m_validationWnd = kNoWindow;
  bool m_validating = false;
  bool m_validationRunning = false;
  CProfile* m_activeProfile = nullptr;
  std::unique_ptr<CDossaWindow> m_dialog;
  Hwnd m_dialogWnd = kNoWindow;
  Text m_lastKey;
  std::uint16_t m_itemNumber = 0;
  bool m_busy = false;
};

}  // namespace korvex
