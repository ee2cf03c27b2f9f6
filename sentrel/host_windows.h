// The host program's windows as the three deliverables recognise them: the
// hook library inside the host, the robot that looks for the host and reads
// its progress frame, and the tariff control that asks the robot only
// during a total validation.  Defined once here, beside the notifications
// (sentrel/notifications.h), so that the host's names exist once.
// Freestanding: it includes nothing, so the hook library keeps linking
// without any runtime.
#pragma once

namespace korvex::sentrel {

// The host's program file, compared without regard to case.
inline constexpr char16_t kHostModule[] = u"Dossa.exe";
// The class of every form of the host, its main window and the validation
// window alike.
inline constexpr char16_t kFormClass[] = u"ThunderRT6FormDC";
// The class of the validation window's progress frame.
inline constexpr char16_t kFrameClass[] = u"ThunderRT6Frame";
// The validation window's caption.
inline constexpr char16_t kValidationCaption[] = u"Validación Total de Items";
// The start of the progress frame's caption; the item number follows it.
inline constexpr char16_t kProgressPrefix[] = u"Declaración - Validando Item:";
// The validation window's button that starts a run; hidden while it runs.
inline constexpr char16_t kValidateButtonCaption[] = u"&Validar Items";

}  // namespace korvex::sentrel
