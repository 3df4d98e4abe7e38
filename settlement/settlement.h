// The settlement program: a running settlement as one value, handed to each
// of its four threads (hand_off_loops.h), and its start-up: what it needs
// before it may start, and the threads, which it starts. settlementMain
// builds the value once, before any thread starts; nothing of it is a
// global.
#pragma once

#include "common/formats/time_info.h"
#include "common/process/handoff.h"
#include "common/process/value_handoff.h"
#include "settlement/exact_display/settlement_clock.h"
#include "settlement/exact_reader/log_collection.h"
#include "settlement/settlement_cycle.h"
#include "settlement/settlement_places.h"

struct Settlement {
  Settlement(SettlementPlaces places, int collectionPeriodMs)
      : collection_period(collectionPeriodMs), cycle(std::move(places), clock) {}
  Settlement(const Settlement&) = delete;
  Settlement& operator=(const Settlement&) = delete;

  // Milliseconds between collections: the variant's period.
  const int collection_period;
  // The clock loop: ptime, its hand-offs, and the clock as it publishes it.
  SettlementClock clock;
  TimeInfo ptime;
  Handoff tick_ready, tick_written;
  // The settlement loop: the cycle's memory and its hand-offs.
  SettlementCycle cycle;
  ValueHandoff<Collected> list_filled;
  Handoff list_settled;
};

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
