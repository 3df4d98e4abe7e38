#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "terminal/clock_reader.h"
#include "terminal/time_info.h"

namespace {

// Reads `content` as a clock file into `buffer`, as the clock reader does.
void readContent(ClockBuffer& buffer, const std::string& content) {
  std::string copy = content;
  FILE* file = content.empty() ? fopen("/dev/null", "r") : fmemopen(copy.data(), copy.size(), "r");
  ASSERT_NE(file, nullptr);
  readClockChunks(file, buffer);
  fclose(file);
}

}  // namespace

TEST(ClockValue, ConvertsMonthDayHourMinuteAndFixesTheYear) {
  const TimeInfo t = clockValueToTime(12050008);
  EXPECT_EQ(t.minute, 8);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.day, 5);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.year, 2014);
}

TEST(ClockValue, KeepsHour24) {
  const TimeInfo t = clockValueToTime(12052400);
  EXPECT_EQ(t.hour, 24);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.day, 5);
}

TEST(ClockValue, ThreeDigitDayShiftsTheFields) {
  // month 12, day 100, 05:30 written as 2014 12 100 05 30: the reader sees
  // the eight characters 12100053.
  ClockBuffer buffer{};
  readContent(buffer, "2014121000530\n");
  const TimeInfo t = clockValueToTime(clockValue(buffer));
  EXPECT_EQ(t.minute, 53);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.day, 10);
  EXPECT_EQ(t.month, 12);
}

TEST(ClockBuffer, LineFeedReadKeepsTheDigits) {
  ClockBuffer buffer{};
  readContent(buffer, "201412050008\n");
  EXPECT_EQ(buffer[0], '\n');
  EXPECT_EQ(clockValue(buffer), 12050008);
}

TEST(ClockBuffer, LineWithoutLineFeedGivesTheSameValue) {
  ClockBuffer buffer{};
  readContent(buffer, "201412050008");
  EXPECT_EQ(clockValue(buffer), 12050008);
}

TEST(ClockBuffer, EmptyFileKeepsThePreviousReading) {
  ClockBuffer buffer{};
  readContent(buffer, "");
  EXPECT_EQ(clockValue(buffer), 0);
  readContent(buffer, "201412050016\n");
  readContent(buffer, "");
  EXPECT_EQ(clockValue(buffer), 12050016);
}

TEST(ClockBuffer, ZeroValueKeepsTheClock) {
  TimeInfo before = clockValueToTime(12050016);
  ClockBuffer buffer{};
  readContent(buffer, "garbage\n");
  const TimeInfo after = applyClockValue(before, clockValue(buffer));
  EXPECT_EQ(after.minute, 16);
  EXPECT_EQ(after.day, 5);
  const TimeInfo moved = applyClockValue(before, 12050024);
  EXPECT_EQ(moved.minute, 24);
}

TEST(ClockBuffer, LongGarbageNeverOverrunsTheBuffer) {
  ClockBuffer buffer{};
  readContent(buffer, std::string(1000, '7') + "\n\n\n" + std::string(5, '\0'));
  EXPECT_EQ(buffer[12], '\0');
}

TEST(TimeChange, MinutesSinceMidnightOnAnyDay) {
  TimeInfo t;
  t.hour = 23;
  t.minute = 59;
  t.day = 3;
  EXPECT_EQ(timeChange(t), 1439);
  t.hour = 0;
  t.minute = 0;
  t.day = 9;
  EXPECT_EQ(timeChange(t), 0);
}

TEST(TimeLag, NegativeAcrossMidnightAndZeroForSameTimeOnAnotherDay) {
  TimeInfo stamp;
  stamp.hour = 23;
  stamp.minute = 50;
  stamp.day = 5;
  TimeInfo clock;
  clock.hour = 0;
  clock.minute = 10;
  clock.day = 6;
  EXPECT_EQ(lagMinutes(clock, stamp), -1420);
  clock = stamp;
  clock.day = 8;
  EXPECT_EQ(lagMinutes(clock, stamp), 0);
  clock.hour = 1;
  clock.minute = 50;
  clock.day = 5;
  stamp.hour = 0;
  stamp.minute = 0;
  EXPECT_EQ(lagMinutes(clock, stamp), 110);
}
