// The distribution of a list in one pass over its records, in list order,
// holding nothing but the record before the run in hand and the journey
// being apportioned (journeys.h says what a run and a journey are).
//
// A record joins the run in hand when its journey id equals the record's
// before it. When a run ends, its journey (the record before the run, when
// there is one, and every record of the run but its last) is apportioned;
// the run's last record may be the record before the next run. A record
// that is no leg of any journey counts in full for the operator its
// transport names.
#pragma once

#include "settlement/exact_distribute/apportion.h"
#include "settlement/exact_distribute/totals.h"
#include "settlement/list/flat_record.h"

// What the distribution of a list comes to.
struct ListDistribution {
  long long records = 0;
  Totals fees = {0, 0};       // every fee, by the operator its record names
  Totals journeys = {0, 0};   // the shares of the apportioned journeys
  Totals remaining = {0, 0};  // the fees of the records that are no leg, by operator
  // journeys + remaining: the operators' totals.
  Totals shares() const;
};

class DistributionPass {
 public:
  // The next record of the list; `spill` is its file's spill text.
  void add(const FlatRecord& record, const char* spill);
  // The distribution of the records added; the pass starts again empty.
  ListDistribution finish();

 private:
  struct Leg {
    int fee = 0;
    Operator op = kBusOperator;
    JourneyIdRef id;
  };
  void endGroup();

  ListDistribution result_;
  bool hasLast_ = false;
  Leg last_;          // the latest record, the last of its group so far
  size_t group_ = 0;  // records in last_'s group of equal journey ids
  bool hasBefore_ = false;
  Leg before_;  // the last record of the group before, while it may yet be a leg
  JourneyApportionment journey_;
  Operator origin_ = kMetroOperator;
};
