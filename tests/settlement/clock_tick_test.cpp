#include "settlement/exact_display/clock_tick.h"

#include <gtest/gtest.h>

namespace {

TimeInfo afterTicks(TimeInfo t, int ticks) {
  for (int i = 0; i < ticks; ++i) t = nextTick(t);
  return t;
}

const TimeInfo kStart{2014, 12, 5, 0, 0};

}  // namespace

TEST(ClockTick, StartsAtMidnightOfTheLocalDate) {
  std::tm local{};
  local.tm_year = 114;
  local.tm_mon = 11;
  local.tm_mday = 5;
  local.tm_hour = 17;
  local.tm_min = 42;
  EXPECT_EQ(clockStart(local), kStart);
}

TEST(ClockTick, FirstTicksAndTheMinuteWrap) {
  EXPECT_EQ(clockLine(afterTicks(kStart, 1)), "201412050008\n");
  EXPECT_EQ(clockLine(afterTicks(kStart, 2)), "201412050016\n");
  EXPECT_EQ(afterTicks(kStart, 7), (TimeInfo{2014, 12, 5, 0, 56}));
  EXPECT_EQ(afterTicks(kStart, 8), (TimeInfo{2014, 12, 5, 1, 4}));
  EXPECT_EQ(afterTicks(kStart, 15), (TimeInfo{2014, 12, 5, 2, 0}));
}

TEST(ClockTick, DayEndsWith2400AndTheNextBeginsAt0008) {
  EXPECT_EQ(clockLine(afterTicks(kStart, 179)), "201412052352\n");
  EXPECT_EQ(clockLine(afterTicks(kStart, 180)), "201412052400\n");
  EXPECT_EQ(clockLine(afterTicks(kStart, 181)), "201412060008\n");
  EXPECT_EQ(clockLine(afterTicks(kStart, 360)), "201412062400\n");
  EXPECT_EQ(clockLine(afterTicks(kStart, 361)), "201412070008\n");
}

TEST(ClockTick, DayNeverWrapsIntoTheMonth) {
  const TimeInfo jan{2015, 1, 31, 0, 0};
  EXPECT_EQ(clockLine(afterTicks(jan, 1)), "201501310008\n");
  EXPECT_EQ(clockLine(afterTicks(jan, 181)), "201501320008\n");
  // 95 days on from the 5th: day 100, written with three digits.
  EXPECT_EQ(clockLine(afterTicks(kStart, 95 * 180 + 1)), "2014121000008\n");
}

// A restart goes on from the clock file when its time is later than
// midnight today; a file of an earlier day, or one that is no clock line,
// leaves midnight.
TEST(ClockTick, StartsFromTheClockFileWhenItIsLater) {
  std::tm local{};
  local.tm_year = 114;
  local.tm_mon = 11;
  local.tm_mday = 5;
  const struct {
    const char* file;
    TimeInfo start;
  } cases[] = {
      {"201412051230\n", {2014, 12, 5, 12, 30}},
      {"201412052400", {2014, 12, 5, 24, 0}},
      {"2014121000008\n", {2014, 12, 100, 0, 8}},
      {"201501010008\n", {2015, 1, 1, 0, 8}},
      {"201412042352\n", kStart},
      {"201411300008\n", kStart},
      {"201412050000\n", kStart},
      {"201412052408\n", kStart},
      {"201413050008\n", kStart},
      {"201412001230\n", kStart},
      {"20141205123\n", kStart},
      {"2014120512300\n", kStart},
      {"2014 2051230\n", kStart},
      {"", kStart},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clockStart(local, parseClockLine(c.file)), c.start) << c.file;
  }
}
