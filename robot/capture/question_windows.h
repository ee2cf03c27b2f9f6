// The tariff control's two question dialogs captured: CDataInputWindow
// ("Ingreso de dato complementario") and CItemSelectionWindow ("Seleccion de
// una opcion").  Their children, texts and roles are those of the dialogs'
// one definition (tarifex/question_dialogs.h), which the control builds its
// dialogs from.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/text.h"
#include "platform/window_system.h"
#include "robot/capture/dossa_window.h"
#include "tarifex/question_dialogs.h"

namespace korvex {

// The tariff control's data-input question.
class CDataInputWindow : public CDossaWindow {
 public:
  // Captures the live dialog with its roles and clears its edit.  Throws
  // RecognitionError 115 when the caption is another.
  CDataInputWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower = nullptr);
  CDataInputWindow(Text caption, std::unique_ptr<CDialogWindow> root, OwnedAnswers answers)
      : CDossaWindow(std::move(caption), std::move(root), std::move(answers)) {}

  std::u16string_view RuntimeClassName() const override { return u"class CDataInputWindow"; }
  DialogClass GetDialogClass() const override { return DialogClass::DataInput; }
  void AskUser(AskUserPort& user) override;
  Text GetPromptText() const override;
};

// The tariff control's option question.
class CItemSelectionWindow : public CDossaWindow {
 public:
  // Captures the live dialog with its roles and clears the list's selection.
  // Throws RecognitionError 115 when the caption is another.
  CItemSelectionWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower = nullptr);
  CItemSelectionWindow(Text caption, std::unique_ptr<CDialogWindow> root, OwnedAnswers answers)
      : CDossaWindow(std::move(caption), std::move(root), std::move(answers)) {}

  std::u16string_view RuntimeClassName() const override {
    return u"class CItemSelectionWindow";
  }
  DialogClass GetDialogClass() const override { return DialogClass::ItemSelection; }
  void AskUser(AskUserPort& user) override;
};

// Records that the child at index plays the role (the explanation has no
// role index: nothing is recorded for it).
void SetRole(CDossaWindow& dialog, tarifex::ChildRole role, std::int32_t index);

}  // namespace korvex
