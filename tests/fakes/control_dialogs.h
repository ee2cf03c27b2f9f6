// The tariff control's two question dialogs on the in-memory desktop, laid
// out as the control lays them out: the children of the dialogs' one
// definition (tarifex/question_dialogs.h) in its order, each with the
// control's Spanish text from its string table, the prompt filled as the
// control fills it, "No seleccionar ninguna" enabled when offered.
#pragma once

#include <vector>

#include "platform/text.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex::testing {

// The dialog and its children in window order.
struct ControlDialog {
  Hwnd dialog = kNoWindow;
  std::vector<Hwnd> children;
};

// The data entry asking for the value named name.
ControlDialog AddControlDataInput(FakeDesktop& desk, TextView name, Hwnd owner = kNoWindow);
// The option choice among the options.
ControlDialog AddControlOptions(FakeDesktop& desk, const std::vector<Text>& options,
                                bool none_offered = true, Hwnd owner = kNoWindow);

}  // namespace korvex::testing
