#include "settlement/exact_distribute/distribution_pass.h"

Totals ListDistribution::shares() const {
  Totals totals = journeys;
  addToTotal(totals, kBusOperator, remaining[kBusOperator]);
  addToTotal(totals, kMetroOperator, remaining[kMetroOperator]);
  return totals;
}

void DistributionPass::beginRun() {
  journey_ = JourneyApportionment();
  const Leg& first = before_.record != nullptr ? before_ : last_;
  const char front = journeyIdFront(first.id());
  origin_ = journeyOrigin(std::string_view(&front, 1));
  if (before_.record != nullptr) journey_.addLeg(before_.record->fee);
  before_ = Leg();
}

void DistributionPass::endRun() {
  const JourneyShares shares = journey_.shares();
  addToTotal(result_.journeys, origin_, shares.origin);
  addToTotal(result_.journeys, otherOperator(origin_), shares.other);
}

ListDistribution DistributionPass::finish() {
  if (last_.record != nullptr) endGroup();
  if (before_.record != nullptr) {
    addToTotal(result_.remaining, before_.record->op(), before_.record->fee);
  }
  const ListDistribution result = result_;
  *this = DistributionPass();
  return result;
}
