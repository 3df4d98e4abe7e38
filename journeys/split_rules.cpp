#include "journeys/split_rules.h"

#include <algorithm>

#include "bus/bus_controller.h"
#include "metro/Metro_controller.h"
#include "settlement/exact_distribute/totals.h"

namespace {

OperatorAmounts toOperators(Operator origin, const JourneyShares& shares) {
  OperatorAmounts amounts{0, 0};
  amounts[origin] = shares.origin;
  amounts[otherOperator(origin)] = shares.other;
  return amounts;
}

OperatorAmounts byWeights(const Journey& journey, const OperatorAmounts& weights) {
  const Operator origin = journey.origin();
  return toOperators(
      origin, shareByWeights(journey.paid(), weights[origin], weights[otherOperator(origin)]));
}

OperatorAmounts asCharged(const Journey& journey) {
  OperatorAmounts amounts{0, 0};
  for (const JourneyLeg& leg : journey.legs) {
    amounts[leg.mode] = wrappingSum(amounts[leg.mode], leg.fee);
  }
  return amounts;
}

OperatorAmounts weightedJourney(const Journey& journey) {
  JourneyApportionment apportionment;
  for (const JourneyLeg& leg : journey.legs) apportionment.addLeg(leg.fee);
  return toOperators(journey.origin(), apportionment.shares());
}

OperatorAmounts minutesRidden(const Journey& journey) {
  OperatorAmounts minutes{0, 0};
  // From the last leg back: the next exit on each mode after the leg.
  std::array<std::optional<long long>, 2> nextExit;
  for (size_t i = journey.legs.size(); i-- > 0;) {
    const JourneyLeg& leg = journey.legs[i];
    const long long at = stampMinutes(leg.stamp);
    if (!leg.entry) {
      nextExit[leg.mode] = at;
    } else if (nextExit[leg.mode]) {
      // An exit stamped before its entry (no terminal writes one) rides 0.
      minutes[leg.mode] = wrappingSum(minutes[leg.mode], std::max(0LL, *nextExit[leg.mode] - at));
    }
  }
  return byWeights(journey, minutes);
}

std::optional<OperatorAmounts> standaloneFare(const Journey& journey) {
  OperatorAmounts fares{0, 0};
  const JourneyLeg* firstMetroEntry = nullptr;
  const JourneyLeg* lastMetroExit = nullptr;
  for (const JourneyLeg& leg : journey.legs) {
    if (leg.mode == kBusOperator) {
      fares[kBusOperator] = bus::kStandardFareIn;
      continue;
    }
    fares[kMetroOperator] = metro::kStandardFareIn;
    if (leg.entry && !firstMetroEntry) firstMetroEntry = &leg;
    if (!leg.entry && firstMetroEntry) lastMetroExit = &leg;
  }
  if (firstMetroEntry && lastMetroExit) {
    if (!firstMetroEntry->station || !lastMetroExit->station) return std::nullopt;
    fares[kMetroOperator] +=
        metro::standardExitFee(*firstMetroEntry->station, *lastMetroExit->station).amount;
  }
  return byWeights(journey, fares);
}

}  // namespace

JourneyShares shareByWeights(long long paid, long long originWeight, long long otherWeight) {
  const __int128 weights = static_cast<__int128>(originWeight) + otherWeight;
  if (weights <= 0) return {paid, 0};
  const auto other = static_cast<long long>(static_cast<__int128>(paid) * otherWeight / weights);
  return {paid - other, other};
}

std::optional<OperatorAmounts> splitJourney(const Journey& journey, SplitRule rule) {
  const JourneyKind kind = journey.kind();
  if (kind == JourneyKind::kMetroOnly || kind == JourneyKind::kBusOnly) {
    if (rule == SplitRule::kAsSettled) return std::nullopt;
    return toOperators(journey.origin(), {journey.paid(), 0});
  }
  switch (rule) {
    case SplitRule::kAsCharged:
      return asCharged(journey);
    case SplitRule::kWeightedJourney:
      return weightedJourney(journey);
    case SplitRule::kMinutesRidden:
      return minutesRidden(journey);
    case SplitRule::kStandaloneFare:
      return standaloneFare(journey);
    case SplitRule::kAsSettled:
      break;
  }
  return std::nullopt;
}
