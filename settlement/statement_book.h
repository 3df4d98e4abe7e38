// The settlement's side of its book (common/formats/settlement_book.h): opened at
// start, where a statement that lacks its last line is repaired, then
// committed once per cycle. A commit replaces the state file whole, then
// appends the cycle's line to the statement; a line that cannot be appended
// takes the state back, so that what the console shows is always in the
// statement.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/base/problem.h"
#include "common/formats/settlement_book.h"

class StatementBook {
 public:
  // Reads the book of the world at `root`. The problem, as a clause, when
  // the book cannot be trusted: then nothing may be settled. A missing last
  // line is appended now, or by the next commit when it cannot be yet: then
  // why it waits.
  Result<std::optional<Problem>> resume(const std::filesystem::path& root);

  // The number of the next cycle: 1 for a world never settled.
  long long nextCycle() const { return state_ ? state_->line.cycle + 1 : 1; }
  SettledCursor cursor() const { return state_ ? state_->cursor : SettledCursor{}; }
  Frontiers frontiers() const { return state_ ? state_->frontiers : Frontiers{}; }
  // The statement's last line; nullopt before the first cycle.
  std::optional<StatementLine> lastLine() const {
    return state_ ? std::optional(state_->line) : std::nullopt;
  }

  enum class Outcome {
    kCommitted,    // state and statement hold the cycle
    kFailed,       // neither holds it: the cycle's records wait
    kLineWaiting,  // the state holds it, the statement's line waits for a later commit
  };
  struct Commit {
    Outcome outcome = Outcome::kFailed;
    std::optional<Problem> problem;  // why not kCommitted, as a clause
  };

  // Commits `line` (its cycle is nextCycle()) with the cursor and the
  // frontiers reached.
  Commit commit(const StatementLine& line, const SettledCursor& cursor,
                const Frontiers& frontiers = {});

  // Replaces the state with one that holds `cursor` and `frontiers`
  // instead, its statement line the same: for files that left the cursor
  // into the ledger, and frontiers the clock closed. Nothing is done before
  // the first cycle.
  Result<void> rewrite(const SettledCursor& cursor, const Frontiers& frontiers);

 private:
  // Makes the statement end with the state's tail; why not when it cannot.
  Result<void> writeTail();
  std::string statePath() const;
  std::string statementPath() const;

  std::filesystem::path root_;
  std::optional<SettlementState> state_;
  bool tailMissing_ = false;
};
