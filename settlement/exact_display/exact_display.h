// The simulated clock's two threads and the result display.
//
// time_setter advances ptime by one tick a second; time_writer publishes
// every tick in the clock file, replacing it whole, and prints
// "Time Write Fail" (no line end) when it cannot. The result is printed as
// one block of three lines.
#pragma once

#include <string>

#include "settlement/exact_distribute/totals.h"

void time_setter(void*);
void time_writer(void*);

// The three result lines for `totals`.
std::string resultBlock(const Totals& totals);

// Prints the result when `flag` is non-zero.
void display_controller(int flag);
void exact_CalculationDisplay();
