// The settlement program's two hand-off loops: their four threads, under
// the names the system gives them, each handed the one Settlement value
// (settlement.h), and what they hand over. The loops run side by side and
// share only the clock as published (exact_display/settlement_clock.h);
// each hand-off is named after its flag:
//   clock loop:      time_setter -> time_writer   tick_ready
//                    time_writer -> time_setter   tick_written
//   settlement loop: reader -> distribute_Controller   list_filled (carries the collection)
//                    distribute_Controller -> reader   list_settled
// ptime belongs to the clock loop, the cycle (settlement_cycle.h) to the
// settlement loop; within a loop the alternation alone decides who may
// touch them. settlementMain (settlement.h) starts the four threads.
//
// time_setter starts the clock (exact_display/clock_tick.h: midnight today,
// or on from the clock file's time when that is later), advances ptime by
// one tick a second and publishes every tick for the settlement loop;
// time_writer writes every tick to the clock file, replacing it whole, and
// prints "Time Write Fail" (no line end) when it cannot. Once every
// collection period, reader collects the world's trip logs and hand-over
// files into the trip list and hands what it collected to
// distribute_Controller, which settles it (distributes, commits the
// statement, prints the block, archives) and hands the empty list back.
#pragma once

#include "common/formats/time_info.h"

struct Settlement;
class SettlementClock;

void time_setter(Settlement& settlement);
void time_writer(Settlement& settlement);

// time_writer's work at each tick: the clock file replaced whole with `t`,
// noted in `clock`, or "Time Write Fail" printed (the file then stays as it
// was).
void writeClockFile(const TimeInfo& t, SettlementClock& clock);

void reader(Settlement& settlement);
void distribute_Controller(Settlement& settlement);
