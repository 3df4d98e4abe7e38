#include "settlement/exact_distribute/apportion.h"

#include <climits>

namespace {

using Wide = __int128;

constexpr int kBusOriginAbove = 5;

}  // namespace

Operator journeyOrigin(std::string_view journeyId) {
  const char c = journeyId.empty() ? '0' : journeyId.front();
  const int digit = (c >= '0' && c <= '9') ? c - '0' : 0;
  return digit > kBusOriginAbove ? kBusOperator : kMetroOperator;
}

JourneyShares apportionJourney(std::span<const int> fees) {
  // 128 bits hold these sums for any journey that fits in memory.
  Wide total = 0;
  Wide weighted = 0;
  Wide otherWeighted = 0;
  for (size_t i = 1; i <= fees.size(); ++i) {
    const Wide weight = static_cast<Wide>((i + 1) / 2);  // also the leg's pair number
    const Wide share = weight * fees[i - 1];
    total += fees[i - 1];
    weighted += share;
    if (weight % 2 == 0) otherWeighted += share;
  }
  const long long fareTotal = static_cast<long long>(total);
  const JourneyShares whole{fareTotal, 0};
  if (weighted == 0) return whole;
  Wide product = 0;
  // Beyond 128 bits only with millions of legs (or negative fees built for
  // it): such a journey stays whole with its origin, as one without weight.
  if (__builtin_mul_overflow(total, otherWeighted, &product)) return whole;
  Wide other = 0;
  if (weighted == -1) {
    if (__builtin_sub_overflow(Wide{0}, product, &other)) return whole;
  } else {
    other = product / weighted;
  }
  if (other < LLONG_MIN || other > LLONG_MAX) return whole;
  return {static_cast<long long>(total - other), static_cast<long long>(other)};
}
