// Rules that split what a journey paid between the bus and the metro, side
// by side, so that what the settlement settled can be held against what
// whole journeys would give:
//   as_settled        the statement's shares (of the world, not per journey);
//   as_charged        each leg's fee to its own mode;
//   weighted_journey  the settlement's own apportionment
//                     (settlement/exact_distribute/apportion.h) over all the
//                     journey's legs in order, the first leg's mode its origin;
//   minutes_ridden    each mode weighted by the minutes from each of its
//                     entries to the first later exit on it in the journey;
//   standalone_fare   each mode weighted by what its part would cost alone:
//                     the bus's standard entry fare for the bus part, the
//                     metro's plus the standard exit surcharge from its first
//                     entry's station to its last exit's for the metro part.
// A journey on one mode goes whole to that mode under every rule. Where a
// rule weighs the modes, the other mode gets paid x / (w + x), truncated,
// and the origin (w) the rest: every rule conserves what the journey paid.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "journeys/journey_reading.h"
#include "settlement/exact_distribute/apportion.h"

enum class SplitRule : size_t {
  kAsSettled,
  kAsCharged,
  kWeightedJourney,
  kMinutesRidden,
  kStandaloneFare
};
inline constexpr size_t kSplitRules = 5;
inline constexpr std::array<std::string_view, kSplitRules> kSplitRuleNames = {
    "as_settled", "as_charged", "weighted_journey", "minutes_ridden", "standalone_fare"};
// What each rule is, in a few words for people.
inline constexpr std::array<std::string_view, kSplitRules> kSplitRuleHelp = {
    "the statement's shares", "each leg's fee to its own mode",
    "the settlement's own rule over all of a journey's legs",
    "by the minutes from entry to exit on each mode", "by what each mode's part would cost alone"};

// `paid` shared between the origin, of weight `originWeight`, and the other
// mode, of weight `otherWeight` (neither negative): the other gets
// paid * otherWeight / (originWeight + otherWeight) truncated, the origin
// the rest; all of it when both weigh 0.
JourneyShares shareByWeights(long long paid, long long originWeight, long long otherWeight);

// A journey's split by one rule; as_settled has none per journey. nullopt
// for standalone_fare when a metro station it needs is not known.
std::optional<OperatorAmounts> splitJourney(const Journey& journey, SplitRule rule);
