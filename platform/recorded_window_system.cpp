#include "platform/recorded_window_system.h"

#include <utility>

namespace korvex {

RecordedWindowSystem::RecordedWindowSystem(WindowSystem& live, DialogRecording recording)
    : m_live(live) {
  Record(std::move(recording));
}

RecordedWindowSystem::RecordedWindowSystem(WindowSystem& live) : m_live(live), m_expired(true) {}

void RecordedWindowSystem::Record(DialogRecording recording) {
  m_recording = std::move(recording);
  m_index.clear();
  for (std::size_t i = 0; i < m_recording.windows.size(); ++i) {
    m_index.emplace(m_recording.windows[i].window, i);
  }
  m_changed.assign(m_recording.windows.size(), false);
  m_expired = false;
  m_answered = 0;
}

const RecordedWindow* RecordedWindowSystem::Find(Hwnd window, bool frames_too) {
  if (m_expired) return nullptr;
  const auto it = m_index.find(window);
  if (it == m_index.end() || m_changed[it->second]) return nullptr;
  const RecordedWindow& recorded = m_recording.windows[it->second];
  if (recorded.kind == RecordedWindow::Kind::kFrame && !frames_too) return nullptr;
  ++m_answered;
  return &recorded;
}

void RecordedWindowSystem::Forget(Hwnd window) {
  const auto it = m_index.find(window);
  if (it != m_index.end()) m_changed[it->second] = true;
}

Text RecordedWindowSystem::GetWindowTextW(Hwnd window) {
  if (const RecordedWindow* w = Find(window)) return w->text;
  return m_live.GetWindowTextW(window);
}

Text RecordedWindowSystem::GetWindowTextW(Hwnd window, int buffer_chars) {
  // Only the frames' captions were read with a fixed buffer, and only that
  // buffer gives the same text.
  if (buffer_chars == m_recording.frame_text_chars) {
    const auto it = m_index.find(window);
    if (it != m_index.end() && m_recording.windows[it->second].kind == RecordedWindow::Kind::kFrame) {
      if (const RecordedWindow* w = Find(window, true)) return w->text;
    }
  }
  return m_live.GetWindowTextW(window, buffer_chars);
}

bool RecordedWindowSystem::SetWindowTextW(Hwnd window, TextView text) {
  const bool set = m_live.SetWindowTextW(window, text);
  Changed(window, set, text);
  return set;
}

bool RecordedWindowSystem::SendSetText(Hwnd window, TextView text) {
  const bool set = m_live.SendSetText(window, text);
  Changed(window, set, text);
  return set;
}

// A text cleared is known: another process reads an empty text whatever the
// control keeps of it.  Any other text is read live from then on, as a
// control need not keep the window text another process reads.
void RecordedWindowSystem::Changed(Hwnd window, bool set, TextView text) {
  const auto it = m_index.find(window);
  if (it == m_index.end()) return;
  if (set && text.empty()) {
    m_recording.windows[it->second].text.clear();
  } else {
    m_changed[it->second] = true;
  }
}

Hwnd RecordedWindowSystem::GetWindow(Hwnd window, std::uint32_t command) {
  if (!m_expired) {
    const auto it = m_index.find(window);
    if (it != m_index.end()) {
      const std::size_t at = it->second;
      const RecordedWindow::Kind kind = m_recording.windows[at].kind;
      const bool first_child = command == win::kGwChild && kind == RecordedWindow::Kind::kDialog;
      const bool next_child = command == win::kGwHwndNext && kind == RecordedWindow::Kind::kChild;
      if (first_child || next_child) {
        ++m_answered;
        const std::size_t next = at + 1;
        if (next < m_recording.windows.size() &&
            m_recording.windows[next].kind == RecordedWindow::Kind::kChild) {
          return m_recording.windows[next].window;
        }
        return kNoWindow;
      }
    }
  }
  return m_live.GetWindow(window, command);
}

Text RecordedWindowSystem::GetClassNameW(Hwnd window, int buffer_chars) {
  if (const RecordedWindow* w = Find(window, true)) {
    if (buffer_chars <= 0) return {};
    return w->class_name.substr(0, static_cast<std::size_t>(buffer_chars - 1));
  }
  return m_live.GetClassNameW(window, buffer_chars);
}

int RecordedWindowSystem::GetDlgCtrlID(Hwnd window) {
  if (const RecordedWindow* w = Find(window)) return w->control_id;
  return m_live.GetDlgCtrlID(window);
}

bool RecordedWindowSystem::IsWindowEnabled(Hwnd window) {
  if (const RecordedWindow* w = Find(window)) return w->enabled;
  return m_live.IsWindowEnabled(window);
}

Hwnd RecordedWindowSystem::FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) {
  const bool recorded = !m_expired && parent != kNoWindow && parent == m_recording.validation &&
                        !m_recording.frame_class.empty() &&
                        EqualsIgnoringAsciiCase(class_name, m_recording.frame_class);
  if (!recorded) return m_live.FindWindowExW(parent, child_after, class_name);
  ++m_answered;
  bool past = child_after == kNoWindow;
  for (const RecordedWindow& w : m_recording.windows) {
    if (w.kind != RecordedWindow::Kind::kFrame) continue;
    if (past) return w.window;
    if (w.window == child_after) past = true;
  }
  return kNoWindow;
}

IconHandle RecordedWindowSystem::SendGetIcon(Hwnd static_control) {
  if (const RecordedWindow* w = Find(static_control)) return w->icon;
  return m_live.SendGetIcon(static_control);
}

IconHandle RecordedWindowSystem::SendSetIcon(Hwnd static_control, IconHandle icon) {
  Forget(static_control);
  return m_live.SendSetIcon(static_control, icon);
}

int RecordedWindowSystem::SendListSetCurSel(Hwnd list, int index) {
  // The selection is not recorded; the items stay as they were.
  return m_live.SendListSetCurSel(list, index);
}

int RecordedWindowSystem::SendListGetCount(Hwnd list) {
  if (const RecordedWindow* w = Find(list); w != nullptr && w->list_count >= 0) return w->list_count;
  return m_live.SendListGetCount(list);
}

Text RecordedWindowSystem::SendListGetText(Hwnd list, int index) {
  if (const RecordedWindow* w = Find(list); w != nullptr && w->list_count >= 0) {
    if (index < 0 || static_cast<std::size_t>(index) >= w->items.size()) return {};
    return w->items[static_cast<std::size_t>(index)];
  }
  return m_live.SendListGetText(list, index);
}

}  // namespace korvex
