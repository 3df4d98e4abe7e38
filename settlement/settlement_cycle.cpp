#include "settlement/settlement_cycle.h"

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <thread>

#include "common/files/world_layout.h"
#include "common/formats/settlement_ledger.h"
#include "common/process/console.h"
#include "settlement/exact_display/clock_written.h"
#include "settlement/exact_display/exact_display.h"
#include "settlement/exact_distribute/distribution_pass.h"
#include "settlement/exact_distribute/exact_distribute.h"
#include "settlement/exact_reader/log_collection.h"
#include "settlement/list/flat_trip_list.h"
#include "settlement/statement_book.h"

namespace {

// Each reading thread reads through one block of this size, kept for the
// life of the program.
constexpr size_t kReadBlock = 256 << 10;
constexpr size_t kReadingThreads = 2;

// Reads the collected files into the cycle's flat list, a file at a time
// on each of up to two threads.
class ListReading : public CollectionSink {
 public:
  explicit ListReading(FlatTripList& list)
      : list_(list),
        threads_(std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kReadingThreads)) {}

  size_t readingThreads() const override { return threads_; }
  void expectFiles(size_t files) override { list_.expectFiles(files); }
  LogReading read(size_t thread, size_t file, int fd, off_t from, off_t freshFrom,
                  std::span<const PassedStretch> passed, off_t bytes,
                  PrefixCheck& check) override {
    std::unique_ptr<char[]>& buffer = buffers_[thread];
    if (!buffer) buffer = std::make_unique<char[]>(kReadBlock);
    return list_.file(file).read(fd, from, freshFrom, passed, bytes,
                                 std::span<char>(buffer.get(), kReadBlock), check);
  }

 private:
  FlatTripList& list_;
  const size_t threads_;  // one where the machine has one core
  std::array<std::unique_ptr<char[]>, kReadingThreads> buffers_;
};

// The settlement loop's memory: the durable book, the collector's cursor,
// the cycle's list and what the collection in hand found. Only the
// settlement loop touches them, one side of its hand-off at a time.
StatementBook book;
LogCollection collection;
FlatTripList list;
ListReading reading(list);
Collected collected;

void reportProblem(const std::string& line) {
  errorWrite(line);
}

// Problems of the ledger and of the state's rewrite are said once a run.
std::set<std::string> reported;
void reportOnce(const std::string& about, const std::string& line) {
  if (reported.insert(about).second) errorWrite(line);
}

// A frontier closes once the clock file holds a later minute: no terminal
// stamps a tap with its minute again.
void closeFrontiers(Frontiers& frontiers) {
  for (auto& [stream, frontier] : frontiers) {
    if (frontier.closedAt != 0) continue;
    if (const std::optional<int64_t> passed = clockPassed(frontier.minute)) {
      frontier.closedAt = *passed;
    }
  }
}

}  // namespace

Result<void> resumeSettlement(const SettlementPlaces& places) {
  std::string warning;
  if (Result<void> resumed = book.resume(places.root, warning); !resumed) return resumed;
  Result<std::vector<LedgerPiece>> ledger = readLedger(places.root);
  if (!ledger) return *ledger.problem();
  if (!warning.empty()) errorWrite("settlement: " + warning + "\n");
  collection = LogCollection(book.cursor(), book.frontiers(), std::move(*ledger));
  noteClockFound(places.root);
  list.clear();
  return {};
}

void collect(const SettlementPlaces& places) {
  collected = collection.collect(places.root, reading, reportProblem);
  list.arrange(collected.files);
}

Totals settle(const SettlementPlaces& places) {
  // One pass over the list in its order distributes it for the block and
  // its fresh records, alone, for the statement. When every record is
  // fresh, the two are one.
  DistributionPass whole;
  DistributionPass fresh;
  const bool someFresh = list.freshCount() > 0 && list.freshCount() < list.size();
  list.forEachInOrder([&](const FlatRecord& record, const char* spill) {
    whole.add(record, spill);
    if (someFresh && record.fresh()) fresh.add(record, spill);
  });
  const ListDistribution listed = whole.finish();
  const ListDistribution settledNow = list.freshCount() == list.size() ? listed : fresh.finish();
  Totals totals = {0, 0};
  transferfilter(listed, totals);
  busfilter(listed, totals);
  metrofilter(listed, totals);
  list.clear();

  const long long cycle = book.nextCycle();
  const StatementLine line{cycle, currentClockText(), settledNow.records, settledNow.fees,
                           settledNow.shares()};
  // Files gone from the log directories are in the ledger before the
  // cursor forgets them; if the ledger cannot take them, the cursor keeps
  // them.
  if (const Result<void> kept = appendLedger(places.root, collected.leaving); !kept) {
    reportOnce("ledger", "settlement: " + kept.problem()->text() + "\n");
    for (LedgerPiece& piece : collected.leaving) {
      collected.cursor.emplace(piece.identity, std::move(piece.file));
    }
    collected.leaving.clear();
  }
  closeFrontiers(collected.frontiers);
  const StatementBook::Commit commit =
      book.commit(line, collected.cursor, collected.frontiers);
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
  collection.settle(collected);
  const std::vector<LedgerPiece> archived =
      collection.archive(collected.handOvers, places.root, places.archive, cycle, reportProblem);
  // The archived files leave the state at once: from here on, it lists
  // only files still in the log directories.
  if (const Result<void> kept = appendLedger(places.root, archived); !kept) {
    reportOnce("ledger", "settlement: " + kept.problem()->text() + "\n");
  } else if (!archived.empty()) {
    collection.forget(archived);
    if (const Result<void> rewritten = book.rewrite(collection.settled(), collection.frontiers());
        !rewritten) {
      reportOnce("state", "settlement: " + rewritten.problem()->text() + "\n");
    }
  }
  return totals;
}

Totals settlementCycle(const SettlementPlaces& places) {
  collect(places);
  return settle(places);
}
