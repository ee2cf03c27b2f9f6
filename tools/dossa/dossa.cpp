// Dossa.exe: a stand-in for the customs-declaration host program, for the
// end-to-end tests and the demo.
//
// It shows what the robot and its hook look at in the real host: a main form
// of class "ThunderRT6FormDC"; the "Validación Total de Items" form (same
// class) with a "ThunderRT6Frame" progress frame captioned
// "Declaración - Validando Item: N" and the "&Validar Items" button, hidden
// while a run goes; and, while an item is validated, modal dialogs owned by
// the validation form: real message boxes and the tariff control's
// data-input and option dialogs.  A script (tools/dossa/script.h) says what
// to do; every dialog's outcome is reported (tools/dossa/report.h).
//
//   Dossa.exe [--script FILE] [--report FILE] [--stay] [--max-seconds N]
//
// Without a script the program waits for a user, who opens the validation
// form from the main form and starts a run of a few demo items.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/dossa/dialog_template.h"
#include "tools/dossa/report.h"
#include "tools/dossa/script.h"

namespace korvex::dossa {
namespace {

constexpr wchar_t kFormClass[] = L"ThunderRT6FormDC";
constexpr wchar_t kFrameClass[] = L"ThunderRT6Frame";
constexpr wchar_t kCommandButtonClass[] = L"ThunderRT6CommandButton";
constexpr wchar_t kMainCaption[] = L"DOSSA - Declaraciones Aduaneras";
constexpr wchar_t kValidationCaption[] = L"Validación Total de Items";
constexpr wchar_t kFramePrefix[] = L"Declaración - Validando Item:";
constexpr wchar_t kValidateCaption[] = L"&Validar Items";

// Control identifiers.
constexpr int kOpenValidationId = 100;
constexpr int kExitId = 101;
constexpr int kValidateId = 200;
constexpr int kCloseId = 201;
constexpr int kProgressId = 202;
// The tariff control's dialogs.
constexpr int kExplanationId = 1003;
constexpr int kPromptId = 1005;
constexpr int kValueEditId = 1002;
constexpr int kNoneId = 1006;
constexpr int kOptionListId = 1007;

constexpr UINT kRunScriptMessage = WM_USER + 100;

// Results of the option dialog, as the tariff control returns them.
constexpr int kNoSelection = -999;
constexpr int kSelectedNone = -1;

std::wstring W(TextView text) { return std::wstring(text.begin(), text.end()); }

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

const char* KindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::kMessageBox: return "msgbox";
    case DialogKind::kDataInput: return "input";
    case DialogKind::kOptions: return "options";
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
};
std::vector<OpenDialog*> g_open;

HINSTANCE g_instance = nullptr;
WNDPROC g_buttonProc = nullptr;
const wchar_t* g_buttonClass = L"Button";

class App;
App& TheApp();

// --- forms ------------------------------------------------------------------

// A "ThunderRT6FormDC" window; one window procedure for every form.
class Form {
 public:
  virtual ~Form() = default;
  HWND hwnd() const { return m_hwnd; }
  bool alive() const { return m_hwnd != nullptr; }

  static bool Register() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::Proc;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc) != 0;
  }

 protected:
  // Creates the form hidden; the caller adds the controls and shows it.
  bool Create(const wchar_t* caption, int width, int height, HWND owner) {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    return CreateWindowExW(0, kFormClass, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                           height, owner, nullptr, g_instance, this) != nullptr;
  }

  HWND AddControl(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                  int id, HWND parent = nullptr) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                   parent ? parent : m_hwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance,
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return control;
  }

  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
  }

  HWND m_hwnd = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      form->m_hwnd = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    const LRESULT result = form->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      form->m_hwnd = nullptr;
    }
    return result;
  }
};

// The "ThunderRT6Frame" control: a group box whose caption is its window text.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rect;
      GetClientRect(hwnd, &rect);
      HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      TEXTMETRICW tm;
      GetTextMetricsW(dc, &tm);
      rect.top += tm.tmHeight / 2;
      DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
      const std::wstring caption = WindowText(hwnd);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      TextOutW(dc, 8, 0, caption.c_str(), static_cast<int>(caption.size()));
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK CommandButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(g_buttonProc, hwnd, message, wParam, lParam);
}

bool RegisterControls() {
  WNDCLASSEXW frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = FrameProc;
  frame.hInstance = g_instance;
  frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kFrameClass;
  if (!RegisterClassExW(&frame)) return false;

  // The form's command buttons are buttons under a class name of their own.
  WNDCLASSEXW button{};
  button.cbSize = sizeof button;
  if (GetClassInfoExW(nullptr, L"Button", &button)) {
    g_buttonProc = button.lpfnWndProc;
    button.lpfnWndProc = CommandButtonProc;
    button.hInstance = g_instance;
    button.lpszClassName = kCommandButtonClass;
    button.style &= ~CS_GLOBALCLASS;
    if (RegisterClassExW(&button)) g_buttonClass = kCommandButtonClass;
  }
  return true;
}

class ValidationForm : public Form {
 public:
  bool Open(HWND owner) {
    if (!Create(kValidationCaption, 440, 210, owner)) return false;
    // The controls are created after the form's own WM_CREATE has been
    // processed, as the host's forms do: the hook knows the validation
    // window by then and recognises its button.
    m_frame = AddControl(kFrameClass, kFramePrefix, 0, 12, 10, 400, 90, 0);
    m_progress = AddControl(L"Static", L"Pulse \"Validar Items\" para validar la declaración.", 0,
                            12, 30, 370, 40, kProgressId, m_frame);
    m_validate = AddControl(g_buttonClass, kValidateCaption, BS_PUSHBUTTON | WS_TABSTOP, 12, 120,
                            130, 30, kValidateId);
    AddControl(g_buttonClass, L"&Cerrar", BS_PUSHBUTTON | WS_TABSTOP, 282, 120, 130, 30,
               kCloseId);
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    UpdateWindow(m_hwnd);
    return true;
  }

  HWND frame() const { return m_frame; }
  HWND progress() const { return m_progress; }
  HWND validate_button() const { return m_validate; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HWND m_frame = nullptr;
  HWND m_progress = nullptr;
  HWND m_validate = nullptr;
};

class MainForm : public Form {
 public:
  bool Open() {
    if (!Create(kMainCaption, 460, 170, nullptr)) return false;
    AddControl(L"Static", L"Declaración en curso.", 0, 12, 12, 420, 20, 0);
    AddControl(g_buttonClass, L"Validación &Total de Items...", BS_PUSHBUTTON | WS_TABSTOP, 12,
               50, 200, 30, kOpenValidationId);
    AddControl(g_buttonClass, L"&Salir", BS_PUSHBUTTON | WS_TABSTOP, 312, 50, 120, 30, kExitId);
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    UpdateWindow(m_hwnd);
    return true;
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// --- the program --------------------------------------------------------------

class App {
 public:
  Script script;
  bool stay = false;
  bool quitting = false;
  MainForm main;
  std::unique_ptr<ValidationForm> validation;

  bool ValidationOpen() const { return validation && validation->alive(); }
  HWND ValidationWindow() const { return ValidationOpen() ? validation->hwnd() : nullptr; }
  bool running() const { return m_running; }

  void OpenValidation() {
    if (ValidationOpen()) {
      SetForegroundWindow(validation->hwnd());
      return;
    }
    validation = std::make_unique<ValidationForm>();
    if (!validation->Open(main.hwnd())) {
      Log().Begin("error").Field("text", L"the validation window could not be created").End();
      validation.reset();
      return;
    }
    Log().Begin("validation opened").Hex("hwnd",
        reinterpret_cast<ULONG_PTR>(validation->hwnd())).End();
  }

  void CloseValidation() {
    if (ValidationOpen()) DestroyWindow(validation->hwnd());
  }

  void Quit() {
    if (quitting) return;
    quitting = true;
    CloseValidation();
    if (main.alive()) DestroyWindow(main.hwnd());
  }

  // Lets ms milliseconds pass while messages are handled.  Returns false once
  // the program is ending.
  bool Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          quitting = true;
          return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (quitting) return false;
      const ULONGLONG now = GetTickCount64();
      if (now >= end) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
  }

  // The robot window that the hook library loaded into this process holds
  // in its shared section, or 0 while the library is not here.
  static LONG RegisteredRobotWindow() {
    const HMODULE module = GetModuleHandleW(L"Sentrel.dll");
    if (module == nullptr) return 0;
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
      if (std::string(reinterpret_cast<const char*>(section->Name), 6) == "Shared" &&
          section->Name[6] == 0) {
        return *reinterpret_cast<const volatile LONG*>(base + section->VirtualAddress);
      }
    }
    return 0;
  }

  void WaitForHook(std::uint32_t limit_ms) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
      const LONG robot = RegisteredRobotWindow();
      if (robot != 0) {
        Log().Begin("hook loaded")
            .Hex("robot", static_cast<ULONG_PTR>(static_cast<ULONG>(robot))).End();
        return;
      }
      if (GetTickCount64() - start >= limit_ms) {
        Log().Begin("hook missing")
            .Field("loaded", GetModuleHandleW(L"Sentrel.dll") != nullptr ? 1 : 0)
            .Field("after_ms", limit_ms).End();
        return;
      }
      // The hook procedure runs for sent messages only, and the library is
      // loaded the first time it runs: a message sent to ourselves lets a
      // freshly installed hook do so while nothing else happens.
      SendMessageW(main.hwnd(), WM_NULL, 0, 0);
      if (!Pump(50)) return;
    }
  }

  // "&Validar Items": validates the items one after another.  The button is
  // hidden while the run goes and shown again after it.
  void RunItems(const std::vector<Item>& items) {
    if (m_running || !ValidationOpen()) return;
    m_running = true;
    ValidationForm& form = *validation;
    Log().Begin("run started").Field("items", static_cast<long long>(items.size())).End();
    ShowWindow(form.validate_button(), SW_HIDE);
    std::size_t done = 0;
    for (const Item& item : items) {
      if (quitting || !form.alive()) break;
      SetWindowTextW(form.frame(), (std::wstring(kFramePrefix) + L" " +
                                    std::to_wstring(item.number)).c_str());
      SetWindowTextW(form.progress(), (L"Item " + std::to_wstring(done + 1) + L" de " +
                                       std::to_wstring(items.size())).c_str());
      Log().Begin("item").Field("number", item.number).End();
      for (std::size_t k = 0; k < item.dialogs.size() && !quitting && form.alive(); ++k) {
        RaiseDialog(item, static_cast<int>(k) + 1, item.dialogs[k]);
      }
      Pump(item.pause_ms);
      ++done;
    }
    if (form.alive()) {
      SetWindowTextW(form.progress(), (std::to_wstring(done) + L" items validados.").c_str());
      ShowWindow(form.validate_button(), SW_SHOW);
    }
    Log().Begin("run ended").Field("items", static_cast<long long>(done)).End();
    m_running = false;
  }

  void RunSteps() {
    for (const Step& step : script.steps) {
      if (quitting) return;
      switch (step.kind) {
        case StepKind::kWaitHook: WaitForHook(step.ms); break;
        case StepKind::kOpen: OpenValidation(); break;
        case StepKind::kRun:
          if (!ValidationOpen()) {
            Log().Begin("error").Field("line", step.line)
                .Field("text", L"run: the validation window is not open").End();
          } else {
            RunItems(step.items);
          }
          break;
        case StepKind::kClose: CloseValidation(); break;
        case StepKind::kPause: Pump(step.ms); break;
        case StepKind::kQuit: Quit(); return;
      }
    }
    if (!stay) Quit();
  }

  void RaiseDialog(const Item& item, int index, const Dialog& plan);
  void RaisePopup(OpenDialog& over, const MessageBoxSpec& box, const char* why);

 private:
  bool m_running = false;
};

App& TheApp() {
  static App app;
  return app;
}

LRESULT ValidationForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  App& app = TheApp();
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kValidateId) {
        app.RunItems(app.script.manual_items);
      } else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kCloseId) {
        if (!app.running()) DestroyWindow(m_hwnd);
      }
      return 0;
    case WM_CLOSE:
      if (!app.running()) DestroyWindow(m_hwnd);
      return 0;
    case WM_DESTROY:
      Log().Begin("validation closed").End();
      return 0;
    default:
      return Form::OnMessage(message, wParam, lParam);
  }
}

LRESULT MainForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  App& app = TheApp();
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kOpenValidationId) {
        app.OpenValidation();
      } else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kExitId) {
        app.Quit();
      }
      return 0;
    case WM_CLOSE:
      app.Quit();
      return 0;
    case kRunScriptMessage:
      app.RunSteps();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return Form::OnMessage(message, wParam, lParam);
  }
}

// --- dialogs ------------------------------------------------------------------

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
  TheApp().RaisePopup(*d, d->plan->popup.box, "popup");
}

// Learns the window of the dialog being raised: the first top-level window
// the validation form comes to own.
LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !g_open.empty() && g_open.back()->hwnd == nullptr) {
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    const HWND validation = TheApp().ValidationWindow();
    if (validation != nullptr && cs->hwndParent == validation && !(cs->style & WS_CHILD)) {
      g_open.back()->hwnd = reinterpret_cast<HWND>(wParam);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Keeps a dialog in g_open with its timers while it is on screen.
class Raising {
 public:
  explicit Raising(OpenDialog& d) : m_d(d) {
    g_open.push_back(&d);
    if (d.timeout_ms != 0) d.timeout_timer = SetTimer(nullptr, 0, d.timeout_ms, TimeoutTimerProc);
    if (d.plan != nullptr && d.plan->has_popup) {
      d.popup_timer = SetTimer(nullptr, 0, d.plan->popup.after_ms, PopupTimerProc);
    }
  }
  ~Raising() {
    if (m_d.timeout_timer) KillTimer(nullptr, m_d.timeout_timer);
    if (m_d.popup_timer) KillTimer(nullptr, m_d.popup_timer);
    g_open.pop_back();
  }

 private:
  OpenDialog& m_d;
};

Report& Describe(Report& r, const OpenDialog& d) {
  r.Field("item", d.item->number).Field("n", d.index);
  return r;
}

void ReportMessageBoxEnd(const char* event, const OpenDialog& d, int result, const char* kind) {
  Report& r = Describe(Log().Begin(event), d);
  if (kind) r.Word("kind", kind);
  r.Hex("hwnd", reinterpret_cast<ULONG_PTR>(d.hwnd));
  if (d.timed_out) {
    r.Word("result", "timeout");
  } else {
    r.Field("result", result).Field("button", MessageBoxResultName(result));
  }
  r.End();
}

void App::RaisePopup(OpenDialog& over, const MessageBoxSpec& box, const char* why) {
  OpenDialog d;
  d.item = over.item;
  d.index = over.index;
  d.box = &box;
  d.timeout_ms = over.timeout_ms;
  Describe(Log().Begin("popup"), d).Word("why", why).Field("caption", W(box.caption))
      .Field("text", W(box.text)).End();
  int result;
  {
    Raising raising(d);
    result = MessageBoxW(ValidationWindow(), W(box.text).c_str(), W(box.caption).c_str(),
                         MessageBoxFlags(box));
  }
  ReportMessageBoxEnd("popup-ended", d, result, nullptr);
}

INT_PTR CALLBACK DataInputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<OpenDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      d = reinterpret_cast<OpenDialog*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      d->hwnd = dialog;
      SetDlgItemTextW(dialog, kValueEditId, W(d->plan->initial_text).c_str());
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (HIWORD(wParam) != BN_CLICKED || (id != IDOK && id != IDCANCEL)) return FALSE;
      d->text = WindowText(GetDlgItem(dialog, kValueEditId));
      if (id == IDOK) {
        for (const Text& rejected : d->plan->rejected) {
          if (d->text == W(rejected)) {
            // The host refuses the value and says so over the dialog.
            Describe(Log().Begin("rejected"), *d).Field("text", d->text).End();
            static const MessageBoxSpec refusal{u"Error", u"El valor ingresado no es válido.",
                                                Icon::kError, Buttons::kOk};
            TheApp().RaisePopup(*d, refusal, "rejected");
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
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(option).c_str()));
      }
      if (!d->plan->options.empty()) SendMessageW(list, LB_SETCURSEL, 0, 0);
      EnableWindow(GetDlgItem(dialog, kNoneId), d->plan->none_enabled ? TRUE : FALSE);
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
        Describe(Log().Begin("ignored"), *d).Field("button", WindowText(GetDlgItem(dialog, id))).End();
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

// The tariff control's data-input dialog; its children in window order:
// edit, "Validar lo ingresado", "Terminar el tratamiento", explanation, prompt.
DialogTemplate DataInputTemplate(const Dialog& plan) {
  DialogTemplate t(W(kDataInputCaption), 293, 84);
  t.Add(DialogTemplate::kEdit, kValueEditId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 42, 279,
        14, L"");
  t.Add(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 63, 135, 14,
        L"Validar lo ingresado");
  t.Add(DialogTemplate::kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 151, 63, 135, 14,
        L"Terminar el tratamiento");
  t.Add(DialogTemplate::kStatic, kExplanationId, SS_LEFT, 7, 7, 279, 18, W(plan.explanation));
  t.Add(DialogTemplate::kStatic, kPromptId, SS_LEFT, 7, 29, 279, 10, W(plan.prompt));
  return t;
}

// The tariff control's option dialog; its children in window order:
// "No seleccionar ninguna", "Cancelar el  tratamiento", the list,
// "Seleccionar la opción marcada".
DialogTemplate OptionsTemplate() {
  DialogTemplate t(W(kOptionsCaption), 300, 210);
  t.Add(DialogTemplate::kButton, kNoneId, BS_PUSHBUTTON | WS_TABSTOP, 125, 189, 82, 14,
        L"No seleccionar ninguna");
  t.Add(DialogTemplate::kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 211, 189, 82, 14,
        L"Cancelar el  tratamiento");
  t.Add(DialogTemplate::kListBox, kOptionListId,
        LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 286, 175,
        L"");
  t.Add(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 189, 114, 14,
        L"Seleccionar la opción marcada");
  return t;
}

void App::RaiseDialog(const Item& item, int index, const Dialog& plan) {
  OpenDialog d;
  d.item = &item;
  d.index = index;
  d.plan = &plan;
  d.box = &plan.box;
  d.timeout_ms = plan.timeout_ms;
  const char* kind = KindName(plan.kind);
  Report& shown = Describe(Log().Begin("dialog"), d).Word("kind", kind);
  switch (plan.kind) {
    case DialogKind::kMessageBox:
      shown.Field("caption", W(plan.box.caption)).Field("text", W(plan.box.text));
      break;
    case DialogKind::kDataInput:
      shown.Field("caption", W(kDataInputCaption)).Field("prompt", W(plan.prompt));
      break;
    case DialogKind::kOptions:
      shown.Field("caption", W(kOptionsCaption)).Field("options", static_cast<long long>(plan.options.size()));
      break;
  }
  shown.End();

  INT_PTR result = 0;
  {
    Raising raising(d);
    const HWND owner = ValidationWindow();
    switch (plan.kind) {
      case DialogKind::kMessageBox:
        result = MessageBoxW(owner, W(plan.box.text).c_str(), W(plan.box.caption).c_str(),
                             MessageBoxFlags(plan.box));
        break;
      case DialogKind::kDataInput:
        result = DialogBoxIndirectParamW(g_instance, DataInputTemplate(plan).get(), owner,
                                         DataInputProc, reinterpret_cast<LPARAM>(&d));
        break;
      case DialogKind::kOptions:
        result = DialogBoxIndirectParamW(g_instance, OptionsTemplate().get(), owner, OptionsProc,
                                         reinterpret_cast<LPARAM>(&d));
        break;
    }
  }

  if (plan.kind == DialogKind::kMessageBox) {
    ReportMessageBoxEnd("ended", d, static_cast<int>(result), "msgbox");
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
  r.End();
}

// --- start --------------------------------------------------------------------

// Stops the program after a time limit whatever it is doing, so that a test
// never hangs on it.
DWORD WINAPI Watchdog(LPVOID seconds) {
  const auto limit = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(seconds));
  Sleep(limit * 1000);
  Log().Begin("dossa gave-up").Field("after_s", limit).End();
  ExitProcess(3);
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 24);
  if (ok) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ok = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read,
                                    nullptr) && read == bytes.size());
  }
  CloseHandle(file);
  return ok;
}

constexpr wchar_t kUsage[] =
    L"Dossa.exe [--script FILE] [--report FILE] [--stay] [--max-seconds N]";

int Run() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring script_path, report_path;
  bool stay = false;
  unsigned long max_seconds = 0;
  bool usage_error = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--script" && has_value) {
      script_path = argv[++i];
    } else if (arg == L"--report" && has_value) {
      report_path = argv[++i];
    } else if (arg == L"--max-seconds" && has_value) {
      max_seconds = wcstoul(argv[++i], nullptr, 10);
    } else if (arg == L"--stay") {
      stay = true;
    } else {
      usage_error = true;
    }
  }
  LocalFree(argv);

  if (!Log().Open(report_path)) {
    Log().Begin("error").Field("text", L"cannot create the report file " + report_path).End();
    return 2;
  }
  if (usage_error) {
    Log().Begin("error").Field("usage", kUsage).End();
    return 2;
  }

  App& app = TheApp();
  app.stay = stay || script_path.empty();
  if (script_path.empty()) {
    app.script = DemoScript();
  } else {
    std::string bytes;
    if (!ReadFileBytes(script_path, bytes)) {
      Log().Begin("error").Field("text", L"cannot read the script " + script_path).End();
      return 2;
    }
    try {
      app.script = ParseScript(bytes);
    } catch (const ScriptError& e) {
      const std::string what = e.what();
      Log().Begin("error").Field("script", script_path)
          .Field("text", std::wstring(what.begin(), what.end())).End();
      return 2;
    }
  }

  if (max_seconds != 0) {
    HANDLE thread = CreateThread(nullptr, 0, Watchdog,
                                 reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(max_seconds)), 0,
                                 nullptr);
    if (thread) CloseHandle(thread);
  }

  if (!Form::Register() || !RegisterControls()) {
    Log().Begin("error").Field("text", L"cannot register the window classes").End();
    return 2;
  }
  HHOOK cbt = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
  if (!app.main.Open()) {
    Log().Begin("error").Field("text", L"cannot create the main window").End();
    return 2;
  }
  Log().Begin("dossa started").Field("pid", GetCurrentProcessId())
      .Hex("hwnd", reinterpret_cast<ULONG_PTR>(app.main.hwnd())).End();

  PostMessageW(app.main.hwnd(), kRunScriptMessage, 0, 0);
  MSG msg;
  int code = 0;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (msg.message == WM_QUIT) code = static_cast<int>(msg.wParam);
  if (cbt) UnhookWindowsHookEx(cbt);
  Log().Begin("dossa ended").Field("code", code).End();
  return code;
}

}  // namespace
}  // namespace korvex::dossa

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  korvex::dossa::g_instance = instance;
  return korvex::dossa::Run();
}
