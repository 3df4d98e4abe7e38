#include "settlement/exact_distribute/distribution.h"

#include <vector>

#include "settlement/exact_distribute/apportion.h"
#include "settlement/exact_distribute/journeys.h"
#include "settlement/list/transport.h"

void settleJourneys(TripList& list, Totals& totals) {
  std::vector<TripNode*> records;
  std::vector<std::string_view> journeyIds;
  records.reserve(list.size());
  journeyIds.reserve(list.size());
  for (TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    records.push_back(node);
    journeyIds.push_back(node->journey_id);
  }
  // The journeys are all found before any leg is released.
  const std::vector<JourneyLegs> journeys = findJourneys(journeyIds);
  std::vector<int> fees;
  for (const JourneyLegs& journey : journeys) {
    const Operator origin = journeyOrigin(records[journey.first]->journey_id);
    fees.clear();
    for (size_t i = journey.first; i < journey.first + journey.count; ++i) {
      fees.push_back(records[i]->fee);
      list.remove(records[i]);
    }
    const JourneyShares shares = apportionJourney(fees);
    addToTotal(totals, origin, shares.origin);
    addToTotal(totals, otherOperator(origin), shares.other);
  }
}

void addFeesOf(const TripList& list, std::string_view transport, Operator op, Totals& totals) {
  for (const TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    if (namesTransport(node->transport, transport)) {
      addToTotal(totals, op, node->fee);
    }
  }
}
