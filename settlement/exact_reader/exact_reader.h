// The log collector: once every collection period, reader reads the six trip
// logs of `filename` into the trip list and hands the list to the
// distribution, then waits until the distribution has emptied it.
#pragma once

// Milliseconds between collections: the variant's period, set by main before
// the threads start.
extern int collection_period;

// One collection: every complete line of every log present, in table order,
// through addNode. Missing logs are skipped without a word.
void collectLogs();

void reader(void*);
