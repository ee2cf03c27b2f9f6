#include "robot/win32/ask_user_dialogs.h"

#include <commctrl.h>

#include <stdexcept>

#include "platform/barrier.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "robot/capture/dossa_window.h"
#include "robot/capture/meta_window.h"
#include "robot/tray/tray_text.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

namespace {

constexpr int kNoSelection = -999;
constexpr int kSelectedNone = -1;

// The first child of the host dialog of a class, in window order.
Hwnd FirstChildOfClass(WindowSystem& ws, HWND host, std::u16string_view wanted) {
  for (Hwnd child = ws.GetWindow(FromHwnd(host), win::kGwChild); child != kNoWindow;
       child = ws.GetWindow(child, win::kGwHwndNext)) {
    if (HasWindowClass(ws, child, wanted)) return child;
  }
  return kNoWindow;
}

// The program-wide state of the follower (one replica at a time).
HWND g_liveDialog = nullptr;
HWND g_copyWindow = nullptr;
HHOOK g_followerHook = nullptr;

}  // namespace

// --- the dialog follower --------------------------------------------------------------------

Win32DialogFollower::~Win32DialogFollower() { Disarm(); }

HWND Win32DialogFollower::LiveDialog() { return g_liveDialog; }
HWND Win32DialogFollower::CopyWindow() { return g_copyWindow; }

void Win32DialogFollower::Arm(Hwnd dialog) {
  if (g_followerHook == nullptr) {
    g_followerHook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &HookProcedure, nullptr,
                                         ::GetCurrentThreadId());
  }
  g_liveDialog = ToHwnd(dialog);
  g_copyWindow = nullptr;
}

void Win32DialogFollower::Disarm() {
  if (g_followerHook != nullptr) {
    ::UnhookWindowsHookEx(g_followerHook);
    g_followerHook = nullptr;
  }
  g_liveDialog = nullptr;
  g_copyWindow = nullptr;
}

LRESULT CALLBACK Win32DialogFollower::HookProcedure(int code, WPARAM wparam, LPARAM lparam) {
  if (code >= 0 && g_liveDialog != nullptr) {
    Barrier("Win32DialogFollower::HookProcedure", [&] {
      const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
      if (g_copyWindow == nullptr) {
        if (sent->message == WM_CREATE && sent->lParam != 0) {
          const auto* create = reinterpret_cast<const CREATESTRUCTW*>(sent->lParam);
          if (create->hwndParent == g_liveDialog) g_copyWindow = sent->hwnd;
        }
        return;
      }
      if (sent->hwnd != g_copyWindow) return;
      if (sent->message == WM_WINDOWPOSCHANGED && sent->lParam != 0) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(sent->lParam);
        if ((pos->flags & SWP_NOMOVE) == 0) {
          // Posted to the host's thread: a busy host never holds the robot.
          ::SetWindowPos(g_liveDialog, HWND_BOTTOM, pos->x, pos->y, pos->cx, pos->cy,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE |
                             SWP_ASYNCWINDOWPOS);
        }
      } else if (sent->message == WM_DESTROY) {
        g_copyWindow = nullptr;
        g_liveDialog = nullptr;
      }
    });
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

// --- the replica --------------------------------------------------------------------------

CDynDialog::CDynDialog(const CDialogWindow& root) : Dialog(IDD_DYN), m_root(root) {}

bool CDynDialog::OnInitDialog() {
  try {
    ::SetWindowTextW(hwnd(), ToWide(m_root.ReadWindowText()).c_str());
    const Rect outer = m_root.GetOuterRect();
    ::SetWindowPos(hwnd(), nullptr, outer.left, outer.top, outer.right - outer.left,
                   outer.bottom - outer.top, SWP_NOZORDER | SWP_NOREDRAW);
    for (std::size_t i = 0; i < m_root.GetChildCount(); ++i) {
      m_controls.push_back(ToHwnd(m_root.GetChild(i).CreateReplica(FromHwnd(hwnd()))));
    }
  } catch (...) {
    // The host dialog stopped answering while it was read: no replica.
    m_failed = true;
    End(kNotCreated);
  }
  return true;
}

bool CDynDialog::OnCommand(int id, int, HWND) {
  End(id);
  return true;
}

bool CDynDialog::OnMessage(UINT message, WPARAM, LPARAM, LRESULT*) {
  if (message == WM_DESTROY) {
    for (HWND control : m_controls) {
      if (control != nullptr) ::DestroyWindow(control);
    }
    m_controls.clear();
  }
  return false;
}

// --- the option list ------------------------------------------------------------------------

CExListBox::~CExListBox() {
  Detach();
  if (m_tip != nullptr) ::DestroyWindow(m_tip);
}

bool CExListBox::Attach(HWND list) {
  if (!Subclass::Attach(list)) return false;
  m_tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, ::GetParent(list), nullptr,
                            ProgramInstance(), nullptr);
  if (m_tip == nullptr) return true;  // the list works without tips
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = list;
  tool.uId = 1;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  ::SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(m_tip, TTM_SETMAXTIPWIDTH, 0, 600);
  return true;
}

LRESULT CExListBox::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_MOUSEMOVE && m_tip != nullptr) {
    // The tool is the item under the pointer: its rectangle and its text.
    const LRESULT hit = ::SendMessageW(hwnd(), LB_ITEMFROMPOINT, 0, lparam);
    const int item = HIWORD(hit) == 0 ? static_cast<int>(LOWORD(hit)) : -1;
    if (item != m_item) {
      m_item = item;
      TOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.hwnd = hwnd();
      tool.uId = 1;
      if (item >= 0) ::SendMessageW(hwnd(), LB_GETITEMRECT, static_cast<WPARAM>(item),
                                    reinterpret_cast<LPARAM>(&tool.rect));
      ::SendMessageW(m_tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
      ::SendMessageW(m_tip, TTM_POP, 0, 0);
    }
  } else if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->code == TTN_GETDISPINFOW || header->code == TTN_GETDISPINFOA) {
      const int count = static_cast<int>(::SendMessageW(hwnd(), LB_GETCOUNT, 0, 0));
      if (count <= 0 || m_item < 0 || m_item >= count) return 0;
      const auto length = ::SendMessageW(hwnd(), LB_GETTEXTLEN, static_cast<WPARAM>(m_item), 0);
      if (length < 0) return 0;
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      text.resize(static_cast<std::size_t>(::SendMessageW(
          hwnd(), LB_GETTEXT, static_cast<WPARAM>(m_item), reinterpret_cast<LPARAM>(text.data()))));
      if (header->code == TTN_GETDISPINFOW) {
        static wchar_t wide[kListTipChars + 1];
        const Text cut = CutText(FromWide(text), kListTipChars);
        std::copy(cut.begin(), cut.end(), wide);
        wide[cut.size()] = L'\0';
        reinterpret_cast<NMTTDISPINFOW*>(lparam)->lpszText = wide;
      } else {
        static char narrow[kListTipChars + 1];
        const int written = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow,
                                                  sizeof narrow, nullptr, nullptr);
        if (written == 0) narrow[sizeof narrow - 1] = '\0';
        reinterpret_cast<NMTTDISPINFOA*>(lparam)->lpszText = narrow;
      }
      return 0;
    }
  }
  return CallOriginal(message, wparam, lparam);
}

// --- the data-input question ------------------------------------------------------------------

CInputDlg::CInputDlg(WindowSystem& ws, std::wstring prompt, HWND host, HWND center_on)
    : Dialog(IDD_INPUT), m_ws(ws), m_prompt(std::move(prompt)), m_host(host),
      m_centerOn(center_on) {}

bool CInputDlg::OnInitDialog() {
  CenterOnWindow(hwnd(), m_centerOn);
  ::SetDlgItemTextW(hwnd(), IDC_INPUT_PROMPT, m_prompt.c_str());
  ::SetFocus(Item(IDC_INPUT_VALUE));
  return false;
}

bool CInputDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  // Closing the window arrives as IDCANCEL, like "Terminar el tratamiento".
  if (id == IDOK) Finish(1);
  if (id == IDCANCEL) Finish(2);
  return id == IDOK || id == IDCANCEL;
}

void CInputDlg::Finish(int result) {
  m_value = ItemText(IDC_INPUT_VALUE);
  // The host dialog shows what was typed before the robot answers it.
  try {
    const Hwnd edit = FirstChildOfClass(m_ws, m_host, u"Edit");
    if (edit != kNoWindow) m_ws.SendSetText(edit, FromWide(m_value));
  } catch (...) {
    // A host that does not answer gets the value with the answer, if at all.
  }
  End(result);
}

// --- the option question ------------------------------------------------------------------------

COptionsDlg::COptionsDlg(WindowSystem& ws, std::vector<std::wstring> options, HWND host,
                         bool none_enabled, HWND center_on)
    : Dialog(IDD_OPTIONS), m_ws(ws), m_options(std::move(options)), m_host(host),
      m_noneEnabled(none_enabled), m_centerOn(center_on) {}

bool COptionsDlg::OnInitDialog() {
  m_list.Attach(Item(IDC_OPTIONS_LIST));
  CenterOnWindow(hwnd(), m_centerOn);
  ::EnableWindow(Item(IDC_OPTIONS_NONE), m_noneEnabled ? TRUE : FALSE);
  for (const std::wstring& option : m_options) {
    ::SendDlgItemMessageW(hwnd(), IDC_OPTIONS_LIST, LB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(option.c_str()));
  }
  ::SendDlgItemMessageW(hwnd(), IDC_OPTIONS_LIST, LB_SETCURSEL, 0, 0);
  ::SetFocus(Item(IDC_OPTIONS_LIST));
  return false;
}

bool COptionsDlg::OnCommand(int id, int code, HWND) {
  if (id == IDC_OPTIONS_LIST && code == LBN_DBLCLK) {
    const auto selected = ::SendDlgItemMessageW(hwnd(), IDC_OPTIONS_LIST, LB_GETCURSEL, 0, 0);
    if (selected >= 0 && static_cast<std::size_t>(selected) < m_options.size()) {
      ShowMessage(hwnd(), m_options[static_cast<std::size_t>(selected)],
                  L"Mensaje de información...", MB_OK | MB_ICONINFORMATION);
    }
    return true;
  }
  if (code != BN_CLICKED) return false;
  if (id == IDOK) {
    const auto selected = ::SendDlgItemMessageW(hwnd(), IDC_OPTIONS_LIST, LB_GETCURSEL, 0, 0);
    Finish(1, selected == LB_ERR ? kNoSelection : static_cast<int>(selected));
    return true;
  }
  if (id == IDC_OPTIONS_NONE) {
    Finish(IDC_OPTIONS_NONE, kSelectedNone);
    return true;
  }
  if (id == IDCANCEL) {
    Finish(2, kNoSelection);
    return true;
  }
  return false;
}

void COptionsDlg::Finish(int result, int chosen) {
  m_chosen = chosen;
  // The host's list shows the same selection and scroll before the robot
  // answers it.
  const auto selected = ::SendDlgItemMessageW(hwnd(), IDC_OPTIONS_LIST, LB_GETCURSEL, 0, 0);
  const auto top = ::SendDlgItemMessageW(hwnd(), IDC_OPTIONS_LIST, LB_GETTOPINDEX, 0, 0);
  try {
    const Hwnd list = FirstChildOfClass(m_ws, m_host, u"ListBox");
    if (list != kNoWindow) {
      m_ws.SendListSetCurSel(list, static_cast<int>(selected));
      m_ws.SendListSetTopIndex(list, static_cast<int>(top));
    }
  } catch (...) {
    // A host that does not answer gets the selection with the answer.
  }
  End(result);
}

// --- the port -------------------------------------------------------------------------------------

int Win32AskUser::AskMessage(const CDialogWindow& root, Hwnd parent) {
  CDynDialog replica(root);
  const INT_PTR result = replica.RunModal(ToHwnd(parent));
  if (replica.Failed() || result == Dialog::kNotCreated) {
    throw std::runtime_error("the replica of the host dialog could not be made");
  }
  return static_cast<int>(result);
}

AskUserPort::InputResult Win32AskUser::AskInput(TextView prompt, Hwnd parent) {
  CInputDlg dialog(m_ws, ToWide(prompt), ToHwnd(parent), m_validationWindow());
  const INT_PTR result = dialog.RunModal(ToHwnd(parent));
  if (result == Dialog::kNotCreated) throw std::runtime_error("CInputDlg could not be made");
  return InputResult{result == 1 ? 1 : 2, FromWide(dialog.Value())};
}

AskUserPort::OptionsResult Win32AskUser::AskOptions(const std::vector<Text>& options, Hwnd parent,
                                                    bool none_enabled) {
  std::vector<std::wstring> wide;
  wide.reserve(options.size());
  for (const Text& option : options) wide.push_back(ToWide(option));
  COptionsDlg dialog(m_ws, std::move(wide), ToHwnd(parent), none_enabled, m_validationWindow());
  const INT_PTR result = dialog.RunModal(ToHwnd(parent));
  if (result == Dialog::kNotCreated) throw std::runtime_error("COptionsDlg could not be made");
  return OptionsResult{static_cast<int>(result), dialog.Chosen()};
}

}  // namespace korvex::win32
