// exact_distribute/ is the settlement's distribution: how journeys are
// found (journeys.h) and apportioned (apportion.h), the one pass over a
// cycle's list (distribution_pass.h) and the totals it gives (totals.h). The
// folder keeps the name the system gives the distribution's source; its
// thread, distribute_Controller, runs with the others (hand_off_loops.h).
#pragma once

#include "settlement/exact_distribute/distribution_pass.h"
#include "settlement/exact_distribute/totals.h"

// The console block's distribution of the list, in this order, from the
// one pass over it (`list`). Their totals start from 0 for every cycle.
// The journeys of the list, apportioned, into `totals`.
void transferfilter(const ListDistribution& list, Totals& totals);
// Every remaining BUS record's fee to the BUS total.
void busfilter(const ListDistribution& list, Totals& totals);
// Every remaining METRO record's fee to the METRO total.
void metrofilter(const ListDistribution& list, Totals& totals);
