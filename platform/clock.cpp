#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace korvex {

LocalTime SystemClock::LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::uint32_t SystemClock::TickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int64_t SystemClock::SecondsSince1970() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace korvex
