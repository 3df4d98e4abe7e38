// The simulated clock's arithmetic. The clock starts at midnight of today's
// date and each tick adds eight minutes. The hour is carried only on a tick
// whose minutes did not wrap, so the tick that ends a day shows 24:00 of that
// day and the next one 00:08 of the next. The day only ever grows: it never
// wraps into the month, and month and year never change.
#pragma once

#include <ctime>
#include <string>

// ptime's value: the clock's five fields, year first.
struct SimulatedTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  bool operator==(const SimulatedTime&) const = default;
};

// Midnight of the date in `local` (a broken-down local time).
SimulatedTime clockStart(const std::tm& local);

// The clock one tick later.
SimulatedTime nextTick(SimulatedTime t);

// The clock file's line: "201412050008\n".
std::string clockLine(const SimulatedTime& t);
