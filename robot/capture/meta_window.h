// The captured-window model: one meta window per control that the robot
// understands (push button, static text, static icon, edit, list box) under a
// root for the dialog itself.
//
// Live meta windows read their values from the window system at call time;
// the "Ex" variants carry the values recorded in a window key and never touch
// a window.  A meta window owns its children; the parent pointer is a plain
// back reference.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "platform/window_system.h"

namespace korvex {

// Kind codes of the model; the numbers are part of what other code relies on
// (only Text is tested by the descriptions, the others keep their values).
enum class WindowKind : int { Button = 0, Edit = 1, Text = 2, Icon = 3, List = 4, Dialog = 5 };

class CMetaWindow {
 public:
  // ws may be null for a meta window that is never bound to a live window.
  CMetaWindow(WindowSystem* ws, Hwnd handle, CMetaWindow* parent);
  virtual ~CMetaWindow();
  CMetaWindow(const CMetaWindow&) = delete;
  CMetaWindow& operator=(const CMetaWindow&) = delete;

  // "class " followed by the most derived class name; the serializer
  // registries are keyed by it.
  virtual std::u16string_view RuntimeClassName() const = 0;
  virtual WindowKind GetKind() const = 0;

  Hwnd GetHandle() const { return m_handle; }
  bool IsBound() const { return m_ws != nullptr && m_handle != kUnboundWindow; }
  virtual int GetControlId() const;  // live GetDlgCtrlID; 0 when unbound
  void AddChild(std::unique_ptr<CMetaWindow> child);  // does not set the child's parent
  CMetaWindow* GetParent() const { return m_parent; }
  std::size_t GetChildCount() const { return m_children.size(); }
  // Throws std::invalid_argument for an index outside 0..count-1.
  CMetaWindow& GetChild(std::size_t index) const;
  Rect GetOuterRect() const;  // live GetWindowRect (screen coordinates)
  Rect GetInnerRect() const;  // live GetClientRect
  // Where a replica of this control goes inside a dialog whose client area
  // matches the captured dialog's.
  Rect GetPlacement() const;
  // Creates a look-alike child control of parent_window and returns it (the
  // caller owns it); kNoWindow for controls that have no replica.
  virtual Hwnd CreateReplica(Hwnd parent_window) const;
  // Live: WM_GETTEXTLENGTH, then GetWindowTextW; the whole text.
  virtual Text ReadWindowText() const;

 protected:
  WindowSystem* ws() const { return m_ws; }
  // Gives the replica its rectangle's worth of font: WM_GETFONT of the parent
  // window, WM_SETFONT on the new control.
  Hwnd CreateReplicaControl(Hwnd parent_window, std::u16string_view class_name, TextView text,
                            std::uint32_t style, int control_id) const;

 private:
  WindowSystem* m_ws;
  Hwnd m_handle;
  std::vector<std::unique_ptr<CMetaWindow>> m_children;
  CMetaWindow* m_parent;
};

// The root: the dialog window itself.
class CDialogWindow : public CMetaWindow {
 public:
  CDialogWindow(WindowSystem* ws, Hwnd handle) : CMetaWindow(ws, handle, nullptr) {}
  // A rebuilt dialog's root, bound to no window.
  CDialogWindow() : CMetaWindow(nullptr, kUnboundWindow, nullptr) {}
  std::u16string_view RuntimeClassName() const override { return u"class CDialogWindow"; }
  WindowKind GetKind() const override { return WindowKind::Dialog; }
};

class CTextWindow : public CMetaWindow {
 public:
  using CMetaWindow::CMetaWindow;
  std::u16string_view RuntimeClassName() const override { return u"class CTextWindow"; }
  WindowKind GetKind() const override { return WindowKind::Text; }
  virtual Text GetText() const { return ReadWindowText(); }
  Hwnd CreateReplica(Hwnd parent_window) const override;
};

class CMetaButton : public CTextWindow {
 public:
  using CTextWindow::CTextWindow;
  std::u16string_view RuntimeClassName() const override { return u"class CMetaButton"; }
  WindowKind GetKind() const override { return WindowKind::Button; }
  Hwnd CreateReplica(Hwnd parent_window) const override;
  // SetForegroundWindow and SetActiveWindow on the parent dialog, then
  // BM_CLICK delivered without waiting for the host's click handler (which
  // may open a modal popup); the texts and selections sent before it are
  // handled first.  False when unbound or not delivered.
  virtual bool Click() const;
  // The enabled flag a key records: live IsWindowEnabled, or the stored flag
  // of a rebuilt button.
  virtual std::int32_t IsEnabled() const;
};

class CIconWindow : public CTextWindow {
 public:
  using CTextWindow::CTextWindow;
  std::u16string_view RuntimeClassName() const override { return u"class CIconWindow"; }
  WindowKind GetKind() const override { return WindowKind::Icon; }
  Hwnd CreateReplica(Hwnd parent_window) const override;
  // The icon handle as a 32-bit integer (live STM_GETICON).
  virtual std::int32_t GetIcon() const;
};

class CMetaEdit : public CMetaWindow {
 public:
  using CMetaWindow::CMetaWindow;
  std::u16string_view RuntimeClassName() const override { return u"class CMetaEdit"; }
  WindowKind GetKind() const override { return WindowKind::Edit; }
  // Live WM_SETTEXT; also on a rebuilt edit, where it reaches no window.
  void SetText(TextView text) const;
};

class CMetaList : public CMetaWindow {
 public:
  using CMetaWindow::CMetaWindow;
  std::u16string_view RuntimeClassName() const override { return u"class CMetaList"; }
  WindowKind GetKind() const override { return WindowKind::List; }
  virtual void SelectIndex(int index);            // live LB_SETCURSEL
  virtual void SelectString(TextView text);       // live LB_FINDSTRING from 0, then SelectIndex
  virtual int GetItemCount() const;               // live LB_GETCOUNT
  virtual Text GetItemText(int index) const;      // live LB_GETTEXTLEN + LB_GETTEXT
};

// --- controls rebuilt from a window key -------------------------------------

class CTextWindowEx : public CTextWindow {
 public:
  explicit CTextWindowEx(Text text)
      : CTextWindow(nullptr, kUnboundWindow, nullptr), m_text(std::move(text)) {}
  std::u16string_view RuntimeClassName() const override { return u"class CTextWindowEx"; }
  Text GetText() const override { return m_text; }

 private:
  Text m_text;
};

class CMetaButtonEx : public CMetaButton {
 public:
  CMetaButtonEx(Text text, std::int32_t enabled)
      : CMetaButton(nullptr, kUnboundWindow, nullptr), m_text(std::move(text)), m_enabled(enabled) {}
  std::u16string_view RuntimeClassName() const override { return u"class CMetaButtonEx"; }
  Text GetText() const override { return m_text; }
  std::int32_t IsEnabled() const override { return m_enabled; }

 private:
  Text m_text;
  std::int32_t m_enabled;
};

class CIconWindowEx : public CIconWindow {
 public:
  explicit CIconWindowEx(std::int32_t icon)
      : CIconWindow(nullptr, kUnboundWindow, nullptr), m_icon(icon) {}
  std::u16string_view RuntimeClassName() const override { return u"class CIconWindowEx"; }
  std::int32_t GetIcon() const override { return m_icon; }

 private:
  std::int32_t m_icon;
};

class CMetaEditEx : public CMetaEdit {
 public:
  explicit CMetaEditEx(Text text)
      : CMetaEdit(nullptr, kUnboundWindow, nullptr), m_text(std::move(text)) {}
  std::u16string_view RuntimeClassName() const override { return u"class CMetaEditEx"; }
  Text ReadWindowText() const override { return m_text; }

 private:
  Text m_text;
};

class CMetaListEx : public CMetaList {
 public:
  CMetaListEx() : CMetaList(nullptr, kUnboundWindow, nullptr) {}
  std::u16string_view RuntimeClassName() const override { return u"class CMetaListEx"; }
  void SelectIndex(int index) override { m_selected = index; }
  void SelectString(TextView) override {}
  int GetItemCount() const override { return static_cast<int>(m_items.size()); }
  // Throws std::invalid_argument for an index outside the items.
  Text GetItemText(int index) const override;
  void AddItem(TextView text) { m_items.emplace_back(text); }
  // The item at the selected index; throws std::invalid_argument when the
  // selection is outside the items (also before anything was selected).
  Text GetSelectedItem() const;

 private:
  std::vector<Text> m_items;
  int m_selected = -1;
};

}  // namespace korvex
