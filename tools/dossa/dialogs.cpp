#include "tools/dossa/dialogs.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/dialog_template.h"
#include "platform/win32/wide_text.h"
#include "tarifex/question_dialogs.h"
#include "tarifex/win32/control_dialogs.h"
#include "tools/common/time_scale.h"
#include "tools/dossa/forms.h"
#include "tools/dossa/report.h"

namespace korvex::dossa {
namespace {

using win32::ToWide;

// The tariff control's dialogs as the host shows them: the control's own
// templates (tarifex/win32/control_dialogs.h), in Spanish.
using tarifex::kOptionListId;
using tarifex::kValueEditId;
constexpr int kNoneId = tarifex::kSelectNoneId;
constexpr std::int16_t kSpanish = 0;

// Results of the option dialog, as the tariff control returns them.
constexpr int kNoSelection = tarifex::kCancelTreatment;
constexpr int kSelectedNone = tarifex::kSelectNone;

const char* KindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::kMessageBox: return "msgbox";
    case DialogKind::kDataInput: return "input";
    case DialogKind::kOptions: return "options";
    case DialogKind::kTarifex: return "tarifex";
  }
  return "?";
}

// Names of the message box results, independent of the buttons' language.
const wchar_t* MessageBoxResultName(int id) {
  switch (id) {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    case IDTRYAGAIN: return L"TryAgain";
    case IDCONTINUE: return L"Continue";
    default: return L"?";
  }
}

UINT MessageBoxFlags(const MessageBoxSpec& box) {
  UINT flags = 0;
  switch (box.icon) {
    case Icon::kNone: break;
    case Icon::kInformation: flags |= MB_ICONINFORMATION; break;
    case Icon::kWarning: flags |= MB_ICONWARNING; break;
    case Icon::kError: flags |= MB_ICONERROR; break;
    case Icon::kQuestion: flags |= MB_ICONQUESTION; break;
  }
  switch (box.buttons) {
    case Buttons::kOk: flags |= MB_OK; break;
    case Buttons::kOkCancel: flags |= MB_OKCANCEL; break;
    case Buttons::kYesNo: flags |= MB_YESNO; break;
    case Buttons::kYesNoCancel: flags |= MB_YESNOCANCEL; break;
    case Buttons::kRetryCancel: flags |= MB_RETRYCANCEL; break;
    case Buttons::kAbortRetryIgnore: flags |= MB_ABORTRETRYIGNORE; break;
  }
  return flags;
}

// A dialog of the run while it is on screen.  The innermost is last in
// g_open; the timers find theirs there.
struct OpenDialog {
  const Item* item = nullptr;
  int index = 0;                  // from 1 within the item
  const Dialog* plan = nullptr;   // null for a popup
  const MessageBoxSpec* box = nullptr;
  HWND owner = nullptr;           // the validation form
  std::uint32_t timeout_ms = 0;
  HWND hwnd = nullptr;            // learnt when the window is created
  UINT_PTR timeout_timer = 0;
  UINT_PTR popup_timer = 0;
  bool timed_out = false;
  // What the tariff control's dialogs return.
  int pressed = 0;
  std::wstring pressed_text;
  std::wstring text;
  int index_chosen = kNoSelection;
  // The tariff control's run: every window the owner comes to own is the
  // dialog, each with its own time limit.
  bool watch_all = false;
  bool unreported = false;  // the current dialog is not in the report yet
  int closed = 0;
  LARGE_INTEGER shown{};    // when it was activated on screen
};
std::vector<OpenDialog*> g_open;
HHOOK g_cbt = nullptr;
bool g_pressOwn = false;

// The dialog's default button, or its first button.
HWND DefaultButton(HWND dialog) {
  const LRESULT id = SendMessageW(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(id) == DC_HASDEFID) {
    if (HWND button = GetDlgItem(dialog, LOWORD(id))) return button;
  }
  return FindWindowExW(dialog, nullptr, L"Button", nullptr);
}

void RaisePopup(OpenDialog& over, const MessageBoxSpec& box, const char* why);

Report& Describe(Report& r, const OpenDialog& d) {
  r.Field("item", d.item->number).Field("n", d.index);
  return r;
}

// With KORVEX_TIMELINE set (a measurement of the robot's answers), each
// dialog's end line also carries the performance counter at its activation
// and at its end, for the timeline of the robot's answer.
bool TimelineWanted() {
  static const bool wanted = GetEnvironmentVariableW(L"KORVEX_TIMELINE", nullptr, 0) != 0;
  return wanted;
}
LARGE_INTEGER g_lastEnd{};  // when MillisecondsOnScreen last looked

void AddTimelineStamps(Report& r, const OpenDialog& d) {
  if (!TimelineWanted() || d.shown.QuadPart == 0) return;
  r.Word("qpc-shown", std::to_string(d.shown.QuadPart))
      .Word("qpc-ended", std::to_string(g_lastEnd.QuadPart));
}

// Milliseconds from the dialog's activation to now, "-" when it never was.
std::string MillisecondsOnScreen(const OpenDialog& d) {
  if (d.shown.QuadPart == 0) return "-";
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  g_lastEnd = now;
  QueryPerformanceFrequency(&frequency);
  char text[32];
  snprintf(text, sizeof text, "%.3f",
           1000.0 * static_cast<double>(now.QuadPart - d.shown.QuadPart) /
               static_cast<double>(frequency.QuadPart));
  return text;
}

void ReportControlDialog(OpenDialog& d, std::wstring_view caption) {
  d.unreported = false;
  Describe(Log().Begin("control-dialog"), d)
      .Hex("hwnd", reinterpret_cast<ULONG_PTR>(d.hwnd)).Field("caption", caption).End();
}

OpenDialog* FindByTimer(UINT_PTR OpenDialog::*timer, UINT_PTR id) {
  for (OpenDialog* d : g_open) {
    if (d->*timer == id) return d;
  }
  return nullptr;
}

// A dialog that nobody answered in time is closed by the program itself.
void CALLBACK TimeoutTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  OpenDialog* d = FindByTimer(&OpenDialog::timeout_timer, id);
  if (d == nullptr) {
    KillTimer(nullptr, id);
    return;
  }
  if (d->hwnd == nullptr || !IsWindow(d->hwnd)) return;  // not there yet: look again later
  KillTimer(nullptr, id);
  d->timeout_timer = 0;
  d->timed_out = true;
  if (d->watch_all) {
    // The control's dialog (or box) ends as if cancelled; the next one gets
    // its own time when it appears.
    Describe(Log().Begin("control-dialog closed"), *d)
        .Hex("hwnd", reinterpret_cast<ULONG_PTR>(d->hwnd)).End();
    ++d->closed;
    const HWND dialog = std::exchange(d->hwnd, nullptr);
    EndDialog(dialog, IDCANCEL);
    return;
  }
  if (d->plan != nullptr && d->plan->kind == DialogKind::kDataInput) {
    d->text = WindowText(GetDlgItem(d->hwnd, kValueEditId));  // what was typed so far
  }
  EndDialog(d->hwnd, 0);
}

// The second popup appears once the dialog under it is on screen.
void CALLBACK PopupTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  OpenDialog* d = FindByTimer(&OpenDialog::popup_timer, id);
  if (d == nullptr) {
    KillTimer(nullptr, id);
    return;
  }
  if (d->hwnd == nullptr || !IsWindowVisible(d->hwnd)) {
    SetTimer(nullptr, id, 20, PopupTimerProc);
    return;
  }
  KillTimer(nullptr, id);
  d->popup_timer = 0;
  RaisePopup(*d, d->plan->popup.box, "popup");
}

// Learns the window of the dialog being raised: the first top-level window
// its owner comes to own.
LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  // A dialog is on screen when it is activated; its time on screen is
  // reported when it ends.
  if (code == HCBT_ACTIVATE) {
    for (OpenDialog* d : g_open) {
      if (d->hwnd == reinterpret_cast<HWND>(wParam) && d->shown.QuadPart == 0) {
        QueryPerformanceCounter(&d->shown);
        if (g_pressOwn) {
          if (HWND button = DefaultButton(d->hwnd)) PostMessageW(button, BM_CLICK, 0, 0);
        }
      }
    }
  }
  if (code == HCBT_CREATEWND && !g_open.empty()) {
    OpenDialog& d = *g_open.back();
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    const bool owned = d.owner != nullptr && cs->hwndParent == d.owner && !(cs->style & WS_CHILD);
    if (owned && d.watch_all) {
      d.hwnd = reinterpret_cast<HWND>(wParam);
      // A message box gets its caption after its creation: it is reported
      // with the caption it shows, when it is activated.
      const bool named = cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName) &&
                         cs->lpszName[0] != L'\0';
      d.unreported = true;
      if (named) ReportControlDialog(d, cs->lpszName);
      if (d.timeout_ms != 0) {
        if (d.timeout_timer) KillTimer(nullptr, d.timeout_timer);
        d.timeout_timer = SetTimer(nullptr, 0, tools::ScaledMs(d.timeout_ms), TimeoutTimerProc);
      }
    } else if (owned && d.hwnd == nullptr) {
      d.hwnd = reinterpret_cast<HWND>(wParam);
    }
  } else if ((code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) && !g_open.empty()) {
    OpenDialog& d = *g_open.back();
    if (d.watch_all && d.unreported && reinterpret_cast<HWND>(wParam) == d.hwnd) {
      ReportControlDialog(d, WindowText(d.hwnd));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Keeps a dialog in g_open with its timers while it is on screen.
class Raising {
 public:
  explicit Raising(OpenDialog& d) : m_d(d) {
    g_open.push_back(&d);
    // A watch starts each dialog's time when the dialog appears.
    if (d.timeout_ms != 0 && !d.watch_all) {
      d.timeout_timer = SetTimer(nullptr, 0, tools::ScaledMs(d.timeout_ms), TimeoutTimerProc);
    }
    if (d.plan != nullptr && d.plan->has_popup) {
      d.popup_timer = SetTimer(nullptr, 0, d.plan->popup.after_ms, PopupTimerProc);
    }
  }
  ~Raising() {
    if (m_d.timeout_timer) KillTimer(nullptr, m_d.timeout_timer);
    if (m_d.popup_timer) KillTimer(nullptr, m_d.popup_timer);
    g_open.pop_back();
  }
  Raising(const Raising&) = delete;
  Raising& operator=(const Raising&) = delete;

 private:
  OpenDialog& m_d;
};

void ReportMessageBoxEnd(const char* event, const OpenDialog& d, int result, const char* kind,
                         const std::string& ms) {
  Report& r = Describe(Log().Begin(event), d);
  if (kind) r.Word("kind", kind);
  r.Hex("hwnd", reinterpret_cast<ULONG_PTR>(d.hwnd));
  if (d.timed_out) {
    r.Word("result", "timeout");
  } else {
    r.Field("result", result).Field("button", MessageBoxResultName(result));
  }
  r.Word("ms", ms);
  AddTimelineStamps(r, d);
  r.End();
}

void RaisePopup(OpenDialog& over, const MessageBoxSpec& box, const char* why) {
  OpenDialog d;
  d.item = over.item;
  d.index = over.index;
  d.box = &box;
  d.owner = over.owner;
  d.timeout_ms = over.timeout_ms;
  Describe(Log().Begin("popup"), d).Word("why", why).Field("caption", ToWide(box.caption))
      .Field("text", ToWide(box.text)).End();
  int result;
  std::string ms;
  {
    Raising raising(d);
    result = MessageBoxW(d.owner, ToWide(box.text).c_str(), ToWide(box.caption).c_str(),
                         MessageBoxFlags(box));
    ms = MillisecondsOnScreen(d);
  }
  ReportMessageBoxEnd("popup-ended", d, result, nullptr, ms);
}

INT_PTR CALLBACK DataInputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<OpenDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      d = reinterpret_cast<OpenDialog*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      d->hwnd = dialog;
      SetDlgItemTextW(dialog, kValueEditId, ToWide(d->plan->initial_text).c_str());
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (HIWORD(wParam) != BN_CLICKED || (id != IDOK && id != IDCANCEL)) return FALSE;
      d->text = WindowText(GetDlgItem(dialog, kValueEditId));
      if (id == IDOK) {
        for (const Text& rejected : d->plan->rejected) {
          if (d->text == ToWide(rejected)) {
            // The host refuses the value and says so over the dialog.
            Describe(Log().Begin("rejected"), *d).Field("text", d->text).End();
            static const MessageBoxSpec refusal{u"Error", u"El valor ingresado no es válido.",
                                                Icon::kError, Buttons::kOk};
            RaisePopup(*d, refusal, "rejected");
            return TRUE;
          }
        }
      }
      d->pressed = id;
      d->pressed_text = WindowText(GetDlgItem(dialog, id));
      EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<OpenDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<OpenDialog*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      d->hwnd = dialog;
      HWND list = GetDlgItem(dialog, kOptionListId);
      for (const Text& option : d->plan->options) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(option).c_str()));
      }
      if (!d->plan->options.empty()) SendMessageW(list, LB_SETCURSEL, 0, 0);
      SetFocus(list);
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (HIWORD(wParam) != BN_CLICKED || (id != IDOK && id != IDCANCEL && id != kNoneId)) {
        return FALSE;
      }
      if (id == kNoneId && !IsWindowEnabled(GetDlgItem(dialog, kNoneId))) {
        // BM_CLICK reaches a disabled button too; the host does not act on it.
        Describe(Log().Begin("ignored"), *d).Field("button", WindowText(GetDlgItem(dialog, id)))
            .End();
        return TRUE;
      }
      if (id == IDOK) {
        const LRESULT selected = SendDlgItemMessageW(dialog, kOptionListId, LB_GETCURSEL, 0, 0);
        d->index_chosen = selected == LB_ERR ? kNoSelection : static_cast<int>(selected);
      } else {
        d->index_chosen = id == kNoneId ? kSelectedNone : kNoSelection;
      }
      d->pressed = id;
      d->pressed_text = WindowText(GetDlgItem(dialog, id));
      EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool InstallDialogWatch(bool press_own) {
  g_pressOwn = press_own;
  g_cbt = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
  return g_cbt != nullptr;
}

void RemoveDialogWatch() {
  if (g_cbt) UnhookWindowsHookEx(g_cbt);
  g_cbt = nullptr;
}

void RaiseDialog(const Item& item, int index, const Dialog& plan, HWND owner) {
  OpenDialog d;
  d.item = &item;
  d.index = index;
  d.plan = &plan;
  d.box = &plan.box;
  d.owner = owner;
  d.timeout_ms = plan.timeout_ms;
  const char* kind = KindName(plan.kind);
  Report& shown = Describe(Log().Begin("dialog"), d).Word("kind", kind);
  switch (plan.kind) {
    case DialogKind::kMessageBox:
      shown.Field("caption", ToWide(plan.box.caption)).Field("text", ToWide(plan.box.text));
      break;
    case DialogKind::kDataInput:
      shown.Field("caption", ToWide(tarifex::data_input::kCaption.spanish))
          .Field("prompt", ToWide(plan.prompt));
      break;
    case DialogKind::kOptions:
      shown.Field("caption", ToWide(tarifex::options::kCaption.spanish))
          .Field("options", static_cast<long long>(plan.options.size()));
      break;
    case DialogKind::kTarifex:
      break;
  }
  shown.End();

  INT_PTR result = 0;
  std::string ms;
  {
    Raising raising(d);
    switch (plan.kind) {
      case DialogKind::kMessageBox:
        result = MessageBoxW(owner, ToWide(plan.box.text).c_str(), ToWide(plan.box.caption).c_str(),
                             MessageBoxFlags(plan.box));
        break;
      case DialogKind::kDataInput: {
        const std::vector<DWORD> memory =
            tarifex::DataInputTemplate(plan.explanation, plan.prompt, kSpanish).Build();
        result = DialogBoxIndirectParamW(g_instance, win32::AsTemplate(memory), owner,
                                         DataInputProc, reinterpret_cast<LPARAM>(&d));
        break;
      }
      case DialogKind::kOptions: {
        const std::vector<DWORD> memory =
            tarifex::OptionsTemplate(plan.none_enabled, kSpanish).Build();
        result = DialogBoxIndirectParamW(g_instance, win32::AsTemplate(memory), owner, OptionsProc,
                                         reinterpret_cast<LPARAM>(&d));
        break;
      }
      case DialogKind::kTarifex:
        break;  // the control's run raises its own dialogs
    }
    ms = MillisecondsOnScreen(d);
  }

  if (plan.kind == DialogKind::kMessageBox) {
    ReportMessageBoxEnd("ended", d, static_cast<int>(result), "msgbox", ms);
    return;
  }
  Report& r = Describe(Log().Begin("ended"), d).Word("kind", kind)
                  .Hex("hwnd", reinterpret_cast<ULONG_PTR>(d.hwnd));
  if (d.timed_out || d.pressed == 0) {
    r.Word("result", "timeout");
  } else {
    r.Field("result", d.pressed).Field("button", d.pressed_text);
  }
  if (plan.kind == DialogKind::kDataInput) {
    r.Field("text", d.text);
  } else {
    r.Field("index", d.index_chosen);
  }
  r.Word("ms", ms);
  AddTimelineStamps(r, d);
  r.End();
}

int WatchControlDialogs(const Item& item, int index, std::uint32_t timeout_ms, HWND owner,
                        const std::function<void()>& body) {
  OpenDialog d;
  d.item = &item;
  d.index = index;
  d.owner = owner;
  d.timeout_ms = timeout_ms;
  d.watch_all = true;
  {
    Raising raising(d);
    body();
  }
  return d.closed;
}

}  // namespace korvex::dossa
