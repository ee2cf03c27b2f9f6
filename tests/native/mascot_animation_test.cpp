// The mascot's animation: its phases, pictures and idle counts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "robot/watcher/mascot_animation.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;

TEST(Mascot, AnimationPhasesAndPictures) {
  MascotAnimation mascot;
  EXPECT_FALSE(mascot.Blink());  // hidden: nothing
  EXPECT_TRUE(mascot.Show(0x12345678));
  EXPECT_FALSE(mascot.Show(1));  // timer already running
  EXPECT_EQ(mascot.Picture(), MascotAnimation::kRestPicture);
  const int countdown = mascot.Countdown();
  EXPECT_GE(countdown, 6);
  EXPECT_LE(countdown, 49);
  for (int i = 1; i < countdown; ++i) EXPECT_FALSE(mascot.OnTick(i));
  EXPECT_TRUE(mascot.OnTick(0));  // the idle blink
  EXPECT_EQ(mascot.Picture(), MascotAnimation::kBlinkPicture);
  EXPECT_TRUE(mascot.OnTick(0));  // lasts one tick
  EXPECT_EQ(mascot.Phase(), 0);

  ASSERT_TRUE(mascot.Blink());
  std::vector<int> pictures{mascot.Picture()};
  for (int i = 0; i < 6; ++i) {
    mascot.OnTick(0);
    pictures.push_back(mascot.Picture());
  }
  EXPECT_THAT(pictures, ElementsAre(142, 140, 142, 140, 142, 140, 140));
  EXPECT_EQ(mascot.Phase(), 0);
  mascot.Blink();
  mascot.OnTick(0);
  mascot.Blink();  // a second blink restarts at phase 1
  EXPECT_EQ(mascot.Phase(), 1);
  mascot.Hide();
  EXPECT_FALSE(mascot.OnTick(0));
  EXPECT_FALSE(mascot.TimerRunning());
}

TEST(Mascot, RandomCountsStayBetween6And49) {
  MascotAnimation mascot;
  std::mt19937 ticks(7);
  for (int i = 0; i < 2000; ++i) {
    const int n = mascot.NextCount(ticks());
    ASSERT_GE(n, 6);
    ASSERT_LE(n, 49);
  }
  // The first count from a zero state over tick 0 is the CRC of four zero bytes.
  EXPECT_EQ(MascotAnimation().NextCount(0), 6);
}

}  // namespace
}  // namespace korvex
