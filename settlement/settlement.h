// The settlement program's process-wide state and its start-up.
//
// Two hand-off loops run side by side and never share data; each hand-off is
// one Handoff named after its flag:
//   clock loop:      time_setter -> time_writer   tick_ready
//                    time_writer -> time_setter   tick_written
//   settlement loop: reader -> distribute_Controller   list_filled
//                    distribute_Controller -> reader   list_settled
// ptime belongs to the clock loop, the trip list and the cycle's memory
// (settlement_cycle.h) to the settlement loop; within a loop the alternation
// alone decides who may touch them.
#pragma once

#include <mutex>

#include "common/handoff.h"
#include "settlement/exact_display/clock_tick.h"

extern TimeInfo ptime;

extern Handoff tick_ready, tick_written, list_filled, list_settled;

// main: refuses to start, with one line on standard error, without ../Bus
// and ../Metro beside it or while another settlement holds the world
// (status 2), or when the world's statement and its state cannot be trusted
// (status 1); then builds the empty trip list, starts time_setter,
// time_writer, reader and distribute_Controller with the given collection
// period and waits on them for ever. SIGINT or SIGTERM ends the process
// promptly with status 0, prints nothing and leaves no temporary clock file,
// whatever a write is doing. main ignores SIGPIPE and SIGXFSZ before
// anything else (ignoreFailedWriteSignals, console.h).
int settlementMain(int collectionPeriodMs);
