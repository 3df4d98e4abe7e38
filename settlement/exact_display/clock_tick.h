// The simulated clock's arithmetic. The clock starts at midnight of today's
// date, or goes on from the clock file's time when that is later (a restart
// never takes the clock back), and each tick adds eight minutes. The hour is
// carried only on a tick whose minutes did not wrap, so the tick that ends a
// day shows 24:00 of that day and the next one 00:08 of the next. The day
// only ever grows: it never wraps into the month, and month and year never
// change. The clock's value is a TimeInfo, written to the clock file as its
// line (common/formats/clock_file.h).
#pragma once

#include <ctime>
#include <optional>

#include "common/formats/clock_file.h"
#include "common/formats/time_info.h"

// Where the clock starts: midnight of the date in `local` (a broken-down
// local time), or `inFile` when that is later.
TimeInfo clockStart(const std::tm& local, std::optional<TimeInfo> inFile = {});

// The clock one tick later.
TimeInfo nextTick(TimeInfo t);
