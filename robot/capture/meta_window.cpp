#include "robot/capture/meta_window.h"

#include <stdexcept>
#include <string>

namespace korvex {

CMetaWindow::CMetaWindow(WindowSystem* ws, Hwnd handle, CMetaWindow* parent)
    : m_ws(ws), m_handle(handle), m_parent(parent) {}

CMetaWindow::~CMetaWindow() = default;

int CMetaWindow::GetControlId() const { return IsBound() ? m_ws->GetDlgCtrlID(m_handle) : 0; }

void CMetaWindow::AddChild(std::unique_ptr<CMetaWindow> child) {
  m_children.push_back(std::move(child));
}

CMetaWindow& CMetaWindow::GetChild(std::size_t index) const {
  if (index >= m_children.size()) {
    throw std::invalid_argument("CMetaWindow::GetChild: index " + std::to_string(index) +
                                " outside 0.." + std::to_string(m_children.size()));
  }
  return *m_children[index];
}

Rect CMetaWindow::GetOuterRect() const {
  if (!IsBound()) return {};
  return m_ws->GetWindowRect(m_handle).value_or(Rect{});
}

Rect CMetaWindow::GetInnerRect() const {
  if (!IsBound()) return {};
  return m_ws->GetClientRect(m_handle).value_or(Rect{});
}

Rect CMetaWindow::GetPlacement() const {
  const Rect outer = GetOuterRect();
  const Rect inner = GetInnerRect();
  if (m_parent == nullptr || m_ws == nullptr) return inner;
  const Rect parent_outer = m_parent->GetOuterRect();
  const int x = outer.left - parent_outer.left - m_ws->GetSystemMetrics(win::kSmCxDlgFrame);
  const int y = outer.top - parent_outer.top - m_ws->GetSystemMetrics(win::kSmCyCaption) -
                m_ws->GetSystemMetrics(win::kSmCyDlgFrame);
  return Rect{x, y, x + inner.right - inner.left, y + inner.bottom - inner.top};
}

Hwnd CMetaWindow::CreateReplica(Hwnd) const { return kNoWindow; }

Text CMetaWindow::ReadWindowText() const {
  if (!IsBound()) return {};
  return m_ws->GetWindowTextW(m_handle);
}

Hwnd CMetaWindow::CreateReplicaControl(Hwnd parent_window, std::u16string_view class_name,
                                       TextView text, std::uint32_t style,
                                       int control_id) const {
  if (m_ws == nullptr) return kNoWindow;
  const Hwnd control =
      m_ws->CreateChildControl(class_name, text, style, GetPlacement(), parent_window, control_id);
  if (control != kNoWindow) m_ws->SendSetFont(control, m_ws->SendGetFont(parent_window));
  return control;
}

// --- static text, button, icon ----------------------------------------------

namespace {
constexpr int kStaticReplicaId = 0xFFFF;
}

Hwnd CTextWindow::CreateReplica(Hwnd parent_window) const {
  return CreateReplicaControl(parent_window, u"Static", GetText(), win::kWsChild | win::kWsVisible,
                              kStaticReplicaId);
}

Hwnd CMetaButton::CreateReplica(Hwnd parent_window) const {
  // The replica keeps the captured id, so the ask-the-user dialog can tell
  // which captured button was chosen.
  return CreateReplicaControl(parent_window, u"Button", GetText(),
                              win::kWsChild | win::kWsVisible | win::kWsTabStop, GetControlId());
}

bool CMetaButton::Click() const {
  if (!IsBound()) return false;
  if (const CMetaWindow* dialog = GetParent(); dialog != nullptr) {
    ws()->SetForegroundWindow(dialog->GetHandle());
    ws()->SetActiveWindow(dialog->GetHandle());
  }
  return ws()->SendNotifyClick(GetHandle());
}

std::int32_t CMetaButton::IsEnabled() const {
  if (!IsBound()) return 0;
  return ws()->IsWindowEnabled(GetHandle()) ? 1 : 0;
}

Hwnd CIconWindow::CreateReplica(Hwnd parent_window) const {
  const Hwnd control = CreateReplicaControl(
      parent_window, u"Static", GetText(),
      win::kWsChild | win::kWsVisible | win::kSsIcon | win::kSsCenterImage, kStaticReplicaId);
  if (control != kNoWindow && ws() != nullptr) {
    // Icon handles are 32-bit values, sign-extended like every user handle.
    ws()->SendSetIcon(control, static_cast<IconHandle>(static_cast<std::intptr_t>(GetIcon())));
  }
  return control;
}

std::int32_t CIconWindow::GetIcon() const {
  if (!IsBound()) return 0;
  return static_cast<std::int32_t>(ws()->SendGetIcon(GetHandle()));
}

// --- edit and list -----------------------------------------------------------

void CMetaEdit::SetText(TextView text) const {
  if (IsBound()) ws()->SendSetText(GetHandle(), text);
}

void CMetaList::SelectIndex(int index) {
  if (IsBound()) ws()->SendListSetCurSel(GetHandle(), index);
}

void CMetaList::SelectString(TextView text) {
  if (IsBound()) SelectIndex(ws()->SendListFindString(GetHandle(), 0, text));
}

int CMetaList::GetItemCount() const {
  if (!IsBound()) return 0;
  return ws()->SendListGetCount(GetHandle());
}

Text CMetaList::GetItemText(int index) const {
  if (!IsBound()) return {};
  return ws()->SendListGetText(GetHandle(), index);
}

Text CMetaListEx::GetItemText(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_items.size()) {
    throw std::invalid_argument("CMetaListEx::GetItemText: index " + std::to_string(index) +
                                " outside the " + std::to_string(m_items.size()) + " items");
  }
  return m_items[static_cast<std::size_t>(index)];
}

Text CMetaListEx::GetSelectedItem() const {
  if (m_selected < 0 || static_cast<std::size_t>(m_selected) >= m_items.size()) {
    throw std::invalid_argument("CMetaListEx::GetSelectedItem: selection " +
                                std::to_string(m_selected) + " outside the " +
                                std::to_string(m_items.size()) + " items");
  }
  return m_items[static_cast<std::size_t>(m_selected)];
}

}  // namespace korvex
