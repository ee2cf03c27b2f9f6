// How much longer the test and demo programs wait on a slow machine.
//
// KORVEX_TIME_SCALE=N (a whole number from 1 to 100) multiplies every time
// limit the simulated host, the scripted user, the probe and the Wine tests
// apply to what they wait for (a dialog's time limit, a wait for a window,
// --max-seconds); it never changes what they do or how fast.  Unset, empty
// or not such a number, it is 1.  The 32-bit campaign sets it inside its
// emulated machine, where Wine runs 14 to 20 times slower.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace korvex::tools {

// The factor a text names: 1 for anything but a whole number from 1 to 100.
inline unsigned ParseTimeScale(const char* text) {
  if (text == nullptr || *text == '\0') return 1;
  unsigned value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return 1;
    value = value * 10 + static_cast<unsigned>(*c - '0');
    if (value > 100) return 1;
  }
  return value == 0 ? 1 : value;
}

// The factor of this process's environment.
inline unsigned TimeScale() {
  static const unsigned scale = ParseTimeScale(std::getenv("KORVEX_TIME_SCALE"));
  return scale;
}

// A limit in milliseconds, stretched; never past what a DWORD holds.
inline std::uint32_t ScaledMs(std::uint64_t ms) {
  const std::uint64_t scaled = ms * TimeScale();
  return scaled > 0xFFFFFFFEu ? 0xFFFFFFFEu : static_cast<std::uint32_t>(scaled);
}

}  // namespace korvex::tools
