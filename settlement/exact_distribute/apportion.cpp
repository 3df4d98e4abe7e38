#include "settlement/exact_distribute/apportion.h"

#include <climits>

namespace {

using Wide = __int128;

}  // namespace

void JourneyApportionment::addLeg(long long fee) {
  ++legs_;
  const Wide weight = static_cast<Wide>((legs_ + 1) / 2);  // also the leg's pair number
  const Wide share = weight * fee;
  total_ += fee;
  weighted_ += share;
  if (weight % 2 == 0) otherWeighted_ += share;
}

JourneyShares JourneyApportionment::shares() const {
  const long long fareTotal = static_cast<long long>(total_);
  const JourneyShares whole{fareTotal, 0};
  if (weighted_ == 0) return whole;
  Wide product = 0;
  // Beyond 128 bits only with millions of legs (or negative fees built for
  // it): such a journey stays whole with its origin, as one without weight.
  if (__builtin_mul_overflow(total_, otherWeighted_, &product)) return whole;
  Wide other = 0;
  if (weighted_ == -1) {
    if (__builtin_sub_overflow(Wide{0}, product, &other)) return whole;
  } else {
    other = product / weighted_;
  }
  if (other < LLONG_MIN || other > LLONG_MAX) return whole;
  return {static_cast<long long>(total_ - other), static_cast<long long>(other)};
}

JourneyShares apportionJourney(std::span<const int> fees) {
  JourneyApportionment journey;
  for (const int fee : fees) journey.addLeg(fee);
  return journey.shares();
}
