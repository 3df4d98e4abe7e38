#include "audit/world_audit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "common/files/file_handle.h"
#include "common/files/file_identity.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/card_history.h"
#include "common/formats/settlement_book.h"
#include "common/process/problem.h"

namespace fs = std::filesystem;

namespace {

// A settlement that commits while the audit reads changes what it read:
// the audit reads again, this many times at most.
constexpr int kReadingAttempts = 10;

// The entries of `dir`, in order of their names.
std::vector<fs::path> entriesOf(const fs::path& dir) {
  std::vector<std::string> names = namesIn(dir);
  std::sort(names.begin(), names.end());
  std::vector<fs::path> entries;
  for (const std::string& name : names) entries.push_back(dir / name);
  return entries;
}

std::string operatorName(Operator op) {
  return std::string(transportWord(op));
}

long long& sumOf(TransportSums& sums, Operator op) {
  return op == kBusOperator ? sums.bus : sums.metro;
}

// Where a trip log file stands for the settlement.
enum class LogKind { kLive, kHandOver, kArchived, kStray };

class WorldReading {
 public:
  explicit WorldReading(const fs::path& root) : root_(root), book_(readBook(root)) {
    if (!book_.state) return;
    // As the settlement takes them: what was settled of a file no longer
    // in the log directories is free for a file that begins with it.
    std::set<FileIdentity> present;
    for (const char* dir : {kBusDir, kMetroDir}) {
      std::error_code error;
      for (fs::directory_iterator it(root / dir, error); !error && it != fs::directory_iterator();
           it.increment(error)) {
        if (const auto identity = identityAt(it->path())) present.insert(*identity);
      }
    }
    for (const auto& [identity, key] : book_.state->cursor) {
      if (!present.count(identity)) freeKeys_.emplace(key, identity);
    }
  }

  WorldAudit read() {
    if (book_.problem) differences_.push_back(book_.problem->text());
    readCards();
    for (const TripLogPlace& log : collectedTripLogs()) {
      readLog(root_ / log.dir / log.name, LogKind::kLive);
      const LogFiles files = filesOfLog(root_, log);
      for (const fs::path& path : files.handOvers) readLog(path, LogKind::kHandOver);
      for (const fs::path& path : files.strays) readLog(path, LogKind::kStray);
    }
    for (const fs::path& archive : archivesOf(root_)) {
      for (const fs::path& archived : entriesOf(archive)) readLog(archived, LogKind::kArchived);
    }
    return finish();
  }

  // Whether the state file still holds what this reading started from.
  bool stateUnchanged() const { return stateFileText(root_) == book_.stateText; }

 private:
  std::string named(const fs::path& path) const { return path.lexically_relative(root_).string(); }

  void readCards() {
    for (const std::string& number : cardsOf(root_)) {
      const fs::path card = cardPath(root_, number);
      const size_t index = cards_.size();
      cards_.push_back(number);
      CardLedger ledger([&](const FeeRecord& charge) {
        audit_.charged.add(charge.op, charge.fee);
        matching_.charged(charge, index);
      });
      const FileDescriptor file = openRegularFile(card.string(), O_RDONLY);
      if (!file.valid() ||
          !forEachCardLine(file.get(), [&](std::string_view line) { ledger.line(line); })) {
        cannotRead(card);
      }
      if (ledger.topUps() > 0) {
        audit_.topUps.push_back({cards_.back(), ledger.toppedUp(), ledger.topUps()});
      }
      for (const CardLedger::Credit& credit : ledger.strayCredits()) {
        differences_.push_back(credit.amount > 0
                                   ? std::to_string(credit.amount) + " credited to card " +
                                         cards_.back() + " on line " + std::to_string(credit.line) +
                                         " is neither a provisioning nor a top-up"
                                   : std::to_string(-credit.amount) + " taken from card " +
                                         cards_.back() + " by the top-up on line " +
                                         std::to_string(credit.line));
      }
      noRecord(card, ledger.noRecordLines());
    }
  }

  void noRecord(const fs::path& path, const std::vector<size_t>& lines) {
    if (!lines.empty()) audit_.noRecordLines.emplace_back(named(path), lines);
  }

  void cannotRead(const fs::path& path) {
    differences_.push_back(
        Problem::fromErrno("cannot read " + named(path) + " (", errno, ")").text());
  }

  void readLog(const fs::path& path, LogKind kind) {
    const FileDescriptor file = openRegularFile(path.string(), O_RDONLY);
    const std::optional<FileIdentity> identity =
        file.valid() ? fileIdentity(file.get()) : std::nullopt;
    if (!identity) {
      if (errno != ENOENT) cannotRead(path);
      return;
    }
    // A file the settlement moved while the audit read is read once.
    if (!seen_.insert(*identity).second) return;
    // A log is settled as far as its cursor entry while it begins with
    // those bytes; a file the cursor does not know, as far as a free
    // settled content it begins with.
    off_t settledTo = 0;
    if (book_.state && kind != LogKind::kArchived && kind != LogKind::kStray) {
      const std::optional<SettledBeginning> begins =
          settledBeginning(file.get(), *identity, book_.state->cursor, freeKeys_);
      if (!begins) {
        cannotRead(path);
        return;
      }
      if (begins->settled) settledTo = begins->settled->length;
      if (begins->released) {
        released_.emplace(*identity, named(path));
        freeKeys_.emplace(book_.state->cursor.at(*identity), *identity);
      }
      if (begins->continuesFrom) continued_.insert(*begins->continuesFrom);
    }
    const size_t index = files_.size();
    files_.push_back(named(path));
    long long stray = 0;
    // Lines by their line feeds: a line longer than a read arrives in pieces.
    size_t lineNumber = 1;
    std::vector<size_t> noRecordLines;
    const LogReading reading = readLogFrom(file.get(), 0, [&](std::string_view line, off_t at) {
      const size_t lineOfRead = lineNumber;
      if (line.ends_with('\n')) ++lineNumber;
      const std::optional<TripRecord> record = parseTripRecord(line);
      if (!record) {
        if (noRecordLines.empty() || noRecordLines.back() != lineOfRead) {
          noRecordLines.push_back(lineOfRead);
        }
        return;
      }
      audit_.logged.add(record->op, record->fee);
      matching_.logged(feeOf(*record), index);
      if (kind == LogKind::kStray) {
        stray += record->fee;
      } else if (kind == LogKind::kArchived || at < settledTo) {
        sumOf(settledInLogs_, record->op) += record->fee;
      } else {
        audit_.waiting.add(record->op, record->fee);
      }
    });
    if (reading.failed) cannotRead(path);
    noRecord(path, noRecordLines);
    if (stray != 0) {
      differences_.push_back(std::to_string(std::llabs(stray)) + " in " + named(path) +
                             " is in a file the settlement never reads");
    }
  }

  // Sentences for what the cards and the logs do not agree on, and for what
  // the statement settles beyond or short of the logs.
  WorldAudit finish() {
    audit_.settled.bus = book_.fees[kBusOperator];
    audit_.settled.metro = book_.fees[kMetroOperator];
    const FeeMatching::Unpaired unpaired = matching_.unpaired();
    for (const auto& [card, fee] : unpaired.byCard) {
      if (fee > 0) {
        differences_.push_back(std::to_string(fee) + " charged to card " + cards_[card] +
                               " is in no trip log");
      } else if (fee < 0) {
        differences_.push_back(std::to_string(-fee) + " credited to card " + cards_[card] +
                               " is in no trip log");
      }
    }
    for (const auto& [file, fee] : unpaired.byFile) {
      if (fee != 0) {
        differences_.push_back(std::to_string(std::llabs(fee)) + " in " + files_[file] +
                               (fee > 0 ? " was charged to no card" : " was credited to no card"));
      }
    }
    for (const Operator op : {kBusOperator, kMetroOperator}) {
      const long long beyond = sumOf(audit_.settled, op) - sumOf(settledInLogs_, op);
      const std::string fees = std::to_string(std::llabs(beyond)) + " of " + operatorName(op);
      if (beyond > 0) {
        differences_.push_back(std::string(kStatementName) + " settles " + fees +
                               " more than the trip logs hold");
      } else if (beyond < 0) {
        differences_.push_back(fees + " that the trip logs hold as settled is not in " +
                               kStatementName);
      }
    }
    for (const auto& [identity, name] : released_) {
      if (continued_.count(identity)) continue;
      audit_.notes.push_back(name + " no longer begins with the " +
                             std::to_string(book_.state->cursor.at(identity).length) +
                             " bytes settled of it (cut or rewritten): the settlement takes what "
                             "it holds now as new");
    }
    audit_.differences = std::move(differences_);
    return std::move(audit_);
  }

  fs::path root_;
  BookReading book_;
  WorldAudit audit_;
  TransportSums settledInLogs_;
  FeeMatching matching_;
  std::vector<std::string> cards_;
  std::vector<std::string> files_;
  std::set<FileIdentity> seen_;
  std::map<ContentKey, FileIdentity> freeKeys_;   // and whose they were
  std::map<FileIdentity, std::string> released_;  // files that no longer begin so
  std::set<FileIdentity> continued_;              // released, and held by another file
  std::vector<std::string> differences_;
};

}  // namespace

WorldAudit auditWorld(const fs::path& root) {
  for (int attempt = 1;; ++attempt) {
    WorldReading reading(root);
    WorldAudit audit = reading.read();
    if (attempt == kReadingAttempts || reading.stateUnchanged()) return audit;
  }
}

namespace {

// "customer/1234.txt lines 3, 7 hold no record (not counted)", naming the
// first few lines of a file.
std::string noRecordNote(const std::string& file, const std::vector<size_t>& lines) {
  constexpr size_t kNamed = 5;
  std::string note = file + (lines.size() == 1 ? " line " : " lines ");
  for (size_t i = 0; i < std::min(lines.size(), kNamed); ++i) {
    note += (i > 0 ? ", " : "") + std::to_string(lines[i]);
  }
  if (lines.size() > kNamed) note += " and " + std::to_string(lines.size() - kNamed) + " more";
  return note + (lines.size() == 1 ? " holds" : " hold") + " no record (not counted)\n";
}

}  // namespace

std::string auditReport(const WorldAudit& audit) {
  std::string report;
  char line[160];
  snprintf(line, sizeof line, "%-8s %14s %14s %14s %14s\n", "", "charged", "logged", "settled",
           "waiting");
  report += line;
  const auto row = [&](const char* name, long long charged, long long logs, long long settled,
                       long long waiting) {
    snprintf(line, sizeof line, "%-8s %14lld %14lld %14lld %14lld\n", name, charged, logs, settled,
             waiting);
    report += line;
  };
  row("BUS", audit.charged.bus, audit.logged.bus, audit.settled.bus, audit.waiting.bus);
  row("METRO", audit.charged.metro, audit.logged.metro, audit.settled.metro, audit.waiting.metro);
  if (audit.charged.other != 0) row("other", audit.charged.other, 0, 0, 0);
  for (const CardTopUps& card : audit.topUps) {
    report += "card " + card.card + " was topped up " + std::to_string(card.amount) + " (" +
              std::to_string(card.count) + (card.count == 1 ? " top-up)\n" : " top-ups)\n");
  }
  for (const auto& [file, lines] : audit.noRecordLines) report += noRecordNote(file, lines);
  for (const std::string& note : audit.notes) report += note + "\n";
  for (const std::string& difference : audit.differences) report += difference + "\n";
  if (audit.reconciled()) {
    report +=
        "reconciled: every fee the cards paid is settled in the statement or waits in a trip log "
        "or a hand-over file\n";
  } else {
    report += "DIFFERENCE: " + std::to_string(audit.differences.size()) +
              (audit.differences.size() == 1 ? " difference\n" : " differences\n");
  }
  return report;
}
