// exact_reader/ is the settlement's log collector: what it reads from the
// world's trip logs and hand-over files (log_collection.h), how it moves
// settled hand-over files into the archive (log_archive.h), and the thread
// that does it once every collection period. The folder keeps the name the
// system gives the collector's source.
//
// The collecting side of the settlement loop: once every collection period,
// reader collects the world's trip logs and hand-over files into the trip
// list (settlement_cycle.h) and hands the list to distribute_Controller.
#pragma once

// Milliseconds between collections: the variant's period, set by main before
// the threads start.
extern int collection_period;

// The collector's thread, under the name the system gives it.
void reader(void*);
