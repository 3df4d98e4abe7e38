#include "settlement/exact_distribute/distribution_pass.h"

Totals ListDistribution::shares() const {
  Totals totals = journeys;
  addToTotal(totals, kBusOperator, remaining[kBusOperator]);
  addToTotal(totals, kMetroOperator, remaining[kMetroOperator]);
  return totals;
}

void DistributionPass::add(const FlatRecord& record, const char* spill) {
  ++result_.records;
  addToTotal(result_.fees, record.op(), record.fee);
  const Leg leg{record.fee, record.op(), {record.word, spill}};
  if (hasLast_ && sameJourney(last_.id, leg.id)) {
    if (group_ == 1) {
      // A run begins: its journey starts with the record before it.
      journey_ = JourneyApportionment();
      const Leg& first = hasBefore_ ? before_ : last_;
      const char front = journeyIdFront(first.id);
      origin_ = journeyOrigin(std::string_view(&front, 1));
      if (hasBefore_) journey_.addLeg(before_.fee);
      hasBefore_ = false;
    }
    journey_.addLeg(last_.fee);
    ++group_;
  } else {
    if (hasLast_) endGroup();
    group_ = 1;
  }
  last_ = leg;
  hasLast_ = true;
}

void DistributionPass::endGroup() {
  if (group_ >= 2) {
    const JourneyShares shares = journey_.shares();
    addToTotal(result_.journeys, origin_, shares.origin);
    addToTotal(result_.journeys, otherOperator(origin_), shares.other);
  } else if (hasBefore_) {
    addToTotal(result_.remaining, before_.op, before_.fee);
  }
  before_ = last_;
  hasBefore_ = true;
}

ListDistribution DistributionPass::finish() {
  if (hasLast_) endGroup();
  if (hasBefore_) addToTotal(result_.remaining, before_.op, before_.fee);
  const ListDistribution result = result_;
  *this = DistributionPass();
  return result;
}
