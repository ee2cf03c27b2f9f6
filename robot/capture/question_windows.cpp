// The tariff control's two question dialogs: capture with roles, and asking
// the user through the robot's own question dialogs.
#include "robot/capture/question_windows.h"

#include <vector>

#include "robot/capture/ask_user.h"
#include "robot/capture/interaction.h"
#include "robot/capture/recognition_error.h"

namespace korvex {

using tarifex::ChildKind;
using tarifex::ChildRole;
using tarifex::DialogChild;

namespace {

void RequireCaption(const CDossaWindow& dialog, tarifex::DialogText wanted) {
  if (dialog.GetRawCaption() != wanted.spanish) {
    throw RecognitionError(recognition_code::kWrongCaption,
                           "a question dialog capture met another caption");
  }
}

std::int32_t NextIndex(const CDossaWindow& dialog) {
  return static_cast<std::int32_t>(dialog.GetRoot().GetChildCount());
}

template <typename T>
T* ChildAs(const CDossaWindow& dialog, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= dialog.GetRoot().GetChildCount()) {
    return nullptr;
  }
  return dynamic_cast<T*>(&dialog.GetRoot().GetChild(static_cast<std::size_t>(index)));
}

std::unique_ptr<CMetaWindow> MetaWindowOf(ChildKind kind, WindowSystem& ws, Hwnd child,
                                          CDialogWindow& root) {
  switch (kind) {
    case ChildKind::kEdit: return std::make_unique<CMetaEdit>(&ws, child, &root);
    case ChildKind::kButton: return std::make_unique<CMetaButton>(&ws, child, &root);
    case ChildKind::kStatic: return std::make_unique<CTextWindow>(&ws, child, &root);
    case ChildKind::kListBox: return std::make_unique<CMetaList>(&ws, child, &root);
  }
  return nullptr;
}

// Captures the children of one of the control's question dialogs in window
// order.  A child of a kind the definition has is kept, any other skipped.
// A button plays the role of the definition's button with its label
// (accelerators aside), if any; an edit, a list or a static that of the
// definition's last child of its kind, so the last static is the prompt.
template <std::size_t N>
void CaptureChildren(CDossaWindow& dialog, WindowSystem& ws, Hwnd window,
                     const DialogChild (&children)[N]) {
  CDialogWindow& root = dialog.GetRoot();
  for (Hwnd child = ws.GetWindow(window, win::kGwChild); child != kNoWindow;
       child = ws.GetWindow(child, win::kGwHwndNext)) {
    // The class as HasWindowClass reads it, once for every comparison.
    const Text window_class = ws.GetClassNameW(child, 10);
    const DialogChild* kind = nullptr;  // the definition's last child of the kind
    for (const DialogChild& c : children) {
      if (EqualsIgnoringAsciiCase(window_class, tarifex::WindowClassOf(c.kind))) kind = &c;
    }
    if (kind == nullptr) continue;
    const std::int32_t index = NextIndex(dialog);
    if (kind->kind == ChildKind::kButton) {
      const Text label = WithoutAccelerators(ws.GetWindowTextW(child));
      for (const DialogChild& c : children) {
        if (c.kind == ChildKind::kButton && label == c.text.spanish) SetRole(dialog, c.role, index);
      }
    } else {
      SetRole(dialog, kind->role, index);
    }
    dialog.AppendChild(MetaWindowOf(kind->kind, ws, child, root),
                       std::make_unique<CNullInteraction>());
  }
}

}  // namespace

void SetRole(CDossaWindow& dialog, ChildRole role, std::int32_t index) {
  switch (role) {
    case ChildRole::kValue: dialog.SetEditIndex(index); break;
    case ChildRole::kAccept: dialog.SetAcceptIndex(index); break;
    case ChildRole::kCancel: dialog.SetCancelIndex(index); break;
    case ChildRole::kPrompt: dialog.SetPromptIndex(index); break;
    case ChildRole::kList: dialog.SetListIndex(index); break;
    case ChildRole::kNone: dialog.SetNoneIndex(index); break;
    case ChildRole::kNotice: break;
  }
}

// --- data input -----------------------------------------------------------------

CDataInputWindow::CDataInputWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower)
    : CDossaWindow(ws, dialog, follower) {
  RequireCaption(*this, tarifex::data_input::kCaption);
  CaptureChildren(*this, ws, dialog, tarifex::data_input::kChildren);
  // The key always carries an empty edit, whatever was typed before.
  if (const auto* edit = ChildAs<CMetaEdit>(*this, GetEditIndex()); edit != nullptr) {
    ws.SetWindowTextW(edit->GetHandle(), u"");
  }
}

Text CDataInputWindow::GetPromptText() const {
  const auto* prompt = ChildAs<CTextWindow>(*this, GetPromptIndex());
  return prompt == nullptr ? Text{} : prompt->GetText();
}

void CDataInputWindow::AskUser(AskUserPort& user) {
  CDossaWindow::AskUser(user);
  AskUserPort::InputResult answer = user.AskInput(GetPromptText(), GetDialogHandle());
  if (answer.result == 1) {
    ReplaceAnswer(GetEditIndex(), std::make_unique<CPutText>(std::move(answer.value)));
    ReplaceAnswer(GetAcceptIndex(), std::make_unique<CPressButton>());
  } else {
    ReplaceAnswer(GetCancelIndex(), std::make_unique<CPressButton>());
  }
}

// --- option selection -------------------------------------------------------------

CItemSelectionWindow::CItemSelectionWindow(WindowSystem& ws, Hwnd dialog,
                                           DialogFollower* follower)
    : CDossaWindow(ws, dialog, follower) {
  RequireCaption(*this, tarifex::options::kCaption);
  CaptureChildren(*this, ws, dialog, tarifex::options::kChildren);
  if (const auto* list = ChildAs<CMetaList>(*this, GetListIndex()); list != nullptr) {
    ws.SendListSetCurSel(list->GetHandle(), -1);
  }
}

void CItemSelectionWindow::AskUser(AskUserPort& user) {
  CDossaWindow::AskUser(user);
  std::vector<Text> options;
  if (const auto* list = ChildAs<CMetaList>(*this, GetListIndex()); list != nullptr) {
    const int count = list->GetItemCount();
    options.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) options.push_back(list->GetItemText(i));
  }
  // Without a "none" button there is nothing to press for that choice.
  const auto* none = ChildAs<CMetaButton>(*this, GetNoneIndex());
  const bool none_enabled = none != nullptr && none->IsEnabled() != 0;

  const AskUserPort::OptionsResult answer =
      user.AskOptions(options, GetDialogHandle(), none_enabled);
  if (answer.result == 1) {
    ReplaceAnswer(GetListIndex(), std::make_unique<CItemSelect>(answer.index));
    ReplaceAnswer(GetAcceptIndex(), std::make_unique<CPressButton>());
  } else if (answer.result == 1006) {
    ReplaceAnswer(GetNoneIndex(), std::make_unique<CPressButton>());
  } else {
    ReplaceAnswer(GetCancelIndex(), std::make_unique<CPressButton>());
  }
}

}  // namespace korvex
