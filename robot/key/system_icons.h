// The values of the four shared system icons, as the icon descriptions
// compare them ("ícono de error", "de información", "de pregunta",
// "de alarma").
//
// A captured icon static records the raw icon value (STM_GETICON) and a
// rebuilt one carries the value stored in its key; either is told apart by
// comparing it with what LoadIconW(NULL, IDI_*) gives in this process.
// Descriptions are made long after capture and also of dialogs rebuilt from
// stored keys, where no window system is at hand, so the values are kept here
// once for the whole process:
//   - the program sets them at start-up from its window system
//     (SetSystemIcons(LoadSystemIcons(ws)));
//   - until then nothing matches, and every icon is described as "ícono";
//   - tests set the values they want and restore the previous ones.
// Only the descriptions read them; capture asks its window system directly.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/window_system.h"

namespace korvex {

struct SystemIcons {
  // The 32-bit icon values; no value means that icon matches nothing.
  std::optional<std::int32_t> hand;         // IDI_HAND: error
  std::optional<std::int32_t> asterisk;     // IDI_ASTERISK: information
  std::optional<std::int32_t> question;     // IDI_QUESTION: question
  std::optional<std::int32_t> exclamation;  // IDI_EXCLAMATION: alarm
  friend bool operator==(const SystemIcons&, const SystemIcons&) = default;
};

// LoadSystemIcon of the four identifiers, truncated to 32 bits the way
// GetIcon records icons; an icon that fails to load (0) matches nothing.
SystemIcons LoadSystemIcons(WindowSystem& ws);

// The process-wide values (thread-safe).  SetSystemIcons returns the values
// it replaced.
SystemIcons GetSystemIcons();
SystemIcons SetSystemIcons(const SystemIcons& icons);

}  // namespace korvex
