#include "settlement/exact_distribute/journeys.h"

std::vector<JourneyLegs> findJourneys(const std::vector<std::string_view>& journeyIds) {
  std::vector<JourneyLegs> journeys;
  size_t start = 0;
  while (start + 1 < journeyIds.size()) {
    if (journeyIds[start] != journeyIds[start + 1]) {
      ++start;
      continue;
    }
    size_t last = start + 1;
    while (last + 1 < journeyIds.size() && journeyIds[last + 1] == journeyIds[start]) ++last;
    // The record before the run was never a leg of an earlier journey: those
    // all lie before that journey's last record, which is at most this one.
    const size_t first = start > 0 ? start - 1 : start;
    journeys.push_back({first, last - first});
    start = last;
  }
  return journeys;
}
