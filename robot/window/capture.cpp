#include "robot/window/capture.h"

namespace korvex {

std::unique_ptr<CDossaWindow> CaptureDialog(WindowSystem& ws, Hwnd dialog,
                                            DialogFollower* follower) {
  return std::make_unique<CDynWindow>(ws, dialog, follower);
}

}  // namespace korvex
