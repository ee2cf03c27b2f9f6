// The window-system adapter against the real User32 (as Wine implements it):
// every operation the core relies on, on real controls.
#include "platform/win32/win32_window_system.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "tests/wine/live_dialog.h"

namespace korvex {
namespace {

using wine_test::DialogTemplate;
using wine_test::LiveDialog;
using wine_test::OwnDialog;
using win32::FromHwnd;
using win32::ToHwnd;

constexpr wchar_t kProbeClass[] = L"KorvexWineProbeWindow";  // 21 characters

// A window class of this test program, for top-level probes and for a child
// whose class name is longer than the class test reads.
void RegisterProbeClass() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kProbeClass;
    return ::RegisterClassW(&wc);
  }();
  ASSERT_NE(atom, 0);
}

class Win32WindowSystemTest : public ::testing::Test {
 protected:
  // The children of a window in the adapter's z-order walk.
  std::vector<Hwnd> Children(Hwnd parent) {
    std::vector<Hwnd> children;
    for (Hwnd child = ws.GetWindow(parent, win::kGwChild); child != kNoWindow;
         child = ws.GetWindow(child, win::kGwHwndNext)) {
      children.push_back(child);
    }
    return children;
  }

  std::vector<int> ChildIds(Hwnd parent) {
    std::vector<int> ids;
    for (Hwnd child : Children(parent)) ids.push_back(ws.GetDlgCtrlID(child));
    return ids;
  }

  // The rectangle of a child in its parent's client coordinates.
  Rect RectInParent(Hwnd child) {
    RECT r{};
    ::GetWindowRect(ToHwnd(child), &r);
    ::MapWindowPoints(nullptr, ::GetParent(ToHwnd(child)), reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
  }

  Win32WindowSystem ws;
};

// --- texts ------------------------------------------------------------------------

struct TextCase {
  const char* name;
  Text text;
};

std::vector<TextCase> TextCases() {
  Text long_text;
  for (int i = 0; i < 300; ++i) long_text += u"Declaración ";
  return {
      {"ascii", u"Aceptar"},
      {"spanish", u"¿Confirma la validación del ítem Nº 3? Año, señal, ÁÉÍÓÚ ü"},
      {"beyond Latin-1", u"Ωμέγα € ✓ 中文 ‰ Ł"},
      {"surrogate pair", u"caja \U0001F4E6 lista"},
      {"empty", u""},
      {"long", long_text},
  };
}

TEST_F(Win32WindowSystemTest, TextsOfCaptionsStaticsAndEditsRoundTripUnchanged) {
  OwnDialog dialog(DialogTemplate(u"Textos").Static(u"inicial", {5, 5, 150, 10}, 100).Edit(
      101, {5, 20, 150, 12}));
  ASSERT_NE(dialog.hwnd(), nullptr);
  for (const TextCase& c : TextCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(ws.SetWindowTextW(dialog.handle(), c.text));
    EXPECT_EQ(ws.GetWindowTextW(dialog.handle()), c.text);
    EXPECT_TRUE(ws.SetWindowTextW(dialog.Item(100), c.text));
    EXPECT_EQ(ws.GetWindowTextW(dialog.Item(100)), c.text);
    EXPECT_TRUE(ws.SendSetText(dialog.Item(101), c.text));
    EXPECT_EQ(ws.GetWindowTextW(dialog.Item(101)), c.text);
    EXPECT_EQ(ws.SendMessageW(dialog.Item(101), WM_GETTEXTLENGTH, 0, 0),
              static_cast<std::intptr_t>(c.text.size()));
  }
}

TEST_F(Win32WindowSystemTest, TextIntoAGivenBufferKeepsOneCharacterLessThanTheBuffer) {
  OwnDialog dialog(DialogTemplate(u"Búfer").Static(u"Validación", {5, 5, 150, 10}, 100));
  const struct {
    int buffer_chars;
    Text expected;
  } cases[] = {{0, u""}, {1, u""}, {2, u"V"}, {6, u"Valid"}, {10, u"Validació"},
               {11, u"Validación"}, {200, u"Validación"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.buffer_chars);
    EXPECT_EQ(ws.GetWindowTextW(dialog.Item(100), c.buffer_chars), c.expected);
  }
}

// --- classes, ids, structure ------------------------------------------------------

TEST_F(Win32WindowSystemTest, ClassNamesAreCutByTheBuffer) {
  RegisterProbeClass();
  OwnDialog dialog(DialogTemplate(u"Clases"));
  const struct {
    const wchar_t* window_class;
    int buffer_chars;
    Text expected;
  } cases[] = {
      {L"Button", 10, u"Button"},   {L"Static", 10, u"Static"},
      {L"Edit", 10, u"Edit"},       {L"ListBox", 10, u"ListBox"},
      {kProbeClass, 10, u"KorvexWin"}, {kProbeClass, 64, u"KorvexWineProbeWindow"},
      {L"Button", 4, u"But"},       {L"Button", 1, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(win32::FromWide(c.window_class).size());
    const Hwnd child = ws.CreateChildControl(win32::FromWide(c.window_class), u"", WS_CHILD,
                                             {0, 0, 10, 10}, dialog.handle(), 50);
    ASSERT_NE(child, kNoWindow);
    EXPECT_EQ(ws.GetClassNameW(child, c.buffer_chars), c.expected);
    ws.DestroyWindow(child);
  }
  EXPECT_EQ(ws.GetClassNameW(dialog.handle(), 10), u"#32770");
}

TEST_F(Win32WindowSystemTest, ChildWalkFollowsTheZOrder) {
  OwnDialog dialog(DialogTemplate(u"Orden")
                       .Button(u"Uno", 1, {5, 5, 40, 14})
                       .Static(u"Dos", {5, 25, 40, 10}, 2)
                       .Edit(3, {5, 40, 40, 12}));
  // Template order is window order.
  EXPECT_EQ(ChildIds(dialog.handle()), (std::vector<int>{1, 2, 3}));

  // Raising a control moves it to the front of the walk, sinking one moves
  // it to the end.
  ::SetWindowPos(ToHwnd(dialog.Item(3)), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ChildIds(dialog.handle()), (std::vector<int>{3, 1, 2}));
  ::SetWindowPos(ToHwnd(dialog.Item(1)), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ChildIds(dialog.handle()), (std::vector<int>{3, 2, 1}));

  // Controls have no children and no owner.
  EXPECT_EQ(ws.GetWindow(dialog.Item(2), win::kGwChild), kNoWindow);
  EXPECT_EQ(ws.GetWindow(dialog.Item(2), win::kGwOwner), kNoWindow);
}

TEST_F(Win32WindowSystemTest, OwnerOfAnOwnedDialog) {
  OwnDialog owner(DialogTemplate(u"Dueño"));
  OwnDialog owned(DialogTemplate(u"Propia"), owner.hwnd());
  EXPECT_EQ(ws.GetWindow(owned.handle(), win::kGwOwner), owner.handle());
  EXPECT_EQ(ws.GetWindow(owner.handle(), win::kGwOwner), kNoWindow);
}

TEST_F(Win32WindowSystemTest, ControlIdsAndEnabledState) {
  OwnDialog dialog(DialogTemplate(u"Ids"));
  for (int id : {1, 2, 6, 7, 1001, 0xFFFF}) {
    SCOPED_TRACE(id);
    const Hwnd button = ws.CreateChildControl(u"Button", u"B", WS_CHILD | WS_VISIBLE,
                                              {0, 0, 20, 10}, dialog.handle(), id);
    ASSERT_NE(button, kNoWindow);
    EXPECT_EQ(ws.GetDlgCtrlID(button), id);
    for (bool enabled : {false, true, false}) {
      ::EnableWindow(ToHwnd(button), enabled);
      EXPECT_EQ(ws.IsWindowEnabled(button), enabled);
    }
    ws.DestroyWindow(button);
  }
  OwnDialog disabled(
      DialogTemplate(u"Deshabilitado").Button(u"No", 7, {5, 5, 40, 14}, WS_DISABLED));
  EXPECT_FALSE(ws.IsWindowEnabled(disabled.Item(7)));
}

TEST_F(Win32WindowSystemTest, FindWindowExWalksTopLevelsAndChildrenByClass) {
  RegisterProbeClass();
  const Text probe_class = win32::FromWide(kProbeClass);
  HWND probes[2];
  for (HWND& probe : probes) {
    probe = ::CreateWindowExW(0, kProbeClass, L"sonda", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(probe, nullptr);
  }
  const Hwnd first = ws.FindWindowExW(kNoWindow, kNoWindow, probe_class);
  const Hwnd second = ws.FindWindowExW(kNoWindow, first, probe_class);
  EXPECT_EQ((std::set<Hwnd>{first, second}),
            (std::set<Hwnd>{FromHwnd(probes[0]), FromHwnd(probes[1])}));
  EXPECT_EQ(ws.FindWindowExW(kNoWindow, second, probe_class), kNoWindow);
  for (HWND probe : probes) ::DestroyWindow(probe);
  EXPECT_EQ(ws.FindWindowExW(kNoWindow, kNoWindow, probe_class), kNoWindow);

  OwnDialog dialog(DialogTemplate(u"Buscar")
                       .Static(u"Texto", {5, 5, 40, 10}, 10)
                       .Button(u"Sí", 6, {5, 20, 40, 14})
                       .Button(u"No", 7, {50, 20, 40, 14}));
  const Hwnd yes = ws.FindWindowExW(dialog.handle(), kNoWindow, u"Button");
  EXPECT_EQ(yes, dialog.Item(6));
  EXPECT_EQ(ws.FindWindowExW(dialog.handle(), yes, u"button"), dialog.Item(7));
  EXPECT_EQ(ws.FindWindowExW(dialog.handle(), dialog.Item(7), u"Button"), kNoWindow);
  EXPECT_EQ(ws.FindWindowExW(dialog.handle(), kNoWindow, u""), dialog.Item(10));
  EXPECT_EQ(ws.FindWindowExW(dialog.handle(), kNoWindow, u"KorvexNoSuchClass"), kNoWindow);
}

// --- threads and processes ------------------------------------------------------------

TEST_F(Win32WindowSystemTest, ThreadAndProcessOfAWindow) {
  OwnDialog own(DialogTemplate(u"Propio"));
  EXPECT_EQ(ws.GetWindowThreadProcessId(own.handle()).thread_id, ::GetCurrentThreadId());
  EXPECT_EQ(ws.GetWindowThreadProcessId(own.handle()).process_id, ::GetCurrentProcessId());

  auto box = LiveDialog::ShowMessageBox(u"Otro hilo", u"Mensaje", MB_OK);
  ASSERT_NE(box->hwnd(), nullptr);
  EXPECT_EQ(ws.GetWindowThreadProcessId(box->handle()).thread_id, box->thread_id());
  EXPECT_EQ(ws.GetWindowThreadProcessId(box->handle()).process_id, ::GetCurrentProcessId());
  EXPECT_NE(box->thread_id(), ::GetCurrentThreadId());

  const Hwnd gone = ws.CreateChildControl(u"Static", u"", WS_CHILD, {}, own.handle(), 1);
  ws.DestroyWindow(gone);
  EXPECT_EQ(ws.GetWindowThreadProcessId(gone).thread_id, 0u);
  EXPECT_EQ(ws.GetWindowThreadProcessId(gone).process_id, 0u);
}

TEST_F(Win32WindowSystemTest, ModuleBaseNameOfAProcess) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::wstring own(path, length);
  const Text expected = win32::FromWide(own.substr(own.find_last_of(L"\\/") + 1));

  const Text name = ws.GetProcessModuleBaseName(::GetCurrentProcessId());
  EXPECT_TRUE(EqualsIgnoringAsciiCase(name, expected)) << ToUtf8(name);
  EXPECT_TRUE(EqualsIgnoringAsciiCase(name, u"korvex_wine_tests.exe")) << ToUtf8(name);

  // No such process.
  for (std::uint32_t pid : {0u, 0xFFFFFFF0u}) {
    SCOPED_TRACE(pid);
    EXPECT_EQ(ws.GetProcessModuleBaseName(pid), u"<unknown>");
  }
}

// --- geometry, creation, fonts, icons -------------------------------------------------

TEST_F(Win32WindowSystemTest, CreatedControlsHaveTheirClassTextStyleRectangleIdAndFont) {
  OwnDialog dialog(DialogTemplate(u"Réplica", {0, 0, 200, 120}));
  const std::uintptr_t dialog_font = ws.SendGetFont(dialog.handle());
  ASSERT_NE(dialog_font, 0u) << "a DS_SETFONT dialog has a font";

  const struct {
    Text window_class;
    Text text;
    std::uint32_t style;
    Rect rect;
    int id;
    bool keeps_font;  // a static that shows an icon has no font to keep (Wine)
  } cases[] = {
      {u"Static", u"¿Desea continuar? — Ω", win::kWsChild | win::kWsVisible, {10, 20, 150, 40},
       0xFFFF, true},
      {u"Button", u"&Sí", win::kWsChild | win::kWsVisible | win::kWsTabStop, {10, 50, 80, 75},
       6, true},
      {u"Static", u"", win::kWsChild | win::kWsVisible | win::kSsIcon | win::kSsCenterImage,
       {5, 5, 37, 37}, 0xFFFF, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.window_class) + " " + ToUtf8(c.text));
    const Hwnd control =
        ws.CreateChildControl(c.window_class, c.text, c.style, c.rect, dialog.handle(), c.id);
    ASSERT_NE(control, kNoWindow);
    EXPECT_EQ(::GetParent(ToHwnd(control)), dialog.hwnd());
    EXPECT_EQ(ws.GetClassNameW(control, 10), c.window_class);
    EXPECT_EQ(ws.GetWindowTextW(control), c.text);
    EXPECT_EQ(ws.GetDlgCtrlID(control), c.id);
    EXPECT_EQ(static_cast<std::uint32_t>(ws.GetWindowLongW(control, win::kGwlStyle)) & c.style,
              c.style);
    EXPECT_EQ(RectInParent(control), c.rect);
    EXPECT_EQ(ws.GetClientRect(control),
              (Rect{0, 0, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top}));

    ws.SendSetFont(control, ws.SendGetFont(dialog.handle()));
    if (c.keeps_font) {
      EXPECT_EQ(ws.SendGetFont(control), dialog_font);
    }
  }
  EXPECT_EQ(ws.CreateChildControl(u"KorvexNoSuchClass", u"", win::kWsChild, {0, 0, 5, 5},
                                  dialog.handle(), 1),
            kNoWindow);
}

TEST_F(Win32WindowSystemTest, WindowRectangleIsInScreenCoordinates) {
  OwnDialog dialog(DialogTemplate(u"Rectángulos"));
  const Hwnd control = ws.CreateChildControl(u"Static", u"x", win::kWsChild | win::kWsVisible,
                                             {10, 20, 110, 45}, dialog.handle(), 1);
  POINT origin{0, 0};
  ::ClientToScreen(dialog.hwnd(), &origin);
  EXPECT_EQ(ws.GetWindowRect(control),
            (Rect{origin.x + 10, origin.y + 20, origin.x + 110, origin.y + 45}));
  const std::optional<Rect> outer = ws.GetWindowRect(dialog.handle());
  ASSERT_TRUE(outer.has_value());
  EXPECT_LE(outer->left, origin.x);
  EXPECT_LE(outer->top + ws.GetSystemMetrics(win::kSmCyCaption), origin.y);

  for (int metric : {win::kSmCxDlgFrame, win::kSmCyDlgFrame, win::kSmCyCaption}) {
    SCOPED_TRACE(metric);
    EXPECT_GT(ws.GetSystemMetrics(metric), 0);
    EXPECT_EQ(ws.GetSystemMetrics(metric), ::GetSystemMetrics(metric));
  }
}

TEST_F(Win32WindowSystemTest, SystemIconsAreStableAndDistinct) {
  std::set<IconHandle> seen;
  for (int id : {win::kIdiHand, win::kIdiQuestion, win::kIdiExclamation, win::kIdiAsterisk}) {
    SCOPED_TRACE(id);
    const IconHandle icon = ws.LoadSystemIcon(id);
    EXPECT_NE(icon, 0u);
    EXPECT_EQ(ws.LoadSystemIcon(id), icon);
    EXPECT_EQ(icon, win32::FromHicon(::LoadIconW(nullptr, MAKEINTRESOURCEW(id))));
    seen.insert(icon);
  }
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(Win32WindowSystemTest, IconStaticShowsTheIconItIsGiven) {
  OwnDialog dialog(DialogTemplate(u"Iconos").Static(u"", {5, 5, 20, 20}, 100, SS_ICON));
  const Hwnd icon_static = dialog.Item(100);
  const Hwnd text_static =
      ws.CreateChildControl(u"Static", u"texto", win::kWsChild, {30, 5, 90, 20},
                            dialog.handle(), 101);
  EXPECT_EQ(ws.SendGetIcon(icon_static), 0u);
  EXPECT_EQ(ws.SendGetIcon(text_static), 0u);
  IconHandle previous = 0;
  for (int id : {win::kIdiAsterisk, win::kIdiHand}) {
    SCOPED_TRACE(id);
    const IconHandle icon = ws.LoadSystemIcon(id);
    EXPECT_EQ(ws.SendSetIcon(icon_static, icon), previous);
    EXPECT_EQ(ws.SendGetIcon(icon_static), icon);
    previous = icon;
  }
}

// --- list boxes -----------------------------------------------------------------------

class ListBoxTest : public Win32WindowSystemTest {
 protected:
  static std::vector<Text> Items() {
    return {u"Aduana", u"Ítem 1", u"Ítem 2", u"Ωmega €", u"Zeta", u"aduanero"};
  }
  OwnDialog dialog{DialogTemplate(u"Lista").ListBox(1001, {5, 5, 150, 60}, Items())};
  Hwnd list = dialog.Item(1001);
};

TEST_F(ListBoxTest, CountAndTextsOfTheItems) {
  const std::vector<Text> items = Items();
  EXPECT_EQ(ws.SendListGetCount(list), static_cast<int>(items.size()));
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    EXPECT_EQ(ws.SendListGetText(list, i), items[i]) << i;
  }
  for (int outside : {-1, static_cast<int>(items.size()), 1000}) {
    EXPECT_EQ(ws.SendListGetText(list, outside), u"") << outside;
  }
}

TEST_F(ListBoxTest, FindStringMatchesAPrefixWithoutRegardToCaseAfterTheStart) {
  const struct {
    int start;
    Text text;
    int expected;
  } cases[] = {
      {-1, u"Aduana", 0},    {-1, u"adu", 0},     {0, u"adu", 5},
      {5, u"adu", 0},        {-1, u"Ítem", 1},    {1, u"Ítem", 2},
      {2, u"Ítem", 1},       {-1, u"Ítem 2", 2},  {-1, u"Ωmega", 3},
      {-1, u"zeta", 4},      {-1, u"ZETA", 4},    {-1, u"Aduanas", LB_ERR},
      {-1, u"Nada", LB_ERR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text) + " from " + std::to_string(c.start));
    EXPECT_EQ(ws.SendListFindString(list, c.start, c.text), c.expected);
  }
}

TEST_F(ListBoxTest, SelectionByIndex) {
  EXPECT_EQ(ws.SendListGetCurSel(list), LB_ERR);
  EXPECT_EQ(ws.SendListSetCurSel(list, 2), 2);
  EXPECT_EQ(ws.SendListGetCurSel(list), 2);
  EXPECT_EQ(ws.SendListSetCurSel(list, 5), 5);
  EXPECT_EQ(ws.SendListGetCurSel(list), 5);
  // -1 clears the selection (and answers LB_ERR by definition).
  EXPECT_EQ(ws.SendListSetCurSel(list, -1), LB_ERR);
  EXPECT_EQ(ws.SendListGetCurSel(list), LB_ERR);
  EXPECT_EQ(ws.SendListSetCurSel(list, 6), LB_ERR);
}

TEST_F(Win32WindowSystemTest, ListTopIndexScrollsALongList) {
  std::vector<Text> many;
  for (int i = 0; i < 40; ++i) many.push_back(u"Opción " + FromUtf8(std::to_string(i)));
  OwnDialog dialog(DialogTemplate(u"Lista larga").ListBox(1001, {5, 5, 150, 40}, many));
  const Hwnd list = dialog.Item(1001);
  EXPECT_EQ(ws.SendListGetTopIndex(list), 0);
  EXPECT_NE(ws.SendListSetTopIndex(list, 10), LB_ERR);
  EXPECT_EQ(ws.SendListGetTopIndex(list), 10);
}

// --- messages, activation, destruction ------------------------------------------------

TEST_F(Win32WindowSystemTest, PostedMessageArrivesWithItsParameters) {
  OwnDialog dialog(DialogTemplate(u"Mensajes"));
  ASSERT_TRUE(ws.PostMessageW(dialog.handle(), WM_APP + 5, 7, -3));
  MSG message{};
  ASSERT_TRUE(::PeekMessageW(&message, dialog.hwnd(), WM_APP + 5, WM_APP + 5, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_EQ(message.lParam, -3);
  EXPECT_TRUE(ws.PostMessageW(dialog.handle(), win::kWmNull, 0, 0));
  wine_test::PumpMessages();
}

TEST_F(Win32WindowSystemTest, ActivationOfOwnVisibleDialog) {
  OwnDialog first(DialogTemplate(u"Primero"));
  OwnDialog second(DialogTemplate(u"Segundo"));
  ws.SetActiveWindow(first.handle());
  EXPECT_EQ(ws.SetActiveWindow(second.handle()), first.handle());
  EXPECT_EQ(::GetActiveWindow(), second.hwnd());
  EXPECT_TRUE(ws.SetForegroundWindow(first.handle()));
  wine_test::PumpMessages();
  EXPECT_EQ(::GetForegroundWindow(), first.hwnd());
}

TEST_F(Win32WindowSystemTest, ADestroyedWindowAnswersWithEmptyResults) {
  OwnDialog dialog(DialogTemplate(u"Destruir"));
  const Hwnd button = ws.CreateChildControl(u"Button", u"Aceptar", win::kWsChild,
                                            {0, 0, 40, 14}, dialog.handle(), 1);
  ASSERT_TRUE(ws.IsWindow(button));
  EXPECT_NE(ws.GetWindowLongW(button, win::kGwlStyle), 0);
  EXPECT_TRUE(ws.DestroyWindow(button));
  EXPECT_FALSE(ws.DestroyWindow(button));

  EXPECT_FALSE(ws.IsWindow(button));
  EXPECT_EQ(ws.GetWindowTextW(button), u"");
  EXPECT_EQ(ws.GetClassNameW(button, 10), u"");
  EXPECT_EQ(ws.GetWindowLongW(button, win::kGwlStyle), 0);
  EXPECT_EQ(ws.GetWindow(button, win::kGwHwndNext), kNoWindow);
  EXPECT_EQ(ws.GetWindowRect(button), std::nullopt);
  EXPECT_EQ(ws.GetClientRect(button), std::nullopt);
  EXPECT_FALSE(ws.IsWindowEnabled(button));
  EXPECT_EQ(ws.SendListGetCount(button), 0);
  EXPECT_EQ(ws.SendListGetText(button, 0), u"");
  EXPECT_FALSE(ws.PostMessageW(button, win::kWmNull, 0, 0));
  EXPECT_EQ(Children(dialog.handle()), std::vector<Hwnd>{});
}

// --- message boxes of another thread -----------------------------------------------

// The button of a message box with the given id.
Hwnd ButtonWithId(WindowSystem& ws, Hwnd box, int id) {
  for (Hwnd child = ws.GetWindow(box, win::kGwChild); child != kNoWindow;
       child = ws.GetWindow(child, win::kGwHwndNext)) {
    if (EqualsIgnoringAsciiCase(ws.GetClassNameW(child, 10), u"Button") &&
        ws.GetDlgCtrlID(child) == id) {
      return child;
    }
  }
  return kNoWindow;
}

TEST_F(Win32WindowSystemTest, ClickOnAMessageBoxButtonEndsTheBoxWithTheButtonsId) {
  const struct {
    const char* name;
    UINT type;
    int button;
  } cases[] = {
      {"ok", MB_OK | MB_ICONINFORMATION, IDOK},
      {"yes/no, no", MB_YESNO | MB_ICONQUESTION, IDNO},
      {"yes/no, yes", MB_YESNO | MB_ICONQUESTION, IDYES},
      {"ok/cancel, cancel", MB_OKCANCEL, IDCANCEL},
      {"retry/cancel, retry", MB_RETRYCANCEL | MB_ICONEXCLAMATION, IDRETRY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto box = LiveDialog::ShowMessageBox(u"Confirmación", u"¿Continúa la validación?", c.type);
    ASSERT_NE(box->hwnd(), nullptr);
    const Hwnd button = ButtonWithId(ws, box->handle(), c.button);
    ASSERT_NE(button, kNoWindow);
    EXPECT_TRUE(ws.SendNotifyClick(button));
    EXPECT_EQ(box->WaitForResult(), c.button);
    EXPECT_FALSE(ws.IsWindow(box->handle()));
  }
}

bool SpanishUserInterface() {
  return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_SPANISH;
}

TEST_F(Win32WindowSystemTest, MessageBoxButtonsReadInSpanish) {
  if (!SpanishUserInterface()) {
    GTEST_SKIP() << "the Spanish button texts need LANG=es_AR.UTF-8 (scripts/run-wine-tests.sh)";
  }
  const struct {
    UINT type;
    std::vector<std::pair<int, Text>> buttons;
  } cases[] = {
      {MB_OK, {{IDOK, u"Aceptar"}}},
      {MB_YESNO, {{IDYES, u"&Sí"}, {IDNO, u"&No"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    auto box = LiveDialog::ShowMessageBox(u"Idioma", u"Texto", c.type);
    ASSERT_NE(box->hwnd(), nullptr);
    for (const auto& [id, text] : c.buttons) {
      EXPECT_EQ(ws.GetWindowTextW(ButtonWithId(ws, box->handle(), id)), text) << id;
    }
  }
}


// --- a host that is busy, modal or hung ---------------------------------------------------

// A window of another thread with a button whose click handler opens a modal
// box and keeps it up until the test closes it, as the host does when it
// refuses a value; or, hung, a thread that takes no message at all.
class HostThread {
 public:
  enum class Mode { RefusesWithAPopup, Hangs };

  explicit HostThread(Mode mode) : m_mode(mode) {
    m_thread = std::thread([this] { Run(); });
    const ULONGLONG end = ::GetTickCount64() + 10000;
    while (m_button.load() == nullptr && ::GetTickCount64() < end) ::Sleep(5);
  }
  ~HostThread() {
    m_release = true;
    if (HWND popup = Popup(); popup != nullptr) ::PostMessageW(popup, WM_CLOSE, 0, 0);
    if (m_window.load() != nullptr) ::PostMessageW(m_window.load(), WM_CLOSE, 0, 0);
    m_thread.join();
  }
  HWND window() const { return m_window.load(); }
  HWND button() const { return m_button.load(); }
  // The refusal on screen, or null.
  HWND Popup() const {
    const HWND popup = ::FindWindowW(L"#32770", L"Error");
    return popup != nullptr && ::IsWindowVisible(popup) ? popup : nullptr;
  }
  bool HandlerReturned() const { return m_handlerReturned.load(); }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<HostThread*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
      ::MessageBoxW(hwnd, L"El valor ingresado no es válido.", L"Error", MB_OK | MB_ICONERROR);
      self->m_handlerReturned = true;
      return 0;
    }
    if (message == WM_CLOSE) {
      ::DestroyWindow(hwnd);
      ::PostQuitMessage(0);
      return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }

  void Run() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorvexWineHost";
    ::RegisterClassW(&wc);
    const HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Ingreso de dato complementario",
                                          WS_OVERLAPPEDWINDOW, 50, 50, 300, 150, nullptr, nullptr,
                                          wc.hInstance, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    const HWND button = ::CreateWindowExW(0, L"Button", L"Validar lo ingresado",
                                          WS_CHILD | WS_VISIBLE, 10, 10, 160, 24, window,
                                          reinterpret_cast<HMENU>(1), wc.hInstance, nullptr);
    ::ShowWindow(window, SW_SHOW);
    m_window = window;
    m_button = button;
    if (m_mode == Mode::Hangs) {
      while (!m_release.load()) ::Sleep(5);
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  Mode m_mode;
  std::thread m_thread;
  std::atomic<HWND> m_window{nullptr};
  std::atomic<HWND> m_button{nullptr};
  std::atomic<bool> m_release{false};
  std::atomic<bool> m_handlerReturned{false};
};

TEST_F(Win32WindowSystemTest, APressDoesNotWaitForAHandlerThatOpensAModalPopup) {
  HostThread host(HostThread::Mode::RefusesWithAPopup);
  ASSERT_NE(host.button(), nullptr);
  // The press and a read sent before it, then the press itself; with the
  // popup up, the host's thread answers sent messages from its modal loop.
  EXPECT_TRUE(ws.SendSetText(FromHwnd(host.window()), u"Ingreso de dato complementario"));
  auto pressed = std::async(std::launch::async,
                            [&] { return ws.SendNotifyClick(FromHwnd(host.button())); });
  ASSERT_EQ(pressed.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "the press waited for the host's click handler";
  EXPECT_TRUE(pressed.get());
  HWND popup = nullptr;
  for (int i = 0; i < 500 && (popup = host.Popup()) == nullptr; ++i) ::Sleep(10);
  ASSERT_NE(popup, nullptr) << "the host's handler did not run";
  EXPECT_FALSE(host.HandlerReturned());
  EXPECT_EQ(ws.GetWindowTextW(FromHwnd(host.window())), u"Ingreso de dato complementario");
}

TEST_F(Win32WindowSystemTest, SendsToAHungWindowFailWithinTheBoundAndDeadWindowsAnswerNothing) {
  HostThread host(HostThread::Mode::Hangs);
  ASSERT_NE(host.window(), nullptr);
  Win32WindowSystem bounded(200);
  const Hwnd window = FromHwnd(host.window());
  const Hwnd button = FromHwnd(host.button());
  EXPECT_THROW(bounded.GetWindowTextW(window), WindowTimeoutError);
  EXPECT_THROW(bounded.SendSetText(button, u"x"), WindowTimeoutError);
  EXPECT_THROW(bounded.SendGetIcon(button), WindowTimeoutError);
  EXPECT_THROW(bounded.SendListGetCount(button), WindowTimeoutError);
  try {
    bounded.SendListGetText(button, 0);
    ADD_FAILURE() << "no timeout";
  } catch (const WindowTimeoutError& e) {
    EXPECT_EQ(e.window(), button);
    EXPECT_EQ(e.message(), static_cast<std::uint32_t>(LB_GETTEXTLEN));
  }
  EXPECT_TRUE(bounded.IsWindow(window));

  // A window that no longer exists answers as the window system does.
  OwnDialog gone(DialogTemplate(u"Se va").Static(u"texto", {5, 5, 100, 10}, 100));
  const Hwnd dead = gone.handle();
  ::DestroyWindow(gone.hwnd());
  EXPECT_EQ(bounded.GetWindowTextW(dead), u"");
  EXPECT_FALSE(bounded.SendSetText(dead, u"x"));
  EXPECT_EQ(bounded.SendGetIcon(dead), 0u);
}

}  // namespace
}  // namespace korvex
