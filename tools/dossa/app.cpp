#include "tools/dossa/app.h"

#include <string>
#include <utility>

#include "tools/common/time_scale.h"
#include "tools/dossa/dialogs.h"
#include "tools/dossa/report.h"

namespace korvex::dossa {
namespace {

// The robot window that the hook library loaded into this process holds in
// its shared section, or 0 while the library is not here.
LONG RegisteredRobotWindow() {
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

}  // namespace

App::App(Script script, bool stay) : m_script(std::move(script)), m_stay(stay) {}

bool App::Start() {
  if (!m_main.Open()) {
    Log().Begin("error").Field("text", L"cannot create the main window").End();
    return false;
  }
  Log().Begin("dossa started").Field("pid", GetCurrentProcessId())
      .Hex("hwnd", reinterpret_cast<ULONG_PTR>(m_main.hwnd())).End();
  m_main.PostRunScript();
  return true;
}

void App::OpenValidationRequested() {
  if (ValidationOpen()) {
    SetForegroundWindow(m_validation->hwnd());
    return;
  }
  m_validation = std::make_unique<ValidationForm>(*this);
  if (!m_validation->Open(m_main.hwnd())) {
    Log().Begin("error").Field("text", L"the validation window could not be created").End();
    m_validation.reset();
    return;
  }
  Log().Begin("validation opened")
      .Hex("hwnd", reinterpret_cast<ULONG_PTR>(m_validation->hwnd())).End();
  // A form that holds the control holds it each time it opens: the user who
  // opens the form again from the main form gets the control of the
  // script's last "control" step back, with the same properties.
  if (m_control) m_tarifex.Create(m_validation->hwnd(), m_control->settings, m_control->line);
}

void App::ValidationClosed() {
  // The control goes with its form.
  m_tarifex.Destroy();
  Log().Begin("validation closed").End();
}

void App::CloseValidation() {
  if (ValidationOpen()) DestroyWindow(m_validation->hwnd());
}

void App::Quit() {
  if (m_quitting) return;
  m_quitting = true;
  CloseValidation();
  if (m_main.alive()) DestroyWindow(m_main.hwnd());
}

bool App::Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        m_quitting = true;
        return false;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (m_quitting) return false;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

void App::WaitForHook(std::uint32_t limit_ms) {
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
    SendMessageW(m_main.hwnd(), WM_NULL, 0, 0);
    if (!Pump(50)) return;
  }
}

// The button is hidden while the run goes and shown again after it.
void App::RunItems(const std::vector<Item>& items) {
  if (m_running || !ValidationOpen()) return;
  m_running = true;
  ValidationForm& form = *m_validation;
  Log().Begin("run started").Field("items", static_cast<long long>(items.size())).End();
  ShowWindow(form.validate_button(), SW_HIDE);
  std::size_t done = 0;
  for (const Item& item : items) {
    if (m_quitting || !form.alive()) break;
    SetWindowTextW(form.frame(), (std::wstring(kFramePrefix) + L" " +
                                  std::to_wstring(item.number)).c_str());
    SetWindowTextW(form.progress(), (L"Item " + std::to_wstring(done + 1) + L" de " +
                                     std::to_wstring(items.size())).c_str());
    Log().Begin("item").Field("number", item.number).End();
    for (std::size_t k = 0; k < item.dialogs.size() && !m_quitting && form.alive(); ++k) {
      const Dialog& plan = item.dialogs[k];
      if (plan.kind == DialogKind::kTarifex) {
        m_tarifex.Run(item, static_cast<int>(k) + 1, plan, form.hwnd());
      } else {
        RaiseDialog(item, static_cast<int>(k) + 1, plan, form.hwnd());
      }
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

void App::RunSteps() {
  for (const Step& step : m_script.steps) {
    if (m_quitting) return;
    switch (step.kind) {
      case StepKind::kWaitHook: WaitForHook(tools::ScaledMs(step.ms)); break;
      case StepKind::kOpen: OpenValidationRequested(); break;
      case StepKind::kRun:
        if (!ValidationOpen()) {
          Log().Begin("error").Field("line", step.line)
              .Field("text", L"run: the validation window is not open").End();
        } else {
          RunItems(step.items);
        }
        break;
      case StepKind::kControl:
        if (!ValidationOpen()) {
          Log().Begin("error").Field("line", step.line)
              .Field("text", L"control: the validation window is not open").End();
        } else {
          m_tarifex.Create(m_validation->hwnd(), step.control, step.line);
          m_control = PlacedControl{step.control, step.line};
        }
        break;
      case StepKind::kClose: CloseValidation(); break;
      case StepKind::kPause: Pump(step.ms); break;
      case StepKind::kQuit: Quit(); return;
    }
  }
  if (!m_stay) Quit();
}

}  // namespace korvex::dossa
