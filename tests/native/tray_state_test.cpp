// The commands each tray state allows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/watcher/tray_state.h"

namespace korvex {
namespace {

TEST(TrayCommands, EnabledTable) {
  // Spot checks of the table, row by row.
  EXPECT_FALSE(IsCommandEnabled(1, TrayCommand::Close));
  EXPECT_TRUE(IsCommandEnabled(2, TrayCommand::CreateProfile));
  EXPECT_FALSE(IsCommandEnabled(2, TrayCommand::SelectProfile));
  EXPECT_TRUE(IsCommandEnabled(3, TrayCommand::About));
  EXPECT_TRUE(IsCommandEnabled(4, TrayCommand::Disconnect));
  EXPECT_FALSE(IsCommandEnabled(4, TrayCommand::Close));
  EXPECT_TRUE(IsCommandEnabled(5, TrayCommand::DeleteProfile));
  EXPECT_FALSE(IsCommandEnabled(5, TrayCommand::Configure));
  EXPECT_FALSE(IsCommandEnabled(6, TrayCommand::SelectProfile));
  EXPECT_TRUE(IsCommandEnabled(7, TrayCommand::SelectProfile));
  EXPECT_FALSE(IsCommandEnabled(7, TrayCommand::DeleteProfile));
  EXPECT_TRUE(IsCommandEnabled(8, TrayCommand::Configure));
  EXPECT_FALSE(IsCommandEnabled(8, TrayCommand::SelectProfile));
  EXPECT_FALSE(IsCommandEnabled(0, TrayCommand::About));
  EXPECT_FALSE(IsCommandEnabled(9, TrayCommand::About));
}

}  // namespace
}  // namespace korvex
