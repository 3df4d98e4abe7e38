// The clock as a driver follows it: a settlement started off the
// eight-minute grid of midnight passes it as 24:04, then 00:12 of the next
// day; both are read, and the clock never goes back.
#include "driving/clock_follower.h"

#include <gtest/gtest.h>

#include "support/world.h"

namespace {

TEST(ClockFollower, ReadsEveryHour24AndNeverGoesBack) {
  World world;
  ClockFollower clock(world.root(), 5, 23 * 60);
  world.setClock("201412052356\n");
  EXPECT_EQ(clock.read(), 23 * 60 + 56);
  world.setClock("201412052404\n");
  EXPECT_EQ(clock.read(), 24 * 60 + 4);
  world.setClock("201412060012\n");
  EXPECT_EQ(clock.read(), 24 * 60 + 12);
  world.setClock("201412052356\n");
  EXPECT_EQ(clock.read(), 24 * 60 + 12);
  world.setClock("2014120");
  EXPECT_EQ(clock.read(), 24 * 60 + 12);
}

}  // namespace
