#include "settlement/statement_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/files/file_replace.h"
#include "common/files/file_system.h"
#include "common/files/world_layout.h"

namespace {

Problem cannotWrite(const std::string& path, const Problem& why) {
  return why.within("cannot write " + path + ": ");
}

}  // namespace

std::string StatementBook::statePath() const {
  return (root_ / kSettlementStateName).string();
}

std::string StatementBook::statementPath() const {
  return (root_ / kStatementName).string();
}

Result<std::optional<Problem>> StatementBook::resume(const std::filesystem::path& root) {
  root_ = root;
  const BookReading book = readBook(root);
  if (book.problem) return *book.problem;
  state_ = book.state;
  tailMissing_ = book.tailMissing;
  if (tailMissing_) {
    if (const Result<void> written = writeTail(); !written) {
      return std::optional<Problem>(
          written.problem()->within("the last line of " + statementPath() + " waits (", ")"));
    }
  }
  return std::optional<Problem>();
}

Result<void> StatementBook::writeTail() {
  const off_t length = state_ ? state_->statementLength : 0;
  const std::string tail = state_ ? statementTail(*state_) : std::string();
  const off_t end = length + static_cast<off_t>(tail.size());
  if (!tailMissing_) {
    // Whole already; unless someone wrote to it since.
    const Result<struct stat> status = entryStatus(statementPath());
    if (const Problem* problem = status.problem()) {
      if (problem->is(Problem::Kind::kMissing) && end == 0) return {};
      return problem->within(statementPath() + " cannot be looked at: ");
    }
    if (status->st_size == end) return {};
    return Problem(statementPath() + " holds " + std::to_string(status->st_size) +
                       " bytes, not the " + std::to_string(end) + " its state accounts for",
                   Problem::Kind::kMalformed);
  }
  const Result<FileDescriptor> file = openRegular(statementPath(), O_WRONLY | O_CREAT, 0666);
  if (!file) return cannotWrite(statementPath(), *file.problem());
  const Result<struct stat> status = fileStatus(file->get());
  if (!status) return cannotWrite(statementPath(), *status.problem());
  if (status->st_size < length || status->st_size > end) {
    return Problem(statementPath() + " changed while the settlement ran",
                   Problem::Kind::kMalformed);
  }
  // A line a failed append left in part is written again whole.
  Result<void> written = cutFile(file->get(), length);
  if (written) {
    const Result<off_t> at = seekFile(file->get(), length, SEEK_SET);
    written = at ? writeAll(file->get(), tail) : Result<void>(*at.problem());
  }
  if (!written) {
    (void)cutFile(file->get(), length);
    return cannotWrite(statementPath(), *written.problem());
  }
  tailMissing_ = false;
  return {};
}

Result<void> StatementBook::rewrite(const SettledCursor& cursor, const Frontiers& frontiers) {
  if (!state_) return {};
  SettlementState next = *state_;
  next.cursor = cursor;
  next.frontiers = frontiers;
  if (next == *state_) return {};
  if (const Result<void> replaced = replaceFile(statePath(), encodeState(next)); !replaced) {
    return cannotWrite(statePath(), *replaced.problem());
  }
  state_ = std::move(next);
  return {};
}

StatementBook::Commit StatementBook::commit(const StatementLine& line, const SettledCursor& cursor,
                                            const Frontiers& frontiers) {
  Commit result;
  if (const Result<void> written = writeTail(); !written) {
    result.problem = *written.problem();
    return result;
  }
  const std::optional<SettlementState> before = state_;
  const off_t length =
      before ? before->statementLength + static_cast<off_t>(statementTail(*before).size()) : 0;
  const SettlementState next{length, line, before ? linesAfter(*before) : LineChecks{}, cursor,
                             frontiers};
  if (const Result<void> replaced = replaceFile(statePath(), encodeState(next)); !replaced) {
    result.problem = cannotWrite(statePath(), *replaced.problem());
    return result;
  }
  state_ = next;
  tailMissing_ = true;
  const Result<void> lineWritten = writeTail();
  if (lineWritten) {
    result.outcome = Outcome::kCommitted;
    return result;
  }
  result.problem = *lineWritten.problem();
  // The state says the cycle is settled, the statement does not show it:
  // the state goes back, or the line waits for the next commit.
  const bool tookBack = before ? replaceFile(statePath(), encodeState(*before)).ok()
                               : sys::unlink(statePath().c_str()) == 0;
  if (tookBack) {
    state_ = before;
    tailMissing_ = false;
    return result;
  }
  result.outcome = Outcome::kLineWaiting;
  return result;
}
