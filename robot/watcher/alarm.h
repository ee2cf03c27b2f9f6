// Alarm: the alarm that sounds when the user leaves a question unanswered,
// armed by the watcher when the question is shown, disarmed when it is
// answered.
//
// With "Alarma activada" (UseAlarm) off there is no alarm at all.  It first
// sounds AlarmTime minutes after the question appeared; with "Repeticiones"
// (AlarmMustLoop) on it sounds again every AlarmLoopTime minutes until the
// question is answered, with it off it sounds once.
#pragma once

#include "robot/watcher/frame_ports.h"

namespace korvex {

class Settings;

class Alarm {
 public:
  Alarm(const Settings& settings, TimerPort& timers, SoundPort& sound)
      : m_settings(settings), m_timers(timers), m_sound(sound) {}

  void Arm();
  void Disarm();
  // The alarm timer fired.
  void OnTimer();
  bool IsArmed() const { return m_armed; }

 private:
  const Settings& m_settings;
  TimerPort& m_timers;
  SoundPort& m_sound;
  bool m_armed = false;
};

}  // namespace korvex
