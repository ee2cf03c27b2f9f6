// The number of the item under validation, as the host's progress frame
// shows it ("Declaración - Validando Item: N", sentrel/host_windows.h).
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace korvex {

// The item number of a progress caption: 1 to 9999, or 0 when the caption
// does not carry one.
std::uint16_t ItemNumberFromCaption(TextView caption);

}  // namespace korvex
