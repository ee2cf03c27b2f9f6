#include "tools/dossa/forms.h"

namespace korvex::dossa {

HINSTANCE g_instance = nullptr;

namespace {

// Control identifiers.
constexpr int kOpenValidationId = 100;
constexpr int kExitId = 101;
constexpr int kValidateId = 200;
constexpr int kCloseId = 201;
constexpr int kProgressId = 202;

constexpr UINT kRunScriptMessage = WM_USER + 100;

WNDPROC g_buttonProc = nullptr;
const wchar_t* g_buttonClass = L"Button";

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

bool Clicked(WPARAM wParam, int id) { return HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == id; }

}  // namespace

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

bool RegisterFormClasses() {
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = &Form::Proc;
  form.hInstance = g_instance;
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass.c_str();
  if (!RegisterClassExW(&form)) return false;

  WNDCLASSEXW frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = FrameProc;
  frame.hInstance = g_instance;
  frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kFrameClass.c_str();
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

// --- Form -------------------------------------------------------------------------------

bool Form::Create(const wchar_t* caption, int width, int height, HWND owner) {
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  return CreateWindowExW(0, kFormClass.c_str(), caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                         width, height, owner, nullptr, g_instance, this) != nullptr;
}

HWND Form::AddControl(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
                      int h, int id, HWND parent) {
  HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 parent ? parent : m_hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance,
                                 nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return control;
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Form::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
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

// --- ValidationForm ----------------------------------------------------------------------

bool ValidationForm::Open(HWND owner) {
  if (!Create(kValidationCaption.c_str(), 440, 210, owner)) return false;
  // The controls are created after the form's own WM_CREATE has been
  // processed, as the host's forms do: the hook knows the validation
  // window by then and recognises its button.
  m_frame = AddControl(kFrameClass.c_str(), kFramePrefix.c_str(), 0, 12, 10, 400, 90, 0);
  m_progress = AddControl(L"Static", L"Pulse \"Validar Items\" para validar la declaración.", 0,
                          12, 30, 370, 40, kProgressId, m_frame);
  m_validate = AddControl(g_buttonClass, kValidateCaption.c_str(), BS_PUSHBUTTON | WS_TABSTOP, 12,
                          120, 130, 30, kValidateId);
  AddControl(g_buttonClass, L"&Cerrar", BS_PUSHBUTTON | WS_TABSTOP, 282, 120, 130, 30, kCloseId);
  ShowWindow(m_hwnd, SW_SHOWNORMAL);
  UpdateWindow(m_hwnd);
  return true;
}

LRESULT ValidationForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (Clicked(wParam, kValidateId)) {
        m_events.ValidateRequested();
      } else if (Clicked(wParam, kCloseId)) {
        if (m_events.MayCloseValidation()) DestroyWindow(m_hwnd);
      }
      return 0;
    case WM_CLOSE:
      if (m_events.MayCloseValidation()) DestroyWindow(m_hwnd);
      return 0;
    case WM_DESTROY:
      m_events.ValidationClosed();
      return 0;
    default:
      return Form::OnMessage(message, wParam, lParam);
  }
}

// --- MainForm ------------------------------------------------------------------------------

bool MainForm::Open() {
  if (!Create(kMainCaption, 460, 170, nullptr)) return false;
  AddControl(L"Static", L"Declaración en curso.", 0, 12, 12, 420, 20, 0);
  AddControl(g_buttonClass, L"Validación &Total de Items...", BS_PUSHBUTTON | WS_TABSTOP, 12, 50,
             200, 30, kOpenValidationId);
  AddControl(g_buttonClass, L"&Salir", BS_PUSHBUTTON | WS_TABSTOP, 312, 50, 120, 30, kExitId);
  ShowWindow(m_hwnd, SW_SHOWNORMAL);
  UpdateWindow(m_hwnd);
  return true;
}

void MainForm::PostRunScript() { PostMessageW(m_hwnd, kRunScriptMessage, 0, 0); }

LRESULT MainForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (Clicked(wParam, kOpenValidationId)) {
        m_events.OpenValidationRequested();
      } else if (Clicked(wParam, kExitId)) {
        m_events.QuitRequested();
      }
      return 0;
    case WM_CLOSE:
      m_events.QuitRequested();
      return 0;
    case kRunScriptMessage:
      m_events.RunScriptRequested();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return Form::OnMessage(message, wParam, lParam);
  }
}

}  // namespace korvex::dossa
