// The tray icon's texts cut to its notify record's fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/tray/tray_text.h"

namespace korvex {
namespace {

TEST(TrayText, CutsAtTheRecordsFields) {
  const Text long_text(300, u'a');
  EXPECT_EQ(CutText(long_text, kTooltipChars).size(), 127u);
  EXPECT_EQ(CutText(long_text, kBalloonTextChars).size(), 255u);
  EXPECT_EQ(CutText(long_text, kBalloonTitleChars).size(), 63u);
  EXPECT_EQ(CutText(u"corto", kTooltipChars), u"corto");
  // A surrogate pair at the cut goes whole.
  Text pair = Text(126, u'b') + u"\U0001F600";
  EXPECT_EQ(CutText(pair, kTooltipChars), Text(126, u'b'));
}

}  // namespace
}  // namespace korvex
