#include "robot/capture/capture.h"

#include "robot/capture/question_windows.h"

namespace korvex {

std::unique_ptr<CDossaWindow> CaptureDialog(WindowSystem& ws, Hwnd dialog,
                                            DialogFollower* follower) {
  // The tariff control's question dialogs are told by their exact captions.
  const Text caption = ws.GetWindowTextW(dialog);
  if (caption == tarifex::data_input::kCaption.spanish) {
    return std::make_unique<CDataInputWindow>(ws, dialog, follower);
  }
  if (caption == tarifex::options::kCaption.spanish) {
    return std::make_unique<CItemSelectionWindow>(ws, dialog, follower);
  }
  return std::make_unique<CDynWindow>(ws, dialog, follower);
}

}  // namespace korvex
