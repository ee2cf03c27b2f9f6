// The robot's reading of the dialog snapshot the hook leaves in the
// session's buffer (sentrel/dialog_snapshot.h): a copy of the buffer becomes
// the recording of one dialog that RecordedWindowSystem answers from.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/recorded_window_system.h"

namespace korvex {

// The recording of `dialog` in a copy of the buffer, or nothing when the
// copy holds another dialog, an incomplete or damaged snapshot, or none.
std::optional<DialogRecording> ReadDialogSnapshot(const unsigned char* bytes, std::size_t size,
                                                  Hwnd dialog);

// A window handle kept as 32 bits in the snapshot, as this process holds it
// (sign-extended, as handles passed between 32-bit and 64-bit processes are).
Hwnd HandleFromSnapshot(std::uint32_t value);

}  // namespace korvex
