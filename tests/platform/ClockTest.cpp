#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The coarse clock throttles the search's event handling: it must move with real time
// (a clock that stood still would never let events through) and never go back.
TEST(CoarseClockTest, FollowsThePreciseClockWithinItsResolution) {
  using namespace std::chrono;
  const auto coarseStart = platform::CoarseClock::now();
  const auto preciseStart = steady_clock::now();
  auto last = coarseStart;
  while (steady_clock::now() - preciseStart < milliseconds(60)) {
    const auto now = platform::CoarseClock::now();
    ASSERT_GE(now, last);
    last = now;
    std::this_thread::sleep_for(milliseconds(1));
  }
  const auto coarseElapsed = platform::CoarseClock::now() - coarseStart;
  const auto preciseElapsed = steady_clock::now() - preciseStart;
  // A tick of the coarse clock is a few milliseconds on every system we run on.
  EXPECT_GE(coarseElapsed, preciseElapsed - milliseconds(20));
  EXPECT_LE(coarseElapsed, preciseElapsed + milliseconds(20));
}

}  // namespace
