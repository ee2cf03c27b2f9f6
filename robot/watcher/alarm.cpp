#include "robot/watcher/alarm.h"

#include <algorithm>

#include "robot/common/settings.h"

namespace korvex {

namespace {
// Minutes as a timer period, kept inside what a timer takes.
std::uint32_t Minutes(std::uint32_t minutes) {
  return std::min<std::uint32_t>(minutes, 0x7FFFFFFFu / 60000u) * 60000u;
}
}  // namespace

void Alarm::Arm() {
  if (!m_settings.UseAlarm()) return;
  m_timers.SetTimer(kAlarmTimer, Minutes(m_settings.AlarmTime()));
  m_armed = true;
}

void Alarm::Disarm() {
  m_timers.KillTimer(kAlarmTimer);
  m_armed = false;
}

void Alarm::OnTimer() {
  if (!m_armed) {
    m_timers.KillTimer(kAlarmTimer);
    return;
  }
  m_sound.PlayWav(m_settings.WavFile());
  if (m_settings.AlarmMustLoop()) {
    m_timers.SetTimer(kAlarmTimer, Minutes(m_settings.AlarmLoopTime()));
  } else {
    m_timers.KillTimer(kAlarmTimer);
    m_armed = false;
  }
}

}  // namespace korvex
