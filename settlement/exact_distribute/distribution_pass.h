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
  // The next record of the list; `spill` is its file's spill text. The
  // record stays where it is until the pass is finished.
  [[gnu::always_inline]] void add(const FlatRecord& record, const char* spill) {
    ++result_.records;
    addToTotal(result_.fees, record.op(), record.fee);
    const Leg leg{&record, spill};
    if (last_.record != nullptr && sameJourney(last_.id(), leg.id())) {
      if (group_ == 1) beginRun();
      journey_.addLeg(last_.record->fee);
      ++group_;
    } else {
      if (last_.record != nullptr) endGroup();
      group_ = 1;
    }
    last_ = leg;
  }

  // The distribution of the records added; the pass starts again empty.
  ListDistribution finish();

 private:
  struct Leg {
    const FlatRecord* record = nullptr;
    const char* spill = nullptr;
    JourneyIdRef id() const { return {record->word, spill}; }
  };
  // The group in hand has grown into a run: its journey starts with the
  // record before it.
  void beginRun();
  void endGroup() {
    if (group_ >= 2) {
      endRun();
    } else if (before_.record != nullptr) {
      addToTotal(result_.remaining, before_.record->op(), before_.record->fee);
    }
    before_ = last_;
  }
  void endRun();

  ListDistribution result_;
  Leg last_;          // the latest record, the last of its group so far
  size_t group_ = 0;  // records in last_'s group of equal journey ids
  Leg before_;        // the last record of the group before, while it may yet be a leg
  JourneyApportionment journey_;
  Operator origin_ = kMetroOperator;
};
