// The records of the lookups in flight: an RM_REMOTE_QUERY whose send timed
// out may still arrive after a later record has taken its address.
#include <gtest/gtest.h>

#include <optional>

#include "robot/query/ui_thread_port.h"
#include "robot/watcher/robot_messages.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex {
namespace {

using testing::FrameUnderTest;

TEST(RemoteQueryRecords, ALateMessageDoesNotReachTheNextRecordAtItsAddress) {
  query::RemoteQueryRecords records;
  // One place on the sending thread's stack, used by two sends in a row.
  std::optional<query::RemoteQueryRecord> slot;
  int lookups = 0;
  const auto lookup = [&](query::RemoteQueryRecord& r) {
    ++lookups;
    r.found = 1;
  };

  slot.emplace(query::RemoteQueryRecord{1, u"primera"});
  std::uintptr_t first_generation = 0;
  std::intptr_t address = 0;
  {
    // The first send times out: the record is taken back, its message is
    // still in the frame's queue.
    query::RegisteredRecord first(records, *slot);
    first_generation = first.Generation();
    address = first.Address();
  }
  slot.emplace(query::RemoteQueryRecord{2, u"segunda"});
  query::RegisteredRecord second(records, *slot);
  ASSERT_EQ(second.Address(), address);
  EXPECT_NE(second.Generation(), first_generation);
  EXPECT_NE(second.Generation(), 0u);

  // The first message arrives now: it finds no record.
  EXPECT_FALSE(records.Answer(first_generation, address, lookup));
  EXPECT_EQ(lookups, 0);
  EXPECT_EQ(slot->found, 0);
  // The second one is answered.
  EXPECT_TRUE(records.Answer(second.Generation(), address, lookup));
  EXPECT_EQ(lookups, 1);
}

TEST(RemoteQueryRecords, TheFrameLeavesARecordAloneForAnotherGenerationsMessage) {
  FrameUnderTest frame;
  query::RemoteQueryRecord record{1, u"clave"};
  query::RegisteredRecord registered(frame.queries, record);
  std::intptr_t result = 5;
  EXPECT_TRUE(frame.main.HandleMessage(rm::kRemoteQuery, registered.Generation() + 1,
                                       registered.Address(), &result));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(record.error, u"");  // not looked at: no "Error#3" either
  EXPECT_TRUE(frame.main.HandleMessage(rm::kRemoteQuery, registered.Generation(),
                                       registered.Address(), &result));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(record.error, u"Error#3");  // no active profile
}

}  // namespace
}  // namespace korvex
