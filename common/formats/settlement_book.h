// The settlement's durable memory, as the settlement and the audit read it:
// the statement (statement.h) and the state file ("settlement.state" at the
// world's root) that commits it.
//
// The state holds the statement's length before its last line, that last
// line, a check of every line before it, the cursor and the frontiers. The
// cursor says, for every trip log identity in Bus/ and Metro/, what of it
// has been decided, as a length and a hash of that many bytes from its start
// (content_check.h), with its stream, its first and last minute and the
// stretches of it passed without being settled (copies, and lines held); a
// log is settled that far while it still begins with those bytes. The
// frontiers hold each stream's latest settled minute and its lines
// (line_ledger.h), by which a file the cursor does not know is placed
// (log_placement.h). A cycle commits by replacing the state whole (through a
// fresh temporary and a rename) and only then appends its line to the
// statement. A kill at any instant thus leaves the state before the cycle
// or after it; in the second case the statement may lack all or part of its
// last line, which the state holds. Reading repairs that in what it
// returns; the settlement then writes the repair.
//
// Anything else (a statement longer than its state accounts for, a line out
// of sequence, a state that is no state, a statement with lines and no
// state, a file with a second name) is a problem: nothing is guessed, and
// the settlement settles nothing until a person restores the files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "common/base/problem.h"
#include "common/files/file_identity.h"
#include "common/formats/content_check.h"
#include "common/formats/line_ledger.h"
#include "common/formats/statement.h"

// A stretch of a trip log file that the cursor passed without settling it:
// lines settled (or held) already from another file, which a copy or a
// restore brought again, or lines held until a person says whether they
// are new (line_ledger.h). Fees and records are those of a held stretch.
struct PassedStretch {
  off_t offset = 0;
  off_t length = 0;
  bool held = false;
  long long records = 0;
  OperatorAmounts fees = {0, 0};
  bool operator==(const PassedStretch&) const = default;
};

// What the settlement decided of one trip log file: its bytes from its
// start as far as `key` reaches, settled but for the stretches passed; the
// stream it was read as (the name of its terminal's live log, empty where
// an earlier release did not say) and the minutes of its first and last
// decided lines (0 where not known).
struct SettledFile {
  ContentKey key;
  std::string stream;
  int64_t firstMinute = 0;
  int64_t lastMinute = 0;
  std::vector<PassedStretch> passed;
  bool operator==(const SettledFile&) const = default;
};

// What of each trip log identity has been decided.
using SettledCursor = std::map<FileIdentity, SettledFile>;

// A cursor entry's text: "DEVICE INODE BORN BORN_NS LENGTH HASH STREAM
// FIRST LAST", then "OFFSET LENGTH HELD RECORDS BUS METRO" for each stretch
// passed; and back. `current` false reads the first form of the content
// cursor, which ends after HASH.
std::string encodeSettled(const FileIdentity& identity, const SettledFile& file);
std::optional<SettledCursor::value_type> decodeSettled(std::string_view text, bool current = true);

// Whether the open file `fd` still begins with the bytes `key` stands for;
// the Problem of a read that fails.
Result<bool> beginsWith(int fd, const ContentKey& key);

// How far each trip log identity was settled, as states written before the
// cursor was kept by content hold it.
using IdentityCursor = std::map<FileIdentity, off_t>;

struct SettlementState {
  off_t statementLength = 0;  // the statement's bytes before its last line
  StatementLine line;         // the last line
  LineChecks lines;           // the check of the cycle lines before it
  SettledCursor cursor;
  Frontiers frontiers;
  bool operator==(const SettlementState&) const = default;
};

// A state as read: in the present form, or an earlier one whose cursor
// still names files by identity (and which carries no check of the lines).
struct DecodedState {
  SettlementState state;
  std::optional<IdentityCursor> identities;
};

std::string encodeState(const SettlementState& state);
std::optional<DecodedState> decodeState(std::string_view text);

// The check of the lines before the last one once `state`'s last line is
// followed by another.
LineChecks linesAfter(const SettlementState& state);

// What the statement holds from the state's length on: its last line, after
// the header when the statement was empty before it.
std::string statementTail(const SettlementState& state);

struct BookReading {
  std::optional<SettlementState> state;  // nullopt: nothing was ever settled
  std::string stateText;                 // the state file's bytes as read
  bool tailMissing = false;              // the statement lacks (part of) its tail
  bool byIdentity = false;               // the state is an earlier release's
  long long lines = 0;                   // cycle lines, the repaired tail included
  OperatorAmounts fees = {0, 0};         // their fees, added modulo 2^64
  OperatorAmounts coveredFees = {0, 0};  // of an earlier release's state: what it settled
  std::optional<Problem> problem;        // what is wrong, when something is
};

// The state file's bytes (empty when it is missing or cannot be read).
std::string stateFileText(const std::filesystem::path& root);

// Reads the statement and the state of the world at `root`. Reads only.
BookReading readBook(const std::filesystem::path& root);
