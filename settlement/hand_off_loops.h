// The settlement program's two hand-off loops: their four threads, under
// the names the system gives them, and what they hand over. The loops run
// side by side and never share data; each hand-off is one Handoff named
// after its flag:
//   clock loop:      time_setter -> time_writer   tick_ready
//                    time_writer -> time_setter   tick_written
//   settlement loop: reader -> distribute_Controller   list_filled
//                    distribute_Controller -> reader   list_settled
// ptime belongs to the clock loop, the trip list and the cycle's memory
// (settlement_cycle.h) to the settlement loop; within a loop the alternation
// alone decides who may touch them. settlementMain (settlement.h) starts
// the four threads.
//
// time_setter starts the clock (exact_display/clock_tick.h: midnight today,
// or on from the clock file's time when that is later), advances ptime by
// one tick a second and publishes every tick for the settlement loop
// (exact_display/exact_display.h); time_writer writes every tick to the
// clock file, replacing it whole, and prints "Time Write Fail" (no line
// end) when it cannot. Once every collection period, reader collects the
// world's trip logs and hand-over files into the trip list
// (settlement_cycle.h) and hands the list to distribute_Controller, which
// settles it (distributes, commits the statement, prints the block,
// archives) and hands the empty list back.
#pragma once

#include "common/formats/time_info.h"
#include "common/process/handoff.h"

extern TimeInfo ptime;

extern Handoff tick_ready, tick_written, list_filled, list_settled;

// Milliseconds between collections: the variant's period, set by main before
// the threads start.
extern int collection_period;

void time_setter(void*);
void time_writer(void*);

// time_writer's work at each tick: the clock file replaced whole with `t`,
// or "Time Write Fail" printed (the file then stays as it was).
void writeClockFile(const TimeInfo& t);
void reader(void*);
void distribute_Controller(void*);
