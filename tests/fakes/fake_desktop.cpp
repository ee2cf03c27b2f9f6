#include "tests/fakes/fake_desktop.h"

#include <algorithm>
#include <stdexcept>

namespace korvex::testing {

FakeDesktop::FakeDesktop() {
  metrics[win::kSmCxDlgFrame] = 3;
  metrics[win::kSmCyDlgFrame] = 3;
  metrics[win::kSmCyCaption] = 19;
  on_click = [this](Hwnd button) -> std::intptr_t {
    const Window* b = Find(button);
    if (b == nullptr || !b->props.enabled) return 0;
    const Hwnd dialog = TopLevelDialogOf(button);
    if (dialog != kNoWindow) EndDialog(dialog, b->props.control_id);
    return 0;
  };
}

Hwnd FakeDesktop::NewHandle() {
  m_next += 4;
  return m_next;
}

Hwnd FakeDesktop::AddTopLevel(WindowProps props, Hwnd owner) {
  const Hwnd h = NewHandle();
  Window w;
  w.handle = h;
  const Window* made_by = owner != kNoWindow ? &Get(owner) : nullptr;
  if (props.thread_id == 0) props.thread_id = made_by != nullptr ? made_by->props.thread_id : 1;
  if (props.process_id == 0) props.process_id = made_by != nullptr ? made_by->props.process_id : 1;
  w.props = std::move(props);
  w.owner = owner;
  m_windows.emplace(h, std::move(w));
  m_top_levels.insert(m_top_levels.begin(), h);
  return h;
}

Hwnd FakeDesktop::AddChild(Hwnd parent, WindowProps props) {
  Window& p = Get(parent);
  const Hwnd h = NewHandle();
  Window w;
  w.handle = h;
  // Children share their dialog's thread and process.
  props.thread_id = p.props.thread_id;
  props.process_id = p.props.process_id;
  w.props = std::move(props);
  w.parent = parent;
  p.children.push_back(h);
  m_windows.emplace(h, std::move(w));
  return h;
}

Hwnd FakeDesktop::AddMessageBox(TextView caption, TextView text, IconHandle icon,
                                const std::vector<std::pair<Text, int>>& buttons, Hwnd owner) {
  const Hwnd box = AddTopLevel({.class_name = u"#32770",
                                .text = Text(caption),
                                .window_rect = {100, 100, 400, 250},
                                .client_rect = {0, 0, 294, 128}},
                               owner);
  if (icon != 0) {
    AddChild(box, {.class_name = u"Static", .control_id = 20, .icon = icon,
                   .window_rect = {115, 130, 147, 162}, .client_rect = {0, 0, 32, 32}});
  }
  int x = 200;
  for (const auto& [label, id] : buttons) {
    AddChild(box, {.class_name = u"Button", .text = label, .control_id = id,
                   .window_rect = {x, 210, x + 75, 233}, .client_rect = {0, 0, 75, 23}});
    x += 80;
  }
  AddChild(box, {.class_name = u"Static", .text = Text(text), .control_id = 0xFFFF,
                 .window_rect = {160, 130, 380, 160}, .client_rect = {0, 0, 220, 30}});
  return box;
}

FakeDesktop::Window* FakeDesktop::Find(Hwnd window) {
  auto it = m_windows.find(window);
  return it == m_windows.end() || !it->second.alive ? nullptr : &it->second;
}

const FakeDesktop::Window* FakeDesktop::Find(Hwnd window) const {
  auto it = m_windows.find(window);
  return it == m_windows.end() || !it->second.alive ? nullptr : &it->second;
}

FakeDesktop::Window& FakeDesktop::Get(Hwnd window) {
  auto it = m_windows.find(window);
  if (it == m_windows.end()) throw std::invalid_argument("FakeDesktop: no such window");
  return it->second;
}

const FakeDesktop::Window& FakeDesktop::Get(Hwnd window) const {
  auto it = m_windows.find(window);
  if (it == m_windows.end()) throw std::invalid_argument("FakeDesktop: no such window");
  return it->second;
}

void FakeDesktop::Destroy(Hwnd window) {
  Window* w = Find(window);
  if (w == nullptr) return;
  w->alive = false;
  for (Hwnd child : std::vector<Hwnd>(w->children)) Destroy(child);
  if (w->parent != kNoWindow) {
    auto& siblings = Get(w->parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  } else {
    m_top_levels.erase(std::remove(m_top_levels.begin(), m_top_levels.end(), window),
                       m_top_levels.end());
  }
}

void FakeDesktop::EndDialog(Hwnd dialog, int result) {
  if (Window* w = Find(dialog); w != nullptr) {
    w->dialog_result = result;
    Destroy(dialog);
  }
}

Hwnd FakeDesktop::TopLevelDialogOf(Hwnd window) const {
  const Window* w = Find(window);
  while (w != nullptr && w->parent != kNoWindow) w = Find(w->parent);
  return w == nullptr ? kNoWindow : w->handle;
}

void FakeDesktop::Record(Hwnd window, std::string what, Text text, std::intptr_t value) {
  m_sent.push_back({window, std::move(what), std::move(text), value});
}

void FakeDesktop::BeforeSend(Hwnd window, std::string_view what, std::uint32_t message) {
  if (on_send) on_send(window, what);
  for (Hwnd w = window; w != kNoWindow; w = Find(w) != nullptr ? Get(w).parent : kNoWindow) {
    if (hung.count(w) != 0) throw WindowTimeoutError(window, message);
  }
}

std::size_t FakeDesktop::RunHostQueue() {
  std::size_t handled = 0;
  while (!m_hostQueue.empty()) {
    const Hwnd button = m_hostQueue.front();
    m_hostQueue.pop_front();
    ++handled;
    if (Find(button) != nullptr && on_click) on_click(button);
  }
  return handled;
}

std::vector<SentMessage> FakeDesktop::SentTo(Hwnd window) const {
  std::vector<SentMessage> out;
  for (const auto& m : m_sent) {
    if (m.window == window) out.push_back(m);
  }
  return out;
}

// --- WindowSystem -------------------------------------------------------------

Text FakeDesktop::GetWindowTextW(Hwnd window) {
  if (Find(window) != nullptr) BeforeSend(window, "WM_GETTEXTLENGTH", 0x000E);
  const Window* w = Find(window);
  return w == nullptr ? Text{} : w->props.text;
}

Text FakeDesktop::GetWindowTextW(Hwnd window, int buffer_chars) {
  // GetWindowTextW of another process's window sends nothing.
  const Window* w = Find(window);
  Text text = w == nullptr ? Text{} : w->props.text;
  const auto limit = static_cast<std::size_t>(std::max(buffer_chars - 1, 0));
  if (text.size() > limit) text.resize(limit);
  return text;
}

bool FakeDesktop::SetWindowTextW(Hwnd window, TextView text) {
  Window* w = Find(window);
  if (w == nullptr) return false;
  // For a window of another thread SetWindowTextW sends WM_SETTEXT and waits
  // for it without a bound: at a hung window the caller would hang.
  for (Hwnd h = window; h != kNoWindow; h = Find(h) != nullptr ? Get(h).parent : kNoWindow) {
    if (hung.count(h) != 0) {
      throw std::logic_error("SetWindowTextW waits for a hung window without a bound");
    }
  }
  w->props.text = Text(text);
  Record(window, "SetWindowTextW", Text(text));
  return true;
}

bool FakeDesktop::SendSetText(Hwnd window, TextView text) {
  Window* w = Find(window);
  if (w == nullptr) return false;
  BeforeSend(window, "WM_SETTEXT", 0x000C);
  w->props.text = Text(text);
  Record(window, "WM_SETTEXT", Text(text));
  return true;
}

Hwnd FakeDesktop::GetWindow(Hwnd window, std::uint32_t command) {
  const Window* w = Find(window);
  if (w == nullptr) return kNoWindow;
  if (command == win::kGwChild) return w->children.empty() ? kNoWindow : w->children.front();
  if (command == win::kGwOwner) return w->owner;
  if (command == win::kGwHwndNext) {
    const std::vector<Hwnd>& siblings =
        w->parent != kNoWindow ? Get(w->parent).children : m_top_levels;
    auto it = std::find(siblings.begin(), siblings.end(), window);
    if (it == siblings.end() || ++it == siblings.end()) return kNoWindow;
    return *it;
  }
  return kNoWindow;
}

Text FakeDesktop::GetClassNameW(Hwnd window, int buffer_chars) {
  const Window* w = Find(window);
  if (w == nullptr) return {};
  Text name = w->props.class_name;
  const auto limit = static_cast<std::size_t>(std::max(buffer_chars - 1, 0));
  if (name.size() > limit) name.resize(limit);
  return name;
}

int FakeDesktop::GetDlgCtrlID(Hwnd window) {
  const Window* w = Find(window);
  return w == nullptr ? 0 : w->props.control_id;
}

bool FakeDesktop::IsWindowEnabled(Hwnd window) {
  const Window* w = Find(window);
  return w != nullptr && w->props.enabled;
}

bool FakeDesktop::IsWindow(Hwnd window) { return Find(window) != nullptr; }

std::int32_t FakeDesktop::GetWindowLongW(Hwnd window, int index) {
  const Window* w = Find(window);
  if (w == nullptr || index != win::kGwlStyle) return 0;
  return static_cast<std::int32_t>(w->props.style);
}

Hwnd FakeDesktop::FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) {
  const std::vector<Hwnd>* list = &m_top_levels;
  if (parent != kNoWindow) {
    const Window* p = Find(parent);
    if (p == nullptr) return kNoWindow;
    list = &p->children;
  }
  auto it = list->begin();
  if (child_after != kNoWindow) {
    it = std::find(list->begin(), list->end(), child_after);
    if (it == list->end()) return kNoWindow;
    ++it;
  }
  for (; it != list->end(); ++it) {
    if (EqualsIgnoringAsciiCase(Get(*it).props.class_name, class_name)) return *it;
  }
  return kNoWindow;
}

ThreadProcessIds FakeDesktop::GetWindowThreadProcessId(Hwnd window) {
  const Window* w = Find(window);
  if (w == nullptr) return {};
  return {w->props.thread_id, w->props.process_id};
}

Hwnd FakeDesktop::FindWindowW(TextView caption) {
  for (const Hwnd h : m_top_levels) {
    const Window& w = Get(h);
    if (w.alive && w.props.text == caption) return h;
  }
  return kNoWindow;
}

std::uintptr_t FakeDesktop::GetPropW(Hwnd window, TextView name) {
  const Window* w = Find(window);
  if (w == nullptr) return 0;
  const auto it = w->properties.find(Text(name));
  return it != w->properties.end() ? it->second : 0;
}

Text FakeDesktop::GetProcessModuleBaseName(std::uint32_t process_id) {
  auto it = m_modules.find(process_id);
  return it == m_modules.end() ? Text(u"<unknown>") : it->second;
}

std::optional<Rect> FakeDesktop::GetWindowRect(Hwnd window) {
  const Window* w = Find(window);
  if (w == nullptr) return std::nullopt;
  return w->props.window_rect;
}

std::optional<Rect> FakeDesktop::GetClientRect(Hwnd window) {
  const Window* w = Find(window);
  if (w == nullptr) return std::nullopt;
  return w->props.client_rect;
}

int FakeDesktop::GetSystemMetrics(int index) {
  auto it = metrics.find(index);
  return it == metrics.end() ? 0 : it->second;
}

bool FakeDesktop::SetForegroundWindow(Hwnd window) {
  if (Find(window) == nullptr) return false;
  Record(window, "SetForegroundWindow");
  return true;
}

Hwnd FakeDesktop::SetActiveWindow(Hwnd window) {
  if (Find(window) == nullptr) return kNoWindow;
  Record(window, "SetActiveWindow");
  const Hwnd previous = m_active;
  m_active = window;
  return previous;
}

bool FakeDesktop::SendNotifyClick(Hwnd button) {
  if (Find(button) == nullptr) return false;
  Record(button, "BM_CLICK");
  if (clicks_wait_for_host) {
    m_hostQueue.push_back(button);
  } else if (on_click) {
    on_click(button);
  }
  return true;
}

IconHandle FakeDesktop::SendGetIcon(Hwnd static_control) {
  if (Find(static_control) != nullptr) BeforeSend(static_control, "STM_GETICON", 0x0171);
  const Window* w = Find(static_control);
  return w == nullptr ? 0 : w->props.icon;
}

IconHandle FakeDesktop::SendSetIcon(Hwnd static_control, IconHandle icon) {
  Window* w = Find(static_control);
  if (w == nullptr) return 0;
  BeforeSend(static_control, "STM_SETICON", 0x0170);
  Record(static_control, "STM_SETICON", {}, static_cast<std::intptr_t>(icon));
  const IconHandle previous = w->props.icon;
  w->props.icon = icon;
  return previous;
}

IconHandle FakeDesktop::LoadSystemIcon(int id) { return SystemIcon(id); }

int FakeDesktop::SendListSetCurSel(Hwnd list, int index) {
  Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_SETCURSEL", 0x0186);
  if (w == nullptr) return win::kLbErr;
  Record(list, "LB_SETCURSEL", {}, index);
  if (index < 0 || static_cast<std::size_t>(index) >= w->props.items.size()) {
    w->cur_sel = -1;
    return win::kLbErr;
  }
  w->cur_sel = index;
  return index;
}

int FakeDesktop::SendListGetCurSel(Hwnd list) {
  const Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_GETCURSEL", 0x0188);
  return w == nullptr ? win::kLbErr : w->cur_sel;
}

int FakeDesktop::SendListSetTopIndex(Hwnd list, int index) {
  Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_SETTOPINDEX", 0x0197);
  if (w == nullptr) return win::kLbErr;
  Record(list, "LB_SETTOPINDEX", {}, index);
  w->top_index = index;
  return 0;
}

int FakeDesktop::SendListGetTopIndex(Hwnd list) {
  const Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_GETTOPINDEX", 0x018E);
  return w == nullptr ? win::kLbErr : w->top_index;
}

int FakeDesktop::SendListFindString(Hwnd list, int start, TextView text) {
  const Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_FINDSTRING", 0x018F);
  if (w == nullptr) return win::kLbErr;
  // LB_FINDSTRING: the first item that begins with the text, without regard
  // to case, searching after start and wrapping around.
  const int n = static_cast<int>(w->props.items.size());
  for (int k = 1; k <= n; ++k) {
    const int i = ((start < 0 ? -1 : start) + k) % n;
    const Text& item = w->props.items[static_cast<std::size_t>(i)];
    if (item.size() >= text.size() &&
        EqualsIgnoringAsciiCase(TextView(item).substr(0, text.size()), text)) {
      return i;
    }
  }
  return win::kLbErr;
}

int FakeDesktop::SendListGetCount(Hwnd list) {
  const Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_GETCOUNT", 0x018B);
  return w == nullptr ? 0 : static_cast<int>(w->props.items.size());
}

Text FakeDesktop::SendListGetText(Hwnd list, int index) {
  const Window* w = Find(list);
  if (w != nullptr) BeforeSend(list, "LB_GETTEXT", 0x0189);
  if (w == nullptr || index < 0 || static_cast<std::size_t>(index) >= w->props.items.size()) {
    return {};
  }
  return w->props.items[static_cast<std::size_t>(index)];
}

Hwnd FakeDesktop::CreateChildControl(TextView class_name, TextView text, std::uint32_t style,
                                     const Rect& rect, Hwnd parent, int control_id) {
  if (Find(parent) == nullptr) return kNoWindow;
  const Hwnd h = AddChild(parent, {.class_name = Text(class_name),
                                   .text = Text(text),
                                   .style = style,
                                   .control_id = control_id,
                                   .window_rect = rect,
                                   .client_rect = {0, 0, rect.right - rect.left,
                                                   rect.bottom - rect.top}});
  Record(h, "CreateWindowExW", Text(class_name), control_id);
  return h;
}

bool FakeDesktop::DestroyWindow(Hwnd window) {
  if (Find(window) == nullptr) return false;
  Destroy(window);
  return true;
}

std::uintptr_t FakeDesktop::SendGetFont(Hwnd window) {
  const Window* w = Find(window);
  return w == nullptr ? 0 : w->font;
}

void FakeDesktop::SendSetFont(Hwnd window, std::uintptr_t font) {
  if (Window* w = Find(window); w != nullptr) {
    w->font = font;
    Record(window, "WM_SETFONT", {}, static_cast<std::intptr_t>(font));
  }
}

bool FakeDesktop::PostMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) {
  if (Find(window) == nullptr) return false;
  Record(window, "PostMessageW " + std::to_string(message), {},
         static_cast<std::intptr_t>(wparam));
  return true;
}

std::intptr_t FakeDesktop::SendMessageW(Hwnd window, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
  if (Find(window) == nullptr) return 0;
  Record(window, "SendMessageW " + std::to_string(message), {},
         static_cast<std::intptr_t>(wparam));
  return 0;
}

}  // namespace korvex::testing
