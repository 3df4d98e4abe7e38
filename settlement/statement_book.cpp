#include "settlement/statement_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_handle.h"
#include "common/file_replace.h"
#include "common/problem.h"
#include "common/world_layout.h"

namespace {

Problem cannotWrite(const std::string& path) {
  const int error = errno;
  return Problem::fromErrno("cannot write " + path + ": ", error);
}

}  // namespace

std::string StatementBook::statePath() const {
  return (root_ / kSettlementStateName).string();
}

std::string StatementBook::statementPath() const {
  return (root_ / kStatementName).string();
}

std::optional<std::string> StatementBook::open(const std::filesystem::path& root,
                                               std::string& warning) {
  root_ = root;
  const BookReading book = readBook(root);
  if (book.problem) return book.problem->text();
  state_ = book.state;
  tailMissing_ = book.tailMissing;
  if (tailMissing_) {
    if (const auto problem = writeTail()) {
      warning = "the last line of " + statementPath() + " waits (" + problem->text() + ")";
    }
  }
  return std::nullopt;
}

std::optional<Problem> StatementBook::writeTail() {
  const off_t length = state_ ? state_->statementLength : 0;
  const std::string tail = state_ ? statementTail(*state_) : std::string();
  const off_t end = length + static_cast<off_t>(tail.size());
  struct stat status;
  if (!tailMissing_) {
    // Whole already; unless someone wrote to it since.
    if (lstat(statementPath().c_str(), &status) != 0) {
      if (errno == ENOENT && end == 0) return std::nullopt;
      return Problem::fromErrno(statementPath() + " cannot be looked at: ", errno);
    }
    if (status.st_size == end) return std::nullopt;
    return Problem(statementPath() + " holds " + std::to_string(status.st_size) +
                   " bytes, not the " + std::to_string(end) + " its state accounts for");
  }
  const FileDescriptor file = openRegularFile(statementPath(), O_WRONLY | O_CREAT, 0666);
  if (!file.valid() || fstat(file.get(), &status) != 0) return cannotWrite(statementPath());
  if (status.st_size < length || status.st_size > end) {
    return Problem(statementPath() + " changed while the settlement ran");
  }
  // A line a failed append left in part is written again whole.
  const bool written = ftruncate(file.get(), length) == 0 &&
                       lseek(file.get(), length, SEEK_SET) == length && writeAll(file.get(), tail);
  if (!written) {
    Problem problem = cannotWrite(statementPath());
    [[maybe_unused]] const int cut = ftruncate(file.get(), length);
    return problem;
  }
  tailMissing_ = false;
  return std::nullopt;
}

StatementBook::Commit StatementBook::commit(const StatementLine& line,
                                            const SettledCursor& cursor) {
  Commit result;
  if (const auto problem = writeTail()) {
    result.problem = problem->text();
    return result;
  }
  const std::optional<SettlementState> before = state_;
  const off_t length =
      before ? before->statementLength + static_cast<off_t>(statementTail(*before).size()) : 0;
  const SettlementState next{length, line, cursor};
  if (!replaceFile(statePath(), encodeState(next))) {
    result.problem = cannotWrite(statePath()).text();
    return result;
  }
  state_ = next;
  tailMissing_ = true;
  const std::optional<Problem> lineProblem = writeTail();
  if (!lineProblem) {
    result.outcome = Outcome::kCommitted;
    return result;
  }
  result.problem = lineProblem->text();
  // The state says the cycle is settled, the statement does not show it:
  // the state goes back, or the line waits for the next commit.
  const bool tookBack =
      before ? replaceFile(statePath(), encodeState(*before)) : unlink(statePath().c_str()) == 0;
  if (tookBack) {
    state_ = before;
    tailMissing_ = false;
    return result;
  }
  result.outcome = Outcome::kLineWaiting;
  return result;
}
