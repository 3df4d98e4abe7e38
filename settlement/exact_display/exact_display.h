// exact_display/ is the settlement's clock and display: the simulated clock
// (clock_tick.h), the two threads that run it and write the clock file,
// and the printing of each cycle's result. The folder keeps the name the
// system gives the display's source, which holds the clock as well.
//
// The simulated clock's two threads and the result display.
//
// time_setter starts the clock (clock_tick.h: midnight today, or on from
// the clock file's time when that is later) and advances ptime by one tick
// a second; time_writer publishes every tick in the clock file, replacing
// it whole, and prints "Time Write Fail" (no line end) when it cannot. The
// result is printed as one block of three lines.
#pragma once

#include <string>

#include "settlement/exact_display/clock_tick.h"
#include "settlement/exact_distribute/totals.h"

void time_setter(void*);
void time_writer(void*);

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
