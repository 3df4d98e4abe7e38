// The settlement program's process-wide state and its start-up.
//
// Two hand-off loops run side by side and never share data:
//   clock loop:      time_setter -> time_writer   write_mutex/write_cond, tick_ready
//                    time_writer -> time_setter   time_mutex/time_cond, tick_written
//   settlement loop: reader -> distribute_Controller   gmutex/gcond, list_filled
//                    distribute_Controller -> reader   sync_mutex/sync_cond, list_settled
// ptime belongs to the clock loop, the trip list and result to the settlement
// loop; within a loop the alternation alone decides who may touch them.
#pragma once

#include <condition_variable>
#include <mutex>

#include "settlement/exact_display/clock_tick.h"
#include "settlement/exact_distribute/totals.h"

extern SimulatedTime ptime;
extern Totals result;

extern std::mutex write_mutex, time_mutex, gmutex, sync_mutex;
extern std::condition_variable write_cond, time_cond, gcond, sync_cond;
extern bool tick_ready, tick_written, list_filled, list_settled;

// main: refuses to start (status 2, one line on standard error) without
// ../Bus and ../Metro beside it or while another settlement holds the
// world; then builds the empty trip list, zeroes result, starts time_setter,
// time_writer, reader and distribute_Controller with the given collection
// period and waits on them for ever. SIGINT or SIGTERM ends the process
// promptly with status 0, prints nothing and leaves no temporary clock file,
// whatever a write is doing. SIGXFSZ is ignored: output past a file-size
// limit fails instead of ending the program.
int settlementMain(int collectionPeriodMs);
