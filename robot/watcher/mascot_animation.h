// MascotAnimation: the mascot's animation, an idle blink every 0.6 to 4.9
// seconds and a short animation each time the robot answers by itself.  The window shows
// Picture() and repaints when the calls below say so; it runs a 100 ms timer
// while the mascot is shown.
#pragma once

#include <cstdint>

namespace korvex {

class MascotAnimation {
 public:
  // Phases: 0 rest, -1 blink, 1 to 6 the answer animation.
  static constexpr int kRestPicture = 140;
  static constexpr int kBlinkPicture = 141;
  static constexpr int kAnswerPicture = 142;
  static constexpr std::uint32_t kTickMs = 100;

  // Show(1) when the setting allows it: starts the idle cycle from rest.
  // Returns whether the timer is to be started now.
  bool Show(std::uint32_t tick_count);
  // Hide: the timer is to be stopped.
  void Hide();
  // Starts the answer animation (restarting it when it runs).  Returns
  // whether to repaint.
  bool Blink();
  // One 100 ms tick.  Returns whether to repaint.
  bool OnTick(std::uint32_t tick_count);

  bool Shown() const { return m_shown; }
  bool TimerRunning() const { return m_timer; }
  int Phase() const { return m_phase; }
  int Countdown() const { return m_countdown; }
  int Picture() const;

  // The next idle countdown, 6 to 49 ticks, drawn from the tick count's
  // bytes through the CRC-32 table.
  int NextCount(std::uint32_t tick_count);

 private:
  bool m_shown = false;
  bool m_timer = false;
  int m_phase = 0;
  int m_countdown = 0;
  std::uint32_t m_random = 0;
};

}  // namespace korvex
