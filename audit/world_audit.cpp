#include "audit/world_audit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/files/file_identity.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/card_history.h"
#include "common/formats/log_placement.h"
#include "common/formats/settlement_book.h"
#include "common/formats/settlement_ledger.h"

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
    Result<std::vector<LedgerPiece>> ledger = readLedger(root);
    if (ledger) {
      ledger_ = std::move(*ledger);
    } else {
      differences_.push_back(ledger.problem()->text());
    }
    for (const LedgerPiece& piece : ledger_) {
      if (!piece.path.empty()) archivedPieces_.emplace(piece.path, &piece);
    }
  }

  WorldAudit read() {
    if (book_.problem) differences_.push_back(book_.problem->text());
    readCards();
    // Every file of the log directories, in the settlement's order: which
    // the cursor knows, and what each of those holds settled.
    std::vector<LogFile> files;
    for (const TripLogPlace& log : collectedTripLogs()) {
      files.emplace_back(root_ / log.dir / log.name, LogKind::kLive, log.name);
    }
    std::vector<LogFile> strays;
    for (const TripLogPlace& log : collectedTripLogs()) {
      const LogFiles named = filesOfLog(root_, log);
      for (const fs::path& path : named.handOvers) {
        files.emplace_back(path, LogKind::kHandOver, log.name);
      }
      for (const fs::path& path : named.strays)
        strays.emplace_back(path, LogKind::kStray, log.name);
    }
    std::vector<SettledSource> sources;
    for (LogFile& file : files) {
      Result<FileDescriptor> opened = openRegular(file.path.string(), O_RDONLY);
      const Result<FileState> state =
          opened ? fileState(opened->get()) : Result<FileState>(*opened.problem());
      if (const Problem* problem = state.problem()) {
        if (!problem->is(Problem::Kind::kMissing)) cannotRead(file.path, *problem);
        continue;
      }
      file.fd = std::move(*opened);
      file.identity = state->identity;
      file.modifiedAt =
          static_cast<int64_t>(state->modified.tv_sec) * 1'000'000'000 + state->modified.tv_nsec;
      const auto entry =
          book_.state ? book_.state->cursor.find(state->identity) : SettledCursor::const_iterator();
      if (book_.state && entry != book_.state->cursor.end()) {
        const Result<bool> begins = beginsWith(file.fd.get(), entry->second.key);
        if (!begins) {
          cannotRead(file.path, *begins.problem());
          file.fd = FileDescriptor();
          continue;
        }
        file.entry = *begins ? &entry->second : nullptr;
        if (!*begins) released_.emplace(state->identity, named(file.path));
      }
      if (file.entry) {
        sources.push_back(
            {file.path.string(), file.identity, file.stream, static_cast<off_t>(state->size)});
      }
    }
    const SettledCursor noCursor;
    const Frontiers noFrontiers;
    LogPlacer placer(root_, book_.state ? book_.state->cursor : noCursor,
                     book_.state ? book_.state->frontiers : noFrontiers, ledger_);
    // First where every file stands, then their records: a copy of settled
    // lines is counted once, where they were settled, or where it is the
    // only file left that holds them.
    for (LogFile& file : files) {
      if (!file.fd.valid()) continue;
      if (file.entry) {
        file.settledTo = file.entry->key.length;
        file.passed = file.entry->passed;
        continue;
      }
      // Placed as the settlement's next collection will place it.
      file.placed = true;
      const Result<FirstLine> first = firstLineOf(file.fd.get());
      const bool made =
          !released_.count(file.identity) && placer.madeByTerminal(file.identity, file.stream);
      if (first && !made && placer.mayHoldSettled(*first)) {
        const Result<Placement> placement =
            placer.place(file.fd.get(), {file.identity, file.modifiedAt}, file.stream, sources);
        if (!placement) {
          cannotRead(file.path, *placement.problem());
          file.fd = FileDescriptor();
          continue;
        }
        file.passed = placement->passed;
      }
      sources.push_back({file.path.string(), file.identity, file.stream,
                         std::numeric_limits<off_t>::max(), false});
    }
    for (LogFile& file : strays) {
      file.fd = openOrSay(file.path);
    }
    for (const fs::path& archive : archivesOf(root_)) {
      for (const fs::path& archived : entriesOf(archive)) {
        // A person's note on held lines set aside is no trip file.
        if (archived.filename().string().ends_with(kHeldNoteSuffix)) continue;
        LogFile& file = strays.emplace_back(archived, LogKind::kArchived, std::string());
        file.fd = openOrSay(archived);
        if (!file.fd.valid()) continue;
        // What the ledger says of it: the stretches it passed.
        const auto piece = archivedPieces_.find(named(archived));
        if (piece != archivedPieces_.end() &&
            beginsWith(file.fd.get(), piece->second->file.key).value_or(false)) {
          file.passed = piece->second->file.passed;
        }
      }
    }
    for (std::vector<LogFile>* group : {&files, &strays}) {
      for (const LogFile& file : *group) {
        copies_ = copies_ || std::any_of(file.passed.begin(), file.passed.end(),
                                         [](const PassedStretch& s) { return !s.held; });
      }
    }
    for (std::vector<LogFile>* group : {&files, &strays}) {
      for (const LogFile& file : *group) {
        if (file.fd.valid()) readLog(file);
      }
    }
    countCopies();
    return finish();
  }

  // Whether the state file still holds what this reading started from.
  bool stateUnchanged() const { return stateFileText(root_) == book_.stateText; }

 private:
  struct LogFile {
    LogFile(fs::path path, LogKind kind, std::string stream)
        : path(std::move(path)), kind(kind), stream(std::move(stream)) {}
    fs::path path;
    LogKind kind;
    std::string stream;
    FileDescriptor fd;
    FileIdentity identity;
    int64_t modifiedAt = 0;
    const SettledFile* entry = nullptr;  // the cursor's, when the file begins with it
    off_t settledTo = 0;
    std::vector<PassedStretch> passed;
    bool placed = false;  // placed as the next collection will
  };

  // A record of a copy, counted once all the others are.
  struct Copy {
    size_t file;
    uint64_t line;
    FeeRecord fee;
  };

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
      const Result<FileDescriptor> file = openRegular(card.string(), O_RDONLY);
      const Result<void> read =
          file ? forEachCardLine(file->get(), [&](std::string_view line) { ledger.line(line); })
               : Result<void>(*file.problem());
      if (!read) cannotRead(card, *read.problem());
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

  void cannotRead(const fs::path& path, const Problem& why) {
    differences_.push_back(why.within("cannot read " + named(path) + " (", ")").text());
  }

  // The file at `path` opened to read; where it cannot be (and is not
  // missing), the difference says why, and the descriptor is invalid.
  FileDescriptor openOrSay(const fs::path& path) {
    Result<FileDescriptor> opened = openRegular(path.string(), O_RDONLY);
    if (const Problem* problem = opened.problem()) {
      if (!problem->is(Problem::Kind::kMissing)) cannotRead(path, *problem);
      return FileDescriptor();
    }
    return std::move(*opened);
  }

  // Reads the records of `file`: those before what was settled of it are
  // settled, the rest wait; a record in a stretch passed is held, or a copy
  // (counted by countCopies).
  void readLog(const LogFile& file) {
    const off_t settledTo = file.settledTo;
    const std::vector<PassedStretch>& passed = file.passed;
    const Result<FileIdentity> identity = fileIdentity(file.fd.get());
    if (!identity) {
      cannotRead(file.path, *identity.problem());
      return;
    }
    // A file the settlement moved while the audit read is read once.
    if (!seen_.insert(*identity).second) return;
    const size_t index = files_.size();
    files_.push_back(named(file.path));
    long long stray = 0;
    // Lines by their line feeds: a line longer than a read arrives in pieces.
    size_t lineNumber = 1;
    std::vector<size_t> noRecordLines;
    size_t next = 0;  // the first stretch not behind the read
    const LogReading reading = readLogFrom(file.fd.get(), 0, [&](std::string_view line, off_t at) {
      const size_t lineOfRead = lineNumber;
      if (line.ends_with('\n')) ++lineNumber;
      const std::optional<TripRecord> record = parseTripRecord(line);
      if (!record) {
        if (noRecordLines.empty() || noRecordLines.back() != lineOfRead) {
          noRecordLines.push_back(lineOfRead);
        }
        return;
      }
      while (next < passed.size() && passed[next].offset + passed[next].length <= at) ++next;
      const PassedStretch* stretch =
          next < passed.size() && at >= passed[next].offset ? &passed[next] : nullptr;
      if (stretch && !stretch->held) {
        copied_.push_back({index, lineHash(line), feeOf(*record)});
        return;
      }
      audit_.logged.add(record->op, record->fee);
      const bool held = stretch != nullptr;
      if (held) {
        matching_.held(feeOf(*record));
      } else {
        matching_.logged(feeOf(*record), index);
      }
      if (file.kind == LogKind::kStray) {
        stray += record->fee;
        return;
      }
      const bool settled = file.kind == LogKind::kArchived || at < settledTo;
      if (copies_ && (held || settled)) ++counted_[lineHash(line)];
      if (held) {
        audit_.held.add(record->op, record->fee);
      } else if (settled) {
        sumOf(settledInLogs_, record->op) += record->fee;
      } else {
        audit_.waiting.add(record->op, record->fee);
      }
    });
    if (reading.problem) cannotRead(file.path, *reading.problem);
    noRecord(file.path, noRecordLines);
    if (stray != 0) {
      differences_.push_back(std::to_string(std::llabs(stray)) + " in " + named(file.path) +
                             " is in a file the settlement never reads");
    }
  }

  // A copy's records are counted where the lines they copy are; where no
  // file holds those any more (a log rewritten, restored in place, the
  // world copied), the copy is what holds them: settled.
  void countCopies() {
    for (const Copy& copy : copied_) {
      const auto counted = counted_.find(copy.line);
      if (counted != counted_.end() && counted->second > 0) {
        --counted->second;
        continue;
      }
      audit_.logged.add(copy.fee.op, copy.fee.fee);
      matching_.logged(copy.fee, copy.file);
      if (copy.fee.op) sumOf(settledInLogs_, *copy.fee.op) += copy.fee.fee;
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
      audit_.notes.push_back(name + " no longer begins with the " +
                             std::to_string(book_.state->cursor.at(identity).key.length) +
                             " bytes settled of it (cut or rewritten): the settlement takes what "
                             "it holds now where it is new");
    }
    audit_.differences = std::move(differences_);
    return std::move(audit_);
  }

  fs::path root_;
  BookReading book_;
  std::vector<LedgerPiece> ledger_;
  std::map<std::string, const LedgerPiece*> archivedPieces_;  // by path from the root
  WorldAudit audit_;
  TransportSums settledInLogs_;
  bool copies_ = false;                         // some file passes a copy
  std::vector<Copy> copied_;                    // records of copies
  std::unordered_map<uint64_t, long> counted_;  // lines counted as settled or held
  FeeMatching matching_;
  std::vector<std::string> cards_;
  std::vector<std::string> files_;
  std::set<FileIdentity> seen_;
  std::map<FileIdentity, std::string> released_;  // files that no longer begin so
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
  const bool held = audit.held.total() != 0;
  char line[160];
  const auto cells = [&](const char* name, const std::array<std::string, 5>& values) {
    snprintf(line, sizeof line, "%-8s %14s %14s %14s %14s", name, values[0].c_str(),
             values[1].c_str(), values[2].c_str(), values[3].c_str());
    report += line;
    if (held) {
      snprintf(line, sizeof line, " %14s", values[4].c_str());
      report += line;
    }
    report += "\n";
  };
  cells("", {"charged", "logged", "settled", "waiting", "held"});
  const auto row = [&](const char* name, long long charged, long long logs, long long settled,
                       long long waiting, long long heldFees) {
    cells(name, {std::to_string(charged), std::to_string(logs), std::to_string(settled),
                 std::to_string(waiting), std::to_string(heldFees)});
  };
  row("BUS", audit.charged.bus, audit.logged.bus, audit.settled.bus, audit.waiting.bus,
      audit.held.bus);
  row("METRO", audit.charged.metro, audit.logged.metro, audit.settled.metro, audit.waiting.metro,
      audit.held.metro);
  if (audit.charged.other != 0) row("other", audit.charged.other, 0, 0, 0, 0);
  for (const CardTopUps& card : audit.topUps) {
    report += "card " + card.card + " was topped up " + std::to_string(card.amount) + " (" +
              std::to_string(card.count) + (card.count == 1 ? " top-up)\n" : " top-ups)\n");
  }
  for (const auto& [file, lines] : audit.noRecordLines) report += noRecordNote(file, lines);
  for (const std::string& note : audit.notes) report += note + "\n";
  if (held) {
    report += "held: BUS " + std::to_string(audit.held.bus) + ", METRO " +
              std::to_string(audit.held.metro) +
              ": lines the settlement cannot tell from settled ones, settled only on a person's "
              "word (scripts/held)\n";
  }
  for (const std::string& difference : audit.differences) report += difference + "\n";
  if (audit.reconciled()) {
    report += held ? "reconciled: every fee the cards paid is settled in the statement, waits in "
                     "a trip log or a hand-over file, or is held\n"
                   : "reconciled: every fee the cards paid is settled in the statement or waits "
                     "in a trip log or a hand-over file\n";
  } else {
    report += "DIFFERENCE: " + std::to_string(audit.differences.size()) +
              (audit.differences.size() == 1 ? " difference\n" : " differences\n");
  }
  return report;
}
