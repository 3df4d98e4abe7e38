// The clock file's line as the settlement writes it, read back by each of
// its readers: the terminals' clock reader, the terminals' reading of a
// record's time column (stamped from that clock), and the settlement's own
// reading at a restart. Writer and readers share one format, so every time
// the clock can show survives the trip.
#include "common/formats/clock_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "terminal/card_record.h"
#include "terminal/clock_reader.h"

namespace {

// Times the settlement's clock shows: every month, days up to 120 (the day
// never wraps, and from 100 on it has three digits), every hour with 24:00,
// minutes at both ends.
std::vector<TimeInfo> clockTimes(int year) {
  std::vector<TimeInfo> times;
  for (int month : {1, 9, 12}) {
    for (int day = 1; day <= 120; ++day) {
      for (int hour = 0; hour < 24; ++hour) {
        for (int minute : {0, 8, 59}) times.emplace_back(year, month, day, hour, minute);
      }
      times.emplace_back(year, month, day, 24, 0);
    }
  }
  return times;
}

}  // namespace

TEST(ClockFile, EveryLineTheSettlementWritesReadsBackTheSameTime) {
  ClockBuffer buffer{};
  TimeInfo clock;
  for (const TimeInfo& written : clockTimes(2026)) {
    const std::string line = clockLine(written);
    ASSERT_EQ(line, timeText(written) + "\n");
    EXPECT_EQ(parseClockLine(line), written) << line;
    // The terminals keep month, day, hour and minute and fix the year.
    TimeInfo expected = written;
    expected.year = kTerminalYear;
    clock = clockAfterReading(clock, line, buffer);
    ASSERT_EQ(clock, expected) << line;
    // A record stamped from that clock reads back as the clock.
    ASSERT_EQ(recordTime(timeText(clock)), expected) << line;
  }
}
