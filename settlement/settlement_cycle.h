// One settlement cycle, in two halves that the settlement loop's two threads
// run in turn (reader, then distribute_Controller), and that cycle() runs in
// sequence for the benchmark, the tests and the fuzz target.
//
// collect reads the world's live logs and hand-over files into the cycle's
// flat trip list (flat_trip_list.h), on two threads where it pays, marking
// the records beyond what earlier cycles settled as fresh, and returns what
// the collection found. settle takes that, walks the list once in its order,
// distributing it for the console block and its fresh records for the
// statement, commits the statement line with the cursor reached, and only
// once that is done prints the block and archives the hand-over files it
// covered. A cycle that cannot be committed prints no block and says why on
// standard error; its fresh records wait for a later cycle.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "common/base/problem.h"
#include "settlement/exact_display/settlement_clock.h"
#include "settlement/exact_distribute/totals.h"
#include "settlement/exact_reader/log_collection.h"
#include "settlement/list/flat_trip_list.h"
#include "settlement/settlement_places.h"
#include "settlement/statement_book.h"

// The settlement loop's memory: the durable book, the collector's cursor
// and the cycle's list. Only the settlement loop touches it, one side of its
// hand-off at a time; the clock is the clock loop's, read through its lock.
class SettlementCycle {
 public:
  SettlementCycle(SettlementPlaces places, SettlementClock& clock);
  ~SettlementCycle();
  SettlementCycle(const SettlementCycle&) = delete;
  SettlementCycle& operator=(const SettlementCycle&) = delete;

  // Resumes from the world's statement, its state and its ledger, with an
  // empty trip list. The problem when they cannot be trusted; a warning is
  // written to standard error.
  Result<void> resume();

  // The reader's half: the collection, its records in the list.
  Collected collect();
  // distribute_Controller's half: the console block's totals of the cycle,
  // whether or not it was committed.
  Totals settle(Collected collected);
  // Both halves in turn.
  Totals cycle() { return settle(collect()); }

 private:
  class ListReading;
  // Says `line` on standard error, once a run for `about`.
  void reportOnce(const std::string& about, const std::string& line);

  const SettlementPlaces places_;
  SettlementClock& clock_;
  StatementBook book_;
  LogCollection collection_;
  FlatTripList list_;
  std::unique_ptr<ListReading> reading_;
  std::set<std::string> reported_;
};
