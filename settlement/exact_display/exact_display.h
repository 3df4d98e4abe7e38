// exact_display/ is the settlement's clock and display: the simulated
// clock's arithmetic (clock_tick.h), the clock as the settlement loop sees
// it (settlement_clock.h), and the printing of each cycle's result. The
// folder keeps the name the system gives the display's source, which holds
// the clock as well; the clock's two threads run with the others
// (hand_off_loops.h).
//
// The result is printed as one block of three lines.
#pragma once

#include <string>

#include "settlement/exact_distribute/totals.h"

// The three result lines for `totals`.
std::string resultBlock(const Totals& totals);

// Prints the result `totals` when `flag` is non-zero.
void display_controller(int flag, const Totals& totals);
void exact_CalculationDisplay(const Totals& totals);
