// Where a trip log file stands against everything settled when its own
// cursor entry cannot say: a file the cursor does not know (a new log, a
// copy, a restore, an archived file brought back) or one that no longer
// begins with what was settled of it (cut, rewritten, restored in place).
// The settlement's collector and the audit place files alike, so the audit
// counts what the settlement will do.
//
// A file is first compared byte for byte with what it may be a copy of:
// every file of the log directories whose bytes are settled, every archived
// file, and the settled contents whose files are gone (by their length and
// hash). The whole lines it shares with one of them from its start are a
// known copy. Then each of its lines is placed by the ledger's rule
// (line_ledger.h), line by line, as long as lines may be settled ones: up
// to the end of the known copy and through every line of its stream's
// frontier minute or earlier. Every line after that is new.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/formats/line_ledger.h"
#include "common/formats/settlement_book.h"
#include "common/formats/settlement_ledger.h"

// A file of the world's log directories whose first `settledTo` bytes are
// settled (by an earlier cycle or by the collection at hand), and whether it
// still begins with what its cursor entry says was settled of it (a file
// placed anew does not: its entry's bytes are gone).
struct SettledSource {
  std::string path;
  FileIdentity identity;
  std::string stream;
  off_t settledTo = 0;
  bool holdsEntry = true;
};

// What placing a file found: the stretches it passes (copies and held
// lines, in file order), and how far it was placed; every line from there
// on is new.
struct Placement {
  std::vector<PassedStretch> passed;
  off_t placedTo = 0;
  std::optional<int64_t> firstMinute;
  std::optional<int64_t> lastMinute;  // of the lines placed
  std::vector<LedgerLine> newLines;   // the new lines among those placed
  std::vector<LedgerLine> heldLines;  // the lines held
  // The lines held, numbered from 1 as a person counts them.
  std::vector<std::pair<long long, long long>> heldLineNumbers;
};

// The stream a file of the log directories or an archive belongs to: the
// live log it is or was handed over from ("busfile.txt" for
// "busfile.txt.7" and "busfile.txt.7-42"); empty for none.
std::string streamOfName(std::string_view name);

// The minute of the first line of the open file `fd` (nullopt when it has
// no whole line, or its line carries no minute), and whether it has one.
struct FirstLine {
  bool whole = false;
  std::optional<int64_t> minute;
};
Result<FirstLine> firstLineOf(int fd);

// The lines of the latest minute among the reads of `fd` that begin in
// [from, to): read backward from `to` until the minute changes, or the
// Problem of a read that fails.
Result<std::vector<LedgerLine>> lastMinuteLines(int fd, off_t from, off_t to);

class LogPlacer {
 public:
  LogPlacer(std::filesystem::path root, const SettledCursor& cursor, const Frontiers& frontiers,
            const std::vector<LedgerPiece>& ledger);
  ~LogPlacer();

  // Whether a file whose first line has `minute` may hold a line settled
  // already: false only when it is later than every stream's frontier.
  bool mayHoldSettled(const FirstLine& first) const;

  // Places the open file `fd`, of `stream`, as the file `evidence` says it
  // is; `sources` are the files whose settled bytes a copy may share (the
  // file itself among them is passed over), or the Problem of a read that
  // fails.
  Result<Placement> place(int fd, const FileEvidence& evidence, const std::string& stream,
                          std::span<const SettledSource> sources);

  // Whether the terminal of `stream` lists the file as a log it made
  // (made_logs.h): then every line of it is a tap, and new unless the
  // cursor knows the file.
  bool madeByTerminal(const FileIdentity& identity, const std::string& stream);

 private:
  class StreamLines;
  off_t knownCopy(int fd, const FileEvidence& evidence, std::string_view firstLine,
                  std::span<const SettledSource> sources);
  std::vector<std::filesystem::path>& archivedStartingWith(uint64_t firstLineHash);
  void archived(const std::filesystem::path& path);

  std::filesystem::path root_;
  const SettledCursor& cursor_;
  const Frontiers& frontiers_;
  const std::vector<LedgerPiece>& ledger_;
  std::optional<int64_t> latest_;  // the latest frontier minute of any stream
  // Archived files by the hash of their first line; built when first asked.
  std::optional<std::map<uint64_t, std::vector<std::filesystem::path>>> archiveIndex_;
  // The logs each stream's terminal made, read when first asked.
  std::map<std::string, std::set<FileIdentity>> made_;
};
