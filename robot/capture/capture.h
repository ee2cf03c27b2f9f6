// Capture of a live dialog of the host into the window model.
#pragma once

#include <memory>

#include "platform/window_system.h"
#include "robot/capture/dossa_window.h"
#include "robot/capture/question_windows.h"

namespace korvex {

class DialogFollower;

// Reads the dialog's caption, chooses the dialog class by it and runs that
// class's capture.  Throws RecognitionError with the capture's code when the
// dialog must not be handled; the caller owns the result.
std::unique_ptr<CDossaWindow> CaptureDialog(WindowSystem& ws, Hwnd dialog,
                                            DialogFollower* follower = nullptr);

}  // namespace korvex
