// The item number of the host's progress frame.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/watcher/item_number.h"

namespace korvex {
namespace {

TEST(ItemNumber, FromTheProgressCaption) {
  struct Case {
    const char16_t* caption;
    int item;
  };
  const Case cases[] = {
      {u"Declaración - Validando Item: 7", 7},
      {u"Declaración - Validando Item:   42 de 50", 42},
      {u"Declaración - Validando Item:9999", 9999},
      {u"Declaración - Validando Item: 10000", 0},
      {u"Declaración - Validando Item: 65537", 0},  // never wrapped into range
      {u"Declaración - Validando Item: 0", 0},
      {u"Declaración - Validando Item: -3", 0},
      {u"Declaración - Validando Item: x", 0},
      {u"Declaracion - Validando Item: 7", 0},
      {u"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ItemNumberFromCaption(c.caption), c.item) << ToUtf8(c.caption);
}

}  // namespace
}  // namespace korvex
