// The one exception barrier of every boundary the system does not own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/barrier.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;

// Something thrown that is not a standard exception.
struct OddFailure {
  int code;
};

TEST(Barrier, StopsEveryExceptionAndSaysWhere) {
  static std::vector<std::string> stopped;
  stopped.clear();
  const BarrierSink previous = SetBarrierSink([](const char* where, const char* what) {
    stopped.push_back(std::string(where) + ": " + what);
  });
  EXPECT_EQ(Barrier("uno", 5, []() -> int { throw std::runtime_error("falla"); }), 5);
  EXPECT_EQ(Barrier("dos", 5, []() -> int { throw OddFailure{1}; }), 5);
  EXPECT_EQ(Barrier("tres", 5, [] { return 8; }), 8);
  Barrier("cuatro", [] { throw 3; });
  SetBarrierSink(previous);
  EXPECT_THAT(stopped, ElementsAre("uno: falla", "dos: unknown exception",
                                   "cuatro: unknown exception"));
}

}  // namespace
}  // namespace korvex
