#include "tests/support/reference/distribution.h"

#include "settlement/exact_distribute/apportion.h"

std::vector<JourneyLegs> apportionJourneys(const std::vector<std::string_view>& journeyIds,
                                           const std::vector<int>& fees, Totals& totals) {
  const std::vector<JourneyLegs> journeys = findJourneys(journeyIds);
  for (const JourneyLegs& journey : journeys) {
    const Operator origin = journeyOrigin(journeyIds[journey.first]);
    const JourneyShares shares =
        apportionJourney(std::span<const int>(fees).subspan(journey.first, journey.count));
    addToTotal(totals, origin, shares.origin);
    addToTotal(totals, otherOperator(origin), shares.other);
  }
  return journeys;
}

void settleJourneys(TripList& list, Totals& totals) {
  std::vector<TripNode*> records;
  std::vector<std::string_view> journeyIds;
  std::vector<int> fees;
  records.reserve(list.size());
  journeyIds.reserve(list.size());
  fees.reserve(list.size());
  for (TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    records.push_back(node);
    journeyIds.push_back(node->journey_id);
    fees.push_back(node->fee);
  }
  // The journeys are all found before any leg is released.
  for (const JourneyLegs& journey : apportionJourneys(journeyIds, fees, totals)) {
    for (size_t i = journey.first; i < journey.first + journey.count; ++i) list.remove(records[i]);
  }
}

void addFeesOf(const TripList& list, std::string_view transport, Operator op, Totals& totals) {
  const std::optional<Operator> named = operatorOf(transport);
  for (const TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    if (operatorOf(node->transport) == named) addToTotal(totals, op, node->fee);
  }
}

FreshTotals distributeFresh(const TripList& list) {
  FreshTotals fresh;
  std::vector<Operator> operators;
  std::vector<std::string_view> journeyIds;
  std::vector<int> fees;
  for (const TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    if (!node->fresh) continue;
    // Every record of the list names an operator (trip_line.h).
    const Operator op = operatorOf(node->transport).value_or(kBusOperator);
    addToTotal(fresh.fees, op, node->fee);
    operators.push_back(op);
    journeyIds.push_back(node->journey_id);
    fees.push_back(node->fee);
  }
  fresh.records = static_cast<long long>(fees.size());
  std::vector<bool> leg(fees.size(), false);
  for (const JourneyLegs& journey : apportionJourneys(journeyIds, fees, fresh.shares)) {
    for (size_t i = journey.first; i < journey.first + journey.count; ++i) leg[i] = true;
  }
  for (size_t i = 0; i < fees.size(); ++i) {
    if (!leg[i]) addToTotal(fresh.shares, operators[i], fees[i]);
  }
  return fresh;
}
