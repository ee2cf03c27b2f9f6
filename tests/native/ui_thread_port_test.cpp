// The lookups the query service has in flight: the only records that a
// message to the user-interface thread may name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/query/ui_thread_port.h"

namespace korvex {
namespace {

TEST(RemoteQueryRecords, AnswersOnlyRegisteredRecords) {
  query::RemoteQueryRecords records;
  query::RemoteQueryRecord record{3, u"clave"};
  int lookups = 0;
  const auto lookup = [&](query::RemoteQueryRecord& r) {
    ++lookups;
    r.found = 1;
  };
  EXPECT_FALSE(records.Answer(reinterpret_cast<std::intptr_t>(&record), lookup));
  {
    query::RegisteredRecord registered(records, record);
    EXPECT_EQ(records.Count(), 1u);
    EXPECT_FALSE(records.Answer(0, lookup));
    EXPECT_TRUE(records.Answer(reinterpret_cast<std::intptr_t>(&record), lookup));
    EXPECT_EQ(record.found, 1);
  }
  EXPECT_EQ(records.Count(), 0u);
  EXPECT_FALSE(records.Answer(reinterpret_cast<std::intptr_t>(&record), lookup));
  EXPECT_EQ(lookups, 1);
}

}  // namespace
}  // namespace korvex
