#include "settlement/settlement_cycle.h"

#include "common/console.h"
#include "common/world_layout.h"
#include "settlement/exact_display/exact_display.h"
#include "settlement/exact_distribute/distribution.h"
#include "settlement/exact_distribute/exact_distribute.h"
#include "settlement/exact_reader/log_collection.h"
#include "settlement/list/list.h"
#include "settlement/statement_book.h"

namespace {

// The settlement loop's memory: the durable book, the collector's cursor
// and what the collection in hand found. Only the settlement loop touches
// them, one side of its hand-off at a time.
StatementBook book;
LogCollection collection;
Collected collected;
size_t fresh_records = 0;

void reportProblem(const std::string& line) {
  errorWrite(line);
}

}  // namespace

std::optional<std::string> openSettlement(const SettlementPlaces& places) {
  std::string warning;
  if (auto problem = book.open(places.root, warning)) return problem;
  if (!warning.empty()) errorWrite("settlement: " + warning + "\n");
  collection = LogCollection(book.cursor());
  createTripList();
  return std::nullopt;
}

void collect(const SettlementPlaces& places) {
  fresh_records = 0;
  collected = collection.collect(
      places.root,
      [](std::string_view line, bool fresh) {
        if (addNode(line, fresh) != nullptr && fresh) ++fresh_records;
      },
      reportProblem);
}

Totals settle(const SettlementPlaces& places) {
  // Most cycles of a quiet world settle nothing new: no walk for them.
  const FreshTotals fresh = fresh_records > 0 ? distributeFresh(tripList()) : FreshTotals{};
  Totals totals = {0, 0};
  transferfilter(totals);
  busfilter(totals);
  metrofilter(totals);
  deleteAll();

  const long long cycle = book.nextCycle();
  const StatementLine line{cycle, currentClockText(), fresh.records, fresh.fees, fresh.shares};
  const StatementBook::Commit commit = book.commit(line, collected.cursor);
  const std::string number = std::to_string(cycle);
  switch (commit.outcome) {
    case StatementBook::Outcome::kCommitted:
      display_controller(1, totals);
      break;
    case StatementBook::Outcome::kFailed:
      errorWrite("settlement: cycle " + number + " is not settled, its records wait (" +
                 commit.problem + ")\n");
      return totals;
    case StatementBook::Outcome::kLineWaiting:
      errorWrite("settlement: cycle " + number + " is settled, its statement line waits (" +
                 commit.problem + ")\n");
      break;
  }
  collection.settle(std::move(collected.cursor));
  collection.archive(collected.handOvers, places.archive, cycle, reportProblem);
  return totals;
}

Totals settlementCycle(const SettlementPlaces& places) {
  collect(places);
  return settle(places);
}
