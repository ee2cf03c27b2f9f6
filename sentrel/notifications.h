// The binary interface between the hook library and the robot program: the
// window messages that Sentrel.dll, running inside the host program, posts
// to the robot's main frame.  Both deliverables include this header, so the
// numbers exist once.  Freestanding: it includes only <cstdint>, so the hook
// library keeps linking without any runtime.
#pragma once

#include <cstdint>

namespace korvex::sentrel {

// RM_DIALOG_READY: the first top-level window owned by the validation window
// has processed WM_INITDIALOG and WM_SHOWWINDOW.  wParam the dialog, lParam 0.
inline constexpr std::uint32_t kDialogReady = 0x8000;
// RM_VALIDATION_STARTED: a top-level window captioned "Validación Total de
// Items" was created.  wParam that window, lParam 0.
inline constexpr std::uint32_t kValidationStarted = 0x8001;
// RM_VALIDATION_ENDED: that window was destroyed.  wParam 0, lParam 0.
inline constexpr std::uint32_t kValidationEnded = 0x8002;
// RM_ANSWER_REJECTED: another popup owned by the validation window appeared
// over the tracked dialog and is ready.  wParam the popup, lParam the
// validation window.
inline constexpr std::uint32_t kAnswerRejected = 0x8003;
// RM_VALIDATE_BUTTON: the "&Validar Items" button processed WM_SHOWWINDOW.
// wParam 1 when it was hidden, 0 when shown; lParam 0.
inline constexpr std::uint32_t kValidateButton = 0x8004;

// The window property the robot sets on a host window before it disables
// it (a host dialog that owns the robot's modal copy, the validation window
// under a report), holding the robot's process identifier, and removes when
// it has enabled the window again.  The hook watches that process and
// enables the window again if the process ends first.
inline constexpr char16_t kDisablerProperty[] = u"KorvexDisabledBy";

}  // namespace korvex::sentrel
