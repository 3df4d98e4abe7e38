// The simulated clock's arithmetic. The clock starts at midnight of today's
// date, or goes on from the clock file's time when that is later (a restart
// never takes the clock back), and each tick adds eight minutes. The hour is
// carried only on a tick whose minutes did not wrap, so the tick that ends a
// day shows 24:00 of that day and the next one 00:08 of the next. The day
// only ever grows: it never wraps into the month, and month and year never
// change.
#pragma once

#include <compare>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// ptime's value: the clock's five fields, year first, so that comparing two
// values compares the times.
struct SimulatedTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  auto operator<=>(const SimulatedTime&) const = default;
};

// Where the clock starts: midnight of the date in `local` (a broken-down
// local time), or `inFile` when that is later.
SimulatedTime clockStart(const std::tm& local, std::optional<SimulatedTime> inFile = {});

// The clock one tick later.
SimulatedTime nextTick(SimulatedTime t);

// The clock file's text: "201412050008" (the line without its line feed).
std::string clockText(const SimulatedTime& t);

// The clock file's line: "201412050008\n".
std::string clockLine(const SimulatedTime& t);

// The time a clock file's line holds when it is one this clock writes: four
// year digits, then month 01 to 12, a day from 1 (two digits, or up to
// eight without a leading zero), hour 00 to 24 and minute 00 to 59 (24 only with 00); an
// optional line feed. nullopt for anything else.
std::optional<SimulatedTime> parseClockLine(std::string_view line);
