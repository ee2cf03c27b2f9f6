#include "sentrel/hook_logic.h"

namespace korvex::sentrel {
namespace {

// Lower case of ASCII and Latin-1 capital letters; other code units as they are.
char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  // U+00C0..U+00DE are the Latin-1 capitals, except U+00D7 (multiplication sign).
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<char16_t>(c + 0x20);
  return c;
}

// The readiness bits: the two messages a dialog must have processed before the
// robot may look at it.
std::uint32_t ReadinessBit(std::uint32_t message) {
  switch (message & 0xFFFFu) {
    case kWmInitDialog: return 1u;
    case kWmShowWindow: return 2u;
    default: return 0u;
  }
}

constexpr std::uint32_t kReady = 3u;

}  // namespace

bool EqualsIgnoringCase(const char16_t* a, const char16_t* b) {
  for (;; ++a, ++b) {
    if (Fold(*a) != Fold(*b)) return false;
    if (*a == 0) return true;
  }
}

void HookLogic::Reset() {
  m_validationWnd = 0;
  m_validateButton = 0;
  m_trackedDialog = 0;
  m_pendingWnd = 0;
  m_pendingMessage = 0;
  m_pendingLParam = 0;
  m_seenMask = 0;
}

Posts HookLogic::OnMessage(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                           const CreationParams* creation) {
  Posts posts;
  switch (message) {
    case kWmCreate:
      CheckCreation(window, creation, posts);
      break;
    case kWmDestroy:
      OnDestroy(window, posts);
      break;
    case kWmShowWindow:
      if (m_validateButton != 0 && window == m_validateButton) {
        // The host hides the button while a run goes and shows it after.
        posts.Add(kValidateButton, wparam == 0 ? 1u : 0u, 0);
      }
      break;
    default:
      break;
  }
  CheckReadiness(window, message, posts);
  return posts;
}

void HookLogic::CheckCreation(WindowId window, const CreationParams* creation, Posts& posts) {
  if (creation == nullptr || creation->caption == nullptr) return;

  if (creation->style & kWsChild) {
    if (m_validationWnd != 0 && creation->parent == m_validationWnd &&
        EqualsIgnoringCase(creation->caption, kValidateButtonCaption)) {
      m_validateButton = window;
    }
    return;
  }

  if (EqualsIgnoringCase(creation->caption, kValidationCaption)) {
    if (window == m_validationWnd) return;
    m_validationWnd = window;
    m_pendingWnd = 0;
    m_trackedDialog = 0;
    m_validateButton = 0;
    posts.Add(kValidationStarted, window, 0);
    return;
  }

  // Another top-level window: of interest only when the validation window owns it.
  if (m_validationWnd == 0 || creation->parent != m_validationWnd) return;
  if (window == m_trackedDialog) return;
  if (m_trackedDialog == 0) {
    m_trackedDialog = window;
    Await(window, kDialogReady, 0);
  } else if (creation->style & kWsPopup) {
    // A second popup while the dialog is still there: the host refused what
    // was done to the dialog.
    Await(window, kAnswerRejected, static_cast<std::intptr_t>(m_validationWnd));
  }
}

void HookLogic::OnDestroy(WindowId window, Posts& posts) {
  if (m_validationWnd != 0 && window == m_validationWnd) {
    m_validationWnd = 0;
    m_validateButton = 0;
    m_pendingWnd = 0;
    posts.Add(kValidationEnded, 0, 0);
  }
  if (window == m_validateButton) m_validateButton = 0;
  if (window == m_pendingWnd) m_pendingWnd = 0;
  if (window == m_trackedDialog) m_trackedDialog = 0;
}

// A pending window is reported once, when it has processed both messages;
// after that nothing is awaited until the next window becomes pending (the
// seen mask keeps its bits, but there is no pending window to post).
void HookLogic::CheckReadiness(WindowId window, std::uint32_t message, Posts& posts) {
  if (m_pendingWnd == 0 || window != m_pendingWnd) return;
  m_seenMask |= ReadinessBit(message);
  if (m_seenMask == kReady) {
    posts.Add(m_pendingMessage, m_pendingWnd, m_pendingLParam);
    m_pendingWnd = 0;
  }
}

void HookLogic::Await(WindowId window, std::uint32_t message, std::intptr_t lparam) {
  m_pendingWnd = window;
  m_pendingMessage = message;
  m_pendingLParam = lparam;
  m_seenMask = 0;
}

// --- RobotDisabledWindows -------------------------------------------------------------------

void RobotDisabledWindows::Reset() {
  for (int i = 0; i < kSlots; ++i) {
    __atomic_store_n(&m_window[i], WindowId{0}, __ATOMIC_SEQ_CST);
    __atomic_store_n(&m_process[i], 0u, __ATOMIC_SEQ_CST);
  }
}

int RobotDisabledWindows::OnEnable(WindowId window, bool enabled, std::uint32_t robot_process) {
  if (window == 0) return -1;
  if (enabled) {
    Drop(window);
    return -1;
  }
  if (robot_process == 0) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (__atomic_load_n(&m_window[i], __ATOMIC_SEQ_CST) == window) return -1;  // recorded
  }
  for (int i = 0; i < kSlots; ++i) {
    if (__atomic_load_n(&m_window[i], __ATOMIC_SEQ_CST) != 0) continue;
    // The process first: a watcher reads it once it sees the window.
    __atomic_store_n(&m_process[i], robot_process, __ATOMIC_SEQ_CST);
    __atomic_store_n(&m_window[i], window, __ATOMIC_SEQ_CST);
    return i;
  }
  return -1;
}

void RobotDisabledWindows::OnDestroy(WindowId window) {
  if (window != 0) Drop(window);
}

void RobotDisabledWindows::Drop(WindowId window) {
  for (int i = 0; i < kSlots; ++i) {
    WindowId expected = window;
    __atomic_compare_exchange_n(&m_window[i], &expected, WindowId{0}, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
  }
}

bool RobotDisabledWindows::Holds(int slot, WindowId window) const {
  if (slot < 0 || slot >= kSlots || window == 0) return false;
  return __atomic_load_n(&m_window[slot], __ATOMIC_SEQ_CST) == window;
}

std::uint32_t RobotDisabledWindows::RobotProcess(int slot) const {
  if (slot < 0 || slot >= kSlots) return 0;
  return __atomic_load_n(&m_process[slot], __ATOMIC_SEQ_CST);
}

WindowId RobotDisabledWindows::Window(int slot) const {
  if (slot < 0 || slot >= kSlots) return 0;
  return __atomic_load_n(&m_window[slot], __ATOMIC_SEQ_CST);
}

bool RobotDisabledWindows::Claim(int slot, WindowId window) {
  if (slot < 0 || slot >= kSlots || window == 0) return false;
  WindowId expected = window;
  return __atomic_compare_exchange_n(&m_window[slot], &expected, WindowId{0}, false,
                                     __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

}  // namespace korvex::sentrel
