// Splitting the fees of one journey between the operator where it began (the
// origin, journeyOrigin in common/formats/record_format.h) and the other one.
//
// Legs i = 1..m with fees f_i weigh w_i = (i + 1) / 2 (1, 1, 2, 2, 3, ...).
// Legs of an odd pair number (1-2, 5-6, ...) belong to the origin, the others
// (3-4, 7-8, ...) to the other operator. With F the sum of the fees, W the
// sum of w_i f_i and WX that sum over the other operator's legs, the other
// operator gets F * WX / W truncated toward zero and the origin the rest;
// when W is 0 the origin gets F. The two shares always add up to F.
#pragma once

#include <span>
#include <string_view>

#include "settlement/exact_distribute/totals.h"

struct JourneyShares {
  long long origin = 0;
  long long other = 0;
};

// The journey's legs, fee by fee in leg order, and its shares.
class JourneyApportionment {
 public:
  void addLeg(long long fee);
  JourneyShares shares() const;

 private:
  // 128 bits hold these sums for any journey that fits in memory.
  __int128 total_ = 0;
  __int128 weighted_ = 0;
  __int128 otherWeighted_ = 0;
  size_t legs_ = 0;
};

JourneyShares apportionJourney(std::span<const int> fees);
