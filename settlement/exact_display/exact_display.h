// exact_display/ is the settlement's clock and display: the simulated
// clock's arithmetic (clock_tick.h), the clock as the settlement loop sees
// it, and the printing of each cycle's result. The folder keeps the name the
// system gives the display's source, which holds the clock as well; the
// clock's two threads run with the others (hand_off_loops.h).
//
// The clock as the settlement loop sees it: ptime belongs to the clock
// loop, so time_setter publishes every tick here, under a mutex of its own,
// for any thread to read. The result is printed as one block of three lines.
#pragma once

#include <string>

#include "common/formats/time_info.h"
#include "settlement/exact_distribute/totals.h"

// Publishes `t` as the clock's latest tick (or its starting value).
void publishClock(const TimeInfo& t);

// time_writer's work at each tick: the clock file replaced whole with `t`,
// or "Time Write Fail" printed (the file then stays as it was).
void writeClockFile(const TimeInfo& t);

// The clock's text as of its latest tick (its starting value before the
// first), for any thread: "202612070016".
std::string currentClockText();

// The three result lines for `totals`.
std::string resultBlock(const Totals& totals);

// Prints the result `totals` when `flag` is non-zero.
void display_controller(int flag, const Totals& totals);
void exact_CalculationDisplay(const Totals& totals);
