// One settlement cycle without its sleep, in the order the collector and the
// distribution threads run it: collect the world's trip logs and hand-over
// files, distribute and print the block, archive the hand-over files the
// block covered. The trip list must exist (createTripList).
#pragma once

#include "settlement/exact_reader/exact_reader.h"

void settlementCycle(const SettlementPlaces& places);
