#include "settlement/settlement_cycle.h"

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <thread>

#include "common/files/world_layout.h"
#include "common/formats/settlement_ledger.h"
#include "common/process/console.h"
#include "settlement/exact_display/exact_display.h"
#include "settlement/exact_distribute/distribution_pass.h"
#include "settlement/exact_distribute/exact_distribute.h"

namespace {

// Each reading thread reads through one block of this size, kept for the
// life of the program.
constexpr size_t kReadBlock = 256 << 10;
constexpr size_t kReadingThreads = 2;

void reportProblem(const std::string& line) {
  errorWrite(line);
}

}  // namespace

// Reads the collected files into the cycle's flat list, a file at a time
// on each of up to two threads.
class SettlementCycle::ListReading : public CollectionSink {
 public:
  explicit ListReading(FlatTripList& list)
      : list_(list),
        threads_(std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kReadingThreads)) {}

  size_t readingThreads() const override { return threads_; }
  void expectFiles(size_t files) override { list_.expectFiles(files); }
  LogReading read(size_t thread, size_t file, int fd, off_t from, off_t freshFrom,
                  std::span<const PassedStretch> passed, off_t bytes, PrefixCheck& check) override {
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

namespace {

// A frontier closes once the clock file holds a later minute: no terminal
// stamps a tap with its minute again.
void closeFrontiers(Frontiers& frontiers, const SettlementClock& clock) {
  for (auto& [stream, frontier] : frontiers) {
    if (frontier.closedAt != 0) continue;
    if (const std::optional<int64_t> passed = clock.passed(frontier.minute)) {
      frontier.closedAt = *passed;
    }
  }
}

}  // namespace

SettlementCycle::SettlementCycle(SettlementPlaces places, SettlementClock& clock)
    : places_(std::move(places)), clock_(clock), reading_(std::make_unique<ListReading>(list_)) {}

SettlementCycle::~SettlementCycle() = default;

void SettlementCycle::reportOnce(const std::string& about, const std::string& line) {
  if (reported_.insert(about).second) errorWrite(line);
}

Result<void> SettlementCycle::resume() {
  const Result<std::optional<Problem>> resumed = book_.resume(places_.root);
  if (!resumed) return *resumed.problem();
  Result<std::vector<LedgerPiece>> ledger = readLedger(places_.root);
  if (!ledger) return *ledger.problem();
  if (const std::optional<Problem>& waits = *resumed) {
    errorWrite("settlement: " + waits->text() + "\n");
  }
  collection_ = LogCollection(book_.cursor(), book_.frontiers(), std::move(*ledger));
  clock_.noteFound(places_.root);
  list_.clear();
  return {};
}

Collected SettlementCycle::collect() {
  Collected collected = collection_.collect(places_.root, *reading_, reportProblem);
  list_.arrange(collected.files);
  return collected;
}

Totals SettlementCycle::settle(Collected collected) {
  // One pass over the list in its order distributes it for the block and
  // its fresh records, alone, for the statement. When every record is
  // fresh, the two are one.
  DistributionPass whole;
  DistributionPass fresh;
  const bool someFresh = list_.freshCount() > 0 && list_.freshCount() < list_.size();
  list_.forEachInOrder([&](const FlatRecord& record, const char* spill) {
    whole.add(record, spill);
    if (someFresh && record.fresh()) fresh.add(record, spill);
  });
  const ListDistribution listed = whole.finish();
  const ListDistribution settledNow = list_.freshCount() == list_.size() ? listed : fresh.finish();
  Totals totals = {0, 0};
  transferfilter(listed, totals);
  busfilter(listed, totals);
  metrofilter(listed, totals);
  list_.clear();

  const long long cycle = book_.nextCycle();
  const StatementLine line{cycle, clock_.text(), settledNow.records, settledNow.fees,
                           settledNow.shares()};
  // Files gone from the log directories are in the ledger before the
  // cursor forgets them; if the ledger cannot take them, the cursor keeps
  // them.
  if (const Result<void> kept = appendLedger(places_.root, collected.leaving); !kept) {
    reportOnce("ledger", "settlement: " + kept.problem()->text() + "\n");
    for (LedgerPiece& piece : collected.leaving) {
      collected.cursor.emplace(piece.identity, std::move(piece.file));
    }
    collected.leaving.clear();
  }
  closeFrontiers(collected.frontiers, clock_);
  const StatementBook::Commit commit = book_.commit(line, collected.cursor, collected.frontiers);
  const std::string number = std::to_string(cycle);
  switch (commit.outcome) {
    case StatementBook::Outcome::kCommitted:
      display_controller(1, totals);
      break;
    case StatementBook::Outcome::kFailed:
      errorWrite("settlement: cycle " + number + " is not settled, its records wait (" +
                 commit.problem->text() + ")\n");
      return totals;
    case StatementBook::Outcome::kLineWaiting:
      errorWrite("settlement: cycle " + number + " is settled, its statement line waits (" +
                 commit.problem->text() + ")\n");
      break;
  }
  collection_.settle(collected);
  const std::vector<LedgerPiece> archived =
      collection_.archive(collected.handOvers, places_.root, places_.archive, cycle, reportProblem);
  // The archived files leave the state at once: from here on, it lists
  // only files still in the log directories.
  if (const Result<void> kept = appendLedger(places_.root, archived); !kept) {
    reportOnce("ledger", "settlement: " + kept.problem()->text() + "\n");
  } else if (!archived.empty()) {
    collection_.forget(archived);
    if (const Result<void> rewritten =
            book_.rewrite(collection_.settled(), collection_.frontiers());
        !rewritten) {
      reportOnce("state", "settlement: " + rewritten.problem()->text() + "\n");
    }
  }
  return totals;
}
