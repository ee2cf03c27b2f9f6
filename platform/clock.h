// The clock port: time of day, tick count and seconds since 1970.  The
// system clock below serves every platform (it uses only the C and C++
// runtimes); tests use a settable clock (tests/fakes/fixed_environment.h).
#pragma once

#include <cstdint>

namespace korvex {

struct LocalTime {
  int year = 1970;  // full year
  int month = 1;    // 1-12
  int day = 1;
  int hour = 0;  // 0-23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime LocalNow() = 0;
  // Milliseconds since some start, wrapping at 32 bits (GetTickCount).
  virtual std::uint32_t TickCount() = 0;
  virtual std::int64_t SecondsSince1970() = 0;
};

class SystemClock final : public Clock {
 public:
  LocalTime LocalNow() override;
  std::uint32_t TickCount() override;
  std::int64_t SecondsSince1970() override;
};

}  // namespace korvex
