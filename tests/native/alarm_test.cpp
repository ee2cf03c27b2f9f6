// The alarm of a question left unanswered, over recording timers and sound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/common/settings.h"
#include "robot/watcher/alarm.h"
#include "tests/fakes/frame_fakes.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AlarmTest : public ::testing::Test {
 protected:
  MemoryRegistry registry;
  Settings settings{registry, [] { return Text(u"C:\\KORVEX"); }};
  FrameLog log;
  RecordingTimers timers{log};
  RecordingSound sound{log};
  Alarm alarm{settings, timers, sound};
};

TEST_F(AlarmTest, OffMeansNoAlarm) {
  alarm.Arm();
  EXPECT_THAT(log.entries, IsEmpty());
  EXPECT_FALSE(alarm.IsArmed());
}

TEST_F(AlarmTest, SoundsOnceWithoutRepetitions) {
  settings.SetInt(u"UseAlarm", 1);
  settings.SetInt(u"AlarmTime", 2);
  alarm.Arm();
  alarm.OnTimer();
  alarm.OnTimer();  // a late tick after the single sound plays nothing
  alarm.Disarm();
  EXPECT_THAT(log.entries, ElementsAre("SetTimer 2 120000", "play C:\\KORVEX\\default.wav",
                                       "KillTimer 2", "KillTimer 2", "KillTimer 2"));
}

TEST_F(AlarmTest, RepeatsEveryLoopTime) {
  settings.SetInt(u"UseAlarm", 1);
  settings.SetInt(u"AlarmMustLoop", 1);
  settings.SetString(u"WavFile", u"D:\\campana.wav");
  alarm.Arm();
  alarm.OnTimer();
  alarm.OnTimer();
  alarm.Disarm();
  EXPECT_THAT(log.entries, ElementsAre("SetTimer 2 60000", "play D:\\campana.wav", "SetTimer 2 600000",
                                       "play D:\\campana.wav", "SetTimer 2 600000", "KillTimer 2"));
}

}  // namespace
}  // namespace korvex
