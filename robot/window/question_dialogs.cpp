// The tariff control's two question dialogs: capture with roles, and asking
// the user through the robot's own question dialogs.
#include <vector>

#include "robot/window/ask_user.h"
#include "robot/window/dossa_window.h"
#include "robot/window/interaction.h"
#include "robot/window/recognition_error.h"

namespace korvex {

namespace {

void RequireCaption(const CDossaWindow& dialog, std::u16string_view wanted) {
  if (dialog.GetRawCaption() != wanted) {
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

}  // namespace

// --- message dialogs ----------------------------------------------------------

void CDossaWindow::AskUser(AskUserPort&) { ResetAnswers(); }

void CDynWindow::AskUser(AskUserPort& user) {
  CDossaWindow::AskUser(user);
  const int pressed = user.AskMessage(GetRoot(), GetDialogHandle());
  const CDialogWindow& root = GetRoot();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const auto* button = dynamic_cast<const CMetaButton*>(&root.GetChild(i));
    if (button != nullptr && button->GetControlId() == pressed) {
      ReplaceAnswer(static_cast<std::int32_t>(i), std::make_unique<CPressButton>());
      return;
    }
  }
}

// --- data input -----------------------------------------------------------------

CDataInputWindow::CDataInputWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower)
    : CDossaWindow(ws, dialog, follower) {
  RequireCaption(*this, kDataInputCaption);
  CDialogWindow& root = GetRoot();
  for (Hwnd child = ws.GetWindow(dialog, win::kGwChild); child != kNoWindow;
       child = ws.GetWindow(child, win::kGwHwndNext)) {
    if (HasWindowClass(ws, child, u"Button")) {
      const Text label = WithoutAccelerators(ws.GetWindowTextW(child));
      if (label == u"Validar lo ingresado") SetAcceptIndex(NextIndex(*this));
      if (label == u"Terminar el tratamiento") SetCancelIndex(NextIndex(*this));
      AppendChild(std::make_unique<CMetaButton>(&ws, child, &root),
                  std::make_unique<CNullInteraction>());
    } else if (HasWindowClass(ws, child, u"Edit")) {
      SetEditIndex(NextIndex(*this));
      AppendChild(std::make_unique<CMetaEdit>(&ws, child, &root),
                  std::make_unique<CNullInteraction>());
    } else if (HasWindowClass(ws, child, u"Static")) {
      // The last static text is the prompt.
      SetPromptIndex(NextIndex(*this));
      AppendChild(std::make_unique<CTextWindow>(&ws, child, &root),
                  std::make_unique<CNullInteraction>());
    }
  }
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
  RequireCaption(*this, kItemSelectionCaption);
  CDialogWindow& root = GetRoot();
  for (Hwnd child = ws.GetWindow(dialog, win::kGwChild); child != kNoWindow;
       child = ws.GetWindow(child, win::kGwHwndNext)) {
    if (HasWindowClass(ws, child, u"Button")) {
      const Text label = WithoutAccelerators(ws.GetWindowTextW(child));
      if (label == u"Seleccionar la opción marcada") SetAcceptIndex(NextIndex(*this));
      if (label == u"Cancelar el  tratamiento") SetCancelIndex(NextIndex(*this));
      if (label == u"No seleccionar ninguna") SetNoneIndex(NextIndex(*this));
      AppendChild(std::make_unique<CMetaButton>(&ws, child, &root),
                  std::make_unique<CNullInteraction>());
    } else if (HasWindowClass(ws, child, u"ListBox")) {
      SetListIndex(NextIndex(*this));
      AppendChild(std::make_unique<CMetaList>(&ws, child, &root),
                  std::make_unique<CNullInteraction>());
    }
  }
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
