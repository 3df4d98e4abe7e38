// The settlement's durable memory, as the settlement and the audit read it:
// the statement (statement.h) and the state file ("settlement.state" at the
// world's root) that commits it.
//
// The state holds the statement's length before its last line, that last
// line, a check of every line before it, and the cursor: for every trip log
// identity, what of it has been settled, as a length and a hash of that
// many bytes from its start (content_check.h). A log is settled that far
// while it still begins with those bytes; a log whose identity the cursor
// does not know (a copy, a restore, a rewrite under a new inode) is settled
// as far as a settled content whose file is gone or holds it no more. A cycle commits by replacing
// the state whole (through a fresh temporary and a rename) and only then appends its line to the
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

#include "common/files/file_identity.h"
#include "common/formats/content_check.h"
#include "common/formats/statement.h"
#include "common/process/problem.h"

// What of each trip log identity has been settled.
using SettledCursor = std::map<FileIdentity, ContentKey>;

// Settled contents a file the cursor does not know may begin with (those
// whose own file is gone from the log directories or holds them no more),
// each with the identity of the file it was settled from.
using FreeContents = std::map<ContentKey, FileIdentity>;

// What of one open trip log has been settled.
struct SettledBeginning {
  std::optional<ContentKey> settled;          // nullopt: nothing
  ContentHash hash;                           // of its bytes up to there
  bool released = false;                      // it no longer begins with its own entry
  std::optional<FileIdentity> continuesFrom;  // the owner of the free content it begins with
};

// A log is settled as far as its own cursor entry while it begins with
// those bytes; a log the cursor does not know, as far as the longest free
// content it begins with. nullopt when `fd` cannot be read (errno says why).
std::optional<SettledBeginning> settledBeginning(int fd, const FileIdentity& identity,
                                                 const SettledCursor& cursor,
                                                 const FreeContents& free);

// How far each trip log identity was settled, as states written before the
// cursor was kept by content hold it.
using IdentityCursor = std::map<FileIdentity, off_t>;

struct SettlementState {
  off_t statementLength = 0;  // the statement's bytes before its last line
  StatementLine line;         // the last line
  LineChecks lines;           // the check of the cycle lines before it
  SettledCursor cursor;
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
