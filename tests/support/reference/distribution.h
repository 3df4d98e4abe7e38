// A cycle's distribution over the linked trip list, node by node: the
// journeys that link several records through a shared journey id are
// apportioned between the operators; every other fee goes to the operator
// its record names. The console block distributes the whole list; the
// statement distributes the cycle's fresh records alone, as if they were
// the list. This is the reference that the cycle's one pass over its flat
// list (distribution_pass.h) is held to, result for result.
#pragma once

#include <string_view>
#include <vector>

#include "settlement/exact_distribute/journeys.h"
#include "settlement/exact_distribute/totals.h"
#include "tests/support/reference/trip_list.h"

// Finds the journeys among records with these journey ids and fees (in
// list order), adds their shares to `totals` and returns them.
std::vector<JourneyLegs> apportionJourneys(const std::vector<std::string_view>& journeyIds,
                                           const std::vector<int>& fees, Totals& totals);

// Finds the journeys of `list`, removes and releases their legs and adds
// their shares to `totals`.
void settleJourneys(TripList& list, Totals& totals);

// Adds to `op` the fee of every record whose transport begins with the first
// three characters of `transport`.
void addFeesOf(const TripList& list, std::string_view transport, Operator op, Totals& totals);

// What the fresh records of a list come to: how many, their fees by the
// operator each names, and those fees shared by the distribution.
struct FreshTotals {
  long long records = 0;
  Totals fees = {0, 0};
  Totals shares = {0, 0};
};

// The fresh records of `list`, in list order, distributed among themselves.
FreshTotals distributeFresh(const TripList& list);
