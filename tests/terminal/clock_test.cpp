#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/card_records.h"
#include "support/world.h"
#include "terminal/clock_reader.h"
#include "terminal/time_info.h"

namespace {

// Reads `content` as a clock file into `buffer`, as the clock reader does.
void readContent(ClockBuffer& buffer, const std::string& content) {
  readClockChunks(content, buffer);
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

TEST(ClockReading, DayOf100AndLaterIsReadByLayout) {
  ClockBuffer buffer{};
  TimeInfo clock = clockAfterReading(TimeInfo{}, "2014121000530\n", buffer);
  EXPECT_EQ(clock, stampAt(2014, 12, 100, 5, 30));
  EXPECT_EQ(timeText(clock), "2014121000530");
  // An empty file and a line of zeros keep the clock.
  EXPECT_EQ(clockAfterReading(clock, "", buffer), clock);
  EXPECT_EQ(clockAfterReading(clock, "2014000000000\n", buffer), clock);
  // A usual line reads through the buffer as ever, the next empty file too.
  clock = clockAfterReading(clock, "201412050008\n", buffer);
  EXPECT_EQ(clock, stampAt(2014, 12, 5, 0, 8));
  EXPECT_EQ(clockAfterReading(clock, "", buffer), clock);
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

TEST(TimeLag, CountsDaysWithinAMonthToleratesOneTickAheadAndIsLongAgoOtherwise) {
  constexpr int kLongAgo = kLongAgoMinutes;
  const struct {
    const char* what;
    TimeInfo stamp;
    TimeInfo clock;
    int lag;
  } cases[] = {
      {"across midnight", stampAt(2014, 12, 4, 23, 50), stampAt(2014, 12, 5, 0, 10), 20},
      {"the 24:00 tick", stampAt(2014, 12, 4, 0, 0), stampAt(2014, 12, 4, 24, 0), 1440},
      {"after the 24:04 tick", stampAt(2014, 12, 4, 24, 4), stampAt(2014, 12, 5, 0, 12), 8},
      {"four days", stampAt(2014, 12, 1, 23, 0), stampAt(2014, 12, 5, 9, 7), 4927},
      {"another month", stampAt(2014, 11, 30, 23, 50), stampAt(2014, 12, 1, 0, 10), kLongAgo},
      {"another year", stampAt(2013, 12, 5, 9, 0), stampAt(2014, 12, 5, 9, 7), kLongAgo},
      {"a minute ahead", stampAt(2014, 12, 5, 9, 8), stampAt(2014, 12, 5, 9, 7), 0},
      {"a tick ahead, past midnight", stampAt(2014, 12, 6, 0, 8), stampAt(2014, 12, 5, 24, 0), 0},
      {"more than a tick ahead", stampAt(2014, 12, 5, 9, 16), stampAt(2014, 12, 5, 9, 7), kLongAgo},
      {"a day ahead", stampAt(2014, 12, 6, 23, 59), stampAt(2014, 12, 5, 23, 59), kLongAgo},
      {"zero stamp", TimeInfo{}, stampAt(2014, 12, 5, 9, 7), kLongAgo},
      {"days beyond the range", stampAt(2014, 12, INT_MIN, 0, 0), stampAt(2014, 12, INT_MAX, 0, 0),
       kLongAgo},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(lagMinutes(c.clock, c.stamp), c.lag) << c.what;
  }
}

// A tap's clock follows the file however it changes, though the tap reads
// it again only once it changed: a file rewritten in place (at once, as
// here) is read afresh, and a file that holds no clock, or none at all,
// leaves each tap the clock reader's reading of that moment.
TEST(TapClock, FollowsTheClockFileAsItChanges) {
  World world;
  RunningIn metro(world, "Metro");
  ClockBuffer buffer{};
  TapClockCache cache;
  const TimeInfo fallback = stampAt(2014, 12, 5, 9, 0);
  world.setClock("201412051000\n");
  EXPECT_EQ(readTapClock(fallback, buffer, cache), stampAt(2014, 12, 5, 10, 0));
  EXPECT_EQ(readTapClock(fallback, buffer, cache), stampAt(2014, 12, 5, 10, 0));
  world.setClock("201412051008\n");
  EXPECT_EQ(readTapClock(fallback, buffer, cache), stampAt(2014, 12, 5, 10, 8));
  {
    std::ofstream inPlace(world.root() / "time" / "time.txt", std::ios::in | std::ios::out);
    inPlace << "201412051016\n";
  }
  EXPECT_EQ(readTapClock(fallback, buffer, cache), stampAt(2014, 12, 5, 10, 16));
  world.setClock("201400000000\n");
  EXPECT_EQ(readTapClock(fallback, buffer, cache), fallback);
  const TimeInfo later = stampAt(2014, 12, 5, 9, 8);
  EXPECT_EQ(readTapClock(later, buffer, cache), later);
  std::filesystem::remove(world.root() / "time" / "time.txt");
  EXPECT_EQ(readTapClock(later, buffer, cache), later);
}
