// The answer timelines as lines of a file, when the environment variable
// KORVEX_TIMELINE names one (a measurement: tests/bench/robot_answer_bench.sh);
// otherwise the robot keeps no timeline.  One line per automatic answer:
//
//   timeline dialog=0x... snapshot=0|1 frequency=F hook-began=T hook-done=T
//     received=T copied=T captured=T keyed=T looked-up=T pressed=T
//     journalled=T waits=N server-calls=N recorded-reads=N
//
// T are performance-counter ticks (F per second), 0 for a step not taken.
#pragma once

#include <windows.h>

#include "robot/watcher/frame_ports.h"

namespace korvex {

class TimelineFile final : public TimelinePort {
 public:
  TimelineFile();
  ~TimelineFile() override;
  TimelineFile(const TimelineFile&) = delete;
  TimelineFile& operator=(const TimelineFile&) = delete;

  bool Enabled() const override { return m_file != INVALID_HANDLE_VALUE; }
  std::uint64_t Now() override;
  void Write(const AnswerTimeline& line) override;

 private:
  HANDLE m_file = INVALID_HANDLE_VALUE;
  std::uint64_t m_frequency = 0;
};

}  // namespace korvex
