// One settlement cycle, in two halves that the settlement loop's two threads
// run in turn (reader, then distribute_Controller) and that settlementCycle
// runs in sequence for the benchmark and the fuzz target.
//
// collect reads the world's live logs and hand-over files into the cycle's
// flat trip list (flat_trip_list.h), on two threads where it pays, marking
// the records beyond what earlier cycles settled as fresh. settle walks the
// list once in its order, distributing it for the console block and its
// fresh records for the statement, commits the statement line with the
// cursor reached, and only once that is done prints the block and archives
// the hand-over files it covered. A cycle that cannot be committed prints no block and
// says why on standard error; its fresh records wait for a later cycle.
#pragma once

#include <optional>
#include <string>

#include "common/process/problem.h"
#include "settlement/exact_distribute/totals.h"
#include "settlement/settlement_places.h"

// Resumes the settlement of the world at `places` from its statement and
// its state, with an empty trip list. The problem when the statement or its
// state cannot be trusted; a warning is written to standard error.
Result<void> resumeSettlement(const SettlementPlaces& places);

void collect(const SettlementPlaces& places);

// The console block's totals of the cycle, whether or not it was committed.
Totals settle(const SettlementPlaces& places);

Totals settlementCycle(const SettlementPlaces& places);
