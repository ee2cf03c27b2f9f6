#include "robot/win32/main_frame_window.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shlobj.h>

#include "platform/file_io.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "robot/common/robot_strings.h"
#include "robot/key/system_icons.h"
#include "protocol/protocol.h"
#include "robot/watcher/query_service_report.h"
#include "robot/watcher/robot_messages.h"
#include "robot/win32/report_dialogs.h"
#include "robot/win32/resource.h"
#include "sentrel/notifications.h"
#include "sentrel/win32/sentrel.h"

namespace korvex::win32 {

namespace {

constexpr wchar_t kFrameClass[] = L"KorvexMainFrame";
// WS_OVERLAPPEDWINDOW with the frame's add-to-title flag.
constexpr DWORD kFrameStyle = 0x00CF8000;

// The user's local application data folder, where the journal goes when
// the log folder cannot take it; empty when the shell does not give one.
Text LocalApplicationData() {
  wchar_t path[MAX_PATH] = L"";
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return FromWide(path);
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text = length != 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  return text;
}

CMainFrameWindow::CMainFrameWindow(Registry& registry)
    : m_settings(registry, ProgramFolder),
      m_journal(m_ws, m_settings, m_regional, m_clock, LocalApplicationData),
      m_tray(kTrayMenu),
      m_mascot(m_settings, [this](HMENU popup) { ApplyMenuStates(popup); }),
      m_uiPort(m_queries),
      m_askUser(m_ws, [this] { return m_main ? ToHwnd(m_main->ValidationWindow()) : nullptr; }),
      m_managementDialogs(m_settings, m_regional, [this] { return hwnd(); }) {
  // What cannot be read stays as it is in the registry, and is told to the
  // user once the window exists; the program goes on with the rest.
  std::vector<StoreLoadProblem> problems;
  m_repository = std::make_unique<CProfileRepository>(
      registry, static_cast<ProfileStoreUi*>(this), problems);
  if (!problems.empty()) m_storeLoadError = problems.front().code != 0 ? problems.front().code : -1;
  m_taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
  m_icon.reset(static_cast<HICON>(::LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                               IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  // The hook procedure of the library linked by import, by its export name.
  m_hookProc = reinterpret_cast<HOOKPROC>(
      ::GetProcAddress(::RobotGetDLLModule(), sentrel::kHookProcExport));
}

CMainFrameWindow::~CMainFrameWindow() {
  if (m_main) m_main->Shutdown();
  m_service.Stop();
  m_tray.Remove();
}

bool CMainFrameWindow::Create() {
  if (!RegisterWindowClass(kFrameClass, 0, m_icon.get())) return false;
  if (!Window::Create(0, kFrameClass, L"KORVEX", kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr) ||
      !m_main) {
    return false;
  }
  ::ShowWindow(hwnd(), SW_HIDE);
  ::UpdateWindow(hwnd());
  ReportStoreLoadFailure();
  return true;
}

bool CMainFrameWindow::OnCreate() {
  ::SetWindowTextW(hwnd(), LoadResourceString(str::kMainFrameCaption).c_str());
  // The text slot other programs write a profile's name into.
  m_slot = ::CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE, L"Static",
                             L"", WS_CHILD, 0, 0, 1, 1, hwnd(), nullptr, ProgramInstance(),
                             nullptr);
  if (m_slot == nullptr) return false;
  AllowMessagesFromLowerIntegrity();
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon.get()));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon.get()));

  m_uiPort.SetWindow(hwnd());
  m_main = std::make_unique<CMainFrame>(
      CMainFrame::Ports{m_ws, static_cast<HookPort&>(*this), static_cast<TimerPort&>(*this), m_tray,
                        m_mascot, static_cast<FrameDialogs&>(*this), m_askUser,
                        static_cast<SoundPort&>(*this), m_follower,
                        m_queries, &m_timeline},
      *m_repository, m_journal, m_settings, FromHwnd(hwnd()), FromHwnd(m_slot));
  m_commands = std::make_unique<FrameCommands>(*m_main, *m_repository, m_profileDialogs, m_mascot,
                                               [this] {
                                                 m_closing = true;
                                                 ::SendMessageW(hwnd(), WM_CLOSE, 0, 0);
                                               });
  m_management = std::make_unique<ManagementCommands>(*m_main, *m_repository, m_managementDialogs);
  m_management->Install(*m_commands);
  m_repository->SetWriteFailureHandler([this](const StoreWriteFailure& failure) {
    if (m_main) {
      m_main->OnStoreWriteFailure(failure.profile, failure.code,
                                  FromWide(SystemErrorText(static_cast<DWORD>(failure.code))));
    }
  });

  // The host watch, every 500 ms.
  SetTimer(kHostWatchTimer, kHostWatchPeriodMs);
  m_tray.SetNotificationWnd(hwnd(), kTrayCallback);
  m_tray.SetIcon(kIdleIcon, LoadRobotString(str::kTrayIdleTip));
  m_mascot.Create(hwnd());
  m_service.SetContext({&m_uiPort, &m_messageBoxes});
  m_service.Start();
  PublishQueryPort();
  return true;
}

void CMainFrameWindow::PublishQueryPort() {
  const std::wstring property = ToWide(protocol::kQueryPortProperty);
  if (const std::uint16_t port = m_service.Port(); port != 0) {
    ::SetPropW(hwnd(), property.c_str(), reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(port)));
  } else {
    ::RemovePropW(hwnd(), property.c_str());
  }
  ReportQueryService(m_service, protocol::kRobotPort, m_tray, m_journal);
}

void CMainFrameWindow::AllowMessagesFromLowerIntegrity() {
  // Looked up at run time: older systems do not have it.  0x402 carries a
  // pointer and stays out.
  using ChangeFilter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  const HMODULE user32 = ::LoadLibraryW(L"USER32.DLL");
  if (user32 == nullptr) return;
  const auto change = reinterpret_cast<ChangeFilter>(
      ::GetProcAddress(user32, "ChangeWindowMessageFilterEx"));
  if (change != nullptr) {
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW
    for (UINT message : {rm::kClearSlot, rm::kGetSlot, rm::kSelectProfile}) {
      change(hwnd(), message, kAllow, nullptr);
    }
    change(m_slot, WM_SETTEXT, kAllow, nullptr);
  }
  ::FreeLibrary(user32);
}

void CMainFrameWindow::ReportStoreLoadFailure() {
  if (m_storeLoadError == 0) return;
  const Text text = FormatMessageText(
      LoadRobotString(str::kStoreLoadFailed),
      {std::int64_t{m_storeLoadError},
       FromWide(SystemErrorText(static_cast<DWORD>(m_storeLoadError)))});
  ShowMessage(nullptr, ToWide(text), ToWide(LoadRobotString(str::kStoreTitle)),
              MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

// --- messages ---------------------------------------------------------------------------

LRESULT CMainFrameWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_TIMER:
      if (m_main && m_main->OnTimer(static_cast<int>(wparam))) {
        // A "&Cerrar" that came while a dialog was handled runs once it is.
        if (wparam == kHostWatchTimer && m_commands) m_commands->RunDeferred();
        return 0;
      }
      break;
    case WM_COMMAND:
      if (m_commands && lparam == 0 && m_commands->Run(LOWORD(wparam))) return 0;
      break;
    case kTrayCallback:
      return OnTrayNotification(wparam, lparam);
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(m_icon.get());
    case WM_PAINT:
      if (::IsIconic(hwnd())) {
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(hwnd(), &ps);
        ::SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        ::GetClientRect(hwnd(), &client);
        const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, m_icon.get());
        ::EndPaint(hwnd(), &ps);
        return 0;
      }
      break;
    default:
      if (message == m_taskbarCreated && m_taskbarCreated != 0) {
        m_tray.OnTaskbarCreated();
        return 0;
      }
      if (m_main) {
        std::intptr_t result = 0;
        if (m_main->HandleMessage(message, wparam, lparam, &result)) return result;
      }
      break;
  }
  return Window::OnMessage(message, wparam, lparam);
}

void CMainFrameWindow::OnClose() {
  if (!m_closing) {
    // Only "&Cerrar" ends the robot; any other close hides the frame.
    ::ShowWindow(hwnd(), SW_HIDE);
    return;
  }
  if (m_main) m_main->Shutdown();  // the captured dialog, the hook, timer 1
  m_service.Stop();
  ::RemovePropW(hwnd(), ToWide(protocol::kQueryPortProperty).c_str());
  m_mascot.Show(false);
  m_tray.RemoveAsProgramEnds();
  ::PostQuitMessage(0);
}

LRESULT CMainFrameWindow::OnTrayNotification(WPARAM wparam, LPARAM lparam) {
  if (wparam != m_tray.Id() || !m_main) return 0;
  switch (LOWORD(lparam)) {
    case WM_LBUTTONUP:
      m_main->ShowActiveBalloon();
      return 0;
    case WM_LBUTTONDBLCLK: {
      // The menu's first command, whatever the menu would enable.
      const UniqueMenu menu(::LoadMenuW(ProgramInstance(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
      const UINT first = menu ? ::GetMenuItemID(::GetSubMenu(menu.get(), 0), 0) : 0;
      if (first != 0 && first != static_cast<UINT>(-1)) {
        m_commands->RunWhateverTheState(static_cast<int>(first));
      }
      return 1;
    }
    case WM_RBUTTONUP:
      ShowTrayMenu();
      return 1;
    case NIN_BALLOONUSERCLICK:
      if (!m_main->CommandsHeld() && m_main->ActiveProfile() == nullptr &&
          m_main->Validating()) {
        m_commands->SelectProfile();
      }
      return 0;
    default:
      return 0;
  }
}

void CMainFrameWindow::ApplyMenuStates(HMENU popup) {
  if (popup == nullptr || !m_commands) return;
  ::SetMenuDefaultItem(popup, ID_SELECT_PROFILE, FALSE);
  bool hide_mascot_listed = false;
  for (const MenuItemState& item : m_commands->MenuStates(m_mascot.Shown())) {
    ::EnableMenuItem(popup, static_cast<UINT>(item.id),
                     MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    hide_mascot_listed = hide_mascot_listed || item.id == cmd::kHideMascot;
  }
  if (!hide_mascot_listed) ::DeleteMenu(popup, ID_HIDE_MASCOT, MF_BYCOMMAND);
}

void CMainFrameWindow::ShowTrayMenu() {
  const UniqueMenu menu(::LoadMenuW(ProgramInstance(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
  if (!menu) return;
  const HMENU popup = ::GetSubMenu(menu.get(), 0);
  ApplyMenuStates(popup);
  // The robot's own dialog, when one is open, comes to the front first.
  if (const HWND modal = CurrentModal(); modal != nullptr) {
    ::ShowWindow(modal, SW_RESTORE);
    ::SetForegroundWindow(modal);
  }
  POINT at{};
  ::GetCursorPos(&at);
  ::SetForegroundWindow(hwnd());
  ::TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  ::PostMessageW(hwnd(), WM_NULL, 0, 0);
}

// --- ports ---------------------------------------------------------------------------------

void CMainFrameWindow::SetTimer(int id, std::uint32_t milliseconds) {
  ::SetTimer(hwnd(), static_cast<UINT_PTR>(id), milliseconds, nullptr);
}

void CMainFrameWindow::KillTimer(int id) { ::KillTimer(hwnd(), static_cast<UINT_PTR>(id)); }

std::uintptr_t CMainFrameWindow::InstallHook(std::uint32_t thread_id) {
  if (m_hookProc == nullptr) return 0;
  return reinterpret_cast<std::uintptr_t>(
      ::SetWindowsHookExW(WH_CALLWNDPROCRET, m_hookProc, ::RobotGetDLLModule(), thread_id));
}

void CMainFrameWindow::RemoveHook(std::uintptr_t hook) {
  ::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook));
}

void CMainFrameWindow::RegisterPilotek(Hwnd frame) {
  // The buffer names the window the hook's notifications go to, before the
  // hook learns it.  KORVEX_SNAPSHOT=0 leaves the session without one, so
  // the robot reads every dialog live (a measurement of both ways).
  wchar_t wanted[4] = L"";
  const DWORD chars = ::GetEnvironmentVariableW(L"KORVEX_SNAPSHOT", wanted, 4);
  if (!(chars == 1 && wanted[0] == L'0')) m_snapshots.Open(ToHwnd(frame));
  ::RegisterPilotek(ToHwnd(frame));
}

std::vector<unsigned char> CMainFrameWindow::CopyDialogSnapshot() { return m_snapshots.Copy(); }

int CMainFrameWindow::ConfirmStore(Hwnd parent) { return CConfirmDlg().Ask(ToHwnd(parent)); }

void CMainFrameWindow::ShowMessagesReport(Hwnd parent) {
  CMessagesReportDlg(m_journal, ToHwnd(parent)).Run();
}

void CMainFrameWindow::ShowActionsReport(Hwnd parent) {
  CActionsReportDlg(m_journal, ToHwnd(parent)).Run();
}

void CMainFrameWindow::PlayWav(TextView file) {
  // A missing file plays nothing (no default sound) and says nothing.
  ::PlaySoundW(ToWide(file).c_str(), nullptr, SND_ASYNC | SND_NODEFAULT | SND_FILENAME);
}

void CMainFrameWindow::ShowDeletionError(TextView caption, std::int32_t system_code) {
  ShowMessage(nullptr, SystemErrorText(static_cast<DWORD>(system_code)), ToWide(caption),
              MB_OK | MB_ICONWARNING);
}

}  // namespace korvex::win32
