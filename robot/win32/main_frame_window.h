// The robot's hidden main window, "PILOTEK_MAIN_FRAME": it owns everything
// the program runs (the profile store, the journal, the watcher, the tray
// icon, the mascot, the query service) and wires every port of the watcher
// to real windows: its timers, the hook library, the robot's dialogs, the
// sound.  Window messages become calls of the watcher (CMainFrame) and of
// the tray commands (FrameCommands), one window procedure behind one
// barrier.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/clock.h"
#include "platform/win32/win32_regional.h"
#include "platform/win32/win32_session_system.h"
#include "platform/win32/win32_window_system.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "robot/profiles/profile_repository.h"
#include "robot/query/query_server.h"
#include "robot/tray/frame_commands.h"
#include "robot/tray/management_commands.h"
#include "robot/watcher/main_frame.h"
#include "robot/win32/ask_user_dialogs.h"
#include "robot/win32/dialog_snapshot_buffer.h"
#include "robot/win32/management_dialogs.h"
#include "robot/win32/mascot_window.h"
#include "robot/win32/profile_dialogs.h"
#include "robot/win32/tcp_connection_table.h"
#include "robot/win32/timeline_file.h"
#include "robot/win32/tray_icon.h"
#include "robot/win32/ui_thread_port.h"
#include "robot/win32/win32_message_box_resources.h"
#include "robot/win32/window.h"

namespace korvex {
class Registry;
}

namespace korvex::win32 {

// The tray icon's callback message.
inline constexpr UINT kTrayCallback = WM_USER;

// The system's text for an error code, without its line break.
std::wstring SystemErrorText(DWORD code);

class CMainFrameWindow final : public Window,
                               private TimerPort,
                               private HookPort,
                               private FrameDialogs,
                               private SoundPort,
                               private ProfileStoreUi {
 public:
  // Loads the profile store at once.  A store that cannot be read whole is
  // reported to the user once the window exists; the program goes on with
  // what it could read and writes nothing over the rest
  // (CProfileRepository's partial load).
  explicit CMainFrameWindow(Registry& registry);
  ~CMainFrameWindow() override;

  // Creates the window (the frame's creation, then hidden).  False when it
  // cannot.
  bool Create();

  CMainFrame& Watcher() { return *m_main; }
  FrameCommands& Commands() { return *m_commands; }

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnCreate();
  void OnClose();
  LRESULT OnTrayNotification(WPARAM wparam, LPARAM lparam);
  void ShowTrayMenu();
  void ApplyMenuStates(HMENU popup);
  void AllowMessagesFromLowerIntegrity();
  void ReportStoreLoadFailure();
  // The port the query service listens on, as a property of the frame for
  // the tariff controls of this session; the user is told when it is not
  // the robot's port.
  void PublishQueryPort();

  // --- TimerPort --------------------------------------------------------------------
  void SetTimer(int id, std::uint32_t milliseconds) override;
  void KillTimer(int id) override;
  // --- HookPort -----------------------------------------------------------------------
  std::uintptr_t InstallHook(std::uint32_t thread_id) override;
  void RemoveHook(std::uintptr_t hook) override;
  void RegisterPilotek(Hwnd frame) override;
  std::vector<unsigned char> CopyDialogSnapshot() override;
  // --- FrameDialogs ---------------------------------------------------------------------
  int ConfirmStore(Hwnd parent) override;
  void ShowMessagesReport(Hwnd parent) override;
  void ShowActionsReport(Hwnd parent) override;
  // --- SoundPort ------------------------------------------------------------------------
  void PlayWav(TextView file) override;
  // --- ProfileStoreUi -------------------------------------------------------------------
  void ShowDeletionError(TextView caption, std::int32_t system_code) override;

  Win32WindowSystem m_ws;
  // The session's buffer the hook leaves each ready dialog's snapshot in.
  DialogSnapshotBuffer m_snapshots;
  TimelineFile m_timeline;
  Settings m_settings;
  Win32RegionalSettings m_regional;
  SystemClock m_clock;
  std::unique_ptr<CProfileRepository> m_repository;
  std::int32_t m_storeLoadError = 0;  // the system code that stopped the load
  CVTIActions m_journal;
  CTrayIcon m_tray;
  CRaravOvedov m_mascot;
  Win32DialogFollower m_follower;
  query::RemoteQueryRecords m_queries;
  Win32UiThreadPort m_uiPort;
  Win32MessageBoxResources m_messageBoxes;
  // The service serves the controls of this session only, and listens on a
  // free port when the robot's port is taken; the frame publishes the port.
  Win32SessionSystem m_sessions;
  Win32TcpConnectionTable m_connections;
  query::SessionPeers m_peers{m_sessions, m_connections};
  query::CDirectRobot m_service{query::QueryServerOptions{.free_port_when_taken = true,
                                                         .peers = &m_peers}};
  Win32AskUser m_askUser;
  Win32ProfileDialogs m_profileDialogs;
  Win32ManagementDialogs m_managementDialogs;
  std::unique_ptr<CMainFrame> m_main;
  std::unique_ptr<FrameCommands> m_commands;
  std::unique_ptr<ManagementCommands> m_management;

  HWND m_slot = nullptr;
  UniqueIcon m_icon;
  HOOKPROC m_hookProc = nullptr;
  UINT m_taskbarCreated = 0;
  bool m_closing = false;
};

}  // namespace korvex::win32
