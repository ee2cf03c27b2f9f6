#include "tests/wine/live_dialog.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "platform/win32/wide_text.h"
#include "tools/common/time_scale.h"

namespace korvex::wine_test {

using win32::FillListBoxes;
using win32::FromWide;
using win32::ToWide;

// --- what both kinds of dialog do ------------------------------------------------------

namespace {

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t buffer[32] = {};
  ::GetClassNameW(window, buffer, 32);
  return ::lstrcmpiW(buffer, name) == 0;
}

Text WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
  return FromWide(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
}

EndState ReadEndState(HWND dialog) {
  EndState state;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    const int id = ::GetDlgCtrlID(child);
    state.texts[id] = WindowText(child);
    if (IsClass(child, L"ListBox")) {
      state.list_selections[id] = static_cast<int>(::SendMessageW(child, LB_GETCURSEL, 0, 0));
    }
  }
  return state;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

// The top-level windows of a thread.
std::vector<HWND> ThreadWindows(DWORD thread_id) {
  std::vector<HWND> windows;
  ::EnumThreadWindows(thread_id, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// The thread's button children of a window, in window order.
std::vector<HWND> Buttons(HWND window) {
  std::vector<HWND> buttons;
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (IsClass(child, L"Button")) buttons.push_back(child);
  }
  return buttons;
}

// A message of this helper that makes a template dialog call EndDialog with
// wParam as its result.
UINT EndNowMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"KORVEX.LiveDialog.EndNow");
  return message;
}

}  // namespace

// --- dialogs on a second thread ------------------------------------------------------------

struct LiveDialog::Shared {
  bool is_template = false;
  Text caption;
  Text text;       // message box
  UINT type = 0;   // message box
  std::vector<DWORD> memory;      // template
  std::vector<DialogItem> items;  // template
  std::atomic<INT_PTR> result{0};
  std::mutex mutex;
  EndState end_state;
};

namespace {

using Shared = LiveDialog::Shared;

void EndTemplateDialog(HWND dialog, Shared& shared, INT_PTR result) {
  {
    std::lock_guard lock(shared.mutex);
    shared.end_state = ReadEndState(dialog);
  }
  ::EndDialog(dialog, result);
}

INT_PTR CALLBACK ModalProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    FillListBoxes(dialog, reinterpret_cast<Shared*>(lparam)->items);
    return TRUE;
  }
  auto* shared = reinterpret_cast<Shared*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (shared == nullptr) return FALSE;
  if (message == EndNowMessage()) {
    EndTemplateDialog(dialog, *shared, static_cast<INT_PTR>(wparam));
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
    // A button, or a command without a control (IDCANCEL from WM_CLOSE or
    // Escape, IDOK from Enter).
    const auto sender = reinterpret_cast<HWND>(lparam);
    if (sender == nullptr || IsClass(sender, L"Button")) {
      EndTemplateDialog(dialog, *shared, LOWORD(wparam));
      return TRUE;
    }
  }
  return FALSE;
}

DWORD WINAPI DialogThread(void* param) {
  // The thread holds its own reference: it may outlive the LiveDialog.
  const std::unique_ptr<std::shared_ptr<Shared>> holder(
      static_cast<std::shared_ptr<Shared>*>(param));
  Shared& shared = **holder;
  INT_PTR result = 0;
  if (shared.is_template) {
    result = ::DialogBoxIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(shared.memory.data()),
        nullptr, ModalProc, reinterpret_cast<LPARAM>(&shared));
  } else {
    result = ::MessageBoxW(nullptr, ToWide(shared.text).c_str(), ToWide(shared.caption).c_str(),
                           shared.type);
  }
  shared.result = result;
  return 0;
}

}  // namespace

LiveDialog::LiveDialog(std::shared_ptr<Shared> shared, win32::UniqueHandle thread,
                       DWORD thread_id)
    : m_shared(std::move(shared)), m_thread(std::move(thread)), m_thread_id(thread_id) {}

std::unique_ptr<LiveDialog> LiveDialog::ShowMessageBox(Text caption, Text text, UINT type) {
  auto shared = std::make_shared<Shared>();
  shared->caption = std::move(caption);
  shared->text = std::move(text);
  shared->type = type;
  return Start(std::move(shared));
}

std::unique_ptr<LiveDialog> LiveDialog::ShowModal(const DialogTemplate& dialog) {
  auto shared = std::make_shared<Shared>();
  shared->is_template = true;
  shared->caption = dialog.caption();
  shared->memory = dialog.Build();
  shared->items = dialog.items();
  return Start(std::move(shared));
}

std::unique_ptr<LiveDialog> LiveDialog::Start(std::shared_ptr<Shared> shared) {
  auto* holder = new std::shared_ptr<Shared>(shared);
  DWORD thread_id = 0;
  win32::UniqueHandle thread(::CreateThread(nullptr, 0, DialogThread, holder, 0, &thread_id));
  if (!thread) {
    delete holder;
    thread_id = 0;
  }
  std::unique_ptr<LiveDialog> live(new LiveDialog(std::move(shared), std::move(thread), thread_id));
  if (!live->m_thread) return live;

  // Wait until the dialog is on the screen: a visible top-level window of
  // its thread with its caption.
  const std::wstring caption = ToWide(live->m_shared->caption);
  const ULONGLONG deadline = ::GetTickCount64() + tools::ScaledMs(kWaitMs);
  while (::GetTickCount64() < deadline) {
    for (HWND window : ThreadWindows(thread_id)) {
      if (::IsWindowVisible(window) && WindowText(window) == live->m_shared->caption) {
        live->m_hwnd = window;
        return live;
      }
    }
    if (live->ThreadEnded(10)) break;
  }
  std::fprintf(stderr, "LiveDialog: \"%ls\" did not appear\n", caption.c_str());
  return live;
}

bool LiveDialog::ThreadEnded(DWORD timeout_ms) const {
  return !m_thread || ::WaitForSingleObject(m_thread.get(), tools::ScaledMs(timeout_ms)) == WAIT_OBJECT_0;
}

std::optional<INT_PTR> LiveDialog::WaitForResult(DWORD timeout_ms) {
  if (!m_thread || !ThreadEnded(timeout_ms)) return std::nullopt;
  return m_shared->result.load();
}

EndState LiveDialog::end_state() const {
  std::lock_guard lock(m_shared->mutex);
  return m_shared->end_state;
}

bool LiveDialog::Close() {
  if (ThreadEnded(0)) return true;
  // Round 0 closes, round 1 ends a template dialog directly, the rounds
  // after it click the buttons one after the other (a yes/no box ignores
  // WM_CLOSE).
  constexpr int kRounds = 6;
  for (int round = 0; round < kRounds; ++round) {
    for (HWND window : ThreadWindows(m_thread_id)) {
      if (round == 0) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
      } else if (round == 1) {
        ::PostMessageW(window, EndNowMessage(), IDCANCEL, 0);
      } else {
        const std::vector<HWND> buttons = Buttons(window);
        const auto index = static_cast<std::size_t>(round - 2);
        if (index < buttons.size()) ::PostMessageW(buttons[index], BM_CLICK, 0, 0);
      }
    }
    if (ThreadEnded(1000)) return true;
  }
  return false;
}

LiveDialog::~LiveDialog() {
  if (!Close()) {
    // Leave the thread behind rather than hang; it holds its own state.
    std::fprintf(stderr, "LiveDialog: the dialog of thread %lu could not be ended\n",
                 static_cast<unsigned long>(m_thread_id));
  }
}

// --- dialogs of the calling thread -------------------------------------------------------

namespace {

INT_PTR CALLBACK OwnProc(HWND dialog, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    FillListBoxes(dialog, *reinterpret_cast<const std::vector<DialogItem>*>(lparam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

OwnDialog::OwnDialog(const DialogTemplate& dialog, HWND owner) {
  const std::vector<DWORD> memory = dialog.Build();
  m_hwnd = ::CreateDialogIndirectParamW(
      ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(memory.data()), owner,
      OwnProc, reinterpret_cast<LPARAM>(&dialog.items()));
  PumpMessages();
}

OwnDialog::~OwnDialog() {
  if (m_hwnd != nullptr) ::DestroyWindow(m_hwnd);
  PumpMessages();
}

void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace korvex::wine_test
