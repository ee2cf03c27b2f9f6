// The robot's Win32 side against the real window system: its resources say
// what the portable tables say, and its dialogs behave as a broker sees
// them (the replica over a live host dialog, dragged with it; the
// confirmation that Enter and Escape do not answer).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_window_system.h"
#include "robot/capture/capture.h"
#include "robot/common/robot_strings.h"
#include "robot/tray/frame_commands.h"
#include "robot/win32/about_dialog.h"
#include "robot/win32/ask_user_dialogs.h"
#include "robot/win32/profile_dialogs.h"
#include "robot/win32/resource.h"
#include "robot/win32/window.h"
#include "tests/wine/live_dialog.h"
#include "tools/common/time_scale.h"

namespace korvex {
namespace {

using wine_test::LiveDialog;
using win32::FromHwnd;
using win32::FromWide;
using win32::ToWide;

// The first visible top-level window of this thread-less search: caption,
// and a thread other than the one given (the host's dialog has the same
// caption as its replica).
HWND WaitForWindow(const std::wstring& caption, DWORD of_thread, DWORD timeout_ms = 10000) {
  const ULONGLONG end = ::GetTickCount64() + tools::ScaledMs(timeout_ms);
  while (::GetTickCount64() < end) {
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w != nullptr;
         w = ::GetWindow(w, GW_HWNDNEXT)) {
      if (!::IsWindowVisible(w) || ::GetWindowThreadProcessId(w, nullptr) != of_thread) continue;
      wchar_t text[256];
      ::GetWindowTextW(w, text, 256);
      if (caption == text) return w;
    }
    ::Sleep(10);
  }
  return nullptr;
}

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

// --- resources ----------------------------------------------------------------------------

TEST(RobotResources, TheStringTableIsThePortableOne) {
  for (int id : RobotStringIds()) {
    SCOPED_TRACE(id);
    EXPECT_EQ(FromWide(win32::LoadResourceString(static_cast<UINT>(id))), LoadRobotString(id));
  }
}

TEST(RobotResources, TheTrayMenuInOrder) {
  const win32::UniqueMenu menu(::LoadMenuW(win32::ProgramInstance(), MAKEINTRESOURCEW(kTrayMenu)));
  ASSERT_TRUE(menu);
  const HMENU popup = ::GetSubMenu(menu.get(), 0);
  ASSERT_NE(popup, nullptr);
  const struct {
    int id;  // 0: a separator
    const wchar_t* text;
  } expected[] = {
      {cmd::kSelectProfile, L"&Seleccionar perfil"}, {cmd::kCreateProfile, L"Crear &nuevo perfil"},
      {cmd::kDeleteProfile, L"&Borrar perfil"},      {cmd::kViewProfiles, L"&Ver perfiles"},
      {cmd::kExportProfiles, L"&Exportar perfiles"}, {cmd::kImportProfiles, L"&Importar perfiles"},
      {0, L""},
      {cmd::kHideMascot, L"&Ocultar mascota"},       {cmd::kDisconnect, L"&Desconectar robot"},
      {cmd::kConfigure, L"Con&figuración..."},
      {0, L""},
      {cmd::kAbout, L"&Acerca de KORVEX..."},
      {0, L""},
      {cmd::kClose, L"&Cerrar"},
  };
  ASSERT_EQ(::GetMenuItemCount(popup), static_cast<int>(std::size(expected)));
  for (int i = 0; i < static_cast<int>(std::size(expected)); ++i) {
    SCOPED_TRACE(i);
    if (expected[i].id == 0) {
      EXPECT_EQ(::GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR,
                static_cast<UINT>(MF_SEPARATOR));
      continue;
    }
    EXPECT_EQ(::GetMenuItemID(popup, i), static_cast<UINT>(expected[i].id));
    wchar_t text[64];
    ::GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, expected[i].text);
  }
}

TEST(RobotResources, DialogsIconsAndTheMascotsPictures) {
  for (int id : {IDD_INPUT, IDD_OPTIONS, IDD_ADD_PROFILE, IDD_SELECT_PROFILE,
                 IDD_MESSAGES_REPORT, IDD_ACTIONS_REPORT, IDD_CONFIRM, IDD_DYN, IDD_ABOUT,
                 IDD_ANSWERS, IDD_DELETE_PROFILE, IDD_CONFIG, IDD_IMP_EXP}) {
    EXPECT_NE(::FindResourceW(win32::ProgramInstance(), MAKEINTRESOURCEW(id), RT_DIALOG), nullptr)
        << id;
  }
  for (int id : {IDR_MAINFRAME, IDI_IDLE}) {
    EXPECT_NE(::LoadIconW(win32::ProgramInstance(), MAKEINTRESOURCEW(id)), nullptr) << id;
  }
  for (int id : {IDB_MASCOT_REST, IDB_MASCOT_BLINK, IDB_MASCOT_ANSWER}) {
    SCOPED_TRACE(id);
    const win32::UniqueBitmap bitmap(static_cast<HBITMAP>(::LoadImageW(
        win32::ProgramInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap);
    BITMAP info{};
    ASSERT_NE(::GetObjectW(bitmap.get(), sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 100);
    EXPECT_EQ(info.bmHeight, 80);
    EXPECT_EQ(info.bmBitsPixel, 8);
  }
  // The replica's template: style 0x80C802C8, caption "Dialog", no controls.
  const HRSRC found = ::FindResourceW(win32::ProgramInstance(), MAKEINTRESOURCEW(IDD_DYN), RT_DIALOG);
  const auto* dialog = static_cast<const DLGTEMPLATE*>(
      ::LockResource(::LoadResource(win32::ProgramInstance(), found)));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->style, 0x80C802C8u);
  EXPECT_EQ(dialog->cdit, 0);
  EXPECT_EQ(dialog->cx, 186);
  EXPECT_EQ(dialog->cy, 95);
}

// --- the confirmation -------------------------------------------------------------------------

TEST(RobotDialogs, TheConfirmationIgnoresEnterAndEscapeAndClosingMeansNo) {
  const DWORD thread = ::GetCurrentThreadId();
  std::atomic<bool> still_open_after_keys{false};
  auto helper = std::async(std::launch::async, [&] {
    const HWND confirm = WaitForWindow(L"KORVEX", thread);
    if (confirm == nullptr) return;
    // What Enter and Escape become in a dialog without a default button.
    ::SendMessageW(confirm, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::SendMessageW(confirm, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::Sleep(50);
    still_open_after_keys = ::IsWindow(confirm) && ::IsWindowVisible(confirm);
    ::PostMessageW(confirm, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(win32::CConfirmDlg().Ask(nullptr), 7);
  helper.get();
  EXPECT_TRUE(still_open_after_keys);

  auto yes = std::async(std::launch::async, [&] {
    const HWND confirm = WaitForWindow(L"KORVEX", thread);
    if (confirm == nullptr) return;
    // No button is the default one.
    for (int id : {IDC_CONFIRM_YES, IDC_CONFIRM_NO, IDC_CONFIRM_RETRY}) {
      const LONG style = ::GetWindowLongW(::GetDlgItem(confirm, id), GWL_STYLE);
      EXPECT_NE(style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << id;
    }
    ::PostMessageW(::GetDlgItem(confirm, IDC_CONFIRM_RETRY), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(win32::CConfirmDlg().Ask(nullptr), 10);
  yes.get();
}

// --- the about box's link and the system's dialogs ----------------------------------------------

// A static control of a window of this thread, as the about box holds its
// link.
class StaticOnAWindow {
 public:
  explicit StaticOnAWindow(const wchar_t* text) {
    m_parent = ::CreateWindowExW(0, L"Static", L"padre", WS_POPUP, 0, 0, 200, 100, nullptr,
                                 nullptr, win32::ProgramInstance(), nullptr);
    m_static = ::CreateWindowExW(0, L"Static", text, WS_CHILD | WS_VISIBLE, 0, 0, 150, 20,
                                 m_parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(4242)),
                                 win32::ProgramInstance(), nullptr);
  }
  ~StaticOnAWindow() { ::DestroyWindow(m_parent); }
  HWND Get() const { return m_static; }

 private:
  HWND m_parent = nullptr;
  HWND m_static = nullptr;
};

TEST(RobotDialogs, TheLinkIsUnderlinedWithTheHandAndOpensWhatItCan) {
  StaticOnAWindow control(L"no es un documento");
  win32::CStaticLink link;
  ASSERT_TRUE(link.Attach(control.Get()));
  // Underlined, clickable, the hand over it.
  LOGFONTW font{};
  ASSERT_NE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control.Get(), WM_GETFONT, 0, 0)),
                         sizeof font, &font), 0);
  EXPECT_TRUE(font.lfUnderline);
  EXPECT_NE(::GetWindowLongW(control.Get(), GWL_STYLE) & SS_NOTIFY, 0);
  ::SendMessageW(control.Get(), WM_SETCURSOR, reinterpret_cast<WPARAM>(control.Get()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));

  // Nothing that opens: neither the target, nor the text, nor a string
  // numbered as the control.  It stays unvisited (and beeps).
  link.SetTarget(L"C:\\no\\existe\\manual.html");
  EXPECT_FALSE(link.Follow());
  EXPECT_FALSE(link.Visited());
  const HDC dc = ::GetDC(control.Get());
  EXPECT_EQ(link.OnCtlColor(dc), static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 255));
  EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

  // A target that opens (a program that ends at once) makes the link
  // visited, in its own colour.
  wchar_t system[MAX_PATH] = L"";
  ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  link.SetTarget(std::wstring(system) + L"\\hostname.exe");
  EXPECT_TRUE(link.Follow());
  EXPECT_TRUE(link.Visited());
  link.OnCtlColor(dc);
  EXPECT_EQ(::GetTextColor(dc), RGB(128, 0, 128));
  ::ReleaseDC(control.Get(), dc);
}

// What the robot's current modal dialog is while a system dialog is shown,
// seen from inside its modal loop.
HWND g_systemBox = nullptr;
HWND g_currentDuringBox = nullptr;
void CALLBACK LookAtTheSystemBox(HWND, UINT, UINT_PTR timer, DWORD) {
  g_systemBox = ::FindWindowW(L"#32770", L"Un cuadro del sistema");
  if (g_systemBox == nullptr) return;  // not shown yet
  ::KillTimer(nullptr, timer);
  g_currentDuringBox = win32::CurrentModal();
  ::PostMessageW(g_systemBox, WM_COMMAND, IDOK, 0);
}

TEST(RobotDialogs, ASystemDialogIsTheCurrentModalWhileItIsShown) {
  EXPECT_EQ(win32::CurrentModal(), nullptr);
  {
    win32::SystemDialogScope scope;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &LookAtTheSystemBox);
    ::MessageBoxW(nullptr, L"texto", L"Un cuadro del sistema", MB_OK);
    ::KillTimer(nullptr, timer);
  }
  ASSERT_NE(g_systemBox, nullptr);
  EXPECT_EQ(g_currentDuringBox, g_systemBox);
  EXPECT_EQ(win32::CurrentModal(), nullptr);
}

// --- the replica and its follower -----------------------------------------------------------

TEST(RobotDialogs, TheReplicaStandsOnTheHostDialogAndDragsItAlong) {
  auto host = LiveDialog::ShowMessageBox(u"Pregunta del host", u"¿Aplicar la preferencia?",
                                         MB_YESNOCANCEL | MB_ICONQUESTION);
  ASSERT_NE(host->hwnd(), nullptr);
  Win32WindowSystem ws;
  win32::Win32DialogFollower follower;
  const auto captured = CaptureDialog(ws, host->handle(), &follower);
  EXPECT_EQ(win32::Win32DialogFollower::LiveDialog(), host->hwnd());

  const DWORD thread = ::GetCurrentThreadId();
  struct Seen {
    RECT replica{}, host_before{}, host_after{};
    bool host_disabled = false;
    std::vector<int> buttons;
  } seen;
  auto user = std::async(std::launch::async, [&] {
    const HWND replica = WaitForWindow(L"Pregunta del host", thread);
    if (replica == nullptr) return;
    seen.replica = WindowRect(replica);
    seen.host_before = WindowRect(host->hwnd());
    seen.host_disabled = !::IsWindowEnabled(host->hwnd());
    for (HWND c = ::GetWindow(replica, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
      wchar_t cls[32];
      ::GetClassNameW(c, cls, 32);
      if (std::wstring(cls) == L"Button") seen.buttons.push_back(::GetDlgCtrlID(c));
    }
    // The broker drags the replica: the host dialog follows.
    ::SetWindowPos(replica, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (int i = 0; i < 200 && WindowRect(host->hwnd()).left != 40; ++i) ::Sleep(10);
    seen.host_after = WindowRect(host->hwnd());
    ::PostMessageW(::GetDlgItem(replica, IDNO), BM_CLICK, 0, 0);
  });
  win32::Win32AskUser asker(ws, [] { return static_cast<HWND>(nullptr); });
  const int pressed = asker.AskMessage(captured->GetRoot(), host->handle());
  user.get();
  EXPECT_EQ(pressed, IDNO);
  EXPECT_EQ(seen.replica.left, seen.host_before.left);
  EXPECT_EQ(seen.replica.top, seen.host_before.top);
  EXPECT_EQ(seen.replica.right - seen.replica.left, seen.host_before.right - seen.host_before.left);
  EXPECT_EQ(seen.replica.bottom - seen.replica.top, seen.host_before.bottom - seen.host_before.top);
  EXPECT_TRUE(seen.host_disabled);
  EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
  EXPECT_EQ(seen.host_after.left, 40);
  EXPECT_EQ(seen.host_after.top, 60);
  // The replica is gone: the follower stopped, the host dialog is enabled.
  EXPECT_EQ(win32::Win32DialogFollower::LiveDialog(), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(host->hwnd()));
  host->Close();
}

// --- the question dialogs -------------------------------------------------------------------

// The host's option dialog: "No seleccionar ninguna" disabled, many options
// so that the list scrolls.
std::vector<Text> ManyOptions() {
  std::vector<Text> options;
  for (int i = 0; i < 40; ++i) options.push_back(u"Opción " + FromWide(std::to_wstring(i)));
  return options;
}

TEST(RobotDialogs, TheOptionQuestionMirrorsTheListIntoTheHostAndEndsAsAsked) {
  const struct {
    const char* name;
    int press;      // the button the user presses; 0: closes the window
    int result;
    int chosen;
  } cases[] = {
      {"an option", IDOK, 1, 27},
      {"cancel", IDCANCEL, 2, -999},
      {"closed", 0, 2, -999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto host = LiveDialog::ShowModal(
        wine_test::DialogTemplate(u"Seleccion de una opcion", {0, 0, 220, 140})
            .Button(u"No seleccionar ninguna", 1006, {5, 120, 60, 14}, WS_DISABLED)
            .Button(u"Cancelar el  tratamiento", IDCANCEL, {70, 120, 60, 14})
            .ListBox(1007, {5, 5, 210, 100}, ManyOptions(), WS_VSCROLL)
            .Button(u"Seleccionar la opción marcada", IDOK, {135, 120, 80, 14}));
    ASSERT_NE(host->hwnd(), nullptr);
    const DWORD thread = ::GetCurrentThreadId();
    bool none_disabled = false;
    int host_selection = -5, host_top = -5;
    auto user = std::async(std::launch::async, [&] {
      const HWND dialog = WaitForWindow(L"Selección de una opción", thread);
      if (dialog == nullptr) return;
      none_disabled = !::IsWindowEnabled(::GetDlgItem(dialog, 1006));
      const HWND list = ::GetDlgItem(dialog, 1007);
      ::SendMessageW(list, LB_SETCURSEL, 27, 0);
      ::SendMessageW(list, LB_SETTOPINDEX, 20, 0);
      if (c.press == 0) {
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
      } else {
        ::PostMessageW(::GetDlgItem(dialog, c.press), BM_CLICK, 0, 0);
      }
      for (int i = 0; i < 200 && ::IsWindow(dialog); ++i) ::Sleep(10);
      host_selection = static_cast<int>(::SendMessageW(::GetDlgItem(host->hwnd(), 1007), LB_GETCURSEL, 0, 0));
      host_top = static_cast<int>(::SendMessageW(::GetDlgItem(host->hwnd(), 1007), LB_GETTOPINDEX, 0, 0));
    });
    Win32WindowSystem ws;
    win32::Win32AskUser asker(ws, [] { return static_cast<HWND>(nullptr); });
    const auto answer = asker.AskOptions(ManyOptions(), host->handle(), false);
    user.get();
    EXPECT_EQ(answer.result, c.result);
    EXPECT_EQ(answer.index, c.chosen);
    EXPECT_TRUE(none_disabled);
    // Whatever the button, the host's list shows what the robot's showed.
    EXPECT_EQ(host_selection, 27);
    EXPECT_GT(host_top, 0);
    host->Close();
  }
}

TEST(RobotDialogs, TheDataInputQuestionMirrorsTheValueIntoTheHostsEdit) {
  auto host = LiveDialog::ShowModal(
      wine_test::DialogTemplate(u"Ingreso de dato complementario", {0, 0, 220, 80})
          .Edit(1002, {5, 5, 200, 12})
          .Button(u"Validar lo ingresado", IDOK, {5, 25, 90, 14})
          .Button(u"Terminar el tratamiento", IDCANCEL, {100, 25, 90, 14})
          .Static(u"Falta un dato", {5, 45, 200, 10}, 1003)
          .Static(u"Ingrese por favor el valor de MARCA :", {5, 60, 200, 10}, 1005));
  ASSERT_NE(host->hwnd(), nullptr);
  const DWORD thread = ::GetCurrentThreadId();
  std::wstring prompt, host_text;
  auto user = std::async(std::launch::async, [&] {
    const HWND dialog = WaitForWindow(L"Ingreso de dato complementario", thread);
    if (dialog == nullptr) return;
    wchar_t text[128];
    ::GetDlgItemTextW(dialog, 1005, text, 128);
    prompt = text;
    ::SendMessageW(::GetDlgItem(dialog, 1002), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(L"ACME \"Ñandú\""));
    ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && ::IsWindow(dialog); ++i) ::Sleep(10);
    ::GetDlgItemTextW(host->hwnd(), 1002, text, 128);
    host_text = text;
  });
  Win32WindowSystem ws;
  win32::Win32AskUser asker(ws, [] { return static_cast<HWND>(nullptr); });
  const auto answer = asker.AskInput(u"Ingrese por favor el valor de MARCA :", host->handle());
  user.get();
  EXPECT_EQ(answer.result, 1);
  EXPECT_EQ(answer.value, u"ACME \"Ñandú\"");
  EXPECT_EQ(prompt, L"Ingrese por favor el valor de MARCA :");
  EXPECT_EQ(host_text, L"ACME \"Ñandú\"");
  host->Close();
}

}  // namespace
}  // namespace korvex
