// What the hook library reads of a window that has just been created, from
// inside a WH_CALLWNDPROCRET hook on WM_CREATE: its text without a message
// (InternalGetWindowText), its style (GetWindowLongW) and its owner or, for
// a child, its parent.  The hook reads nothing else: the CREATESTRUCTW that
// WM_CREATE's lParam points to is not converted for 32-bit hook code by
// Wine 8's experimental wow64 mode (its lpszName reads as a small number),
// while these reads of the window itself give the same answers in every
// mode.  This test shows, in whichever build runs it, that the window's own
// answers are there when the hook runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
  HWND window = nullptr;
  std::wstring text;
  LONG style = 0;
  HWND owner = nullptr;
  HWND parent = nullptr;
};

std::vector<Seen>* g_seen = nullptr;

LRESULT CALLBACK AfterCall(int code, WPARAM wparam, LPARAM lparam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
  if (code == HC_ACTION && call != nullptr && call->message == WM_CREATE && g_seen != nullptr) {
    Seen seen;
    seen.window = call->hwnd;
    wchar_t text[64] = {};
    const int length = InternalGetWindowText(call->hwnd, text, 64);
    seen.text.assign(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    seen.style = GetWindowLongW(call->hwnd, GWL_STYLE);
    seen.owner = GetWindow(call->hwnd, GW_OWNER);
    seen.parent = GetAncestor(call->hwnd, GA_PARENT);
    g_seen->push_back(seen);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

const Seen* Find(const std::vector<Seen>& seen, HWND window) {
  for (const Seen& s : seen) {
    if (s.window == window) return &s;
  }
  return nullptr;
}

TEST(HookWindowReadsWineTest, CreatedWindowAnswersCaptionStyleOwnerAndParentInsideTheHook) {
  std::vector<Seen> seen;
  g_seen = &seen;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterCall, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);

  const DWORD owner_style = WS_OVERLAPPEDWINDOW;
  HWND owner = CreateWindowExW(0, L"STATIC", L"Validación Total de Items", owner_style, 0, 0, 200,
                               100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND popup = CreateWindowExW(0, L"STATIC", L"Aviso", WS_POPUP | WS_CAPTION, 0, 0, 100, 50,
                               owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND child = CreateWindowExW(0, L"BUTTON", L"&Validar Items", WS_CHILD | BS_PUSHBUTTON, 0, 0,
                               80, 20, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  UnhookWindowsHookEx(hook);
  g_seen = nullptr;
  ASSERT_NE(owner, nullptr);
  ASSERT_NE(popup, nullptr);
  ASSERT_NE(child, nullptr);

  const struct {
    HWND window;
    const wchar_t* text;
    bool child;
    HWND related;
  } cases[] = {
      {owner, L"Validación Total de Items", false, nullptr},
      {popup, L"Aviso", false, owner},
      {child, L"&Validar Items", true, owner},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + wcslen(c.text)));
    const Seen* s = Find(seen, c.window);
    ASSERT_NE(s, nullptr) << "the hook did not see WM_CREATE";
    EXPECT_EQ(s->text, c.text);
    EXPECT_EQ((s->style & WS_CHILD) != 0, c.child);
    if (c.child) {
      EXPECT_EQ(s->parent, c.related);
    } else {
      EXPECT_EQ(s->owner, c.related);
    }
  }
  DestroyWindow(child);
  DestroyWindow(popup);
  DestroyWindow(owner);
}

}  // namespace
