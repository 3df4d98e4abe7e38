// One cycle's distribution over a trip list: the journeys that link several
// records through a shared journey id are apportioned between the operators
// and leave the list; every other fee goes to the operator its record names.
#pragma once

#include <string_view>

#include "settlement/exact_distribute/totals.h"
#include "settlement/list/trip_list.h"

// Finds the journeys of `list`, removes and releases their legs and adds
// their shares to `totals`.
void settleJourneys(TripList& list, Totals& totals);

// Adds to `op` the fee of every record whose transport begins with the first
// three characters of `transport`.
void addFeesOf(const TripList& list, std::string_view transport, Operator op, Totals& totals);
